#include "FakePort.h"

#include "platform/Clock.h"
#include "platform/Env.h"

#include <QDir>

namespace fd::test {

EngineFixture::EngineFixture()
{
    setProgramFolderOverride(QDir::toNativeSeparators(programDir.path()));
    resetDefaultRandom();
}

EngineFixture::~EngineFixture() { setProgramFolderOverride(QString()); }

} // namespace fd::test
