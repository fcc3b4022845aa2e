#pragma once
// Wild-card matching of file names as the file system's own listing does it:
// "*" any run of characters, "?" one character, letters without regard to case.
#include <QString>

#include <functional>

namespace fd {

// One wild-card pattern against a bare file name. "*.*" takes every name (also
// names without a dot), "name.*" also takes "name", and a pattern ending in "."
// takes names without a dot. Every other character, ";" included, is literal.
bool wildcardMatch(const QString &pattern, const QString &name);

// A listing pattern: alternatives separated by ";"; a name matches when any does.
bool listingMatch(const QString &listingPattern, const QString &name);

// Calls visit(name) for each plain file directly in folder (hidden ones only when
// asked; no folders, devices or dangling links), in directory order. Stops early
// when visit returns false. False when the folder cannot be opened.
bool forEachFileName(const QString &folder, bool includeHidden,
                     const std::function<bool(const QString &)> &visit);

// True when folder names a folder whose entries can be listed.
bool folderOpens(const QString &folder);

} // namespace fd
