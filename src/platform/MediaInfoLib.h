#pragma once
// The MediaInfo library, loaded at run time through its wide-character C interface.
// A missing library is not an error: its answers are simply not available. Every
// call may come from any thread; the library serialises its own work.
#include <QString>
#include <optional>

namespace fd {

// Loads the library once (later calls only answer) and reports whether it is usable.
bool mediaInfoAvailable();

struct MediaInfoSize {
    QString width;  // the library's texts, empty when the file has no such value
    QString height;
};

// Width and height of the first video stream, else of the first image stream. The
// file is read through one descriptor and handed to the library piece by piece;
// nothing when the library is missing. Each call makes and deletes its own handle.
std::optional<MediaInfoSize> mediaInfoSize(const QString &path);

// The library's text report for one file, the library opening the file by its name:
// the reading the size fields are checked against.
std::optional<QString> mediaInfoReport(const QString &path);

// Replaces the library file name to load (empty: the platform's usual name) and
// forgets a library loaded before. For tests of a missing library; no read may run.
void setMediaInfoLibraryName(const QString &name);

} // namespace fd
