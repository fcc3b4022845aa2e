#pragma once
// Dispatch modes whose rules live elsewhere. Each is set by its own subsystem when
// it is wired; while one is empty the run refuses that mode and dispatches nothing.
#include <QString>
#include <functional>

namespace fd {

class FDispatch;

struct ModeHooks {
    // Traditional-character sweep: input, output, extension (".jpg"), length limit, characters.
    std::function<void(FDispatch &, const QString &, const QString &, const QString &, int,
                       const QString &)> sweep;
    // Timed random dispatch: present when Timer1's tick does the work.
    std::function<void(FDispatch &)> timedStart;
    // Custom-only dispatch during the scan: present when the scan's per-file rule exists.
    std::function<void(FDispatch &)> customOnlyReady;
    // New folder from the file name: false stops the run at this file.
    std::function<bool(FDispatch &, const QString &source)> placeInNamedFolder;
    // Same-content dispatch over the input folder, once per run.
    std::function<void(FDispatch &, const QString &inputFolder)> sameContent;
    // Random draw (or manual mode when ChMamal is checked), pool preparation included.
    std::function<void(FDispatch &)> randomDraw;
    // The click rule of ChRndDraw, run again at the end of a run.
    std::function<void(FDispatch &)> randomDrawClick;
};

ModeHooks &modeHooks();

} // namespace fd
