#pragma once
// Showing a file selected in the desktop's file manager.
#include <QString>

class QDBusConnection;

namespace fd {

// Asks the file manager on the bus (org.freedesktop.FileManager1 ShowItems) to
// show the file selected; false when none answered.
bool showItemsOnBus(const QString &file, const QDBusConnection &bus);

} // namespace fd
