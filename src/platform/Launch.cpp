#include "platform/Launch.h"

#include <QProcess>

namespace fd {

bool startDetachedProgram(const QString &program, const QString &folder)
{
    return QProcess::startDetached(program, {}, folder);
}

} // namespace fd
