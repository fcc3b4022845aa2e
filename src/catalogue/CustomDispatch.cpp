#include "catalogue/CustomDispatch.h"

namespace fd {

void CustomDispatchFile(FDispatch &, const QStringList &, const QString &, long long &)
{
    // The custom-only rule comes with its own change; until then nothing is placed.
}

} // namespace fd
