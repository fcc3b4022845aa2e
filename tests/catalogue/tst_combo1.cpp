// Combo1: the pattern list, the key filter, validation and the filter change rule,
// driven through real key and focus events.
#include "Fixture.h"
#include "catalogue/FileList.h"
#include "catalogue/InputFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
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
        QCOMPARE(f.shell.count(QStringLiteral("beep")), 0);
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
        QCOMPARE(f.shell.count(QStringLiteral("beep")), 1);
    }
};

QTEST_MAIN(TstCombo1)
#include "tst_combo1.moc"
