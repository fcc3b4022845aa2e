// Timed random dispatch: the range field, the switch, and the ticks of a real run.
// The timer runs at a millisecond per second so no test waits real seconds.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "dispatch/Timed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace fd;
using namespace fd::test;

class TimedTest : public RunFolders {
    Q_OBJECT
    QStringList captions; // what follows "正在随机移动文件中..." in the title

    void timedMode(int perTick)
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        QCoreApplication::processEvents();
        w().ChRndTime->setChecked(true);
        w().TParts->setText(QString::number(perTick));
    }

private slots:
    void init()
    {
        setTimerMsPerSecond(1);
        setPauseHook([](float) {});
        openFolders();
        captions.clear();
        connect(&w(), &QWidget::windowTitleChanged, this, [this](const QString &t) {
            const QString phrase = QStringLiteral("  正在随机移动文件中...");
            if (t.startsWith(FDispatch::caption() + phrase))
                captions << t.mid(FDispatch::caption().size() + phrase.size());
        });
    }
    void cleanup()
    {
        closeFolders();
        setTimerMsPerSecond(0);
        setPauseHook({});
    }

    void range_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("keepsFocus");
        QTest::newRow("reversed") << "8-2" << "2-8" << false;
        QTest::newRow("zeros") << "0-0" << "1-1" << false;
        QTest::newRow("first digit replaced") << "8-3" << "3-8" << false;
        QTest::newRow("around other text") << "x5-7y" << "5-7" << false;
        QTest::newRow("first range wins") << "4-6-9" << "4-6" << false;
        QTest::newRow("leading zeros") << "007-02" << "2-7" << false;
        QTest::newRow("single digit") << "5" << "1-3" << true;
        QTest::newRow("empty") << "" << "1-3" << true;
        QTest::newRow("wide digits") << "５-９" << "1-3" << true;
    }
    void range()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, keepsFocus);
        w().ChRndTime->setChecked(true);
        // Every edit is validated at once.
        w().TDivs->setText(typed);
        QCOMPARE(w().TDivs->text(), shown);
        {
            QSignalBlocker quiet(w().TDivs);
            w().TDivs->setText(typed);
        }
        bool cancel = false;
        w().TDivs_ValidateTimed(cancel);
        QCOMPARE(cancel, keepsFocus);
        QCOMPARE(w().TDivs->text(), shown);
        const auto r = timed::parseRange(shown);
        QVERIFY(r);
        QCOMPARE(w().timedLow, r->low);
        QCOMPARE(w().timedHigh, r->high);
        QVERIFY(w().Timer1->interval() >= r->low && w().Timer1->interval() <= r->high);
    }

    void switchOnAndOff()
    {
        w().ChHide->setChecked(true);
        const auto state = [this] {
            QStringList s{w().Label3->text(), w().Label4->text(), w().TParts->text(), w().TDivs->text()};
            for (QWidget *c : std::initializer_list<QWidget *>{w().Opt1, w().Opt3, w().Option2, w().ChHide, w().TParts})
                s << c->objectName() + (c->isEnabled() ? "+" : "-");
            return s << (w().ChBackUp->isChecked() ? "move" : "copy") << (w().ChHide->isChecked() ? "hidden" : "");
        };
        w().ChRndTime->setChecked(true);
        QCOMPARE(state(), (QStringList{"每次分发/个：", "间隔时间/秒：", "1", "1-3", "Opt1-", "Opt3-", "Option2-",
                                       "ChHide-", "TParts+", "move", ""}));
        w().ChRndTime->setChecked(false);
        QCOMPARE(state(), (QStringList{"每份抽取：", "均分份数：", "1", "5", "Opt1+", "Opt3+", "Option2+", "ChHide+",
                                       "TParts-", "copy", ""}));
    }

    void trickle_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("perTick");
        QTest::addColumn<bool>("move");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("sequential");
        QTest::newRow("10 files, 3 a tick") << 10 << 3 << true << 4 << false;
        QTest::newRow("one file") << 1 << 1 << true << 1 << false;
        QTest::newRow("copies when the move is declined") << 4 << 2 << false << 2 << false;
        QTest::newRow("in scan order") << 5 << 2 << true << 3 << true;
    }
    void trickle()
    {
        QFETCH(int, files);
        QFETCH(int, perTick);
        QFETCH(bool, move);
        QFETCH(int, ticks);
        QFETCH(bool, sequential);
        QVERIFY(makeFiles(in, files));
        timedMode(perTick);
        w().ChNum->setChecked(sequential);
        QSignalSpy ticked(w().Timer1, &QTimer::timeout);
        fx->shell.answerMessage(move ? Answer::Ok : Answer::Cancel);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(ticked.size(), ticks);
        QStringList expected;
        for (int p = 0; p < files; ++p)
            expected << QStringLiteral("%1/%2").arg(p).arg(files - 1);
        QCOMPARE(captions, expected);
        QCOMPARE(namesIn(out).size(), files);
        QCOMPARE(namesIn(in).size(), move ? 0 : files);
        QCOMPARE(fx->shell.last(CallKind::Message)->text, QStringLiteral("分发完毕！"));
        QVERIFY(!w().Timer1->isActive() && !w().ChRndTime->isChecked());
        QCOMPARE(w().Label3->text(), QStringLiteral("每份抽取："));
    }

    void movedFileIsNeverReplaced()
    {
        // Two files of one name from two folders, and a name the output already holds.
        QVERIFY(writeFile(in + QStringLiteral("/a/x.jpg"), "A"));
        QVERIFY(writeFile(in + QStringLiteral("/b/x.jpg"), "B"));
        QVERIFY(writeFile(in + QStringLiteral("/y.jpg"), "Y"));
        QVERIFY(writeFile(out + QStringLiteral("/y.jpg"), "older"));
        timedMode(3);
        w().ChSubFold->setChecked(true);
        const Inventory before = Inventory::take({in});
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(readFile(out + QStringLiteral("/y.jpg")), QByteArray("Y"));
        QCOMPARE(namesIn(in + QStringLiteral("/a")).size() + namesIn(in + QStringLiteral("/b")).size(), 1);
        // The file that stayed is reported, not passed over.
        QVERIFY(fx->shell.last(CallKind::Message)->text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        QCOMPARE(before.lostAfter({out}), QStringList());
        QCOMPARE(captions.size(), 3);
    }

    void outputIsTheInputFolder()
    {
        QVERIFY(makeFiles(in, 3));
        out = in;
        timedMode(3);
        const Inventory before = Inventory::take({in});
        fx->shell.answerMessage(Answer::Ok);
        fx->shell.answerMessage(Answer::Ok);
        w().CmdDo_Click();
        QCOMPARE(namesIn(in).size(), 3);
        QCOMPARE(before.lostAfter({}), QStringList());
    }

    void closingStopsBetweenTwoFiles()
    {
        QVERIFY(makeFiles(in, 10));
        timedMode(1);
        const Inventory before = Inventory::take({in});
        connect(&w(), &QWidget::windowTitleChanged, this, [this] {
            if (captions.size() == 2)
                QTimer::singleShot(0, &w(), [this] { w().close(); });
        });
        fx->shell.answerMessage(Answer::Ok); // move
        fx->shell.answerMessage(Answer::Ok); // close, yes
        w().CmdDo_Click();
        const int left = namesIn(in).size();
        QVERIFY2(left > 0 && left < 10, qPrintable(QString::number(left)));
        QCOMPARE(before.lostAfter({out}), QStringList());
        for (const ShellCall &c : fx->shell.ofKind(CallKind::Message))
            QVERIFY(!c.text.startsWith(QStringLiteral("分发完毕")));
        QTRY_VERIFY(!w().isVisible());
    }
};

QTEST_MAIN(TimedTest)
#include "tst_timed.moc"
