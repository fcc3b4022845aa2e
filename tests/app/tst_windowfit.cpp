// The main window on a 1280×720 screen: nothing cut off, every text whole.
#include "Fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {
// What a title bar and borders take from the screen.
constexpr int kFrameWidth = 16, kFrameHeight = 48;

// Controls whose text shows, cut or out of the window at the window's size.
QStringList clipped(const QWidget &window)
{
    QStringList bad;
    for (const QWidget *c : window.findChildren<QWidget *>()) {
        if (!c->isVisibleTo(&window) || !(qobject_cast<const QAbstractButton *>(c) || qobject_cast<const QLabel *>(c)
                                          || qobject_cast<const QComboBox *>(c) || qobject_cast<const QLineEdit *>(c)))
            continue;
        if (c->objectName().isEmpty() && !qobject_cast<const QLabel *>(c))
            continue; // parts of composite widgets
        const bool hasText = !qobject_cast<const QComboBox *>(c) && !qobject_cast<const QLineEdit *>(c);
        if (hasText && c->width() < c->minimumSizeHint().width())
            bad << c->objectName() + QStringLiteral(" text cut");
        // Inside its parent at every level, except where a scroll area shows it.
        for (const QWidget *w = c; w != &window && w->parentWidget(); w = w->parentWidget()) {
            const QWidget *p = w->parentWidget();
            if (qobject_cast<const QScrollArea *>(p->parentWidget()))
                break; // the viewport scrolls to it
            if (!p->rect().contains(w->geometry())) {
                bad << c->objectName() + QStringLiteral(" outside ") + p->objectName();
                break;
            }
        }
    }
    return bad;
}
} // namespace

class WindowFitTest : public QObject {
    Q_OBJECT
private slots:
    void fitsALaptopScreen_data()
    {
        QTest::addColumn<bool>("nameRule"); // the extraction frame in place of the folder list
        QTest::newRow("folder list") << false;
        QTest::newRow("name extraction") << true;
    }
    void fitsALaptopScreen()
    {
        QFETCH(bool, nameRule);
        WindowFixture fx;
        FDispatch &w = fx.w();
        if (nameRule) {
            w.ChFoldTrunck->setEnabled(true);
            w.ChFoldTrunck->click();
            QVERIFY(w.Frame2->isVisible());
        }
        QTest::qWait(50); // the layouts take in the change
        const QSize screen(1280 - kFrameWidth, 720 - kFrameHeight);
        const QSize least = w.minimumSizeHint().expandedTo(w.minimumSize());
        QVERIFY2(least.width() <= screen.width() && least.height() <= screen.height(),
                 qPrintable(QStringLiteral("%1×%2").arg(least.width()).arg(least.height())));
        w.resize(screen);
        QCoreApplication::processEvents();
        QCOMPARE(w.size(), screen);
        const QStringList bad = clipped(w);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QLatin1Char('\n'))));
        for (QWidget *b : {static_cast<QWidget *>(w.CmdDo), static_cast<QWidget *>(w.CmdUndo),
                           static_cast<QWidget *>(w.CmdPlan)})
            QVERIFY(b->isVisible());
    }
};

QTEST_MAIN(WindowFitTest)
#include "tst_windowfit.moc"
