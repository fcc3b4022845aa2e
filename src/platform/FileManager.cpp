#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace fd {

bool showItemsOnBus(const QString &file, const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    // The window keeps painting while the file manager starts up.
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace fd
