// The plan of a run through the real window: what it shows is what the run then
// does, and planning itself changes nothing.
#include "Fixture.h"
#include "Inventory.h"
#include "RunFolders.h"
#include "dispatch/PlanWindow.h"
#include "platform/Clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {

struct Row {
    QString kind, source, target;
    bool goes = false;
    bool operator==(const Row &o) const
    {
        return kind == o.kind && source == o.source && target == o.target && goes == o.goes;
    }
};

using Files = QMap<QString, QByteArray>; // path → contents

Files filesUnder(const QString &root)
{
    Files f;
    for (const QString &p : Inventory::filesBelow(root))
        f.insert(p, readFile(p));
    return f;
}

} // namespace

class PlanTest : public RunFolders {
    Q_OBJECT

    void useFolders()
    {
        RunFolders::useFolders();
        fx->shell.setAutoOk(true);
    }
    void setMode(const QString &mode)
    {
        if (mode == "numbered") {
            w().TParts->setText(QStringLiteral("3"));
        } else if (mode == "matching") {
            setOption(w().Opt3, true);
            w().ChInClude->setChecked(false); // every listed folder gets every file
            w().ChOverLay->setChecked(false);
            for (const char *name : {"A", "B"}) {
                QDir().mkpath(out + "/" + name);
                w().appendOutputRow(out + "/" + name, QString::fromLatin1(name));
            }
        } else if (mode == "samecontent") {
            setOption(w().Opt3, true);
            for (const char *sub : {"a1", "c1", "c2"})
                QDir().mkpath(out + "/G/" + sub);
            w().appendOutputRow(out + "/G", QStringLiteral("G"));
            w().ChSame->setEnabled(true);
            w().ChSame->setChecked(true);
            w().CmbSame->setEditText(QStringLiteral("[a-c]\\d"));
        } else if (mode == "customonly") {
            setOption(w().Opt3, true);
            for (const char *sub : {"X-a1", "Y-c2"}) // a1.jpg goes in as X-a1/X.jpg
                QDir().mkpath(out + "/" + sub);
            w().ChCustom->setEnabled(true);
            w().ChCustom->setChecked(true);
        } else if (mode == "newfolder") {
            setOption(w().Opt3, true);
            w().ChFoldTrunck->setChecked(true);
            w().ChTrunck->setChecked(true);
            w().UpDown3->setValue(1);
        } else if (mode == "sweep") {
            w().ChFJ->setChecked(true);
            fx->shell.answerInput(QStringLiteral("0"));
            fx->shell.answerInput(QString());
        } else if (mode == "draw" || mode == "manual") {
            w().ChRndDraw->setChecked(true);
            w().TParts->setText(QStringLiteral("2"));
            if (mode == "manual")
                w().ChMamal->setChecked(true); // its warning: auto Ok
            fx->shell.answerMessage(Answer::No); // no more cycles, the pool kept
        } else if (mode == "timed") {
            w().ChRndTime->setChecked(true);
            w().TParts->setText(QStringLiteral("2"));
        }
    }
    FPlan *plan()
    {
        w().CmdPlan_Click();
        return w().findChild<FPlan *>(QStringLiteral("FPlan"));
    }
    static QList<Row> rowsOf(FPlan *f)
    {
        QList<Row> rows;
        const QAbstractItemModel *m = f->PlanTable->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows.append({m->index(r, 1).data().toString(), m->index(r, 2).data().toString(),
                         m->index(r, 3).data().toString(), m->index(r, 1).data(Qt::UserRole).toBool()});
        return rows;
    }
    void finish(FPlan *f, QPushButton *button)
    {
        button->click();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w().findChild<FPlan *>(QStringLiteral("FPlan")));
        Q_UNUSED(f);
    }
    // The files the rows leave, from those there before.
    static Files applied(Files files, const QList<Row> &rows)
    {
        for (const Row &r : rows) {
            if (r.kind == "复制" || r.kind == "移动" || r.kind == "改名" || r.kind == "覆盖") {
                files.insert(r.target, files.value(r.source, "no such source: " + r.source.toUtf8()));
                if (r.goes)
                    files.remove(r.source);
            } else if (r.kind == "删除") {
                for (auto it = files.begin(); it != files.end();)
                    it = it.key() == r.target || it.key().startsWith(r.target + "/") ? files.erase(it) : ++it;
            }
        }
        return files;
    }
    int messagesContaining(const QString &text) const
    {
        int n = 0;
        for (const ShellCall &c : fx->shell.ofKind(CallKind::Message))
            n += c.text.contains(text);
        return n;
    }

private slots:
    void init()
    {
        setTimerMsPerSecond(1);
        setPauseHook([](float) {});
        resetDefaultRandom();
        openFolders();
    }
    void cleanup()
    {
        closeFolders();
        setTimerMsPerSecond(0);
        setPauseHook({});
    }

    void runDoesWhatThePlanShows_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("move");
        for (const char *mode :
             {"numbered", "matching", "samecontent", "customonly", "newfolder", "draw", "manual", "timed"})
            for (bool move : {false, true})
                if (!(move && (QByteArray(mode) == "draw" || QByteArray(mode) == "manual")))
                    QTest::addRow("%s %s", mode, move ? "move" : "copy") << QString::fromLatin1(mode) << move;
        QTest::addRow("sweep") << "sweep" << false;
    }
    void runDoesWhatThePlanShows()
    {
        QFETCH(QString, mode);
        QFETCH(bool, move);
        QVERIFY(makeFiles(in, {"a1.jpg", "a2.jpg", "b1.jpg", "資料.jpg", "c1.jpg", "c2.jpg", "c3.jpg"}));
        QVERIFY(writeFile(out + "/c1.jpg", "there before")); // a clash with the disk
        useFolders();
        setMode(mode);
        w().ChBackUp->setChecked(move);
        if (move)
            fx->shell.answerMessage(Answer::Ok);
        const Files before = filesUnder(dir->path());

        FPlan *f = plan();
        QVERIFY(f);
        const QList<Row> rows = rowsOf(f);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(filesUnder(dir->path()), before); // planning touched nothing
        finish(f, f->CmdPlanGo);

        QCOMPARE(filesUnder(dir->path()), applied(before, rows));
        // A folder made shows once, before the first file that goes into it.
        QStringList made;
        for (const Row &r : rows) {
            if (r.kind == "新建文件夹") {
                QVERIFY2(QDir(r.target).exists() && !made.contains(r.target), qPrintable(r.target));
                made << r.target;
            }
        }
        for (int i = 0; i < rows.size(); ++i) {
            const int folder = made.indexOf(QFileInfo(rows[i].target).path());
            if (rows[i].kind != "新建文件夹" && rows[i].kind != "删除" && folder >= 0)
                QVERIFY2(rows.indexOf(Row{"新建文件夹", {}, made[folder]}) < i, qPrintable(rows[i].target));
        }
        QCOMPARE(messagesContaining(QStringLiteral("与计划不同")), 0);
        QVERIFY(messagesContaining(QStringLiteral("在分发的同时移走原文件？")) <= 1); // asked by the plan only
        QCOMPARE(fx->shell.count(CallKind::Input), mode == "sweep" ? 2 : 0);
    }

    // Clash names made within the run carry the plan's time, though the clock moves.
    void renamedClashesInsideOneRun()
    {
        ManualClock clock;
        clock.stepMs = 1000;
        QVERIFY(makeFiles(in, 2));
        useFolders();
        QDir().mkpath(out + "/A");
        setOption(w().Opt3, true);
        w().ChInClude->setChecked(false);
        w().ChOverLay->setChecked(false);
        for (int i = 0; i < 3; ++i)
            w().appendOutputRow(out + "/A", QStringLiteral("A"));
        w().ChRen->setChecked(true);
        const Files before = filesUnder(dir->path());
        FPlan *f = plan();
        const QList<Row> rows = rowsOf(f);
        QCOMPARE(rows.size(), 6);
        QStringList kinds;
        for (const Row &r : rows)
            kinds << r.kind;
        QCOMPARE(kinds.count(QStringLiteral("改名")), 4);
        QVERIFY(rows[2].target.contains(QStringLiteral("_同名")));
        finish(f, f->CmdPlanGo);
        QCOMPARE(filesUnder(dir->path()), applied(before, rows));
        QCOMPARE(messagesContaining(QStringLiteral("与计划不同")), 0);
    }

    // Closing a plan leaves the random sequence as it was: the next plan is the same.
    void randomPlanRepeatsUntilRun()
    {
        QVERIFY(makeFiles(in, 9));
        useFolders();
        setMode(QStringLiteral("draw"));
        FPlan *f = plan();
        const QList<Row> first = rowsOf(f);
        finish(f, f->CmdPlanClose);
        f = plan();
        QCOMPARE(rowsOf(f), first);
        const Files before = filesUnder(dir->path());
        finish(f, f->CmdPlanGo);
        QCOMPARE(filesUnder(dir->path()), applied(before, first));
    }

    void closeLeavesEverythingAsItWas()
    {
        QVERIFY(makeFiles(in, 5));
        useFolders();
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok);
        const QString count = w().LFiles->caption(), title = w().windowTitle();
        auto switches = [this] {
            QString s;
            for (QAbstractButton *b : w().findChildren<QAbstractButton *>())
                if (b->isCheckable())
                    s += b->objectName() + (b->isChecked() ? "+" : "-") + (b->isEnabled() ? "" : "x");
            return s;
        };
        const QString switchesBefore = switches();
        const Files before = filesUnder(dir->path());
        FPlan *f = plan();
        QVERIFY(f->LPlanSum->text().contains(QStringLiteral("移动5")));
        finish(f, f->CmdPlanClose);
        QCOMPARE(filesUnder(dir->path()), before);
        QCOMPARE(switches(), switchesBefore);
        QCOMPARE(w().LFiles->caption(), count);
        QCOMPARE(w().windowTitle(), title);
        QVERIFY(w().CmdDo->isEnabled() && w().CmdPlan->isEnabled());
        QCOMPARE(fx->shell.count(CallKind::OpenFolder), 0);
    }

    void changedFilesAreCountedInTheReport()
    {
        QVERIFY(makeFiles(in, 4));
        useFolders();
        FPlan *f = plan();
        const QList<Row> rows = rowsOf(f);
        const auto copy = std::find_if(rows.begin(), rows.end(), [](const Row &r) { return r.kind == "复制"; });
        QVERIFY(copy != rows.end());
        QVERIFY(writeFile(copy->target, "taken since")); // replaced now, not copied
        finish(f, f->CmdPlanGo);
        QCOMPARE(messagesContaining(QStringLiteral("分发完毕！\r\n有1项操作与计划不同。")), 1);
    }

    void csvExport()
    {
        QVERIFY(makeFiles(in, {"a,1.jpg", "b.jpg"}));
        useFolders();
        FPlan *f = plan();
        const QString csv = dir->filePath(QStringLiteral("plan.csv"));
        fx->shell.answerInput(csv);
        f->CmdPlanCsv->click();
        const QStringList lines = QString::fromUtf8(readFile(csv)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), f->PlanTable->model()->rowCount() + 1);
        QCOMPARE(lines[0], QStringLiteral("序号,操作,源文件,目标"));
        QVERIFY(lines.join('\n').contains(QStringLiteral(",\"%1\",").arg(in + "/a,1.jpg")));
        finish(f, f->CmdPlanClose);
    }
};

QTEST_MAIN(PlanTest)
#include "tst_plan.moc"
