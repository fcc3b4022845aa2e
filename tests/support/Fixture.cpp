#include "Fixture.h"

#include "platform/Env.h"
#include "platform/WriteSlot.h"
#include "outputs/FlexGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace fd::test {

WindowFixture::WindowFixture(bool show)
{
    setInstanceGuard(&guard_);
    setProgramFolderOverride(QDir::toNativeSeparators(programDir.path()));
    resetDefaultRandom();
    window = std::make_unique<FDispatch>();
    window->Form_Load();
    if (show) {
        window->show();
        QCoreApplication::processEvents();
    }
}

WindowFixture::~WindowFixture()
{
    if (window) {
        window->hide();
        window.reset();
    }
    QFile::remove(WriteSlot::defaultPath()); // one per program folder: this one's goes with it
    setProgramFolderOverride(QString());
    setInstanceGuard(nullptr);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool makeFiles(const QString &folder, int n)
{
    QStringList names;
    for (int i = 1; i <= n; ++i)
        names << QStringLiteral("f%1.jpg").arg(i);
    return makeFiles(folder, names);
}

bool makeFiles(const QString &folder, const QStringList &names)
{
    for (const QString &n : names)
        if (!writeFile(folder + QLatin1Char('/') + n, n.toUtf8()))
            return false;
    return true;
}

QStringList namesIn(const QString &folder, QDir::Filters kinds)
{
    QStringList l = QDir(folder).entryList(kinds | QDir::Hidden | QDir::NoDotAndDotDot);
    l.sort();
    return l;
}

QString makeDir(const QTemporaryDir &root, const QString &rel)
{
    const QString p = QDir::toNativeSeparators(root.path() + QLatin1Char('/') + rel);
    QDir().mkpath(p);
    return p;
}

QStringList gridPaths(FDispatch &w)
{
    QStringList r;
    for (int i = 1; i < w.MSFlexGrid1->rows(); ++i)
        r << w.MSFlexGrid1->textMatrix(i, 0);
    return r;
}

void setInputCount(WindowFixture &fx, int n)
{
    QDir dir(fx.programDir.path());
    for (const QString &f : dir.entryList({QStringLiteral("in*.txt")}, QDir::Files))
        dir.remove(f);
    for (int i = 0; i < n; ++i)
        writeFile(dir.filePath(QStringLiteral("in%1.txt").arg(i)), "x");
    fx.w().LFiles->setCaption(QString::number(n));
}

} // namespace fd::test
