// Time to add a tree of folders with subfolders to the output folder list, and to
// sort a run list of the largest size the sort takes.
#include "Fixture.h"

#include "catalogue/Sorting.h"
#include "outputs/FlexGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <cstdio>

using namespace fd;
using namespace fd::test;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int width = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    WindowFixture fx;
    FDispatch &w = fx.w();

    QTemporaryDir t;
    const QString root = QDir::toNativeSeparators(t.path() + "/root");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < width; ++i)
        for (int j = 0; j < width; ++j)
            QDir().mkpath(QStringLiteral("%1/d%2/s%3").arg(root).arg(i).arg(j));
    std::printf("made %d folders in %lld ms\n", width * width + width, timer.restart());

    w.Opt3->click();
    w.ChSubFold->setChecked(true);
    w.takeOutputFolder(root);
    std::printf("listed %d rows in %lld ms\n", w.MSFlexGrid1->rows() - 1, timer.restart());
    w.ChSubFold->setChecked(true);
    w.takeOutputFolder(root); // every subfolder already listed
    std::printf("walked again (all listed) in %lld ms\n", timer.restart());

    QVector<RunEntry> list;
    for (int i = 0; i < 32768; ++i)
        list.append({QString::number(i), QString::number((i * 7919) % 32768)});
    timer.restart();
    SortRunList(w.port(), list, 32767);
    std::printf("sorted 32768 run-list entries in %lld ms\n", timer.restart());
    return 0;
}
