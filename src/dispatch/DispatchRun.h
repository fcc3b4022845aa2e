#pragma once
#include <functional>

namespace fd {

// The one-second notice wait of the dispatch run (PauseSeconds by default).
// Benchmarks replace it to time the pause; an empty function restores the default.
void setDispatchPause(std::function<void(float)> pause);

} // namespace fd
