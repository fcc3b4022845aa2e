#pragma once
// Delivery of one file into the folder named from its own name.
#include "naming/FolderName.h"

#include <QString>

namespace fd {

class Port;

// The folder name for a file reference under the frame's settings as they are
// now; an invalid pattern is reported to the user here.
DerivedName DeriveFolderName(const Port &port, const QString &reference);

enum class Placement {
    Attempted,       // a name was derived and the transfer tried (failedAt tells a failure)
    NoName,          // invalid pattern or no match: nothing created or transferred
    InvalidArgument, // no "." in the reference, or a reversed range before the start
};

// Derives the folder name, makes the folder below the current output folder and
// moves or copies the file into it, with a numbered name on a clash when the
// clash rule renames.
// When the file could not be delivered, failedAt receives the destination tried.
// moving is the run's decision to delete the source once it is placed.
Placement PlaceInNamedFolder(Port &port, const QString &reference, QString *failedAt, bool moving);

} // namespace fd
