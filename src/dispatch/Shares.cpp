#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireShares() {}
void FDispatch::TDivs_Change() {}

} // namespace fd
