#include "FakePort.h"

#include "platform/Clock.h"
#include "platform/Env.h"
#include "platform/WriteSlot.h"

#include <QDir>
#include <QFile>

namespace fd::test {

EngineFixture::EngineFixture()
{
    setProgramFolderOverride(QDir::toNativeSeparators(programDir.path()));
    resetDefaultRandom();
}

EngineFixture::~EngineFixture()
{
    QFile::remove(WriteSlot::defaultPath()); // one per program folder: this one's goes with it
    setProgramFolderOverride(QString());
}

} // namespace fd::test
