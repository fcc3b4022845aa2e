// The update notice at startup and the update button, with a scripted platform for
// registration and launches and a local HTTP server for the downloads.
#include "Fixture.h"
#include "LocalHttpServer.h"

#include "app/Controls.h"
#include "platform/Download.h"
#include "platform/Env.h"
#include "platform/UpdatePlatform.h"
#include "update/SwapJournal.h"
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
    void failedUpdateToldOnceAtStart();
    void noticeFetchedAtStartup_data();
    void noticeFetchedAtStartup();
    void downloadAddresses_data();
    void downloadAddresses();
    void redirects_data();
    void redirects();
    void downloadLimit();
    void dispatchRefusedWhileUpdatePending();
    void noUpdateDuringARun();
    void installedCopyLeavesItToThePackageManager();
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
    QTest::addColumn<bool>("located");
    QTest::addColumn<bool>("news");
    QTest::newRow("newer, more lines") << QByteArray("009\r\nchanges\r\n") << true << true;
    QTest::newRow("same, blanks around") << QByteArray("  008 \t\n") << true << false;
    QTest::newRow("same, byte order mark") << QByteArray("\xEF\xBB\xBF" "008\r\n") << true << false;
    QTest::newRow("empty file") << QByteArray() << true << false;
    QTest::newRow("empty first line") << QByteArray("\n009\n") << true << false;
    // A leftover file announces an update that could never be fetched.
    QTest::newRow("newer, no location") << QByteArray("009\r\n") << false << false;
}

void TestUpdate::noticeFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, located);
    QFETCH(bool, news);
    LocationGuard loc(located ? deadLocation() : QString());
    WindowFixture fx;
    FDispatch &w = fx.w();
    announce(fx, content);
    QCOMPARE(w.CmdUpdate->isEnabled(), news);
    QCOMPARE(QFile::exists(w.startup.workFolder + QStringLiteral("Dispatch.txt")), !located);
    const QImage face = w.CmdUpdate->grab().toImage();
    const QColor middle = face.pixelColor(6, face.height() / 2);
    QCOMPARE(middle == QColor(255, 0, 0), news);
}

void TestUpdate::failedUpdateToldOnceAtStart()
{
    WindowFixture fx;
    const QString note = swap::failureNoteFile(fx.w().startup.workFolder);
    QVERIFY(writeFile(note, "写入失败（磁盘已满或不可写）：a.txt"));
    fx.shell.answerMessage(Answer::Ok);
    fx.w().startUpdateNotice(); // as at the next start
    QTRY_COMPARE(fx.shell.count(CallKind::Message), 1);
    QCOMPARE(fx.shell.last(CallKind::Message)->text,
             QStringLiteral("更新未完成，已保留原来的版本：写入失败（磁盘已满或不可写）：a.txt"));
    QVERIFY(!QFile::exists(note));
    fx.w().startUpdateNotice();
    QTest::qWait(50);
    QCOMPARE(fx.shell.count(CallKind::Message), 1);
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

void TestUpdate::redirects_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https to https") << "https://a.example.com/x" << "https://b.example.com/x" << true;
    QTest::newRow("https to http here") << "https://a.example.com/x" << "http://127.0.0.1:8080/x" << false;
    QTest::newRow("https to http") << "https://a.example.com/x" << "http://a.example.com/x" << false;
    QTest::newRow("local server to itself") << "http://127.0.0.1:8080/x" << "http://127.0.0.1:8080/y" << true;
    QTest::newRow("local server to another port") << "http://127.0.0.1:8080/x" << "http://127.0.0.1:9090/y" << false;
    QTest::newRow("local server to a file") << "http://127.0.0.1:8080/x" << "file:///etc/passwd" << false;
}

void TestUpdate::redirects()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    QCOMPARE(redirectAllowed(QUrl(from), QUrl(to)), allowed);
    if (!from.startsWith(QLatin1String("http://")) || !to.startsWith(QLatin1String("http://")))
        return;
    // The same for real: the target is another local server, or this one.
    LocalHttpServer server, other;
    const bool self = QUrl(to).port() == 8080;
    const QString target = (self ? server.url() : other.url()) + QStringLiteral("y");
    server.redirect(QStringLiteral("x"), target);
    (self ? server : other).serve(QStringLiteral("y"), "content");
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("x"));
    QString why;
    QCOMPARE(downloadFile(QUrl(server.url() + QStringLiteral("x")), dest, {}, &why), allowed);
    QCOMPARE(readFile(dest), allowed ? QByteArray("content") : QByteArray());
    QVERIFY(other.requests.isEmpty());
    if (!allowed)
        QVERIFY2(why.startsWith(QStringLiteral("更新地址被转向到不安全的地址：")), qPrintable(why));
}

void TestUpdate::downloadLimit()
{
    LocalHttpServer server;
    server.serve(QStringLiteral("big"), QByteArray(300000, 'b'));
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("big"));
    DownloadOptions o;
    QVERIFY(o.maxBytes == fd::downloadLimit() && o.maxBytes >= qint64(64) << 20); // generous by default
    o.maxBytes = 200000;
    QString why;
    QVERIFY(!downloadFile(QUrl(server.url() + QStringLiteral("big")), dest, o, &why));
    QVERIFY2(why.startsWith(QStringLiteral("下载的文件超过大小上限")), qPrintable(why));
    QVERIFY(!QFile::exists(dest));
    o.maxBytes = 300000;
    QVERIFY(downloadFile(QUrl(server.url() + QStringLiteral("big")), dest, o, &why));
    QCOMPARE(QFileInfo(dest).size(), 300000);
}

void TestUpdate::dispatchRefusedWhileUpdatePending()
{
    LocationGuard loc(deadLocation());
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

// A notice that arrives while files are being dispatched waits for the run's end;
// a button enabled before the run is locked during it as well.
void TestUpdate::noUpdateDuringARun()
{
    LocationGuard loc(deadLocation());
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir in, out;
    for (int i = 0; i < 30; ++i)
        QVERIFY(writeFile(in.filePath(QStringLiteral("f%1.txt").arg(i)), "x"));
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LDir->setCaption(in.path());
    w.LDirOut->setCaption(out.path());
    setOption(w.Opt1, true);
    w.TParts->setText(QStringLiteral("10"));
    QCoreApplication::processEvents();
    fx.shell.setAutoOk(true);
    for (bool failedBefore : {false, true}) {
        if (failedBefore)
            markUpdateFailed(w); // the button is on, dispatch allowed
        int seenDuringRun = 0;
        bool enabledDuringRun = false;
        QTimer::singleShot(0, &w, [&] {
            seenDuringRun += w.dispatchRun != nullptr;
            announce(fx, "009");
            enabledDuringRun = w.CmdUpdate->isEnabled();
        });
        w.CmdDo_Click();
        QCOMPARE(seenDuringRun, 1);
        QVERIFY(!enabledDuringRun);
        QVERIFY(w.CmdUpdate->isEnabled());
        QVERIFY(updateBlocksDispatch(w)); // the news is fresh: the update comes first again
        QVERIFY(!QDir(out.path()).isEmpty()); // the run did its work
    }
}

void TestUpdate::installedCopyLeavesItToThePackageManager()
{
    LocalHttpServer server;
    server.serve(QStringLiteral("STFilesDispatcher.rar"), kArchiveBytes);
    LocationGuard loc(server.url());
    WindowFixture fx;
    ScriptedUpdatePlatform platform;
    announce(fx, "009");
    QVERIFY(packageManaged(QStringLiteral("/usr/lib/fd")) && packageManaged(QStringLiteral("/bin")));
    QVERIFY(!packageManaged(QStringLiteral("/usr/local/bin")) && !packageManaged(QStringLiteral("/usr-old/bin")));
    setProgramFolderOverride(QStringLiteral("/usr/bin"));
    fx.shell.answerMessage(Answer::Ok);
    fx.w().CmdUpdate_Click();
    setProgramFolderOverride(fx.programDir.path());
    QCOMPARE(fx.shell.count(CallKind::Message), 1);
    QCOMPARE(fx.shell.last(CallKind::Message)->text, QStringLiteral("此程序由软件包管理器安装，请使用软件包管理器更新。"));
    QVERIFY(server.requests.isEmpty());
    QVERIFY(platform.companion.isEmpty());
    QCOMPARE(platform.ends, 0);
}

void TestUpdate::updateDownload_data()
{
    QTest::addColumn<QString>("where"); // served, missing, down
    QTest::addColumn<bool>("companionStarts");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<QString>("told"); // the start of the message, none when the program ends
    QTest::newRow("archive served") << "served" << true << true << "";
    QTest::newRow("companion fails") << "served" << false << false << "无法启动更新程序：";
    QTest::newRow("local folder") << "folder" << true << true << "";
    QTest::newRow("archive missing") << "missing" << true << false << "更新下载失败：服务器回答 404";
    QTest::newRow("server down") << "down" << true << false << "更新下载失败：网络错误";
}

void TestUpdate::updateDownload()
{
    QFETCH(QString, where);
    QFETCH(bool, companionStarts);
    QFETCH(bool, ended);
    QFETCH(QString, told);
    LocalHttpServer server;
    const bool served = where == QLatin1String("served") || where == QLatin1String("folder");
    if (served)
        server.serve(QStringLiteral("STFilesDispatcher.rar"), kArchiveBytes);
    LocationGuard loc(where == QLatin1String("down")     ? deadLocation()
                      : where == QLatin1String("folder") ? server.folder.path()
                                                         : server.url());
    WindowFixture fx;
    FDispatch &w = fx.w();
    ScriptedUpdatePlatform platform;
    platform.companionStarts = companionStarts;
    announce(fx, "009");
    if (!told.isEmpty())
        fx.shell.answerMessage(Answer::Ok);
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
    // A failure is told, and dispatch may go on while the button stays for a retry.
    QCOMPARE(fx.shell.count(CallKind::Message), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(fx.shell.last(CallKind::Message)->text.startsWith(told), qPrintable(fx.shell.last(CallKind::Message)->text));
    QVERIFY(w.CmdUpdate->isEnabled());
    QCOMPARE(updateBlocksDispatch(w), told.isEmpty());
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
    LocationGuard loc(server.url());
    announce(fx, "009");
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
    LocationGuard loc(server.url());
    announce(fx, "009");
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
