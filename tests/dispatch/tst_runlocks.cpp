// What the user may change while a run goes on, through the real window.
#include "Fixture.h"
#include "Inventory.h"
#include "RunFolders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QUrl>

using namespace fd;
using namespace fd::test;

class RunLocksTest : public RunFolders {
    Q_OBJECT

    // Calls act at the first window title holding phrase.
    void useFolders(int files, const QString &phrase, const std::function<void()> &act)
    {
        QVERIFY(makeFiles(in, files));
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
        connect(&w(), &QWidget::windowTitleChanged, &w(), [phrase, act, done = false](const QString &t) mutable {
            if (!done && t.contains(phrase)) {
                done = true;
                act();
            }
        });
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

    void copyRunKeepsItsFoldersAndItsCopy()
    {
        const QString other = makeDir(*dir, QStringLiteral("other"));
        QStringList seen;
        useFolders(5, QStringLiteral("分发中"), [&] {
            w().LDir_OLEDragDrop({QUrl::fromLocalFile(other)});
            w().LDirOut_OLEDragDrop({QUrl::fromLocalFile(other)});
            w().ChRndTime->setChecked(true);
            seen << w().LDir->caption() << w().LDirOut->caption() << (w().ChRndTime->isChecked() ? "timed" : "")
                 << (w().ChBackUp->isChecked() ? "move" : "copy");
        });
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
        QCOMPARE(seen, (QStringList{in, out, "", "copy"}));
        QCOMPARE(fx->shell.count(CallKind::Beep), 3);
        QCOMPARE(namesIn(in).size(), 5);
        QCOMPARE(fx->shell.last(CallKind::Message)->text, QStringLiteral("分发完毕！"));
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
        useFolders(10, QStringLiteral("正在随机移动文件中...1/"), [&] {
            (bySameContent ? w().ChSame : w().ChRndTime)->setChecked(bySameContent);
        });
        w().ChRndTime->setChecked(true);
        w().TParts->setText(QStringLiteral("1"));
        const Inventory before = Inventory::take({in});
        fx->shell.answerMessage(Answer::Ok); // move
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(fx->shell.last(CallKind::Message)->text,
                 QStringLiteral("定时分发已中止！\r\n已分发2个文件，另有8个文件未分发，仍在原处。"));
        QCOMPARE(namesIn(out).size(), 2);
        QCOMPARE(before.lostAfter({out}), QStringList());
    }
};

QTEST_MAIN(RunLocksTest)
#include "tst_runlocks.moc"
