// The regex tester window: find and replace tests, matches and groups, the pattern
// clean-up on leaving the field, and its opening from the main window.
#include "Fixture.h"

#include "platform/Places.h"
#include "regex_tester/FRex.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace fd;
using namespace fd::test;

namespace {

struct Tester {
    ScriptedShell shell;
    FRex w;
    Tester() { w.show(); }
    void find(const QString &src, const QString &pattern)
    {
        w.TS->setText(src);
        w.TL->setText(pattern);
        w.CmdFind->click();
    }
    // Clicks a spinner's up or down arrow, as the user does.
    void step(UpDown *u, bool up)
    {
        for (auto *b : u->findChildren<QToolButton *>())
            if ((b->arrowType() == Qt::UpArrow) == up)
                QTest::mouseClick(b, Qt::LeftButton);
    }
};

} // namespace

class TestFRex : public QObject {
    Q_OBJECT
private slots:
    void initialState();
    void helpExample();
    void matchCounts_data();
    void matchCounts();
    void groupsMissingOrEmptyBeep();
    void multiLineJoinsBothFields();
    void patternCleanupOnLeavingField_data();
    void patternCleanupOnLeavingField();
    void invalidPatternIsReportedNotThrown();
    void editsDisableReplace();
    void separatorTextsInsideMatchesShowAsTyped();
    void helpButtonsOpenFreshModalTester();
};

void TestFRex::initialState()
{
    Tester t;
    FRex &w = t.w;
    QVERIFY(!w.TS2->isEnabled() && !w.CmdRep->isEnabled());
    const RegexMatcher &m = w.matcher();
    QVERIFY(m.global() && m.ignoreCase() && !m.multiLine());
    QCOMPARE(m.pattern(), QStringLiteral("在此输入查找正则表达式"));
    QCOMPARE(w.TL->maxLength(), 65536);
    // Before any find the spinners have nothing to show.
    t.step(w.UpDown1, true);
    t.step(w.UpDown2, true);
    QCOMPARE(w.Ln->text() + w.LSub->text(), QStringLiteral("10"));
    QVERIFY(w.LRet->text().isEmpty());
}

void TestFRex::helpExample()
{
    Tester t;
    FRex &w = t.w;
    t.find(QStringLiteral("第一集@猴王出世"), QStringLiteral("(.+)@(.+)"));
    w.TR->setText(QStringLiteral("$2 $1")); // disables the replace test again
    w.CmdFind->click();
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中1个目标"));
    QCOMPARE(w.LRet->text(), QStringLiteral("第一集@猴王出世"));
    QCOMPARE(w.UpDown2->maximum(), 1);
    QTest::mouseDClick(w.LSub, Qt::LeftButton);
    QCOMPARE(w.LRet->text(), QStringLiteral("第一集"));
    t.step(w.UpDown2, true);
    QCOMPARE(w.LSub->text(), QStringLiteral("1"));
    QCOMPARE(w.LRet->text(), QStringLiteral("猴王出世"));
    w.CmdRep->click();
    QCOMPARE(w.LRet->text(), QStringLiteral("猴王出世 第一集"));
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中1个目标"));
    QCOMPARE(t.shell.count(CallKind::Beep), 0);
}

void TestFRex::matchCounts_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::newRow("all, any case") << true << false << 3 << "aB";
    QTest::newRow("first only") << false << false << 1 << "ab";
    QTest::newRow("all, case counts") << true << true << 1 << "ab";
}

void TestFRex::matchCounts()
{
    QFETCH(bool, all);
    QFETCH(bool, caseSensitive);
    QFETCH(int, count);
    QFETCH(QString, last);
    Tester t;
    FRex &w = t.w;
    w.ChC->setChecked(true); // case on and off again leaves the rest as it was
    w.ChC->setChecked(false);
    w.ChAll->setChecked(all);
    w.ChC->setChecked(caseSensitive);
    QCOMPARE(w.matcher().global(), all);
    t.find(QStringLiteral("ab-AB-aB"), QStringLiteral("ab"));
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中%1个目标").arg(count));
    // Stepping past the last match stays on it.
    for (int i = 0; i < count; ++i)
        t.step(w.UpDown1, true);
    QCOMPARE(w.Ln->text(), QString::number(count));
    QCOMPARE(w.LRet->text(), last);
    t.find(QStringLiteral("xyz"), QStringLiteral("ab"));
    QCOMPARE(w.LReport->text(), QStringLiteral("无命中！"));
    QVERIFY(w.LRet->text().isEmpty());
    QCOMPARE(w.Ln->text(), QStringLiteral("1"));
}

void TestFRex::groupsMissingOrEmptyBeep()
{
    Tester t;
    FRex &w = t.w;
    t.find(QStringLiteral("a1 b2"), QStringLiteral("\\w\\d"));
    QCOMPARE(w.UpDown2->maximum(), 0);
    QTest::mouseDClick(w.LSub, Qt::LeftButton);
    QCOMPARE(t.shell.count(CallKind::Beep), 1);
    QCOMPARE(w.LRet->text(), QStringLiteral("a1"));
    // A group that took no part in the match is empty: a beep, the result stays.
    t.find(QStringLiteral("bbc"), QStringLiteral("(a)?(b+)c"));
    QTest::mouseDClick(w.LSub, Qt::LeftButton);
    QCOMPARE(t.shell.count(CallKind::Beep), 2);
    QCOMPARE(w.LRet->text(), QStringLiteral("bbc"));
    t.step(w.UpDown2, true);
    QCOMPARE(w.LRet->text(), QStringLiteral("bb"));
    QCOMPARE(t.shell.count(CallKind::Beep), 2);
}

void TestFRex::multiLineJoinsBothFields()
{
    Tester t;
    FRex &w = t.w;
    w.ChM->setChecked(true);
    QVERIFY(w.TS2->isEnabled() && w.matcher().multiLine());
    w.TS2->setText(QStringLiteral("line2"));
    t.find(QStringLiteral("line1"), QStringLiteral("1\\r\\nl"));
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中1个目标"));
    t.find(QStringLiteral("line1"), QStringLiteral("^line\\d"));
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中2个目标"));
    // The line break between the fields is CRLF: "$" ends line 1 before it.
    t.find(QStringLiteral("abc"), QStringLiteral("c$"));
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中1个目标"));
    w.TR->setText(QStringLiteral("[$`|$'|$$]"));
    w.CmdFind->click();
    w.CmdRep->click();
    QCOMPARE(w.LRet->text(), QStringLiteral("ab[ab|\r\nline2|$]\r\nline2"));
    w.ChM->setChecked(false);
    QVERIFY(!w.TS2->isEnabled());
    w.CmdFind->click();
    QCOMPARE(w.LReport->text(), QStringLiteral("有命中！共命中1个目标"));
}

void TestFRex::patternCleanupOnLeavingField_data()
{
    QTest::addColumn<bool>("multiLine");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("line breaks") << false << "a\\r\\nb" << "ab";
    QTest::newRow("only breaks") << false << "\\n\\n\\r" << "";
    QTest::newRow("escaped backslash stays") << false << "a\\\\nb\\\\r" << "a\\\\nb\\\\r";
    QTest::newRow("other escapes stay") << false << "\\d+\\.\\t" << "\\d+\\.\\t";
    QTest::newRow("multi-line keeps") << true << "a\\r\\nb" << "a\\r\\nb";
}

void TestFRex::patternCleanupOnLeavingField()
{
    QFETCH(bool, multiLine);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    Tester t;
    FRex &w = t.w;
    w.ChM->setChecked(multiLine);
    w.TL->setText(typed);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.TL, &leave);
    QCOMPARE(w.TL->text(), left);
    QCOMPARE(w.matcher().pattern(), left);
}

void TestFRex::invalidPatternIsReportedNotThrown()
{
    Tester t;
    FRex &w = t.w;
    t.find(QStringLiteral("abc"), QStringLiteral("b"));
    t.find(QStringLiteral("abc"), QStringLiteral("(b"));
    QCOMPARE(w.LReport->text(), QStringLiteral("正则表达式语法错误！"));
    QVERIFY(w.LRet->text().isEmpty());
    QVERIFY(!w.CmdRep->isEnabled());
    QCOMPARE(t.shell.calls.size(), 0);
}

void TestFRex::editsDisableReplace()
{
    Tester t;
    FRex &w = t.w;
    for (QLineEdit *f : {w.TL, w.TR, w.TS, w.TS2}) {
        t.find(QStringLiteral("abc"), QStringLiteral("b"));
        QVERIFY(w.CmdRep->isEnabled());
        w.ChAll->toggle();
        w.ChC->toggle();
        w.ChM->toggle();
        QVERIFY(w.CmdRep->isEnabled());
        w.ChM->toggle();
        f->insert(QStringLiteral("x"));
        QVERIFY2(!w.CmdRep->isEnabled(), qPrintable(f->objectName()));
    }
}

void TestFRex::separatorTextsInsideMatchesShowAsTyped()
{
    Tester t;
    FRex &w = t.w;
    const QString src = QStringLiteral("aVQJ@vqjb<b>vqj@VQJ");
    t.find(src, QStringLiteral("(a.+b)(.+)"));
    QCOMPARE(w.LRet->text(), src);
    QTest::mouseDClick(w.LSub, Qt::LeftButton);
    QCOMPARE(w.LRet->text(), QStringLiteral("aVQJ@vqjb<b"));
    t.step(w.UpDown2, true);
    QCOMPARE(w.LRet->text(), QStringLiteral(">vqj@VQJ"));
    QCOMPARE(w.LRet->textFormat(), Qt::PlainText);
}

void TestFRex::helpButtonsOpenFreshModalTester()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.CmdRex2->setEnabled(true);
    QStringList seen;
    auto driveTester = [&] {
        QTimer::singleShot(0, [&] {
            auto *rex = qobject_cast<FRex *>(QApplication::activeModalWidget());
            QVERIFY(rex);
            seen << rex->TS->text() + QLatin1Char('|') + rex->LReport->text();
            rex->TS->setText(QStringLiteral("abc"));
            rex->TL->setText(QStringLiteral("b"));
            rex->CmdFind->click();
            rex->close();
        });
    };
    driveTester();
    w.CmdHelp_Click(); // no help document: the tester opens all the same
    QCOMPARE(fx.shell.count(CallKind::OpenFile), 0);
    QVERIFY(writeFile(helpDocumentPath(), "<html></html>"));
    driveTester();
    w.CmdRex2->click();
    QCOMPARE(fx.shell.count(CallKind::OpenFile), 1);
    QCOMPARE(fx.shell.last(CallKind::OpenFile)->text, helpDocumentPath());
    const QString fresh = QStringLiteral("在此输入待测试的源字符串|");
    QCOMPARE(seen, QStringList({fresh, fresh}));
    QVERIFY(w.findChildren<FRex *>().isEmpty());
}

QTEST_MAIN(TestFRex)
#include "tst_frex.moc"
