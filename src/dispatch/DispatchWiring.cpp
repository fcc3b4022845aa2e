#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireDispatch() {}
void FDispatch::TDivs_Change() {}

} // namespace fd
