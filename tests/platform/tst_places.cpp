// Where a build copy and an installed copy write, and where they find what they ship.
#include "Fixture.h"
#include "app/FDispatch.h"
#include "dispatch/FailureLog.h"
#include "platform/Env.h"
#include "platform/Paths.h"
#include "platform/Places.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace fd;
using namespace fd::test;

class TstPlaces : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString bin_, share_, dataHome_;

    void layout(bool installed, bool beside, bool shared)
    {
        QDir(share_).removeRecursively();
        QFile::remove(bin_ + "/a.chm");
        if (installed)
            QVERIFY(writeFile(share_ + "/applications/" + kDesktopId + ".desktop", "[Desktop Entry]\n"));
        if (beside)
            QVERIFY(writeFile(bin_ + "/a.chm", "x"));
        if (shared)
            QVERIFY(writeFile(share_ + "/fdispatch/a.chm", "x"));
    }
    QString userData() const { return dataHome_ + "/" + QCoreApplication::applicationName(); }

private slots:
    void initTestCase()
    {
        bin_ = tmp_.path() + "/usr/bin";
        share_ = tmp_.path() + "/usr/share";
        dataHome_ = tmp_.path() + "/home";
        QDir().mkpath(bin_);
        qputenv("XDG_DATA_HOME", dataHome_.toUtf8());
        qunsetenv("programdata");
        qunsetenv("PROGRAMDATA");
    }
    void init() { setProgramFolderOverride(bin_); }
    void cleanup() { setProgramFolderOverride(QString()); }

    void writeFolder_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("build or portable copy writes beside itself") << false;
        QTest::newRow("installed copy writes in the user's data location") << true;
    }
    void writeFolder()
    {
        QFETCH(bool, installed);
        layout(installed, false, false);
        const QString want = installed ? userData() : bin_;
        QCOMPARE(writableDataFolder(), want);
        QVERIFY(QFileInfo(want).isDir());
        QCOMPARE(QFileInfo(FailureLog::path()).absolutePath(), want);

        // The startup work folder follows, whatever the window's own program folder was.
        WindowFixture fx(false);
        setProgramFolderOverride(bin_);
        fx.w().Form_Load();
        QCOMPARE(fx.w().startup.workFolder, want + paths::sep());
    }

    void shippedFile_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("shared");
        QTest::addColumn<QString>("found");
        QTest::newRow("beside the program") << true << false << "/usr/bin/a.chm";
        QTest::newRow("in the installed data folder") << false << true << "/usr/share/fdispatch/a.chm";
        QTest::newRow("beside wins") << true << true << "/usr/bin/a.chm";
        QTest::newRow("nowhere: the place beside") << false << false << "/usr/bin/a.chm";
    }
    void shippedFile()
    {
        QFETCH(bool, beside);
        QFETCH(bool, shared);
        QFETCH(QString, found);
        layout(true, beside, shared);
        QCOMPARE(fd::shippedFile("a.chm"), tmp_.path() + found);
    }
};

QTEST_MAIN(TstPlaces)
#include "tst_places.moc"
