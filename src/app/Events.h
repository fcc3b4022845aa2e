#pragma once
// The message-processing pause: long operations let the window process its
// pending messages through these, so it repaints and timers fire.
#include <functional>

namespace fd {

// Lets the window process its pending messages.
void DoEvents();
// Waits the given seconds while the window processes its messages; stops at midnight.
void PauseSeconds(float seconds);
// Tests and benchmarks see (and may replace) every pause; a hook that wants the
// real wait calls PauseSeconds itself. An empty hook restores the plain wait.
void setPauseHook(std::function<void(float)> hook);

} // namespace fd
