// Random draw and manual mode driven through the real window on real folders.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "Mounts.h"
#include "catalogue/FileList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {

const QString kEndQuestion = QStringLiteral("分发完毕！ \r\n需要清空已加载的文件列表吗？如果稍后输入目录未发生变化，"
                                            "或者输入目录下的文件未发生变化，稍后还想继续随机分发，则无须清空文件列表。");
const QString kUpdateQuestion =
    QStringLiteral("更新输入目录下的文件？如果输入目录下文件未发生变动，则无须更新，否则更新将重新耗时！");
const QString kNextCycle = QStringLiteral("本次分发完毕！\r\n是——准备就绪，继续随机分发\r\n否——谢谢了，本次任务完成了！");

} // namespace

class RandomDrawTest : public RunFolders {
    Q_OBJECT
    QString root;

    // Input and output chosen, random draw on, S files per set.
    void drawMode(int perSet, bool manual = false)
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
        setOption(w().Opt1, true);
        w().ChRndDraw->setChecked(true);
        w().TParts->setText(QString::number(perSet));
        fx->shell.clear();
        if (manual) {
            fx->shell.answerMessage(Answer::Ok); // the warning of the first check
            w().ChMamal->setChecked(true);
        }
    }
    QStringList messages() const
    {
        QStringList l;
        for (const ShellCall &c : fx->shell.ofKind(CallKind::Message))
            l << c.text;
        return l;
    }

private slots:
    void init()
    {
        openFolders();
        root = out + QStringLiteral("/随机抽取文件集");
    }
    void cleanup() { closeFolders(); }

    void setsFromAKeptPool()
    {
        QVERIFY(makeFiles(in, 95));
        drawMode(10);
        fx->shell.answerMessage(Answer::No); // keep the pool
        w().CmdDo_Click();
        QStringList sets;
        for (int k = 1; k <= 10; ++k)
            sets << QStringLiteral("%1").arg(k, 5, 10, QLatin1Char('0'));
        QCOMPARE(namesIn(root, QDir::Dirs), sets);
        for (const QString &s : sets)
            QCOMPARE(namesIn(root + QLatin1Char('/') + s).size(), 10);
        QVERIFY(titles.contains(FDispatch::caption() + QStringLiteral("  正在随机分发中10/10之10/10")));
        const ShellCall *end = fx->shell.last(CallKind::Message);
        QCOMPARE(messages(), QStringList{kEndQuestion});
        QCOMPARE(end->buttons, Buttons::YesNo);
        QCOMPARE(end->defaultButton, Answer::No);
        QCOMPARE(fx->shell.last(CallKind::OpenFolder)->text, root);
        QCOMPARE(w().draw.paths.size(), 95);
        QCOMPARE(namesIn(in).size(), 95); // copies only
        // The switch's rule ran again at the end.
        QVERIFY(w().ChRndDraw->isChecked() && w().ChMamal->isEnabled() && !w().ChNum->isEnabled());

        // Again without a scan: a file added meanwhile is not in the pool, the old sets go.
        QVERIFY(writeFile(in + QStringLiteral("/new.jpg"), "new"));
        QVERIFY(writeFile(root + QStringLiteral("/old.txt"), "old"));
        fx->shell.clear();
        fx->shell.answerMessage(Answer::No);  // no update
        fx->shell.answerMessage(Answer::Yes); // empty the pool
        w().CmdDo_Click();
        QCOMPARE(messages(), (QStringList{kUpdateQuestion, kEndQuestion}));
        QCOMPARE(w().LFiles->caption(), QStringLiteral("95"));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/old.txt")));
        QVERIFY(w().draw.paths.isEmpty());

        // A new input folder empties a kept pool.
        w().draw.paths = QStringList{"a", "b"};
        w().LDir->setCaption(out);
        QVERIFY(w().draw.paths.isEmpty());
    }

    void poolOfOne()
    {
        QVERIFY(makeFiles(in, 1));
        drawMode(1);
        fx->shell.answerMessage(Answer::No);
        w().CmdDo_Click();
        QCOMPARE(namesIn(root, QDir::Dirs), QStringList{"00001"});
        QCOMPARE(namesIn(root + QStringLiteral("/00001")), QStringList{"f1.jpg"});
        QCOMPARE(messages(), QStringList{kEndQuestion}); // no update question for a single path
    }

    void sameNameTwiceInOneSet()
    {
        QVERIFY(writeFile(in + QStringLiteral("/a/x.jpg"), "A"));
        QVERIFY(writeFile(in + QStringLiteral("/b/x.jpg"), "B"));
        QVERIFY(makeFiles(in, 2));
        drawMode(2);
        w().draw.paths = QStringList{in + QStringLiteral("/a/x.jpg"), in + QStringLiteral("/b/x.jpg")};
        fx->shell.answerMessage(Answer::No); // no update: keep this pool
        fx->shell.answerMessage(Answer::No);
        w().CmdDo_Click();
        const QString set = root + QStringLiteral("/00001");
        QCOMPARE(namesIn(set), (QStringList{"x.jpg", "重名_x.jpg"}));
        QCOMPARE(readFile(set + QStringLiteral("/x.jpg")).size(), 1);
    }

    void everyPathEquallyLikely()
    {
        QVERIFY(makeFiles(in, 10));
        drawMode(1);
        QHash<QString, int> drawn;
        const int runs = 20;
        for (int i = 0; i < 2 * runs - 1; ++i)
            fx->shell.answerMessage(Answer::No); // no update, keep the pool
        for (int r = 0; r < runs; ++r) {
            w().CmdDo_Click();
            for (const QString &s : namesIn(root, QDir::Dirs))
                for (const QString &f : namesIn(root + QLatin1Char('/') + s))
                    ++drawn[f];
        }
        QCOMPARE(drawn.size(), 10);
        const double expected = runs; // 10 sets a run over 10 files
        double chi2 = 0;
        for (int n : drawn)
            chi2 += (n - expected) * (n - expected) / expected;
        QVERIFY2(chi2 < 27.88, qPrintable(QString::number(chi2))); // 9 degrees of freedom, p = 0.001
    }

    void fullDisk_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("cancel") << false;
        QTest::newRow("retry after freeing space") << true;
    }
    void fullDisk()
    {
        QFETCH(bool, retry);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(writeFile(in + QStringLiteral("/f%1.bin").arg(i), QByteArray(120 * 1024, char('a' + i))));
        ScopedMount m = ScopedMount::tmpfs(out, 400 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        const QString filler = out + QStringLiteral("/filler");
        QVERIFY(writeFile(filler, QByteArray(100 * 1024, 'z')));
        drawMode(3);
        fx->shell.answerMessage(retry ? Answer::Retry : Answer::Cancel);
        if (retry) {
            fx->shell.onRetryQuestion = [&] { QFile::remove(filler); };
            fx->shell.answerMessage(Answer::No);
        }
        w().CmdDo_Click();
        const ShellCall full = fx->shell.ofKind(CallKind::Message).first();
        QCOMPARE(full.text, QStringLiteral("导出目录所在磁盘空间不足！请释放空间后重试分发！"));
        QCOMPARE(full.icon, Icon::Critical);
        QCOMPARE(full.buttons, Buttons::RetryCancel);
        QCOMPARE(messages().size(), retry ? 2 : 1); // Cancel ends the draw at once
        QCOMPARE(namesIn(root + QStringLiteral("/00001")).size(), retry ? 3 : 2);
        QCOMPARE(fx->shell.last(CallKind::OpenFolder)->text, root);
        QVERIFY(w().CmdDo->isEnabled());
    }

    void manualCycles()
    {
        QVERIFY(makeFiles(in, 10));
        drawMode(3, true);
        // The warning comes on the first check only.
        QVERIFY(messages().value(0).startsWith(QStringLiteral("请务必指定分发导出的文件夹为您的专用固定空工作文件夹")));
        w().ChMamal->setChecked(false);
        w().ChMamal->setChecked(true);
        QCOMPARE(messages().size(), 1);
        fx->shell.clear();
        QVERIFY(writeFile(out + QStringLiteral("/mine.txt"), "user file"));
        fx->shell.answerMessage(Answer::Yes);
        fx->shell.answerMessage(Answer::No);
        w().CmdDo_Click();
        QCOMPARE(messages(), (QStringList{kNextCycle, kNextCycle}));
        QCOMPARE(namesIn(out).size(), 3); // the second sample only
        QVERIFY(!namesIn(out).contains(QStringLiteral("mine.txt")));
        QVERIFY(titles.contains(FDispatch::caption() + QStringLiteral("  正在随机分发中3/3")));
        QCOMPARE(fx->shell.last(CallKind::OpenFolder)->text, out);
        QCOMPARE(w().draw.paths.size(), 10);
        QCOMPARE(namesIn(in).size(), 10);
    }

    void protectedFoldersAreNeverDeleted_data()
    {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("output"); // relative to the test folder; "@program", "@home"
        QTest::addColumn<QString>("input");
        QTest::newRow("manual into the input folder") << true << "in" << "in";
        QTest::newRow("manual into a folder holding the input") << true << "." << "in";
        QTest::newRow("manual into the program's folder") << true << "@program" << "in";
        QTest::newRow("manual into the home folder") << true << "@home" << "in";
        QTest::newRow("draw with the input among the sets") << false << "out" << "out/随机抽取文件集/00001";
    }
    void protectedFoldersAreNeverDeleted()
    {
        QFETCH(bool, manual);
        QFETCH(QString, output);
        QFETCH(QString, input);
        const QString home = dir->filePath(QStringLiteral("home"));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.toLocal8Bit());
        QVERIFY(writeFile(home + QStringLiteral("/notes.txt"), "mine"));
        QVERIFY(writeFile(fx->programDir.filePath(QStringLiteral("tool.dat")), "program"));
        in = dir->filePath(input);
        QVERIFY(makeFiles(in, 3));
        out = output == "@program" ? fx->programDir.path() : output == "@home" ? home : dir->filePath(output);
        const Inventory before = Inventory::take({dir->path(), fx->programDir.path()});
        drawMode(2, manual);
        fx->shell.clear();
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        qputenv("HOME", oldHome);
        const QList<ShellCall> msgs = fx->shell.ofKind(CallKind::Message);
        QCOMPARE(msgs.size(), 1);
        QVERIFY(msgs[0].text.contains(manual ? QDir::cleanPath(out) : root));
        QCOMPARE(msgs[0].title, QStringLiteral("消息"));
        QCOMPARE(msgs[0].icon, Icon::Critical);
        QCOMPARE(before.lostAfter({}), QStringList());
        QCOMPARE(fx->shell.count(CallKind::OpenFolder), 0);
        QVERIFY(w().CmdDo->isEnabled() && w().CmdIn->isEnabled());
    }
};

QTEST_MAIN(RandomDrawTest)
#include "tst_randomdraw.moc"
