#include "outputs/Walk.h"
#include "app/FDispatch.h"

namespace fd {

void WalkFolder(FDispatch &, const QString &) {}

} // namespace fd
