// The update notice at startup and the update button, with a scripted platform for
// registration and launches and a local HTTP server for the downloads.
#include "Fixture.h"
#include "LocalHttpServer.h"

#include "platform/Download.h"
#include "platform/UpdatePlatform.h"
#include "update/UpdateNotice.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace fd;
using namespace fd::test;

namespace {

struct LocationGuard {
    explicit LocationGuard(const QString &url) { qputenv("FDISPATCH_UPDATE_URL", url.toUtf8()); }
    ~LocationGuard() { qunsetenv("FDISPATCH_UPDATE_URL"); }
};

class ScriptedUpdatePlatform : public UpdatePlatform {
public:
    ScriptedUpdatePlatform() { setUpdatePlatform(this); }
    ~ScriptedUpdatePlatform() override { setUpdatePlatform(nullptr); }
    bool archiverRegistered() override
    {
        ++checks;
        if (registersAtCheck > 0 && checks >= registersAtCheck)
            registered = true;
        return registered;
    }
    bool startInstaller(const QString &program, const QString &) override
    {
        installers << program;
        return true;
    }
    bool startCompanion(const QString &program, const QString &parameters, const QString &folder) override
    {
        companion = program;
        companionParameters = parameters;
        companionFolder = folder;
        return companionStarts;
    }
    void endProgram() override { ++ends; }

    bool registered = true;
    int registersAtCheck = 0; // becomes registered at this check when above 0
    bool companionStarts = true;
    int checks = 0;
    int ends = 0;
    QStringList installers;
    QString companion, companionParameters, companionFolder;
};

const QByteArray kArchiveBytes = "archive of the new version";

void announce(WindowFixture &fx, const QByteArray &content)
{
    QVERIFY(writeFile(fx.w().startup.workFolder + QStringLiteral("Dispatch.txt"), content));
    fx.w().readUpdateNotice();
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT
private slots:
    void noticeFile_data();
    void noticeFile();
    void noticeFetchedAtStartup_data();
    void noticeFetchedAtStartup();
    void downloadAddresses_data();
    void downloadAddresses();
    void dispatchRefusedWhileUpdatePending();
    void updateDownload_data();
    void updateDownload();
    void installerThenDownload_data();
    void installerThenDownload();
    void waitLimitAsksRetryOrCancel();
    void companionCountsAsArchiver();
};

void TestUpdate::noticeFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("news");
    QTest::newRow("newer, more lines") << QByteArray("009\r\nchanges\r\n") << true;
    QTest::newRow("same, blanks around") << QByteArray("  008 \t\n") << false;
    QTest::newRow("same, byte order mark") << QByteArray("\xEF\xBB\xBF" "008\r\n") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("empty first line") << QByteArray("\n009\n") << false;
}

void TestUpdate::noticeFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, news);
    WindowFixture fx;
    FDispatch &w = fx.w();
    announce(fx, content);
    QCOMPARE(w.CmdUpdate->isEnabled(), news);
    QVERIFY(!QFile::exists(w.startup.workFolder + QStringLiteral("Dispatch.txt")));
    const QImage face = w.CmdUpdate->grab().toImage();
    const QColor middle = face.pixelColor(6, face.height() / 2);
    QCOMPARE(middle == QColor(255, 0, 0), news);
}

void TestUpdate::noticeFetchedAtStartup_data()
{
    QTest::addColumn<QString>("where"); // served, missing, down, none
    QTest::addColumn<bool>("news");
    QTest::newRow("served") << "served" << true;
    QTest::newRow("not on the server") << "missing" << false;
    QTest::newRow("server down") << "down" << false;
    QTest::newRow("no location") << "none" << false;
}

void TestUpdate::noticeFetchedAtStartup()
{
    QFETCH(QString, where);
    QFETCH(bool, news);
    LocalHttpServer server;
    if (where == QLatin1String("served"))
        server.serve(QStringLiteral("Dispatch.txt"), "010\r\n");
    LocationGuard loc(where == QLatin1String("down") ? deadLocation()
                      : where == QLatin1String("none") ? QString()
                                                       : server.url());
    WindowFixture fx; // any message box would fail the test
    if (news)
        QTRY_VERIFY(fx.w().CmdUpdate->isEnabled());
    else
        QTest::qWait(400);
    QCOMPARE(fx.w().CmdUpdate->isEnabled(), news);
    QVERIFY(!QFile::exists(fx.w().startup.workFolder + QStringLiteral("Dispatch.txt")));
    QCOMPARE(server.requests.size(), where == QLatin1String("none") || where == QLatin1String("down") ? 0 : 1);
}

void TestUpdate::downloadAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << "https://updates.example.com/x.rar" << true;
    QTest::newRow("plain http") << "http://updates.example.com/x.rar" << false;
    QTest::newRow("http to this machine") << "http://127.0.0.1:8080/x.rar" << true;
    QTest::newRow("localhost") << "http://localhost/x.rar" << true;
    QTest::newRow("local file") << "file:///srv/x.rar" << true;
    QTest::newRow("ftp") << "ftp://updates.example.com/x.rar" << false;
}

void TestUpdate::downloadAddresses()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(downloadAllowed(QUrl(url)), allowed);
}

void TestUpdate::dispatchRefusedWhileUpdatePending()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.CmdUpdate_Click(); // disabled: a beep and nothing else
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    announce(fx, "009");
    w.activateWindow();
    w.CmdDo->click();
    QCOMPARE(fx.shell.count(CallKind::Beep), 2);
    QCOMPARE(fx.shell.count(CallKind::Message), 0);
    QTRY_VERIFY(w.CmdUpdate->hasFocus());
}

void TestUpdate::updateDownload_data()
{
    QTest::addColumn<QString>("where"); // served, missing, down
    QTest::addColumn<bool>("companionStarts");
    QTest::addColumn<bool>("ended");
    QTest::newRow("archive served") << "served" << true << true;
    QTest::newRow("companion fails") << "served" << false << false;
    QTest::newRow("local folder") << "folder" << true << true;
    QTest::newRow("archive missing") << "missing" << true << false;
    QTest::newRow("server down") << "down" << true << false;
}

void TestUpdate::updateDownload()
{
    QFETCH(QString, where);
    QFETCH(bool, companionStarts);
    QFETCH(bool, ended);
    LocalHttpServer server;
    const bool served = where == QLatin1String("served") || where == QLatin1String("folder");
    if (served)
        server.serve(QStringLiteral("STFilesDispatcher.rar"), kArchiveBytes);
    WindowFixture fx;
    FDispatch &w = fx.w();
    ScriptedUpdatePlatform platform;
    platform.companionStarts = companionStarts;
    announce(fx, "009");
    LocationGuard loc(where == QLatin1String("down")     ? deadLocation()
                      : where == QLatin1String("folder") ? server.folder.path()
                                                         : server.url());
    // A leftover from an earlier try is no download.
    const QString archive = w.startup.workFolder + QStringLiteral("STFilesDispatcher.rar");
    QVERIFY(writeFile(archive, "stale"));
    QSignalSpy titles(&w, &QWidget::windowTitleChanged);
    QTest::mouseClick(w.CmdUpdate, Qt::LeftButton);

    QCOMPARE(readFile(archive), served ? kArchiveBytes : QByteArray());
    QCOMPARE(!platform.companion.isEmpty(), served);
    QCOMPARE(platform.ends, ended ? 1 : 0);
    QCOMPARE(w.windowTitle(), FDispatch::caption());
    QVERIFY(platform.installers.isEmpty());
    if (served) {
        QVERIFY(!titles.isEmpty()); // the title showed the progress
        QVERIFY(titles.first().first().toString().startsWith(FDispatch::caption() + QStringLiteral("  更新下载中：")));
        QCOMPARE(platform.companion, companionPath());
        QCOMPARE(platform.companionFolder, fx.programDir.path());
        const QStringList fields = platform.companionParameters.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields.at(0), archive);
        QCOMPARE(fields.at(1), QStringLiteral("1"));
        QCOMPARE(fields.at(2), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        QCOMPARE(fields.at(3), FDispatch::caption());
    }
}

void TestUpdate::installerThenDownload_data()
{
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("registered");
    // A local installer is started even when the archiver is there (once, not twice);
    // otherwise one is downloaded, and the wait ends when the archiver turns up.
    QTest::newRow("local installer") << true << true;
    QTest::newRow("downloaded installer") << false << false;
}

void TestUpdate::installerThenDownload()
{
    QFETCH(bool, local);
    QFETCH(bool, registered);
    LocalHttpServer server;
    server.serve(QStringLiteral("wrar411sc.rar"), "installer bytes");
    server.serve(QStringLiteral("STFilesDispatcher.rar"), kArchiveBytes);
    WindowFixture fx;
    ScriptedUpdatePlatform platform;
    platform.registered = registered;
    platform.registersAtCheck = 4;
    const QString installer = local ? fx.programDir.filePath(QStringLiteral("WinRar.exe"))
                                    : fx.w().startup.workFolder + QStringLiteral("WinRAR.exe");
    if (local)
        QVERIFY(writeFile(installer, "installer bytes"));
    announce(fx, "009");
    LocationGuard loc(server.url());
    fx.shell.answerMessage(Answer::Ok);
    fx.w().CmdUpdate_Click();
    QCOMPARE(platform.installers, QStringList{installer});
    QCOMPARE(readFile(installer), QByteArray("installer bytes"));
    QCOMPARE(fx.shell.count(CallKind::Message), 1);
    QCOMPARE(server.requests.last(), QStringLiteral("/STFilesDispatcher.rar"));
    QCOMPARE(platform.ends, 1);
}

void TestUpdate::waitLimitAsksRetryOrCancel()
{
    LocalHttpServer server;
    WindowFixture fx;
    ScriptedUpdatePlatform platform;
    platform.registered = false;
    ManualClock clock;
    clock.stepMs = 7000; // each reading of the clock is seven seconds on
    announce(fx, "009");
    LocationGuard loc(server.url());
    for (Answer a : {Answer::Ok, Answer::Retry, Answer::Ok, Answer::Cancel})
        fx.shell.answerMessage(a);
    fx.w().CmdUpdate_Click();
    const QList<ShellCall> messages = fx.shell.ofKind(CallKind::Message);
    QCOMPARE(messages.size(), 4);
    QVERIFY(messages.at(0).text.startsWith(QStringLiteral("资源文件缺失，请先安装默认经典的WinRAR解压缩应用程序！\n")));
    QCOMPARE(messages.at(1).text, QStringLiteral("资源文件缺失，请先安装WinRAR解压缩应用程序！"));
    QCOMPARE(messages.at(1).buttons, Buttons::RetryCancel);
    QCOMPARE(platform.installers.size(), 2);
    QVERIFY(platform.checks > 2); // the registration was read again while waiting
    QCOMPARE(server.requests, QStringList{"/wrar411sc.rar"}); // no archive download
    QCOMPARE(platform.ends, 0);
    QVERIFY(fx.w().CmdUpdate->isEnabled());
}

void TestUpdate::companionCountsAsArchiver()
{
    WindowFixture fx;
    QVERIFY(!updatePlatform().archiverRegistered());
    QVERIFY(QFile::copy(qEnvironmentVariable("FDISPATCH_REBOOTER"), companionPath()));
    QVERIFY(updatePlatform().archiverRegistered());
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
