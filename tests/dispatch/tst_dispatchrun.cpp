// The dispatch button driven through the real window on real folders.
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "catalogue/FileList.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Pace.h"
#include "dispatch/Rules.h"
#include "dispatch/Transfer.h"
#include "outputs/FlexGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>

using namespace fd;
using namespace fd::test;

namespace {


QStringList namesIn(const QString &folder)
{
    QStringList l = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    l.sort();
    return l;
}


} // namespace

class DispatchRunTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> fx;
    std::unique_ptr<QTemporaryDir> dir;
    QString in, out;

    FDispatch &w() { return fx->w(); }

    void makeFiles(int n, const QString &prefix = QStringLiteral("f"), const QString &ext = QStringLiteral(".jpg"))
    {
        for (int i = 1; i <= n; ++i)
            QVERIFY(writeFile(in + QLatin1Char('/') + prefix + QString::number(i) + ext,
                              QByteArray::number(i) + "-" + prefix.toUtf8()));
    }
    void useFolders()
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
    }
    QString numbered(int n) const
    {
        return numberedFolder(out, relativePart(in, w_opt2()), n);
    }
    bool w_opt2() const { return fx->w().Option2->isChecked(); }
    void addGridFolder(const QString &path)
    {
        QDir().mkpath(path);
        FlexGrid *g = w().MSFlexGrid1;
        const int r = g->rows();
        g->setRows(r + 1);
        g->setTextMatrix(r, 0, path);
        g->setTextMatrix(r, 1, QFileInfo(path).fileName());
    }
    // Custom folders with no name rule: every listed folder gets every file.
    void everyListedFolder()
    {
        setOption(w().Opt3, true);
        w().ChInClude->setChecked(false);
        w().ChOverLay->setChecked(false);
    }
    void run()
    {
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
    }
    QString lastMessage() const
    {
        const ShellCall *c = fx->shell.last(CallKind::Message);
        return c ? c->text : QString();
    }
    void expectNothingLost(const Inventory &before)
    {
        const QStringList lost = before.lostAfter({out});
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        in = dir->filePath(QStringLiteral("in"));
        out = dir->filePath(QStringLiteral("out"));
        QDir().mkpath(in);
        QDir().mkpath(out);
        fx = std::make_unique<WindowFixture>(true);
    }
    void cleanup()
    {
        fx.reset();
        dir.reset();
    }

    // ---- checks before anything is locked --------------------------------------------

    void pendingUpdateOnlyBeeps()
    {
        makeFiles(2);
        useFolders();
        w().CmdUpdate->setEnabled(true);
        run();
        QCOMPARE(fx->shell.count(CallKind::Beep), 1);
        QVERIFY(w().CmdIn->isEnabled());
        QCOMPARE(namesIn(in).size(), 2);
        QVERIFY(QDir(out).isEmpty());
    }

    void customFoldersWithoutAnyFolder()
    {
        makeFiles(2);
        useFolders();
        setOption(w().Opt3, true);
        w().ChSame->setEnabled(true);
        w().ChSame->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"));
        QCOMPARE(fx->shell.last(CallKind::Message)->icon, Icon::Critical);
        QVERIFY(w().Opt1->isEnabled());

        w().ChSame->setChecked(false);
        w().CmdDo->setEnabled(true);
        fx->shell.clear();
        w().CmdDo_Click();
        QCOMPARE(fx->shell.count(CallKind::Beep), 1);
        QCOMPARE(fx->shell.count(CallKind::Message), 0);
        QVERIFY(!w().CmdDo->isEnabled());
    }

    void cancelOnTheMoveQuestionCopies()
    {
        makeFiles(6);
        useFolders();
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Cancel);
        run();
        const ShellCall q = fx->shell.ofKind(CallKind::Message).first();
        QCOMPARE(q.text, QStringLiteral("在分发的同时移走原文件？"));
        QCOMPARE(q.buttons, Buttons::OkCancel);
        QCOMPARE(q.defaultButton, Answer::Cancel);
        QCOMPARE(namesIn(in).size(), 6);
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        expectNothingLost(before);
        int copies = 0;
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++copies;
        }
        QCOMPARE(copies, 6);
    }

    // ---- numbered folders ------------------------------------------------------------

    void fixedCountRandomOrder()
    {
        makeFiles(120);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("50"));
        const Inventory before = Inventory::take({in});
        QVERIFY(writeFile(FailureLog::path(), "log of an earlier run"));
        run();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QCOMPARE(namesIn(numbered(1)).size(), 50);
        QCOMPARE(namesIn(numbered(2)).size(), 50);
        QCOMPARE(namesIn(numbered(3)).size(), 20);
        QVERIFY(!QFileInfo::exists(numbered(4)));
        QVERIFY(!QFileInfo::exists(FailureLog::path()));
        expectNothingLost(before);
        // Final settings of every run.
        QVERIFY(w().ChOvewr->isChecked());
        QVERIFY(!w().ChBackUp->isChecked());
        QVERIFY(w().Opt1->isChecked());
        QCOMPARE(fx->shell.last(CallKind::OpenFolder)->text, out);
        QCOMPARE(w().windowTitle(), FDispatch::caption());
        QVERIFY(w().CmdDo->isEnabled() && w().CmdIn->isEnabled() && w().Combo1->isEnabled());
    }

    void onlyLastComponentKept()
    {
        makeFiles(3);
        useFolders();
        setOption(w().Opt1, true);
        setOption(w().Option2, true);
        w().TParts->setText(QStringLiteral("1"));
        run();
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(namesIn(out + QStringLiteral("/in_分发") + QString::number(n)).size(), 1);
    }

    void equalSharesPreparedOrderTakesTheRemainderLast()
    {
        makeFiles(103);
        useFolders();
        setOption(w().Opt2, true);
        w().TDivs->setText(QStringLiteral("5"));
        // Random order with a shuffled list: neither sequential nor numeric.
        w().ChNum->setChecked(false);
        w().ChN->setChecked(false);
        run();
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(namesIn(numbered(n)).size(), 20);
        QCOMPARE(namesIn(numbered(6)).size(), 3);
    }

    void sequentialNumericOrderAndSpareFolderRemoved()
    {
        // Names whose numbers order differently as text: 2 before 10.
        for (int i : {10, 2, 33, 1, 7, 21, 4})
            QVERIFY(writeFile(in + QStringLiteral("/IMG_") + QString::number(i) + QStringLiteral(".jpg"),
                              QByteArray::number(i)));
        useFolders();
        setOption(w().Opt2, true);
        w().TDivs->setText(QStringLiteral("3")); // 7 files: share 3, folders 1-4 made, 4 stays empty
        w().ChNum->setChecked(true);
        w().ChN->setChecked(true);
        const Inventory before = Inventory::take({in});
        run();
        QCOMPARE(namesIn(numbered(1)), (QStringList{"IMG_1.jpg", "IMG_2.jpg", "IMG_4.jpg"}));
        QCOMPARE(namesIn(numbered(2)), (QStringList{"IMG_10.jpg", "IMG_21.jpg", "IMG_7.jpg"}));
        QCOMPARE(namesIn(numbered(3)), (QStringList{"IMG_33.jpg"}));
        QVERIFY(!QFileInfo::exists(numbered(4))); // the spare folder is removed
        expectNothingLost(before);
    }

    void moreCataloguedThanListedReadsTheCatalogueAgain()
    {
        makeFiles(3);
        QVERIFY(writeFile(in + QStringLiteral("/.hidden.jpg"), "h"));
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("10"));
        QStringList titles;
        int pauses = 0;
        setPauseHook([&](float s) {
            QCOMPARE(s, 1.0f);
            titles << w().windowTitle();
            ++pauses;
        });
        run(); // the scan finds the hidden file too and raises the count above the listing
        QCOMPARE(pauses, 0);
        QCOMPARE(w().LFiles->caption(), QStringLiteral("4"));
        fx->shell.clear();
        run();
        setPauseHook({});
        QCOMPARE(pauses, 1);
        QCOMPARE(titles.value(0), FDispatch::caption() + QStringLiteral("  目标文件读取完毕，即将分发"));
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        // A hidden source counts as absent: it is never copied.
        QSet<QString> placed;
        QDirIterator it(out, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            placed.insert(QFileInfo(it.next()).fileName());
        QCOMPARE(placed, (QSet<QString>{"f1.jpg", "f2.jpg", "f3.jpg"}));
        QVERIFY(QFileInfo::exists(in + QStringLiteral("/.hidden.jpg")));
    }

    void earlierFilesKeepTheirFolder()
    {
        makeFiles(4);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("2"));
        // A folder 3 that holds files of an earlier run stays.
        QVERIFY(writeFile(numbered(3) + QStringLiteral("/old.txt"), "old"));
        run();
        QCOMPARE(readFile(numbered(3) + QStringLiteral("/old.txt")), QByteArray("old"));
    }

    void moveDeletesOnlyRealCopies()
    {
        makeFiles(5);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("5"));
        w().ChNum->setChecked(true); // sequential: f1.. in scan order into folder 1
        // f3 clashes and neither switch is on: it is skipped and must stay.
        QVERIFY(writeFile(numbered(1) + QStringLiteral("/f3.jpg"), "older"));
        const Inventory before = Inventory::take({in, out});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok); // move
        fx->shell.answerMessage(Answer::Ok); // report
        // ChOvewr is the default; switch both clash rules off for this run.
        w().ChOvewr->setChecked(false);
        w().ChRen->setChecked(false);
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QCOMPARE(namesIn(in), (QStringList{"f3.jpg"}));
        QCOMPARE(readFile(numbered(1) + QStringLiteral("/f3.jpg")), QByteArray("older"));
        QCOMPARE(w().LFiles->caption(), QStringLiteral("0"));
        expectNothingLost(before);
    }

    void unwritableFolderInMoveModeIsLoggedAndSourcesStay()
    {
        makeFiles(4);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("2"));
        w().ChNum->setChecked(true);
        // Folder 2 exists but is read-only.
        const QString real = dir->filePath(QStringLiteral("real2"));
        QDir().mkpath(real);
        ScopedMount m = ScopedMount::readOnlyBind(real, numbered(2));
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！因文件访问错误，分发失败2份。\r\n稍候请参见分发失败的记录。"));
        QCOMPARE(fx->shell.last(CallKind::ShowFile)->text, FailureLog::path());
        QCOMPARE(namesIn(in), (QStringList{"f3.jpg", "f4.jpg"}));
        QFile log(FailureLog::path());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[1], FailureLog::toGbk(in + QStringLiteral("/f3.jpg  →  ") + numbered(2) + QStringLiteral("/f3.jpg"))
                               + '\r');
        expectNothingLost(before);
    }

    void copyModeMovesOnAndStopsAtTheLastFolder()
    {
        makeFiles(4);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("2"));
        w().ChNum->setChecked(true);
        // Folder 1 cannot take files: its files go on into folder 2; folder 2 is
        // the last one, so nothing moves on past it.
        const QString real = dir->filePath(QStringLiteral("real1"));
        QDir().mkpath(real);
        ScopedMount m1 = ScopedMount::readOnlyBind(real, numbered(1));
        if (!m1.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m1.error()));
        const Inventory before = Inventory::take({in});
        run();
        // f1 and f2 move on into folder 2; f3 and f4 belong to folder 3, which the
        // count never made, and there is no folder after it: both are failures.
        QCOMPARE(namesIn(numbered(2)), (QStringList{"f1.jpg", "f2.jpg"}));
        QVERIFY(lastMessage().startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败2份。")));

        // Now the last folder is unwritable too: the retry stops and logs.
        QDir(numbered(2)).removeRecursively();
        const QString real2 = dir->filePath(QStringLiteral("real2"));
        QDir().mkpath(real2);
        ScopedMount m2 = ScopedMount::readOnlyBind(real2, numbered(2));
        QVERIFY(m2.ok());
        fx->shell.clear();
        w().ChNum->setChecked(true);
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("2"));
        run();
        QVERIFY(lastMessage().startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败4份。")));
        QCOMPARE(namesIn(in).size(), 4);
        expectNothingLost(before);
    }

    void fullOutputDisk_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("cancel") << false;
        QTest::newRow("retry after freeing space") << true;
    }
    void fullOutputDisk()
    {
        QFETCH(bool, retry);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(writeFile(in + QStringLiteral("/f%1.bin").arg(i), QByteArray(120 * 1024, char('a' + i))));
        ScopedMount m = ScopedMount::tmpfs(out, 400 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        const QString filler = out + QStringLiteral("/filler");
        QVERIFY(writeFile(filler, QByteArray(100 * 1024, 'z')));
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("3"));
        w().ChNum->setChecked(true);
        const Inventory before = Inventory::take({in});
        ScriptedShell sh;
        sh.setAutoOk(true);
        sh.answerMessage(retry ? Answer::Retry : Answer::Cancel);
        if (retry)
            sh.onRetryQuestion = [&] { QFile::remove(filler); };
        w().CmdDo_Click();
        const QList<ShellCall> msgs = sh.ofKind(CallKind::Message);
        QCOMPARE(msgs.size(), 2);
        QCOMPARE(msgs[0].text, QStringLiteral("磁盘空间已满，请清理以释放空间后重试"));
        if (retry) {
            QCOMPARE(msgs[1].text, QStringLiteral("分发完毕！"));
            QCOMPARE(namesIn(numbered(1)).size(), 3);
        } else {
            QVERIFY(msgs[1].text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
            QCOMPARE(namesIn(numbered(1)), (QStringList{"f1.bin", "f2.bin"}));
        }
        QCOMPARE(namesIn(in).size(), 3);
        expectNothingLost(before);
    }

    void readOnlySourceFolderInMoveMode()
    {
        makeFiles(3);
        const QString view = dir->filePath(QStringLiteral("roin"));
        ScopedMount m = ScopedMount::readOnlyBind(in, view);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        in = view;
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("3"));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(namesIn(in).size(), 3);             // the sources could not be deleted
        QCOMPARE(namesIn(numbered(1)).size(), 3);    // and the copies are there
        expectNothingLost(before);
    }

    void sourceVanishingBeforeItsTurn()
    {
        makeFiles(40);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("10"));
        w().ChNum->setChecked(true);
        const Inventory before = Inventory::take({in});
        // Once the run is under way, the last ten files disappear.
        QStringList gone;
        for (int i = 31; i <= 40; ++i)
            gone << in + QStringLiteral("/f") + QString::number(i) + QStringLiteral(".jpg");
        bool removed = false;
        QTimer t;
        connect(&t, &QTimer::timeout, this, [&] {
            if (!removed && w().CmdIn->isEnabled() == false && QDir(numbered(1)).count() > 3) {
                for (const QString &g : gone)
                    QFile::remove(g);
                removed = true;
            }
        });
        t.start(0);
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QVERIFY(removed);
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QStringList lost = before.lostAfter({out});
        for (const QString &g : gone)
            lost.removeAll(g);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

    // ---- grid folders ----------------------------------------------------------------

    void includeRuleGoesToEveryFolderThatBeginsWithTheName()
    {
        in = dir->filePath(QStringLiteral("in.v1")); // the scan wants a "." somewhere in the path
        QVERIFY(writeFile(in + QStringLiteral("/a.jpg"), "A"));
        QVERIFY(writeFile(in + QStringLiteral("/ab.jpg"), "AB"));
        QVERIFY(writeFile(in + QStringLiteral("/README"), "R"));
        useFolders();
        setOption(w().Opt3, true);
        addGridFolder(out + QStringLiteral("/a"));
        addGridFolder(out + QStringLiteral("/ab"));
        addGridFolder(out + QStringLiteral("/README notes"));
        w().ChInClude->setEnabled(true);
        w().ChInClude->setChecked(true);
        run();
        QCOMPARE(namesIn(out + QStringLiteral("/a")), (QStringList{"a.jpg"}));
        QCOMPARE(namesIn(out + QStringLiteral("/ab")), (QStringList{"a.jpg", "ab.jpg"}));
        QCOMPARE(namesIn(out + QStringLiteral("/README notes")), (QStringList{"README"}));
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QCOMPARE(fx->shell.count(CallKind::OpenFolder), 0); // nothing opened for grid folders
    }

    void everyFolderAndMoveAfterTheLastCopy()
    {
        makeFiles(3);
        useFolders();
        everyListedFolder();
        for (const char *n : {"x", "y", "z"})
            addGridFolder(out + QLatin1Char('/') + QLatin1String(n));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        for (const char *n : {"x", "y", "z"})
            QCOMPARE(namesIn(out + QLatin1Char('/') + QLatin1String(n)).size(), 3);
        QVERIFY(namesIn(in).isEmpty());
        expectNothingLost(before);
    }

    void lastFolderFailingKeepsTheSource()
    {
        makeFiles(2);
        useFolders();
        everyListedFolder();
        addGridFolder(out + QStringLiteral("/ok"));
        const QString real = dir->filePath(QStringLiteral("real"));
        QDir().mkpath(real);
        const QString bad = out + QStringLiteral("/bad");
        addGridFolder(bad);
        ScopedMount m = ScopedMount::readOnlyBind(real, bad);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(namesIn(in).size(), 2);
        QVERIFY(lastMessage().startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败2份。")));
        QFile log(FailureLog::path());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(FailureLog::toGbk(QStringLiteral("  →  ") + bad + QStringLiteral("/f"))));
        expectNothingLost(before);
    }

    void inputFolderAsItsOwnOutput()
    {
        makeFiles(3);
        useFolders();
        everyListedFolder();
        addGridFolder(in);
        const Inventory before = Inventory::take({in});
        w().ChOvewr->setChecked(true);
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(namesIn(in).size(), 3);
        const QStringList lost = before.lostAfter({in});
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

    void numberedFoldersInsideTheInputFolder()
    {
        makeFiles(5);
        out = in;
        useFolders();
        setOption(w().Opt1, true);
        setOption(w().Option2, true);
        w().TParts->setText(QStringLiteral("5"));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(namesIn(in + QStringLiteral("/in_分发1")).size(), 5);
        QVERIFY(namesIn(in).isEmpty());
        expectNothingLost(before);
    }

    void clashesInEverySwitchCombination_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<bool>("move");
        for (int bits = 0; bits < 8; ++bits)
            QTest::newRow(qPrintable(QStringLiteral("ren%1 over%2 move%3").arg(bits & 1).arg(bits >> 1 & 1).arg(bits >> 2)))
                << bool(bits & 1) << bool(bits & 2) << bool(bits & 4);
    }
    void clashesInEverySwitchCombination()
    {
        QFETCH(bool, rename);
        QFETCH(bool, overwrite);
        QFETCH(bool, move);
        ManualClock clk;
        for (const QString &n : {QStringLiteral("照片.jpg"), QStringLiteral("🎉.png"), QString(84, QChar(0x6587)) + ".ab" /* 255 bytes */})
            QVERIFY(writeFile(in + QLatin1Char('/') + n, n.toUtf8()));
        useFolders();
        everyListedFolder();
        const QString target = out + QStringLiteral("/t");
        addGridFolder(target);
        for (const QString &n : namesIn(in))
            QVERIFY(writeFile(target + QLatin1Char('/') + n, "old"));
        const Inventory before = Inventory::take({in, out});
        w().ChOvewr->setChecked(overwrite);
        w().ChRen->setChecked(rename);
        if (!rename)
            w().ChOvewr->setChecked(overwrite);
        w().ChBackUp->setChecked(move);
        if (move)
            fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        // The 255-byte name has no room for the rename suffix: that copy fails and is
        // reported, and its source stays even in move mode.
        if (rename)
            QVERIFY(lastMessage().startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        else
            QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        const bool copies = rename || overwrite;
        QCOMPARE(namesIn(in).size(), move && copies ? (rename ? 1 : 0) : 3);
        QCOMPARE(namesIn(target).size(), rename ? 5 : 3);
        // Overwriting replaces the old copies on purpose; everything else is kept.
        QStringList lost = before.lostAfter({out});
        if (overwrite && !rename)
            lost = lost.filter(in);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

    // ---- loop styles, progress and the source side of a failure ------------------------

    void loopStyleThreshold_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<QList<int>>("perFolder");
        // Up to 2001 files a shuffled list in shares of n / 3; above, direct picking
        // with the derived share, and the spare fourth folder goes again.
        QTest::newRow("2001 prepared") << 2001 << QList<int>{667, 667, 667};
        QTest::newRow("2002 direct") << 2002 << QList<int>{668, 668, 666};
    }
    void loopStyleThreshold()
    {
        QFETCH(int, files);
        QFETCH(QList<int>, perFolder);
        makeFiles(files);
        useFolders();
        setOption(w().Opt2, true);
        w().ChNum->setChecked(false);
        w().ChN->setChecked(false);
        w().TDivs->setText(QStringLiteral("3"));
        run();
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(namesIn(numbered(n)).size(), perFolder[n - 1]);
        QVERIFY(!QFileInfo::exists(numbered(4)));
    }

    void progressInTheTitleOrTheBar()
    {
        makeFiles(3);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("3"));
        QStringList titles;
        QList<int> bar;
        // Files that take longer than the message budget each get their turn.
        setTransferPieceHook([&](long long) {
            titles << w().windowTitle().mid(FDispatch::caption().size());
            bar << w().P1->value();
            QThread::msleep(pace::kBudgetMs + 2);
        });
        w().ChNum->setChecked(true);
        run();
        QCOMPARE(titles, (QStringList{"  文件顺序分发中：1/3", "  文件顺序分发中：2/3", "  文件顺序分发中：3/3"}));
        titles.clear();
        w().ChNum->setChecked(true);
        w().ChProg->setChecked(true);
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("3"));
        run();
        QCOMPARE(bar.mid(3), (QList<int>{33, 67, 100})); // rounded, not cut
        QVERIFY(titles.isEmpty() || titles.first().isEmpty());
        QCOMPARE(w().P1->value(), 0);
        titles.clear();
        everyListedFolder();
        addGridFolder(out + QStringLiteral("/g"));
        run();
        QCOMPARE(titles.first(), QStringLiteral("  正在复制...1/3"));
        setTransferPieceHook({});
    }

    // The window handles its messages on a time budget, not after every file, yet
    // a close request and a Timer1 tick still wait well under 100 ms.
    void messagesStillHandledDuringARun()
    {
        makeFiles(300);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("100"));
        w().ChNum->setChecked(true);
        QElapsedTimer clock;
        clock.start();
        qint64 closeAsked = -1, closeSeen = -1, tickAsked = -1, tickSeen = -1;
        struct CloseWatch : QObject {
            std::function<void()> seen;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Close)
                    seen();
                return false;
            }
        } watch;
        watch.seen = [&] { closeSeen = clock.elapsed(); };
        w().installEventFilter(&watch);
        connect(w().Timer1, &QTimer::timeout, &watch, [&] {
            if (tickSeen < 0)
                tickSeen = clock.elapsed();
        });
        fx->shell.answerMessage(Answer::Cancel); // closing, no: the run goes on
        int files = 0;
        setTransferPieceHook([&](long long) {
            QThread::msleep(1);
            if (++files == 50) {
                closeAsked = clock.elapsed();
                QCoreApplication::postEvent(&w(), new QCloseEvent);
            } else if (files == 150) {
                tickAsked = clock.elapsed();
                w().Timer1->start(0);
            }
        });
        run();
        setTransferPieceHook({});
        QVERIFY(closeSeen >= 0 && tickSeen >= 0);
        QVERIFY2(closeSeen - closeAsked < 100, qPrintable(QString::number(closeSeen - closeAsked)));
        QVERIFY2(tickSeen - tickAsked < 100, qPrintable(QString::number(tickSeen - tickAsked)));
        QCOMPARE(namesIn(numbered(1)).size() + namesIn(numbered(2)).size() + namesIn(numbered(3)).size(), 300);
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
    }

    void commonCharactersRun_data()
    {
        QTest::addColumn<QString>("common");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QStringList>("inABx");
        QTest::newRow("case counts") << "2" << false << QStringList{};
        QTest::newRow("case ignored") << "2" << true << QStringList{"abc1.jpg"};
        QTest::newRow("three in common") << "3" << true << QStringList{};
    }
    void commonCharactersRun()
    {
        QFETCH(QString, common);
        QFETCH(bool, ignoreCase);
        QFETCH(QStringList, inABx);
        QVERIFY(writeFile(in + QStringLiteral("/abc1.jpg"), "a"));
        QVERIFY(writeFile(in + QStringLiteral("/xyz2.jpg"), "x"));
        useFolders();
        setOption(w().Opt3, true);
        addGridFolder(out + QStringLiteral("/ABx"));
        addGridFolder(out + QStringLiteral("/yz"));
        w().ChOverLay->setEnabled(true);
        w().ChOverLay->setChecked(true);
        w().TNum->setText(common);
        w().ChOmit->setChecked(ignoreCase);
        run();
        QCOMPARE(namesIn(out + QStringLiteral("/ABx")), inABx);
        QCOMPARE(namesIn(out + QStringLiteral("/yz")), common == "2" ? QStringList{"xyz2.jpg"} : QStringList{});
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
    }

    // A source that can't be read fails once; the next files keep their folder.
    void unreadableSourceDoesNotMoveTheFolderOn()
    {
        makeFiles(4);
        useFolders();
        setOption(w().Opt1, true);
        w().TParts->setText(QStringLiteral("2"));
        w().ChNum->setChecked(true);
        // Said to be 4096 bytes long, it reads far fewer.
        ScopedMount m = ScopedMount::readOnlyBind(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"),
                                                  in + QStringLiteral("/f1.jpg"));
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("bind mount not allowed: ") + m.error()));
        run();
        QVERIFY(lastMessage().startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        QCOMPARE(namesIn(numbered(1)), (QStringList{"f2.jpg"}));
        QCOMPARE(namesIn(numbered(2)), (QStringList{"f3.jpg", "f4.jpg"}));
    }

    // ---- click rules -----------------------------------------------------------------

    void clickRules()
    {
        w().ChNum->setChecked(true);
        QVERIFY(w().Frame3->isEnabled());
        QCOMPARE(w().CombOrder->currentIndex(), 0);
        w().ChNum->setChecked(false);
        QVERIFY(!w().Frame3->isEnabled());

        w().ChSame->setChecked(true);
        w().ChFoldTrunck->setChecked(true);
        w().ChInClude->setChecked(true);
        QVERIFY(!w().ChSame->isChecked() && !w().ChFoldTrunck->isChecked());
        w().ChOverLay->setChecked(true);
        QVERIFY(!w().ChInClude->isChecked());
        QVERIFY(w().TNum->isEnabled());
        QCOMPARE(w().TNum->text(), QStringLiteral("2"));
        w().TNum->setText(QStringLiteral("5"));
        w().ChOmit->setChecked(true);
        w().ChOverLay->setChecked(false);
        QVERIFY(!w().TNum->isEnabled());
        QVERIFY(!w().ChOmit->isChecked());
        QCOMPARE(w().TNum->text(), QStringLiteral("2"));
    }
};

QTEST_MAIN(DispatchRunTest)
#include "tst_dispatchrun.moc"
