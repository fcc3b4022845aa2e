#include "app/Events.h"

#include "dispatch/FileLayer.h"
#include "dispatch/Pace.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace fd {

void DoEvents()
{
    // A plan does a file in microseconds: it lets the window in on the pacing budget.
    if (fs::planning()) {
        static QElapsedTimer last;
        if (last.isValid() && !last.hasExpired(pace::kBudgetMs))
            return;
        last.start();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
std::function<void(float)> g_pauseHook;
bool g_inPauseHook = false;
} // namespace

void setPauseHook(std::function<void(float)> hook) { g_pauseHook = std::move(hook); }

void PauseSeconds(float seconds)
{
    if (fs::planning()) // planned, not waited
        return;
    if (g_pauseHook && !g_inPauseHook) {
        g_inPauseHook = true;
        g_pauseHook(seconds);
        g_inPauseHook = false;
        return;
    }
    const double t0 = clock().secondsSinceMidnight();
    for (;;) {
        const double t = clock().secondsSinceMidnight();
        if (t - t0 > double(seconds))
            return;
        if (t < t0) // the clock passed midnight
            return;
        DoEvents();
        // Wait briefly instead of spinning; events are still handled on every turn.
        QThread::msleep(2);
    }
}

} // namespace fd
