#include "catalogue/Scan.h"
#include "app/FDispatch.h"

namespace fd {

void ScanFolder(FDispatch &, const QString &) {}

} // namespace fd
