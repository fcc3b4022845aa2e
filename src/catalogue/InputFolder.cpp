#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireInput() {}
void FDispatch::LDir_Change() {}

} // namespace fd
