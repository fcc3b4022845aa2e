#include "platform/NativeName.h"

#include <QFile>

namespace fd {

QByteArray encodeFileName(const QString &path) { return QFile::encodeName(path); }
QString decodeFileName(const QByteArray &bytes) { return QFile::decodeName(bytes); }

} // namespace fd
