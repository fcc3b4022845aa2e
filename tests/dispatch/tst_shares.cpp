// Share fields: key filters, change and validation rules, the share derivation,
// the mode buttons and the file-count rule.
#include "Fixture.h"

#include "catalogue/CatalogueModel.h"
#include "app/TextNumbers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {


// The focus leaves a field for another control of the window.
void leave(QLineEdit *e)
{
    QFocusEvent ev(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(e, &ev);
}

} // namespace

class TestShares : public QObject {
    Q_OBJECT
private slots:
    void valueOfText_data();
    void valueOfText();
    void shortestAndWholeNumbers();
    void derivationFollowsShares();
    void typingTwentyWithTenFiles();
    void zeroCountEndsAtOne();
    void filesPerShareRules();
    void commonCharacters();
    void keyFilters();
    void fixedModeTakesDerivedValueOnNewCount();
    void fixedModeButton();
    void averageModeButton();
    void changeRulesRunOncePerRealChange();
    void negativeCountRecounts();
    void nothingDerivedWhileHidden();
    void recountFindsInputFiles();
    void limitsApplyToTypingOnly();
};

void TestShares::valueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "50" << 50.0;
    QTest::newRow("digits then letters") << "12ab" << 12.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("fraction") << "1.5x" << 1.5;
    QTest::newRow("sign") << "-3" << -3.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("range") << "1-3" << 1.0;
    QTest::newRow("leading spaces") << "  4" << 4.0;
}

void TestShares::valueOfText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(textnum::valueOf(text), value);
}

void TestShares::shortestAndWholeNumbers()
{
    QCOMPARE(textnum::shortestDecimal(50), QStringLiteral("50"));
    QCOMPARE(textnum::shortestDecimal(1.5), QStringLiteral("1.5"));
    QCOMPARE(textnum::shortestDecimal(0), QStringLiteral("0"));
    QCOMPARE(textnum::shortestDecimal(-0.0), QStringLiteral("0"));
    QCOMPARE(textnum::shortestDecimal(123456), QStringLiteral("123456"));
    QCOMPARE(textnum::wholeNumber("10").value_or(-1), 10LL);
    QCOMPARE(textnum::wholeNumber(" 7 ").value_or(-1), 7LL);
    QVERIFY(!textnum::wholeNumber("").has_value());
    QVERIFY(!textnum::wholeNumber("12ab").has_value());
    QVERIFY(!textnum::wholeNumber("1-3").has_value());
    QCOMPARE(textnum::shareSize(10, 3), 4LL);
    QCOMPARE(textnum::shareSize(10, 5), 2LL);
    QCOMPARE(textnum::shareSize(10, 10), 1LL);
    QCOMPARE(textnum::shareSize(10, 20), 1LL);
    QCOMPARE(textnum::shareSize(0, 1), 0LL);
}

void TestShares::derivationFollowsShares()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    QCOMPARE(w.TParts->text(), QStringLiteral("2")); // 10 files, 5 shares
    w.TDivs->setText("3");
    QCOMPARE(w.TParts->text(), QStringLiteral("4"));
    w.TDivs->setText("10");
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    // A share count of 0 leaves the files per share and becomes 1.
    w.TDivs->setText("0");
    QCOMPARE(w.TDivs->text(), QStringLiteral("1"));
    QCOMPARE(w.TParts->text(), QStringLiteral("10"));
    // Not a whole number: no derivation, the field keeps what was there.
    w.TDivs->setText("4x");
    QCOMPARE(w.TParts->text(), QStringLiteral("10"));
    QCOMPARE(fx.shell.calls.size(), 0);
}

void TestShares::typingTwentyWithTenFiles()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    w.TDivs->selectAll();
    QTest::keyClick(w.TDivs, Qt::Key_2);
    QCOMPARE(w.TDivs->text(), QStringLiteral("2"));
    QCOMPARE(w.TParts->text(), QStringLiteral("5"));
    QTest::keyClick(w.TDivs, Qt::Key_0);
    QCOMPARE(w.TDivs->text(), QStringLiteral("20"));
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    leave(w.TDivs);
    QCOMPARE(w.TDivs->text(), QStringLiteral("10")); // never more shares than files
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 0);
}

void TestShares::zeroCountEndsAtOne()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    QVERIFY(w.CmdDo->isEnabled());
    setInputCount(fx, 0);
    QCOMPARE(w.TDivs->text(), QStringLiteral("1"));
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    QVERIFY(!w.CmdDo->isEnabled());

    // With subfolders wanted the button stays usable at a count of 0.
    setInputCount(fx, 4);
    w.ChSubFold->setEnabled(true);
    w.ChSubFold->setChecked(true);
    setInputCount(fx, 0);
    QVERIFY(w.CmdDo->isEnabled());
}

void TestShares::filesPerShareRules()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 100);
    w.TParts->setEnabled(true);
    w.TParts->clear();
    QCOMPARE(w.TParts->text(), QStringLiteral("1")); // clearing gives 1 at once
    w.TParts->setText("007");
    leave(w.TParts);
    QCOMPARE(w.TParts->text(), QStringLiteral("7"));
    // At or above the count the field takes the count text.
    w.TParts->setText("100");
    leave(w.TParts);
    QCOMPARE(w.TParts->text(), QStringLiteral("100"));
    w.TParts->setText("150");
    leave(w.TParts);
    QCOMPARE(w.TParts->text(), QStringLiteral("100"));
    // Text that is no number never stays in the field.
    w.TParts->setText("x9");
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    w.TParts->setText("12ab");
    leave(w.TParts);
    QCOMPARE(w.TParts->text(), QStringLiteral("12"));
}

void TestShares::commonCharacters()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    const QList<QPair<QString, QString>> cases = {
        {"0", "2"}, {"201", "2"}, {"200", "200"}, {"1", "1"}, {"", "2"}, {"05", "5"}, {"7z", "7"}};
    for (const auto &c : cases) {
        w.TNum->setText(c.first);
        leave(w.TNum);
        QCOMPARE(w.TNum->text(), c.second);
    }
}

void TestShares::keyFilters()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.TParts->setEnabled(true);
    w.TNum->setEnabled(true);
    for (QLineEdit *e : {w.TParts, w.TDivs, w.TNum}) {
        e->setText("3");
        e->end(false);
        fx.shell.clear();
        QTest::keyClick(e, Qt::Key_A);
        QTest::keyClick(e, Qt::Key_Minus);
        QTest::keyClick(e, Qt::Key_Period);
        QCOMPARE(e->text(), QStringLiteral("3"));
        QCOMPARE(fx.shell.count(CallKind::Beep), 3);
        QTest::keyClick(e, Qt::Key_4);
        QCOMPARE(e->text(), QStringLiteral("34"));
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QStringLiteral("3"));
        QTest::keyClick(e, Qt::Key_Left); // moving the caret is no typing
        QCOMPARE(fx.shell.count(CallKind::Beep), 3);
    }
    // Timed mode: a range such as 1-3 can be typed into the share count only.
    w.ChRndTime->setChecked(true);
    fx.shell.clear();
    w.TDivs->end(false);
    QTest::keyClicks(w.TDivs, "-5"); // "1-3-" is read as 1-3 at once, then the 5 is typed
    QCOMPARE(w.TDivs->text(), QStringLiteral("1-35"));
    w.TParts->setText("5");
    w.TParts->end(false);
    QTest::keyClick(w.TParts, Qt::Key_Minus);
    QCOMPARE(w.TParts->text(), QStringLiteral("5"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
}

void TestShares::fixedModeTakesDerivedValueOnNewCount()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    w.Opt1->click();
    QCOMPARE(w.TParts->text(), QStringLiteral("10")); // 50, capped by the count
    w.TParts->setText("3");
    leave(w.TParts);
    QCOMPARE(w.TParts->text(), QStringLiteral("3"));
    setInputCount(fx, 20);
    QCOMPARE(w.TParts->text(), QStringLiteral("4")); // 20 files over the 5 shares
}

void TestShares::fixedModeButton()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 120);
    // Put every switch in the state the button must undo.
    w.Opt3->click();
    w.ChCustom->setChecked(true);
    w.ChCustom->setChecked(false);
    w.ChInClude->setChecked(true);
    w.ChOverLay->setChecked(true);
    w.ChOmit->setChecked(true);
    w.ChSame->setChecked(true);
    w.ChSubFold->setChecked(true);
    w.ChFoldTrunck->setChecked(true);
    w.Option1->setEnabled(false);
    w.Option2->setEnabled(false);
    w.CmdDo->setEnabled(false);

    w.Opt1->click();
    QVERIFY(!w.ChRndDraw->isChecked() && w.ChRndDraw->isEnabled());
    QVERIFY(!w.ChNum->isChecked() && w.ChNum->isEnabled());
    QVERIFY(!w.Frame2->isEnabled());
    QVERIFY(!w.ChCustom->isChecked() && !w.ChCustom->isEnabled());
    QVERIFY(!w.ChFoldTrunck->isChecked() && !w.ChFoldTrunck->isEnabled());
    QVERIFY(!w.ChOmit->isChecked() && !w.ChOmit->isEnabled());
    QVERIFY(w.TParts->isEnabled());
    QCOMPARE(w.TParts->text(), QStringLiteral("50"));
    QCOMPARE(w.TParts->selectedText(), QStringLiteral("50"));
    QVERIFY(!w.TDivs->isEnabled());
    QVERIFY(w.CmdDo->isEnabled());
    QVERIFY(w.Option1->isEnabled() && w.Option2->isEnabled());
    QVERIFY(!w.ChSubFold->isChecked() && !w.ChSubFold->isEnabled());
    QVERIFY(!w.ChInClude->isChecked() && !w.ChInClude->isEnabled());
    QVERIFY(!w.ChOverLay->isChecked() && !w.ChOverLay->isEnabled());
    QVERIFY(!w.ChSame->isChecked() && !w.ChSame->isEnabled());
}

void TestShares::averageModeButton()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.Opt1->click();
    w.ChRndDraw->setChecked(true);
    w.ChSame->setEnabled(true);
    w.ChSame->setChecked(true);
    setInputCount(fx, 3);
    w.CmdDo->setEnabled(false);
    w.TDivs->setText("2");

    w.Opt2->click();
    QVERIFY(!w.ChRndDraw->isChecked() && !w.ChRndDraw->isEnabled());
    QVERIFY(!w.ChNum->isChecked() && w.ChNum->isEnabled());
    QVERIFY(!w.Frame2->isEnabled());
    QVERIFY(!w.ChCustom->isChecked() && !w.ChCustom->isEnabled());
    QVERIFY(!w.TParts->isEnabled());
    QVERIFY(w.TDivs->isEnabled());
    QCOMPARE(w.TDivs->text(), QStringLiteral("3")); // 5, capped by the count of 3
    QCOMPARE(w.TParts->text(), QStringLiteral("1"));
    QVERIFY(w.CmdDo->isEnabled());
    QVERIFY(!w.ChSubFold->isChecked() && !w.ChSubFold->isEnabled());
    QVERIFY(w.ChSame->isChecked()); // left as it was
    // With a count of 0 the button is left as it is.
    w.Opt1->click();
    setInputCount(fx, 0);
    w.CmdDo->setEnabled(true);
    w.Opt2->click();
    QVERIFY(w.CmdDo->isEnabled());
}

void TestShares::changeRulesRunOncePerRealChange()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    QSignalSpy parts(w.TParts, &QLineEdit::textChanged);
    QSignalSpy divs(w.TDivs, &QLineEdit::textChanged);
    setInputCount(fx, 20); // 5 shares: 2 becomes 4
    QCOMPARE(parts.count(), 1);
    QCOMPARE(divs.count(), 0);
    setInputCount(fx, 40); // 4 becomes 8
    QCOMPARE(parts.count(), 2);
    leave(w.TDivs); // nothing to change
    QCOMPARE(divs.count(), 0);
    QCOMPARE(parts.count(), 2);
}

void TestShares::negativeCountRecounts()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.cat.count = 7;
    w.cat.pathList = QStringLiteral("stale");
    w.catalogue->addRow({});
    w.setWindowTitle("busy");
    w.LFiles->setCaption("-32768");
    // The whole input folder is scanned and its count replaces the overflowed one.
    QCOMPARE(w.LFiles->caption(), QStringLiteral("0"));
    QCOMPARE(w.cat.count, 0LL);
    QVERIFY(w.cat.pathList.isEmpty());
    QCOMPARE(w.catalogue->count(), 0);
    QCOMPARE(w.windowTitle(), w.windowTag());
    QCOMPARE(w.TDivs->text(), QStringLiteral("1"));
}

void TestShares::nothingDerivedWhileHidden()
{
    WindowFixture fx(false);
    FDispatch &w = fx.w();
    setInputCount(fx, 10);
    QCOMPARE(w.TParts->text(), QStringLiteral("50"));
}

void TestShares::recountFindsInputFiles()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    setInputCount(fx, 3);
    w.LFiles->setCaption("-1");
    QCOMPARE(w.LFiles->caption(), QStringLiteral("3"));
    QCOMPARE(w.cat.count, 3LL);
    // The shares follow the new count.
    QCOMPARE(w.TParts->text().toLongLong(), textnum::shareSize(3, w.TDivs->text().toLongLong()));
}

// A million files make a seven-digit share; only typing stops at six digits.
void TestShares::limitsApplyToTypingOnly()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.TDivs->setText("1");
    w.LFiles->setCaption("1234567");
    QCOMPARE(w.TParts->text(), QStringLiteral("1234567"));
    w.TParts->setEnabled(true);
    w.TNum->setEnabled(true);
    for (QLineEdit *e : {w.TParts, w.TNum}) {
        e->selectAll(); // an empty field turns into "1" at once
        QTest::keyClicks(e, "12345678");
        QCOMPARE(e->text(), QStringLiteral("12345678").left(e == w.TNum ? 3 : 6));
        // A paste goes through the same rules, character by character.
        e->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("9a87654321"));
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e->text(), QStringLiteral("987654321").left(e == w.TNum ? 3 : 6));
    }
}

QTEST_MAIN(TestShares)
#include "tst_shares.moc"
