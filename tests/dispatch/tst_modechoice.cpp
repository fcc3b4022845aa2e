// Which rule the switches select, in their order of precedence.
#include "Fixture.h"
#include "dispatch/DispatchMode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

Q_DECLARE_METATYPE(fd::ModeKind)

class ModeChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void precedence_data()
    {
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<ModeKind>("run");
        QTest::addColumn<ModeKind>("file");
        using K = ModeKind;
        const auto row = [](const char *name, QStringList on, K run, K file) {
            QTest::newRow(name) << on << run << file;
        };
        row("numbered", {}, K::Numbered, K::Numbered);
        row("every listed folder", {"Opt3"}, K::GridAll, K::GridAll);
        row("include before common", {"Opt3", "ChInClude", "ChOverLay"}, K::GridInclude, K::GridInclude);
        row("common before new folder", {"Opt3", "ChOverLay", "ChFoldTrunck"}, K::GridCommon, K::GridCommon);
        row("new folder before same content", {"Opt3", "ChFoldTrunck", "ChSame"}, K::NewFolder, K::NewFolder);
        row("same content", {"Opt3", "ChSame"}, K::SameContent, K::SameContent);
        row("same content needs the list", {"ChSame"}, K::Numbered, K::Numbered);
        row("custom only", {"Opt3", "ChCustom", "ChInClude"}, K::CustomOnly, K::GridInclude);
        row("draw", {"ChRndDraw"}, K::RandomDraw, K::Numbered);
        row("manual", {"ChRndDraw", "ChMamal"}, K::Manual, K::Numbered);
        row("timed before draw", {"ChRndTime", "ChRndDraw"}, K::Timed, K::Numbered);
        row("sweep before all", {"ChFJ", "ChRndTime", "Opt3", "ChCustom"}, K::Sweep, K::GridAll);
    }

    void precedence()
    {
        QFETCH(QStringList, checked);
        QFETCH(ModeKind, run);
        QFETCH(ModeKind, file);
        WindowFixture fx(false);
        FDispatch &w = fx.w();
        // Straight to the switches: the click rules would uncheck each other.
        for (const QString &name : checked) {
            auto *b = w.findChild<QAbstractButton *>(name);
            QVERIFY2(b, qPrintable(name));
            const QSignalBlocker block(b);
            b->setChecked(true);
        }
        w.CmbCustom->setCurrentIndex(0);
        const ModeChoice c = selectMode(w.port());
        QCOMPARE(c.run, run);
        QCOMPARE(c.file, file);
    }
};

QTEST_MAIN(ModeChoiceTest)
#include "tst_modechoice.moc"
