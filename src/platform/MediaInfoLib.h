#pragma once
// The MediaInfo library, loaded at run time through its wide-character C interface.
// A missing library is not an error: the report is simply not available.
#include <QString>
#include <optional>

namespace fd {

// The text report of the library for one file, or nothing when the library
// cannot be loaded. Each call makes and deletes its own handle.
std::optional<QString> mediaInfoReport(const QString &path);

// Whether the library could be loaded.
bool mediaInfoAvailable();

// Replaces the library file name to load (empty: the platform's usual name) and
// forgets a library loaded before. For tests of a missing library.
void setMediaInfoLibraryName(const QString &name);

} // namespace fd
