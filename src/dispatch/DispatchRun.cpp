#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireDispatch() {}

} // namespace fd
