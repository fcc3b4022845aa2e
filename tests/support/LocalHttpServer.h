#pragma once
// A small HTTP server on the loopback address that serves the files of a folder,
// for tests of downloads. Every request path is recorded.
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
    QStringList requests;
    QTemporaryDir folder;

private:
    void answer(QTcpSocket *s);
    QTcpServer server_;
};

// A loopback location where nothing listens.
QString deadLocation();

} // namespace fd::test
