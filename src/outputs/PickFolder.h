#pragma once
#include <QChar>
#include <QString>

#include <functional>

namespace fd {

// How picked paths are written on a platform: its separator, and whether a
// leading double separator (a network path) must survive the clean-up.
struct PathStyle {
    QChar sep;
    bool networkPrefix = false;
    static PathStyle native();
};

// Initial selection handed to the chooser: a separator appended and doubled
// separators collapsed (one pass, left to right). Empty stays empty.
QString normaliseInitialFolder(const QString &folder, const PathStyle &style = PathStyle::native());

// A chosen path cleaned up: doubled separators collapsed, a network prefix kept,
// no trailing separator. A drive root comes back as "D:" on Windows; the root
// "/" stays "/" where paths have no drive.
QString normalisePickedFolder(const QString &path, const PathStyle &style = PathStyle::native());

// What the picker returns for a raw chooser answer: the empty text for a cancel,
// the work folder when the cleaned path is not an existing folder, else the path.
QString resolvePickedFolder(const QString &chosen, const QString &workFolder,
                            const std::function<bool(const QString &)> &folderExists,
                            const PathStyle &style = PathStyle::native());

// Asks for a folder; the normalised path, the empty text on cancel, or the work
// folder when the chosen path is not an existing folder.
QString PickFolder(const QString &title, const QString &initialFolder, bool newStyle,
                   const QString &workFolder);

} // namespace fd
