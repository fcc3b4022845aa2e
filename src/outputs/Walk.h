#pragma once
#include <QString>

namespace fd {

class FDispatch;

// Visits one folder and, as the window's switches say, its subfolders.
void WalkFolder(FDispatch &w, const QString &path);

} // namespace fd
