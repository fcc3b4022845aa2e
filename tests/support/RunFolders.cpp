#include "RunFolders.h"

#include "dispatch/RunJournal.h"

#include <QComboBox>
#include <QCoreApplication>
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
    journalDir = std::make_unique<QTemporaryDir>();
    RunJournal::setFolder(journalDir->path()); // each test undoes only its own runs
    fx = std::make_unique<WindowFixture>(true);
    titles.clear();
    connect(&w(), &QWidget::windowTitleChanged, this, [this](const QString &t) { titles << t; });
}

void RunFolders::useFolders()
{
    w().Combo1->setEditText(QStringLiteral("*.*"));
    w().LDir->setCaption(in);
    w().LDirOut->setCaption(out);
    QCoreApplication::processEvents();
}

void RunFolders::closeFolders()
{
    fx.reset();
    RunJournal::setFolder({});
    journalDir.reset();
    dir.reset();
}

} // namespace fd::test
