#include "RunFolders.h"

#include <QDir>

namespace fd::test {

void RunFolders::openFolders(bool makeOut)
{
    dir = std::make_unique<QTemporaryDir>();
    in = dir->filePath(QStringLiteral("in"));
    out = dir->filePath(QStringLiteral("out"));
    QDir().mkpath(in);
    if (makeOut)
        QDir().mkpath(out);
    fx = std::make_unique<WindowFixture>(true);
    titles.clear();
    connect(&w(), &QWidget::windowTitleChanged, this, [this](const QString &t) { titles << t; });
}

void RunFolders::closeFolders()
{
    fx.reset();
    dir.reset();
}

} // namespace fd::test
