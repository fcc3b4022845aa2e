#include "app/Events.h"

#include "platform/Clock.h"

#include <QCoreApplication>
#include <QThread>

namespace fd {

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
std::function<void(float)> g_pauseHook;
bool g_inPauseHook = false;
} // namespace

void setPauseHook(std::function<void(float)> hook) { g_pauseHook = std::move(hook); }

void PauseSeconds(float seconds)
{
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
