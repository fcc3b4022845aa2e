// Combo1: the pattern list, the key filter, validation and the filter change rule,
// driven through real key and focus events.
#include "Fixture.h"
#include "catalogue/FileList.h"
#include "catalogue/InputFolder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>

using namespace fd;
using namespace fd::test;

class TstCombo1 : public QObject {
    Q_OBJECT

    static QWidget *focusTarget(FDispatch &w)
    {
        return QApplication::focusWidget() ? QApplication::focusWidget() : w.Combo1;
    }
    static void focusCombo(FDispatch &w)
    {
        w.activateWindow();
        w.Combo1->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }
    static void clearCombo(FDispatch &w)
    {
        w.Combo1->setEditText(QString());
        w.combo1Typed = false;
    }
    static void type(FDispatch &w, const QString &keys)
    {
        QTest::keyClicks(focusTarget(w), keys);
    }
    // Moves the focus to another control, as a Tab would.
    static void leaveCombo(FDispatch &w)
    {
        w.ChHide->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

private slots:
    void listHoldsThePatternsInOrder()
    {
        WindowFixture f;
        QComboBox *c = f.w().Combo1;
        QCOMPARE(c->count(), 132);
        QCOMPARE(c->currentText(), QStringLiteral("*.*"));
        QCOMPARE(c->itemText(1), QStringLiteral("*.aam"));
        QCOMPARE(c->itemText(22), QStringLiteral("*.cch"));
        QCOMPARE(c->itemText(23), QStringLiteral("*.cch"));
        QCOMPARE(c->itemText(118), QStringLiteral("*.tiff"));
        QCOMPARE(c->itemText(131), QStringLiteral("*.zip"));
    }

    void firstTwoKeysBecomeStarAndDot()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("jpg"));
        QCOMPARE(f.w().Combo1->currentText(), QStringLiteral("*.g"));
        QCOMPARE(f.shell.count(CallKind::Beep), 0);
    }

    void starOnlyAsThirdCharacter()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("**"));
        type(f.w(), QStringLiteral("*"));
        QCOMPARE(f.w().Combo1->currentText(), QStringLiteral("*.*"));
        type(f.w(), QStringLiteral("*"));
        QCOMPARE(f.w().Combo1->currentText(), QStringLiteral("*.*"));
        QCOMPARE(f.shell.count(CallKind::Beep), 1);
    }
    void keyFilterRules_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("beeps");
        QTest::newRow("refused punctuation") << "*.j" << "~!#$%^&()-+={}[]|\\:;'<>?,/. `@\"" << "*.j" << 31;
        QTest::newRow("letters and digits pass") << "*." << "mp3" << "*.mp3" << 0;
        QTest::newRow("underscore passes") << "*." << "a_b" << "*.a_b" << 0;
        QTest::newRow("twelve characters are the limit") << "*.abcdefghij" << "k" << "*.abcdefghij" << 1;
        QTest::newRow("eleven still take a key") << "*.abcdefghi" << "jk" << "*.abcdefghij" << 1;
    }
    void keyFilterRules()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QFETCH(int, beeps);
        WindowFixture f;
        focusCombo(f.w());
        f.w().Combo1->setEditText(start);
        f.w().Combo1->lineEdit()->end(false);
        type(f.w(), keys);
        QCOMPARE(f.w().Combo1->currentText(), result);
        QCOMPARE(f.shell.count(CallKind::Beep), beeps);
    }

    void backspaceFollowsTheLength()
    {
        WindowFixture f;
        focusCombo(f.w());
        QLineEdit *le = f.w().Combo1->lineEdit();
        // Short texts: even backspace types the leading characters.
        clearCombo(f.w());
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Backspace);
        QCOMPARE(le->text(), QStringLiteral("*"));
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Backspace);
        QCOMPARE(le->text(), QStringLiteral("*."));
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Backspace);
        QCOMPARE(le->text(), QStringLiteral("*"));
        // A full text: backspace deletes, and over a whole selection types "*".
        f.w().Combo1->setEditText(QStringLiteral("*.abcdefghij"));
        le->end(false);
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Backspace);
        QCOMPARE(le->text(), QStringLiteral("*.abcdefghi"));
        f.w().Combo1->setEditText(QStringLiteral("*.abcdefghij"));
        le->selectAll();
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Backspace);
        QCOMPARE(le->text(), QStringLiteral("*"));
        QCOMPARE(f.shell.count(CallKind::Beep), 0);
    }

    void validationMessages_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::newRow("empty") << QString() << QStringLiteral("错误：文件类型过滤标识不能为空！重新检查输入！")
                               << "*." << 2 << 0;
        QTest::newRow("short") << "*." << QStringLiteral("错误：文件类型过滤标识字符长度少于3个！重新检查输入！")
                               << "*." << 2 << 0;
        QTest::newRow("no star dot") << "ab.jpg"
                                     << QStringLiteral("错误：文件类型过滤标识必须以 “*.”开头！重新检查输入！")
                                     << "*." << 2 << 0;
        QTest::newRow("too long") << "*.abcdefghijk"
                                  << QStringLiteral("错误：文件类型过滤标识太长，超出10个字符限制！重新检查输入！")
                                  << "*." << 2 << 0;
        QTest::newRow("second dot")
            << "*.tar.gz" << QStringLiteral("错误：文件类型过滤标识从第3个字符起，不允许出现“.”或“*”！重新检查输入！")
            << "*.tar.gz" << 2 << 6;
        QTest::newRow("late star")
            << "*.a*" << QStringLiteral("错误：文件类型过滤标识从第3个字符起，不允许出现“.”或“*”！重新检查输入！")
            << "*.a*" << 2 << 2;
    }
    void validationMessages()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, after);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        WindowFixture f;
        focusCombo(f.w());
        // As a paste or typing would leave it.
        f.w().Combo1->lineEdit()->selectAll();
        f.w().Combo1->lineEdit()->insert(typed);
        f.w().combo1Typed = true;
        f.shell.answerMessage(Answer::Ok);
        leaveCombo(f.w());
        QCOMPARE(f.shell.count(CallKind::Message), 1);
        const ShellCall *m = f.shell.last(CallKind::Message);
        QCOMPARE(m->text, message);
        QCOMPARE(m->title, QStringLiteral("错误——非法文件类型"));
        QCOMPARE(m->icon, Icon::Critical);
        QCOMPARE(m->buttons, Buttons::Ok);
        QCOMPARE(f.w().Combo1->currentText(), after);
        QLineEdit *le = f.w().Combo1->lineEdit();
        QCOMPARE(le->selectedText().size(), selLength);
        if (selLength)
            QCOMPARE(le->selectionStart(), selStart);
        else
            QCOMPARE(le->cursorPosition(), selStart);
        QVERIFY(f.w().Combo1->hasFocus());
    }

    void typedSequenceIsValidatedUntilGood()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("xx")); // "*."
        f.shell.answerMessage(Answer::Ok);
        leaveCombo(f.w());
        QCOMPARE(f.shell.count(CallKind::Message), 1);
        QVERIFY(f.w().Combo1->hasFocus());
        type(f.w(), QStringLiteral("txt"));
        leaveCombo(f.w());
        QCOMPARE(f.shell.count(CallKind::Message), 1);
        QCOMPARE(f.w().Combo1->currentText(), QStringLiteral("*.txt"));
        QVERIFY(f.w().ChHide->hasFocus());
    }

    void pickedEntryIsNotValidated()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("x")); // "*", would be refused
        // Picking with the arrow keys replaces the typed text by a list entry.
        QTest::keyClick(focusTarget(f.w()), Qt::Key_Down);
        QCOMPARE(f.w().Combo1->currentText(), QStringLiteral("*.aam"));
        f.w().Combo1->setEditText(QStringLiteral("*")); // the system's own edits keep the pick
        leaveCombo(f.w());
        QCOMPARE(f.shell.count(CallKind::Message), 0);
    }

    void changeRuleListsTheFamilyAndCountsThePattern()
    {
        WindowFixture f;
        const QString d = f.programDir.path();
        for (const char *n : {"a.tif", "B.TIFF", "c.tiff", "d.jpg", "e.txt"})
            QVERIFY(writeFile(d + "/" + n, "x"));
        f.w().LDir->setCaption(d + "/"); // any change runs the rule
        f.w().LDir->setCaption(d);
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("5"));
        f.w().Combo1->setEditText(QStringLiteral("*.tiff"));
        QCOMPARE(f.w().File1->names(), (QStringList{"a.tif", "B.TIFF", "c.tiff"}));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("2"));
        QCOMPARE(f.w().LFilename->caption(), QStringLiteral("a.tif"));

        // Alternatives go to the list only; the count takes ";" literally.
        f.w().Combo1->setEditText(QStringLiteral("*.jpg;*.txt"));
        QCOMPARE(f.w().File1->listCount(), 2);
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("0"));
        QVERIFY(writeFile(d + "/x.jpg;y.txt", "x"));
        f.w().Combo1->setEditText(QStringLiteral("*.jpg;*.TXT"));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));

        // Nothing listed: the placeholder comes back, and the preview resets.
        f.w().LFoldName->setCaption(QStringLiteral("preview"));
        setTag(f.w().CmdUp, QStringLiteral("3"));
        f.w().Combo1->setEditText(QStringLiteral("*.zip"));
        QCOMPARE(f.w().LFilename->caption(), tagOf(f.w().LFilename));
        QCOMPARE(f.w().LFoldName->caption(), tagOf(f.w().LFoldName));
        QCOMPARE(tagOf(f.w().CmdUp), QStringLiteral("0"));
    }

    void translationTable()
    {
        QCOMPARE(listingPatternFor(QStringLiteral("所有")), QStringLiteral("*.*"));
        QCOMPARE(listingPatternFor(QStringLiteral("*.JPEG")), QStringLiteral("*.jpg;*.jpeg;*.jfif;*.jpe"));
        QCOMPARE(listingPatternFor(QStringLiteral("*.rle")), QStringLiteral("*.bmp;*.dib;*.rle"));
        QCOMPARE(listingPatternFor(QStringLiteral("*.pptm")), QStringLiteral("*.ppt;*.pptx;*.pptm"));
        QCOMPARE(listingPatternFor(QStringLiteral("*.Docx")), QStringLiteral("*.doc;*.docx;*.docm;*.dot"));
        QCOMPARE(listingPatternFor(QStringLiteral("*.xlsx")), QStringLiteral("*.xls;*.xlsx;*.xlsm;*.xla"));
        QVERIFY(listingPatternFor(QStringLiteral("常用图片格式")).contains(QStringLiteral("*.png")));
        QCOMPARE(listingPatternFor(QStringLiteral("*.docm")), QStringLiteral("*.docm"));
    }

    void hiddenWindowLeavesTheCountAlone()
    {
        WindowFixture f(false);
        QVERIFY(writeFile(f.programDir.path() + "/a.txt", "x"));
        QVERIFY(writeFile(f.programDir.path() + "/b.txt", "x"));
        f.w().Combo1->setEditText(QStringLiteral("*.txt"));
        // Only the list's own count; the folder rule waits for a shown window.
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("2"));
        f.w().cat.splitPaths = {QStringLiteral("x")};
        f.w().LDir_Change();
        QCOMPARE(f.w().cat.splitPaths.size(), 1);
    }
    void refusedTextKeepsTheClickedButtonIdle()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("a")); // "*"
        f.shell.answerMessage(Answer::Ok);
        // No picker may open: the scripted shell would fail on it.
        QTest::mouseClick(f.w().CmdIn, Qt::LeftButton);
        QCOMPARE(f.shell.count(CallKind::Message), 1);
        QCOMPARE(f.shell.count(CallKind::Folder), 0);
        QVERIFY(f.w().Combo1->hasFocus());
        QCoreApplication::processEvents();
        // Once the text is good, the next click goes through.
        type(f.w(), QStringLiteral("txt"));
        f.shell.answerFolder(QString());
        QTest::mouseClick(f.w().CmdIn, Qt::LeftButton);
        QCOMPARE(f.shell.count(CallKind::Folder), 1);
    }

    // Text that arrives all at once passes the key rule character by character.
    void textArrivingAtOnce_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        for (const char *route : {"input method", "paste"}) {
            QTest::addRow("%s, first two replaced", route) << route << "ab" << "*.";
            QTest::addRow("%s, refused characters dropped", route) << route << "xyj/p g" << "*.jpg";
            QTest::addRow("%s, twelve at most", route) << route << "abcdefghijklmn" << "*.cdefghijkl";
        }
    }
    void textArrivingAtOnce()
    {
        QFETCH(QString, route);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        QLineEdit *le = f.w().Combo1->lineEdit();
        if (route == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(focusTarget(f.w()), Qt::Key_V, Qt::ControlModifier);
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QCoreApplication::sendEvent(le, &commit);
        }
        QCOMPARE(f.w().Combo1->currentText(), expected);
        QVERIFY(f.w().combo1Typed);
    }

    // A shortcut clicks without moving the focus; the field it leaves is still checked.
    void shortcutValidatesTheFieldItLeaves()
    {
        WindowFixture f;
        focusCombo(f.w());
        clearCombo(f.w());
        type(f.w(), QStringLiteral("a")); // "*"
        f.shell.answerMessage(Answer::Ok);
        QTest::keyClick(&f.w(), Qt::Key_I, Qt::AltModifier);
        QCOMPARE(f.shell.count(CallKind::Message), 1);
        QCOMPARE(f.shell.count(CallKind::Folder), 0);
        QVERIFY(f.w().Combo1->hasFocus());
        type(f.w(), QStringLiteral("txt"));
        f.shell.answerFolder(QString());
        QTest::keyClick(&f.w(), Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(f.shell.count(CallKind::Folder), 1); // a shortcut's click is animated
    }

    void pickingTheShownEntryRecounts()
    {
        WindowFixture f;
        const QString d = f.programDir.path();
        QVERIFY(writeFile(d + "/a.txt", "x"));
        f.w().Combo1->setCurrentIndex(f.w().Combo1->findText(QStringLiteral("*.txt")));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));
        QVERIFY(writeFile(d + "/b.txt", "x"));
        // Choose the same entry again from the open list.
        f.w().Combo1->showPopup();
        QAbstractItemView *view = f.w().Combo1->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        const QModelIndex idx = view->model()->index(f.w().Combo1->currentIndex(), 0);
        view->scrollTo(idx);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(idx).center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("2"));
    }
};

QTEST_MAIN(TstCombo1)
#include "tst_combo1.moc"
