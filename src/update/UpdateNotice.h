#pragma once
#include <QByteArray>
#include <QString>

namespace fd {

// The newest version that a notice file announces: its first line without the
// surrounding blanks; empty when the file says nothing.
QString announcedVersion(const QByteArray &content);

} // namespace fd
