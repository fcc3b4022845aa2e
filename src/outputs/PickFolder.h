#pragma once
#include <QString>

namespace fd {

// Asks for a folder; the normalised path, the empty text on cancel, or the work
// folder when the chosen path is not an existing folder.
QString PickFolder(const QString &title, const QString &initialFolder, bool newStyle,
                   const QString &workFolder);

} // namespace fd
