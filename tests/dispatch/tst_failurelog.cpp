// The failure log's bytes and the completion report.
#include "FakePort.h"
#include "Fixture.h"
#include "Mounts.h"
#include "dispatch/FailureLog.h"
#include "platform/Env.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace fd;
using namespace fd::test;

class FailureLogTest : public QObject {
    Q_OBJECT
private slots:
    void gbkLinesWithCrLf()
    {
        EngineFixture fx;
        FailureLog log;
        log.open();
        log.add(QStringLiteral("/in/照片.jpg"), QStringLiteral("/out/in_分发2/照片.jpg"));
        log.add(QStringLiteral("/in/😀.jpg"), QStringLiteral("/out/x/😀.jpg"));
        log.close();
        QFile f(FailureLog::path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(QFileInfo(FailureLog::path()).fileName(), QStringLiteral("分发失败记录.txt"));
        QCOMPARE(QFileInfo(FailureLog::path()).absolutePath(), QFileInfo(programFolder()).absoluteFilePath());
        // Header in GBK: 分 = B7 D6.
        QVERIFY(bytes.startsWith(QByteArray("\xB7\xD6")));
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 4); // three lines and the empty rest after the last CR LF
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 3; ++i)
            QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(lines[0], FailureLog::toGbk(QStringLiteral("分发失败记录列表详情：")) + '\r');
        QCOMPARE(lines[1], FailureLog::toGbk(QStringLiteral("/in/照片.jpg  →  /out/in_分发2/照片.jpg")) + '\r');
        // Characters GBK lacks become "?".
        QVERIFY(lines[2].startsWith("/in/?.jpg  "));
        // → is A1 FA in GBK.
        QVERIFY(lines[1].contains(QByteArray("  \xA1\xFA  ")));
    }

    void openReplacesAnEarlierLog()
    {
        EngineFixture fx;
        QVERIFY(writeFile(FailureLog::path(), QByteArray(5000, 'x')));
        FailureLog log;
        log.open();
        log.close();
        QFile f(FailureLog::path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), FailureLog::toGbk(QStringLiteral("分发失败记录列表详情：")) + "\r\n");
    }

    void reportWithFailuresShowsTheLog()
    {
        EngineFixture fx;
        fx.port.switches.timed = false;
        FailureLog log;
        log.open();
        log.close();
        fx.shell.answerMessage(Answer::Ok);
        CompletionReport(fx.port, 3);
        const ShellCall *m = fx.shell.last(CallKind::Message);
        QCOMPARE(m->text, QStringLiteral("分发完毕！因文件访问错误，分发失败3份。\r\n稍候请参见分发失败的记录。"));
        QCOMPARE(m->title, QStringLiteral("消息"));
        QCOMPARE(m->icon, Icon::Information);
        QCOMPARE(fx.shell.last(CallKind::ShowFile)->text, FailureLog::path());
        QVERIFY(QFileInfo::exists(FailureLog::path()));
    }

    void reportWithoutFailuresRemovesTheLog()
    {
        EngineFixture fx;
        FailureLog log;
        log.open();
        log.close();
        fx.shell.answerMessage(Answer::Ok);
        CompletionReport(fx.port, 0);
        QCOMPARE(fx.shell.last(CallKind::Message)->text, QStringLiteral("分发完毕！"));
        QCOMPARE(fx.shell.count(CallKind::ShowFile), 0);
        QVERIFY(!QFileInfo::exists(FailureLog::path()));
        // Timed dispatch reports its failures like any run.
        fx.port.switches.timed = true;
        fx.shell.answerMessage(Answer::Ok);
        CompletionReport(fx.port, 4);
        QVERIFY(fx.shell.last(CallKind::Message)->text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败4份。")));
    }

    void unwritableProgramFolderMovesTheLogToTheUserData()
    {
        EngineFixture fx;
        const QString ro = fx.programDir.path() + QStringLiteral("/ro");
        ScopedMount m = ScopedMount::readOnlyBind(fx.programDir.path(), ro);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        setProgramFolderOverride(ro);
        qputenv("XDG_DATA_HOME", QFile::encodeName(fx.programDir.path() + "/home"));
        const QString moved = fx.programDir.path() + "/home/" + QCoreApplication::applicationName() + "/"
                              + FailureLog::fileName();
        QCOMPARE(FailureLog::path(), moved);
        FailureLog log;
        log.open();
        log.add(QStringLiteral("/a"), QStringLiteral("/b"));
        log.close();
        QCOMPARE(readFile(moved).count('\n'), 2);
        fx.shell.answerMessage(Answer::Ok);
        CompletionReport(fx.port, 1);
        QCOMPARE(fx.shell.last(CallKind::ShowFile)->text, moved);

        // With nowhere to write, only the lines are lost.
        qputenv("XDG_DATA_HOME", QFile::encodeName(ro + "/home2"));
        log.open();
        QVERIFY(!log.isOpen());
        log.add(QStringLiteral("/a"), QStringLiteral("/b")); // no crash, nothing written
        log.close();
        QVERIFY(!QFileInfo::exists(FailureLog::path()));
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_MAIN(FailureLogTest)
#include "tst_failurelog.moc"
