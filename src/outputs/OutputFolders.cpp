#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireOutputs() {}

} // namespace fd
