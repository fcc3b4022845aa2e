#pragma once
// The one conversion between the program's path texts and the bytes the system
// calls take. Every raw call (platform/RawFile and listings) goes through it.
#include <QByteArray>
#include <QString>

namespace fd {

QByteArray encodeFileName(const QString &path);
QString decodeFileName(const QByteArray &bytes);

} // namespace fd
