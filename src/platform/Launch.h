#pragma once
// Starting a program on its own, for the update companion (which does not carry
// the window's shell).
#include <QString>

namespace fd {

// Starts program detached in folder; false when it could not be started.
bool startDetachedProgram(const QString &program, const QString &folder);

} // namespace fd
