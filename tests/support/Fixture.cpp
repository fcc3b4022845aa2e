#include "Fixture.h"

#include "platform/Env.h"

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

} // namespace fd::test
