// The frame "截取设置：" and the preview, through the real window.
#include "Fixture.h"
#include "outputs/FlexGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class NameFrameTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> fx;
    std::unique_ptr<QTemporaryDir> dir;
    FDispatch &w() { return fx->w(); }

    void useInput(const QStringList &names)
    {
        const QString in = makeDir(*dir, QStringLiteral("in"));
        for (const QString &n : names)
            QVERIFY(writeFile(in + QLatin1Char('/') + n, "x"));
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
    }
    void ruleOn()
    {
        setOption(w().Opt3, true);
        w().ChFoldTrunck->setChecked(true);
    }
    QString folderName() const { return fx->w().LFoldName->caption(); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        fx = std::make_unique<WindowFixture>(true);
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void cleanup()
    {
        fx.reset();
        dir.reset();
    }

    void ruleSwitchShowsTheFrameAndGivesDispatchButtonBack()
    {
        useInput({QStringLiteral("b-2.jpg"), QStringLiteral("a-1.jpg")});
        setOption(w().Opt3, true);
        QVERIFY(!w().CmdDo->isEnabled()); // no output folder listed yet
        w().ChFoldTrunck->setChecked(true);
        QVERIFY(w().Frame2->isVisible() && !w().MSFlexGrid1->isVisible());
        QVERIFY(w().CmdDo->isEnabled() && !w().ChInClude->isChecked());
        QCOMPARE(w().LFilename->caption(), QStringLiteral("a-1.jpg"));
        w().TNewFold->setText(QStringLiteral("x"));
        w().ChFoldTrunck->setChecked(false);
        QVERIFY(!w().Frame2->isVisible() && w().MSFlexGrid1->isVisible());
        QVERIFY(!w().CmdDo->isEnabled());
        QCOMPARE(w().TNewFold->text(), QStringLiteral("(.+)(\\-)"));
    }

    void positionVariantChain()
    {
        ruleOn();
        w().ChBracketNo->setChecked(true);
        w().ChTrunck->setChecked(true);
        QVERIFY(!w().ChBracketNo->isChecked() && !w().ChBracketNo->isEnabled() && !w().TNewFold->isEnabled());
        QVERIFY(w().UpDown2->isEnabled() && w().UpDown3->isEnabled() && !w().ChDraw->isChecked());
        w().ChReverse->setChecked(true);
        QCOMPARE(w().ChTrunckEnd->text(), QStringLiteral("截至开头"));
        w().ChTrunckEnd->setChecked(true);
        QVERIFY(!w().UpDown3->isEnabled());

        // N above M raises M; N back down leaves it.
        w().UpDown2->setValue(9);
        QCOMPARE(w().LTrunckS->caption(), QStringLiteral("9"));
        QCOMPARE(w().LTrunckE->caption(), QStringLiteral("9"));
        w().UpDown2->setValue(4);
        QCOMPARE(w().LTrunckE->caption(), QStringLiteral("9"));
        QCOMPARE(w().UpDown3->minimum(), 4);

        w().ChOmitRear->setChecked(true); // unchecks ChTrunck, which resets the rest
        QVERIFY(!w().ChTrunck->isChecked() && !w().ChReverse->isChecked());
        QCOMPARE(w().ChTrunckEnd->text(), QStringLiteral("截至末尾"));
        QCOMPARE(w().LTrunckS->caption(), QStringLiteral("1"));
        QCOMPARE(w().LTrunckE->caption(), QStringLiteral("6"));
        QCOMPARE(w().UpDown2->value(), 1);
        QCOMPARE(w().TNewFold->text(), QStringLiteral("(\\.+)(\\-)"));
        QVERIFY(w().TNewFold->isEnabled() && w().ChDraw->isChecked() && !w().UpDown2->isEnabled());
        w().ChBracketNo->setChecked(true);
        QVERIFY(!w().ChOmitRear->isChecked() && w().UpDown1->isEnabled());
    }

    void leavingThePatternCountsItsGroups()
    {
        ruleOn();
        w().ChBracketNo->setChecked(true);
        w().TNewFold->setFocus(Qt::TabFocusReason);
        w().TNewFold->setText(QStringLiteral("(\\d+)-(\\d+)"));
        w().CmdPre->setFocus(Qt::TabFocusReason); // leaving the field checks it
        QCOMPARE(tagOf(w().TNewFold), QStringLiteral("2"));
        QCOMPARE(w().UpDown1->maximum(), 2);
        w().UpDown1->setValue(5);
        QCOMPARE(w().LBracketNo->caption(), QStringLiteral("2"));
        QCOMPARE(fx->shell.count(CallKind::Message), 0);

        fx->shell.answerMessage(Answer::Ok);
        w().TNewFold->setText(QStringLiteral("\\(((\\d+))\\)"));
        w().TNewFold_Validate();
        QCOMPARE(fx->shell.last(CallKind::Message)->text, QStringLiteral("您编制的正则表达式可能有误，建议检查修正。"));
        QCOMPARE(tagOf(w().TNewFold), QStringLiteral("1"));

        w().TNewFold->setText(QStringLiteral("\\(\\d+\\)"));
        w().TNewFold_Validate();
        QVERIFY(!w().ChBracketNo->isEnabled() && w().ChBracketNo->isChecked());
    }

    void previewStepsThroughTheInputFiles()
    {
        useInput({QStringLiteral("a-1.jpg"), QStringLiteral("b c -2.jpg"), QStringLiteral("README")});
        ruleOn();
        w().CmdUp->click();
        QCOMPARE(fx->shell.count(CallKind::Beep), 1);
        w().CmdPre->click();
        QCOMPARE(folderName(), QStringLiteral("a-"));
        w().CmdDown->click();
        QCOMPARE(w().LFilename->caption(), QStringLiteral("b c -2.jpg"));
        QCOMPARE(folderName(), QStringLiteral("b c -")); // untrimmed
        w().CmdDown->click();
        QCOMPARE(w().LFilename->caption(), QStringLiteral("README"));
        QCOMPARE(folderName(), tagOf(w().LFoldName)); // no "." to cut at
        w().CmdDown->click();
        QCOMPARE(fx->shell.count(CallKind::Beep), 2);
        QCOMPARE(tagOf(w().CmdUp), QStringLiteral("2"));
        QCOMPARE(tagOf(w().CmdDown), QStringLiteral("2"));

        w().LDir->setCaption(w().LDir->caption() + QStringLiteral("/"));
        w().CmdDown->click();
        QCOMPARE(w().LFilename->caption(), QStringLiteral("b c -2.jpg"));
    }

    void previewOfAnInvalidPatternResetsIt()
    {
        useInput({QStringLiteral("a-1.jpg")});
        ruleOn();
        fx->shell.answerMessage(Answer::Ok);
        w().TNewFold->setText(QStringLiteral("(a"));
        w().CmdPre->click();
        const ShellCall *m = fx->shell.last(CallKind::Message);
        QCOMPARE(m->text, QStringLiteral("正则表达式语法错误，请检查修正！"));
        QCOMPARE(m->icon, Icon::Critical);
        QCOMPARE(w().TNewFold->text(), QStringLiteral("(.+)\\-"));
        QCOMPARE(folderName(), tagOf(w().LFoldName));
        QTRY_VERIFY(w().TNewFold->hasFocus());
        QTRY_COMPARE(w().TNewFold->selectedText(), w().TNewFold->text());
    }

    void previewWithoutFilesBeeps()
    {
        ruleOn();
        w().CmdPre->click();
        w().CmdDown->click();
        QCOMPARE(fx->shell.count(CallKind::Beep), 2);
    }
};

QTEST_MAIN(NameFrameTest)
#include "tst_nameframe.moc"
