#include "outputs/PickFolder.h"

namespace fd {

QString PickFolder(const QString &, const QString &, bool, const QString &) { return QString(); }

} // namespace fd
