// What the window lets the user change while a run goes on: drops and the timed
// switch, through the real window.
#include "Fixture.h"
#include "Inventory.h"
#include "RunFolders.h"
#include "platform/Clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QUrl>
#include <functional>

using namespace fd;
using namespace fd::test;

class RunLocksTest : public RunFolders {
    Q_OBJECT

    void useFolders()
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
    }
    QString lastMessage() const
    {
        const ShellCall *c = fx->shell.last(CallKind::Message);
        return c ? c->text : QString();
    }

private slots:
    void init()
    {
        setTimerMsPerSecond(1);
        setPauseHook([](float) {});
        openFolders();
    }
    void cleanup()
    {
        closeFolders();
        setTimerMsPerSecond(0);
        setPauseHook({});
    }

    void copyRunKeepsItsFolders()
    {
        QVERIFY(makeFiles(in, 5));
        const QString other = makeDir(*dir, QStringLiteral("other"));
        QVERIFY(makeFiles(other, 2));
        useFolders();
        const Inventory before = Inventory::take({in, other});
        const int beeps = fx->shell.count(CallKind::Beep);
        QStringList seen;
        QObject scope;
        connect(&w(), &QWidget::windowTitleChanged, &scope, [&](const QString &t) {
            if (!seen.isEmpty() || !t.contains(QStringLiteral("分发中")))
                return;
            w().LDir_OLEDragDrop({QUrl::fromLocalFile(other)});
            w().LDirOut_OLEDragDrop({QUrl::fromLocalFile(other)});
            w().ChRndTime->setChecked(true);
            seen << w().LDir->caption() << w().LDirOut->caption() << (w().ChRndTime->isChecked() ? "timed" : "")
                 << (w().ChBackUp->isChecked() ? "move" : "copy");
        });
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
        QCOMPARE(seen, (QStringList{in, out, "", "copy"}));
        QCOMPARE(fx->shell.count(CallKind::Beep) - beeps, 3);
        QCOMPARE(namesIn(in).size(), 5);
        QCOMPARE(namesIn(other).size(), 2);
        QCOMPARE(before.lostAfter({}), QStringList());
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
    }

    void timedRunStoppedEarlySaysSo_data()
    {
        QTest::addColumn<bool>("bySameContent");
        QTest::newRow("switch unticked") << false;
        QTest::newRow("same-content ticked") << true;
    }
    void timedRunStoppedEarlySaysSo()
    {
        QFETCH(bool, bySameContent);
        QVERIFY(makeFiles(in, 10));
        useFolders();
        w().ChRndTime->setChecked(true);
        w().TParts->setText(QStringLiteral("1"));
        const Inventory before = Inventory::take({in});
        int ticks = 0;
        QObject scope;
        connect(&w(), &QWidget::windowTitleChanged, &scope, [&](const QString &t) {
            if (!t.contains(QStringLiteral("正在随机移动文件中")) || ++ticks != 2)
                return;
            if (bySameContent)
                w().ChSame->setChecked(true);
            else
                w().ChRndTime->setChecked(false);
        });
        fx->shell.answerMessage(Answer::Ok); // move
        fx->shell.answerMessage(Answer::Ok); // the stop
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("定时分发已中止！\r\n已分发2个文件，另有8个文件未分发，仍在原处。"));
        QCOMPARE(namesIn(out).size(), 2);
        QCOMPARE(namesIn(in).size(), 8);
        QCOMPARE(before.lostAfter({out}), QStringList());
    }
};

QTEST_MAIN(RunLocksTest)
#include "tst_runlocks.moc"
