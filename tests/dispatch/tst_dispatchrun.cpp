// The dispatch button through the real window: its checks and questions before a
// run and what it takes back after one. What the run does to files is the
// engine's, tested without a window in tst_dispatchengine.
#include "Fixture.h"
#include "Inventory.h"
#include "RunFolders.h"
#include "dispatch/Rules.h"
#include "dispatch/Transfer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>

using namespace fd;
using namespace fd::test;

class DispatchRunTest : public RunFolders {
    Q_OBJECT

    QString numbered(int n) { return numberedFolder(out, relativePart(in, w().Option2->isChecked()), n); }
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

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    // ---- checks before anything is locked --------------------------------------------

    void pendingUpdateOnlyBeeps()
    {
        QVERIFY(makeFiles(in, 2));
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
        QVERIFY(makeFiles(in, 2));
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
        QVERIFY(makeFiles(in, 6));
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
        const QStringList lost = before.lostAfter({out});
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
        int copies = 0;
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++copies;
        }
        QCOMPARE(copies, 6);
    }

    // ---- what the window takes back ------------------------------------------------

    // The settings every run ends with, whatever the run changed: the clash and move
    // switches, the first rule, no bar, a zero count after a move, the title and the
    // controls, and the output folder shown.
    void runEndsWithTheWindowsSettings()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        w().ChOvewr->setChecked(false);
        w().ChProg->setChecked(true);
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok); // move
        run();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QVERIFY(namesIn(in).isEmpty());
        QVERIFY(w().ChOvewr->isChecked());
        QVERIFY(!w().ChBackUp->isChecked());
        QVERIFY(w().Opt1->isChecked());
        QVERIFY(!w().ChProg->isChecked());
        QCOMPARE(w().P1->value(), 0);
        QCOMPARE(w().LFiles->caption(), QStringLiteral("0"));
        QCOMPARE(fx->shell.last(CallKind::OpenFolder)->text, out);
        QCOMPARE(w().windowTitle(), FDispatch::caption());
        QVERIFY(w().CmdDo->isEnabled() && w().CmdIn->isEnabled() && w().Combo1->isEnabled());
    }

    // The window handles its messages on a time budget, not after every file, yet
    // a close request and a Timer1 tick still wait well under 100 ms.
    void messagesStillHandledDuringARun()
    {
        QVERIFY(makeFiles(in, 300));
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
