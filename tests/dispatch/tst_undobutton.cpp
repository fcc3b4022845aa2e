// The undo button in the window: when it can be pressed, what it asks and tells.
#include "Fixture.h"
#include "Inventory.h"
#include "RunFolders.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "dispatch/Undo.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class UndoButtonTest : public RunFolders {
    Q_OBJECT

    QString lastMessage() const
    {
        const ShellCall *c = fx->shell.last(CallKind::Message);
        return c ? c->text : QString();
    }

private slots:
    void init() { openFolders(); }
    void cleanup()
    {
        setTransferPieceHook({});
        closeFolders();
    }

    void enabledWhileAJournalWaits()
    {
        QVERIFY(makeFiles(in, 3));
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
        QVERIFY(!w().CmdUndo->isEnabled()); // a fresh start
        setOption(w().Opt3, true); // no listed folder: refused with a beep
        w().CmdDo_Click();
        QCOMPARE(fx->shell.count(CallKind::Beep), 1);
        QVERIFY(!w().CmdUndo->isEnabled());

        setOption(w().Opt1, true);
        w().CmdDo->setEnabled(true);
        bool enabledDuringRun = true;
        setTransferPieceHook([&](long long) { enabledDuringRun = enabledDuringRun && w().CmdUndo->isEnabled(); });
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QVERIFY(!enabledDuringRun);
        QVERIFY(w().CmdUndo->isEnabled());

        fx.reset(); // a restart finds the journal
        fx = std::make_unique<WindowFixture>(true);
        QVERIFY(w().CmdUndo->isEnabled());
        const int steps = undoableSteps();
        fx->shell.answerMessage(Answer::Cancel);
        w().CmdUndo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("撤销上次分发的 %1 项操作？").arg(steps));
        QCOMPARE(Inventory::filesBelow(out).size(), 3);

        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdUndo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("已撤销 %1 项，未能撤销 0 项").arg(steps));
        QVERIFY(Inventory::filesBelow(out).isEmpty());
        QVERIFY(!w().CmdUndo->isEnabled());
        fx->shell.clear();
        w().CmdUndo_Click(); // spent: nothing asked, nothing done
        QCOMPARE(fx->shell.count(CallKind::Message), 0);
    }
};

QTEST_MAIN(UndoButtonTest)
#include "tst_undobutton.moc"
