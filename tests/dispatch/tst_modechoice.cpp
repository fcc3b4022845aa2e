// Which rule the switches select, in their order of precedence.
#include "FakePort.h"
#include "dispatch/DispatchMode.h"

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
        FakePort port;
        ModeSwitches &s = port.switches;
        const QHash<QString, bool *> byName{
            {"Opt3", &s.customFolders}, {"ChCustom", &s.customOnly}, {"ChFoldTrunck", &s.folderFromName},
            {"ChSame", &s.sameContent}, {"ChInClude", &s.include},   {"ChOverLay", &s.common},
            {"ChRndDraw", &s.draw},     {"ChMamal", &s.manual},      {"ChFJ", &s.sweep},
            {"ChRndTime", &s.timed}};
        for (const QString &name : checked) {
            QVERIFY2(byName.contains(name), qPrintable(name));
            *byName[name] = true;
        }
        const ModeChoice c = selectMode(port);
        QCOMPARE(c.run, run);
        QCOMPARE(c.file, file);
    }
};

QTEST_MAIN(ModeChoiceTest)
#include "tst_modechoice.moc"
