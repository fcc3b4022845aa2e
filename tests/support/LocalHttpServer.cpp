#include "LocalHttpServer.h"

#include <QFile>
#include <QTcpSocket>
#include <QUrl>

namespace fd::test {

LocalHttpServer::LocalHttpServer()
{
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = server_.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString LocalHttpServer::url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()); }

void LocalHttpServer::serve(const QString &name, const QByteArray &bytes)
{
    QFile f(folder.filePath(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void LocalHttpServer::answer(QTcpSocket *s)
{
    if (s->property("answered").toBool() || !s->canReadLine())
        return;
    s->setProperty("answered", true);
    const QList<QByteArray> parts = s->readLine().split(' ');
    while (s->bytesAvailable())
        s->readAll(); // headers are not needed
    const QString path = parts.size() > 1 ? QUrl::fromPercentEncoding(parts.at(1)) : QString();
    requests << path;
    QFile f(folder.filePath(path.mid(1)));
    QByteArray head;
    QByteArray body;
    if (redirects_.contains(path)) {
        body = "moved";
        head = "HTTP/1.1 302 Found\r\nLocation: " + redirects_.value(path).toUtf8() + "\r\n";
    } else if (path.size() > 1 && f.open(QIODevice::ReadOnly)) {
        body = f.readAll();
        head = "HTTP/1.1 200 OK\r\n";
    } else {
        body = "not found";
        head = "HTTP/1.1 404 Not Found\r\n";
    }
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    s->write(head + body);
    s->disconnectFromHost();
}

QString deadLocation()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close(); // nothing listens there now
    return QStringLiteral("http://127.0.0.1:%1/").arg(port);
}

} // namespace fd::test
