// Name-clash interlock, switches that cannot be turned on, the sweep switch,
// the status bar and the message-processing pause.
#include "Fixture.h"
#include "dispatch/Port.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>
#include <QTest>

using namespace fd;
using namespace fd::test;

class TestSwitches : public QObject {
    Q_OBJECT
private slots:
    void nameClashInterlock();
    void switchesThatCannotStayOn();
    void sweepSwitchLocksModes();
    void statusBar();
    void pauseProcessesMessages();
    void pauseStopsAtMidnight();
    void pauseZeroReturnsWhenClockMoves();
};

void TestSwitches::nameClashInterlock()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QVERIFY(w.ChOvewr->isChecked());
    QCOMPARE(w.port().clash(), Clash::Overwrite);
    w.ChRen->click();
    QVERIFY(w.ChRen->isChecked());
    QVERIFY(!w.ChOvewr->isChecked());
    QCOMPARE(w.port().clash(), Clash::Rename);
    w.ChOvewr->click();
    QVERIFY(w.ChOvewr->isChecked());
    QVERIFY(!w.ChRen->isChecked());
    // Unchecking the checked one leaves both off.
    w.ChOvewr->click();
    QVERIFY(!w.ChOvewr->isChecked());
    QVERIFY(!w.ChRen->isChecked());
    QCOMPARE(w.port().clash(), Clash::Skip);
    // Setting from code runs the same rule.
    w.ChRen->setChecked(true);
    w.ChOvewr->setChecked(true);
    QVERIFY(!w.ChRen->isChecked());
    QCOMPARE(fx.shell.calls.size(), 0);
}

void TestSwitches::switchesThatCannotStayOn()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.ChBig->click();
    QVERIFY(!w.ChBig->isChecked());
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    w.ChFoldDo->click();
    QVERIFY(!w.ChFoldDo->isChecked());
    QCOMPARE(fx.shell.count(CallKind::Beep), 2);
    w.ChBig->setChecked(true); // from code too
    QVERIFY(!w.ChBig->isChecked());
    QCOMPARE(fx.shell.count(CallKind::Beep), 3);
}

void TestSwitches::sweepSwitchLocksModes()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.ChSubFold->setEnabled(true);
    w.ChSubFold->setChecked(true);
    w.ChFJ->click();
    QVERIFY(!w.ChSubFold->isChecked());
    for (QWidget *c : {static_cast<QWidget *>(w.ChSubFold), static_cast<QWidget *>(w.Opt1),
                       static_cast<QWidget *>(w.Opt2), static_cast<QWidget *>(w.Opt3)})
        QVERIFY(!c->isEnabled());
    w.ChFJ->click();
    for (QWidget *c : {static_cast<QWidget *>(w.ChSubFold), static_cast<QWidget *>(w.Opt1),
                       static_cast<QWidget *>(w.Opt2), static_cast<QWidget *>(w.Opt3)})
        QVERIFY(c->isEnabled());
    QVERIFY(!w.ChSubFold->isChecked());
}

void TestSwitches::statusBar()
{
    ManualClock clk(QDateTime(QDate(2024, 3, 9), QTime(14, 30, 5)));
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.refreshStatusClock();
    const QLocale loc;
    QCOMPARE(w.statusPanels[2]->text(), loc.toString(QDate(2024, 3, 9), QLocale::ShortFormat));
    QCOMPARE(w.statusPanels[3]->text(), loc.toString(QTime(14, 30, 5), QLocale::LongFormat));
    QCOMPARE(w.statusPanels[0]->toolTip(), QStringLiteral("双击访问主页获取资讯和下载"));
    // Only panel 1 opens the page.
    QTest::mouseDClick(w.statusPanels[1], Qt::LeftButton);
    QCOMPARE(fx.shell.count(CallKind::Url), 0);
    QTest::mouseDClick(w.statusPanels[0], Qt::LeftButton);
    QCOMPARE(fx.shell.count(CallKind::Url), 1);
    QCOMPARE(fx.shell.last(CallKind::Url)->text, FDispatch::homePage());
    // The clock panels follow the time.
    clk.t = QDateTime(QDate(2024, 3, 10), QTime(0, 0, 1));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusPanels[2]->text(), loc.toString(QDate(2024, 3, 10), QLocale::ShortFormat), 3000);
}

void TestSwitches::pauseProcessesMessages()
{
    ManualClock clk(QDateTime(QDate(2024, 1, 1), QTime(10, 0, 0)));
    clk.stepMs = 1;
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    PauseSeconds(0.2f);
    QCOMPARE(fired, 1);
    // The pause lasted at least the asked time on its clock.
    QVERIFY(clk.t >= QDateTime(QDate(2024, 1, 1), QTime(10, 0, 0, 200)));
}

void TestSwitches::pauseStopsAtMidnight()
{
    ManualClock clk(QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59, 500)));
    clk.stepMs = 100;
    PauseSeconds(1.0f);
    // It stopped on the first reading after midnight, well before 1 s had passed.
    QVERIFY(clk.t <= QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0, 200)));
    QVERIFY(clk.t > QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0)));
}

void TestSwitches::pauseZeroReturnsWhenClockMoves()
{
    ManualClock clk(QDateTime(QDate(2024, 1, 1), QTime(8, 0, 0)));
    clk.stepMs = 0;
    int turns = 0;
    // The clock stands still for a few turns, then moves on: the pause returns then.
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
        if (++turns == 3)
            clk.stepMs = 5;
    });
    t.start(1);
    PauseSeconds(0.0f);
    QVERIFY(turns >= 3);
}

QTEST_MAIN(TestSwitches)
#include "tst_switches.moc"
