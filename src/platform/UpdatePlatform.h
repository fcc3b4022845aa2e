#pragma once
// What the self-update asks of the system besides downloads: whether the archiver
// that unpacks updates is in place, starting an installer or the companion, and
// ending the program. Tests script it.
#include <QString>

namespace fd {

class UpdatePlatform {
public:
    virtual ~UpdatePlatform() = default;
    // Whether updates can be unpacked here; false when that cannot be told.
    virtual bool archiverRegistered() = 0;
    // Starts an installer in a normal window; false when it did not start.
    virtual bool startInstaller(const QString &program, const QString &workingFolder) = 0;
    // Starts the companion with its one parameter text, without a window.
    virtual bool startCompanion(const QString &program, const QString &parameters,
                                const QString &workingFolder) = 0;
    // Ends the program at once, without the closing question.
    virtual void endProgram() = 0;
};

UpdatePlatform &updatePlatform();
void setUpdatePlatform(UpdatePlatform *p); // not owned; nullptr restores the real one

// Whether folder is one of the system folders a package manager owns (where the
// package installs the program): there the package manager does the updates.
bool packageManaged(const QString &folder);

// The companion program beside this one.
QString companionPath();

} // namespace fd
