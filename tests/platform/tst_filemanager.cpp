// The file manager call that shows a file selected, against a private session bus.
#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>

using namespace fd;

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown += uris; }
};

class FileManagerTest : public QObject {
    Q_OBJECT
    QProcess daemon;
    QString address;

private slots:
    void initTestCase()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForStarted() || !daemon.waitForReadyRead(5000))
            QSKIP("no dbus-daemon here");
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    void cleanupTestCase()
    {
        daemon.kill();
        daemon.waitForFinished();
    }

    void showsTheFileSelectedOrAnswersThatNobodyListens()
    {
        QDBusConnection caller = QDBusConnection::connectToBus(address, QStringLiteral("caller"));
        QVERIFY(caller.isConnected());
        const QString file = QStringLiteral("/tmp/分发 失败.txt");
        QVERIFY(!showItemsOnBus(file, caller)); // no file manager yet

        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
        FakeFileManager fm;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fm,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        QVERIFY(showItemsOnBus(file, caller));
        QCOMPARE(fm.shown, QStringList{QUrl::fromLocalFile(file).toString()});
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
    }
};

QTEST_MAIN(FileManagerTest)
#include "tst_filemanager.moc"
