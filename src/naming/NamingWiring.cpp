#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireNaming() {}

} // namespace fd
