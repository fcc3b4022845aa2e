#pragma once
// A small HTTP server on the loopback address that serves the files of a folder,
// for tests of downloads. Every request path is recorded.
#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

namespace fd::test {

class LocalHttpServer : public QObject {
public:
    LocalHttpServer();
    // The location to give the program, ending with "/".
    QString url() const;
    // Puts a file into the served folder.
    void serve(const QString &name, const QByteArray &bytes);
    // Answers a request for name with a redirect to the address to.
    void redirect(const QString &name, const QString &to) { redirects_.insert(QLatin1Char('/') + name, to); }
    QStringList requests;
    QTemporaryDir folder;

private:
    void answer(QTcpSocket *s);
    QTcpServer server_;
    QHash<QString, QString> redirects_;
};

// A loopback location where nothing listens.
QString deadLocation();

} // namespace fd::test
