// The output folder list: adding folders (alone and with subfolders), removing rows,
// clearing, dropping on the output label, the folder count and the mode switches.
#include "Fixture.h"

#include "outputs/FlexGrid.h"
#include "outputs/OutputFolders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {




QString sep() { return QString(QDir::separator()); }

} // namespace

class TestOutputFolders : public QObject {
    Q_OBJECT
private slots:
    void ownNameAndLookup();
    void pickerTitles();
    void refusedFolders();
    void pickerLoop();
    void commandAddsThroughPicker();
    void subfolderQuestion();
    void singleAddTwiceBeeps();
    void addWithSubfoldersTwice();
    void listedSubfolderStillDescends();
    void outsideCustomModeOnlyCurrentFolder();
    void customOnlyAddsNoRow();
    void inputFolderIsRemoved();
    void doubleClickRemovesRows();
    void rightButtonClears();
    void dropOnOutputLabel();
    void folderCountDecidesDispatchButton();
    void customModeButton();
    void customOnlySwitch();
    void subfolderSwitch();
};

void TestOutputFolders::ownNameAndLookup()
{
    const QString s = sep();
    QCOMPARE(ownFolderName("D:"), QStringLiteral("D:"));
    QCOMPARE(ownFolderName(s), s);
    QCOMPARE(ownFolderName(s + "data" + s + "out"), QStringLiteral("out"));
    QCOMPARE(ownFolderName("out"), QStringLiteral("out"));
    QTemporaryDir t;
    const QString photos = makeDir(t, "photos");
    QCOMPARE(entryNameOf(photos), QStringLiteral("photos"));
    QCOMPARE(entryNameOf(photos + s), QStringLiteral("photos"));
    QCOMPARE(entryNameOf(photos + s + "gone"), QString());
    QCOMPARE(entryNameOf(QString()), QString());
}

void TestOutputFolders::pickerTitles()
{
    QCOMPARE(outputPickerTitle(false, false), QStringLiteral("选择输出目录："));
    QCOMPARE(outputPickerTitle(true, false), QStringLiteral("选择分发到的子文件夹所在的主目录："));
    QCOMPARE(outputPickerTitle(false, true),
             QStringLiteral("选择输出目录(切勿指定只读目录如【Windows】及【Programe Files】)："));
    QCOMPARE(outputPickerTitle(true, true),
             QStringLiteral("选择分发到的子文件夹所在的主目录(切勿指定只读目录如【Windows】及【Programe Files】)："));
}

void TestOutputFolders::refusedFolders()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    const QString s = sep();
    w.startup.systemFolder = s + "win" + s + "System32";
    w.startup.programFiles = s + "progs";
    w.startup.newerSystem = true;
    QVERIFY(!w.outputFolderUsable(w.startup.systemFolder));
    QVERIFY(!w.outputFolderUsable(w.startup.systemFolder + s + "drivers"));
    QVERIFY(!w.outputFolderUsable(s + "progs" + s + "tool"));
    QVERIFY(w.outputFolderUsable(s + "data" + s + "out"));
    QVERIFY(!w.outputFolderUsable(s + "a{b}"));
    QVERIFY(w.outputFolderUsable(QString())); // cancel is not a refusal
    // Case-sensitive substring search.
    QVERIFY(w.outputFolderUsable(s + "win" + s + "system32"));
    // Without the newer-system flag the system folders are accepted.
    w.startup.newerSystem = false;
    QVERIFY(w.outputFolderUsable(w.startup.systemFolder + s + "drivers"));
    // An unset program files variable must not refuse every folder.
    w.startup.newerSystem = true;
    w.startup.programFiles.clear();
    QVERIFY(w.outputFolderUsable(s + "data" + s + "out"));
}

void TestOutputFolders::pickerLoop()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString sys = makeDir(t, "win/System32/x");
    const QString brace = makeDir(t, "a{b}");
    const QString good = makeDir(t, "good");
    w.startup.systemFolder = QDir::toNativeSeparators(t.path() + "/win/System32");
    w.startup.newerSystem = true;
    fx.shell.answerFolder(sys);
    fx.shell.answerFolder(brace);
    fx.shell.answerFolder(good);
    fx.shell.answerMessage(Answer::Ok);
    fx.shell.answerMessage(Answer::Ok);
    const QString chosen = w.chooseOutputFolder();
    QCOMPARE(chosen, good);
    QCOMPARE(fx.shell.count(CallKind::Folder), 3);
    const auto refusals = fx.shell.ofKind(CallKind::Message);
    QCOMPARE(refusals.size(), 2);
    for (const auto &m : refusals) {
        QCOMPARE(m.text, QStringLiteral("该目录不可用，请重新指定。"));
        QCOMPARE(m.title, QStringLiteral("警告"));
        QCOMPARE(m.icon, Icon::Critical);
    }
    const ShellCall *pick = fx.shell.last(CallKind::Folder);
    QCOMPARE(pick->title, outputPickerTitle(false, true));
    QVERIFY(pick->newStyle);
    QCOMPARE(pick->defaultText, QDir::toNativeSeparators(QDir::rootPath()).left(3));
}

void TestOutputFolders::commandAddsThroughPicker()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    makeDir(t, "out/a");
    w.Opt3->click();
    for (int i = 0; i < 2; ++i) {
        fx.shell.answerMessage(Answer::Cancel); // no subfolders
        fx.shell.answerFolder(out);
        w.CmdOut->click();
    }
    QCOMPARE(gridPaths(w), QStringList{out});
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    QCOMPARE(w.LDirOut->caption(), out);
    // Yes to subfolders: the chosen folder and its subfolder.
    fx.shell.answerMessage(Answer::Ok);
    fx.shell.answerFolder(out);
    w.CmdOut->click();
    QCOMPARE(gridPaths(w), (QStringList{out, out, out + sep() + "a"}));
    QVERIFY(!w.ChSubFold->isChecked());
    QVERIFY(!fx.shell.pendingAnswers());
}

void TestOutputFolders::subfolderQuestion()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    const QString before = w.LDirOut->caption();
    // Not in the custom output folder mode: no question.
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    QCOMPARE(fx.shell.count(CallKind::Message), 0);

    w.Opt3->click();
    fx.shell.clear();
    fx.shell.answerMessage(Answer::Cancel);
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    QCOMPARE(fx.shell.count(CallKind::Message), 1);
    const ShellCall *q = fx.shell.last(CallKind::Message);
    QCOMPARE(q->text, QStringLiteral("要包含子文件夹吗？"));
    QCOMPARE(q->title, QStringLiteral("消息"));
    QCOMPARE(q->buttons, Buttons::OkCancel);
    QVERIFY(!w.ChSubFold->isChecked());

    fx.shell.answerMessage(Answer::Ok);
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    QVERIFY(w.ChSubFold->isChecked()); // the add goes on; cancelled in the picker
    QCOMPARE(w.LDirOut->caption(), before);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);

    // Checked already, or the same-content rule: no question.
    fx.shell.clear();
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    w.ChSubFold->setChecked(false);
    w.ChSame->setChecked(true);
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    QCOMPARE(fx.shell.count(CallKind::Message), 0);
}

void TestOutputFolders::singleAddTwiceBeeps()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    w.Opt3->click();
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(w.LDirOut->caption(), out);
    QCOMPARE(gridPaths(w), QStringList{out});
    QCOMPARE(w.MSFlexGrid1->textMatrix(1, 1), QStringLiteral("out"));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("1"));
    QVERIFY(!w.takeOutputFolder(out));
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    QCOMPARE(gridPaths(w), QStringList{out});
    QCOMPARE(w.LFolds->caption(), QStringLiteral("1"));
    // A root keeps its whole text as its own name.
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    const QString rootRow = root.size() == 3 ? root.left(2) : root;
    QVERIFY(w.takeOutputFolder(rootRow));
    QCOMPARE(w.MSFlexGrid1->textMatrix(2, 0), rootRow);
    QCOMPARE(w.MSFlexGrid1->textMatrix(2, 1), rootRow);
    w.MSFlexGrid1->setCurrentCell(1, 0);
    w.MSFlexGrid1_DblClick();
    // The comparison is exact: another spelling is another row.
    const QString other = out + sep() + "..";
    QVERIFY(w.takeOutputFolder(other));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("2"));
}

void TestOutputFolders::addWithSubfoldersTwice()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    const QString a = makeDir(t, "out/a"), ax = makeDir(t, "out/a/x"), b = makeDir(t, "out/b");
    w.Opt3->click();
    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(gridPaths(w), (QStringList{out, a, ax, b}));
    QCOMPARE(w.MSFlexGrid1->textMatrix(3, 1), QStringLiteral("x"));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("4"));
    QVERIFY(!w.ChSubFold->isChecked()); // one add at a time
    QVERIFY(!w.cat.treeWalk);
    QVERIFY(w.CmdOut->isEnabled());

    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(gridPaths(w), (QStringList{out, a, ax, b, out}));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("5"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 0);
}

void TestOutputFolders::listedSubfolderStillDescends()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    const QString a = makeDir(t, "out/a"), ax = makeDir(t, "out/a/x");
    w.Opt3->click();
    QVERIFY(w.takeOutputFolder(a));
    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(gridPaths(w), (QStringList{a, out, ax}));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("3"));
    // Rows removed by hand are no longer counted as listed.
    w.MSFlexGrid1->setCurrentCell(0, 0);
    w.MSFlexGrid1_DblClick();
    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(gridPaths(w), (QStringList{out, ax, out, a}));
}

void TestOutputFolders::outsideCustomModeOnlyCurrentFolder()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    QVERIFY(w.takeOutputFolder(out));
    QCOMPARE(w.LDirOut->caption(), out);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(w.LFolds->caption(), QStringLiteral("0"));
}

void TestOutputFolders::customOnlyAddsNoRow()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    makeDir(t, "out/a");
    w.Opt3->click();
    w.ChCustom->setChecked(true);
    QVERIFY(!w.CmdDo->isEnabled());
    QVERIFY(w.takeOutputFolder(out));
    QVERIFY(w.CmdDo->isEnabled());
    QCOMPARE(w.LDirOut->caption(), out);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    // Neither the question nor the walk.
    fx.shell.answerFolder(QString());
    w.CmdOut->click();
    QCOMPARE(fx.shell.count(CallKind::Message), 0);
}

void TestOutputFolders::inputFolderIsRemoved()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString input = makeDir(t, "in/photos");
    const QString sameName = makeDir(t, "x/photos");
    const QString other = makeDir(t, "x/other");
    w.LDir->setCaption(input);
    w.Opt3->click();
    QVERIFY(w.takeOutputFolder(other));
    QVERIFY(w.takeOutputFolder(input));
    QCOMPARE(gridPaths(w), QStringList{other});
    QCOMPARE(w.LFolds->caption(), QStringLiteral("1"));
    QVERIFY(w.takeOutputFolder(sameName)); // same last name: taken for the input folder
    QCOMPARE(gridPaths(w), QStringList{other});
    QCOMPARE(w.LFolds->caption(), QStringLiteral("1"));
    // Within a tree: the subfolder named like the input folder goes, the rest stays.
    const QString tree = makeDir(t, "tree");
    const QString sub = makeDir(t, "tree/photos"), deep = makeDir(t, "tree/photos/deep");
    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(tree));
    QCOMPARE(gridPaths(w), (QStringList{other, tree, deep}));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("3"));
    Q_UNUSED(sub);
}

void TestOutputFolders::doubleClickRemovesRows()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    w.Opt3->click();
    w.MSFlexGrid1_DblClick(); // empty list
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    const QString a = makeDir(t, "a"), b = makeDir(t, "b"), c = makeDir(t, "c");
    for (const QString &p : {a, b, c})
        QVERIFY(w.takeOutputFolder(p));
    w.MSFlexGrid1->setCurrentCell(1, 0);
    QTest::mouseDClick(w.MSFlexGrid1->viewport(), Qt::LeftButton, {},
                       w.MSFlexGrid1->visualItemRect(w.MSFlexGrid1->item(1, 0)).center());
    QCOMPARE(gridPaths(w), (QStringList{a, c}));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("2"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    w.MSFlexGrid1->setCurrentCell(1, 0);
    w.MSFlexGrid1_DblClick();
    QCOMPARE(gridPaths(w), QStringList{a});
    w.MSFlexGrid1_DblClick(); // the only row
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(w.LFolds->caption(), QStringLiteral("0"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 2);
    QVERIFY(w.takeOutputFolder(a)); // listed no more
    QCOMPARE(fx.shell.count(CallKind::Beep), 2);
}

void TestOutputFolders::rightButtonClears()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    w.Opt3->click();
    // Empty list: never asks.
    w.MSFlexGrid1_MouseUp(Qt::RightButton);
    QCOMPARE(fx.shell.count(CallKind::Message), 0);
    QVERIFY(w.takeOutputFolder(makeDir(t, "a")));
    QVERIFY(w.takeOutputFolder(makeDir(t, "b")));
    QTest::mouseClick(w.MSFlexGrid1->viewport(), Qt::LeftButton);
    w.MSFlexGrid1_MouseUp(Qt::MiddleButton);
    QCOMPARE(fx.shell.count(CallKind::Message), 0);

    setInputCount(fx, 5);
    w.CmdDo->setEnabled(true);
    fx.shell.answerMessage(Answer::No);
    QTest::mouseClick(w.MSFlexGrid1->viewport(), Qt::RightButton);
    QCOMPARE(fx.shell.count(CallKind::Message), 1);
    const ShellCall *q = fx.shell.last(CallKind::Message);
    QCOMPARE(q->text, QStringLiteral("确实要清空列表？"));
    QCOMPARE(q->title, QStringLiteral("消息"));
    QCOMPARE(q->buttons, Buttons::YesNo);
    QCOMPARE(q->defaultButton, Answer::No);
    QCOMPARE(w.MSFlexGrid1->rows(), 3);

    fx.shell.answerMessage(Answer::Yes);
    w.MSFlexGrid1_MouseUp(Qt::RightButton);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(w.LFolds->caption(), QStringLiteral("0"));
    QVERIFY(!w.CmdDo->isEnabled());
    QVERIFY(w.takeOutputFolder(makeDir(t, "a"))); // listed no more
}

void TestOutputFolders::dropOnOutputLabel()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString f1 = t.path() + "/one.txt", f2 = t.path() + "/two.txt";
    QVERIFY(writeFile(f1, "1"));
    QVERIFY(writeFile(f2, "2"));
    const QString out = makeDir(t, "out");
    const QString before = w.LDirOut->caption();
    w.LDirOut_OLEDragDrop({QUrl::fromLocalFile(f1), QUrl::fromLocalFile(f2)});
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
    QCOMPARE(w.LDirOut->caption(), before);
    w.Opt3->click();
    emit w.LDirOut->dropped({QUrl::fromLocalFile(f1), QUrl::fromLocalFile(f2), QUrl(),
                             QUrl::fromLocalFile(out), QUrl::fromLocalFile(t.path())});
    QCOMPARE(w.LDirOut->caption(), out);
    QCOMPARE(w.MSFlexGrid1->rows(), 1); // a drop never lists
    QCOMPARE(w.LFolds->caption(), QStringLiteral("0"));
    QCOMPARE(fx.shell.count(CallKind::Beep), 1);
}

void TestOutputFolders::folderCountDecidesDispatchButton()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    w.Opt3->click();
    setInputCount(fx, 3);
    QVERIFY(w.takeOutputFolder(makeDir(t, "a")));
    QVERIFY(w.CmdDo->isEnabled());
    w.MSFlexGrid1_DblClick(); // empty again
    QVERIFY(!w.CmdDo->isEnabled());
    setInputCount(fx, 0);
    w.CmdDo->setEnabled(true);
    QVERIFY(w.takeOutputFolder(makeDir(t, "b")));
    QVERIFY(!w.CmdDo->isEnabled()); // rows but no input files
}

void TestOutputFolders::customModeButton()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    w.Opt1->click();
    w.ChRndDraw->setChecked(true);
    w.ChOmit->setEnabled(true);
    w.ChOmit->setChecked(true);
    setInputCount(fx, 4);
    w.CmdDo->setEnabled(true);

    w.Opt3->click();
    QVERIFY(!w.ChRndDraw->isChecked() && !w.ChRndDraw->isEnabled());
    QVERIFY(!w.ChNum->isChecked() && !w.ChNum->isEnabled());
    QVERIFY(w.Frame2->isEnabled());
    QVERIFY(!w.ChCustom->isChecked() && w.ChCustom->isEnabled());
    QVERIFY(!w.ChFoldTrunck->isChecked() && w.ChFoldTrunck->isEnabled());
    QVERIFY(!w.ChOmit->isChecked() && w.ChOmit->isEnabled());
    QVERIFY(!w.CmdDo->isEnabled()); // the list is empty
    QVERIFY(!w.Option1->isEnabled() && !w.Option2->isEnabled());
    QVERIFY(!w.ChSubFold->isChecked() && w.ChSubFold->isEnabled());
    QVERIFY(w.ChInClude->isChecked() && w.ChInClude->isEnabled());
    QVERIFY(!w.ChOverLay->isChecked() && w.ChOverLay->isEnabled());
    QVERIFY(!w.TParts->isEnabled() && !w.TDivs->isEnabled());

    // The list keeps its rows across modes; with rows and files the button is on.
    QVERIFY(w.takeOutputFolder(makeDir(t, "a")));
    w.Opt2->click();
    w.CmdDo->setEnabled(false);
    w.Opt3->click();
    QCOMPARE(w.MSFlexGrid1->rows(), 2);
    QVERIFY(w.CmdDo->isEnabled());
}

void TestOutputFolders::customOnlySwitch()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.Opt3->click();
    w.ChOverLay->setChecked(true);
    w.ChFoldTrunck->setChecked(true);
    w.ChSubFold->setChecked(true);
    w.ChSame->setChecked(true);
    w.ChRndTime->setChecked(true);
    w.CmbCustom->setCurrentIndex(-1);

    w.ChCustom->click();
    QCOMPARE(w.CmbCustom->currentIndex(), 0);
    QVERIFY(w.CmbCustom->isEnabled());
    QVERIFY(!w.ChInClude->isChecked() && !w.ChOverLay->isChecked() && !w.ChFoldTrunck->isChecked());
    // Unchecking the timed switch runs its own rule, which gives the path options back.
    QVERIFY(w.Option1->isEnabled() && w.Option2->isEnabled());
    QVERIFY(!w.ChRndTime->isChecked() && !w.ChRndTime->isEnabled());
    QVERIFY(!w.ChSubFold->isChecked() && !w.ChSubFold->isEnabled());
    QVERIFY(!w.ChSame->isChecked());
    QVERIFY(w.customOnlyMode());

    w.ChCustom->click();
    QVERIFY(!w.CmbCustom->isEnabled());
    QVERIFY(w.ChRndTime->isEnabled() && w.ChSubFold->isEnabled());
    QVERIFY(!w.customOnlyMode());
}

void TestOutputFolders::subfolderSwitch()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.Opt3->click();
    w.CmdDo->setEnabled(false);
    w.ChSubFold->click();
    QVERIFY(w.CmdDo->isEnabled());
    w.ChSubFold->click(); // count 0: off again
    QVERIFY(!w.CmdDo->isEnabled());
    setInputCount(fx, 2);
    w.CmdDo->setEnabled(true);
    w.ChSubFold->click();
    w.ChSubFold->click();
    QVERIFY(w.CmdDo->isEnabled());
}

QTEST_MAIN(TestOutputFolders)
#include "tst_outputfolders.moc"
