#pragma once
#include <QString>
#include <functional>

namespace fd {

class FDispatch;

// Reads the matching files of one folder into the window's catalogue.
void ScanFolder(FDispatch &w, const QString &folder);

// The pause the scan makes after every 1000 files (PauseSeconds by default).
// Tests and benchmarks replace it to count or time the pauses; an empty function
// restores the default.
void setScanPause(std::function<void(float)> pause);

} // namespace fd
