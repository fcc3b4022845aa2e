#include "dispatch/Pace.h"

#include "app/Events.h"

#include <QElapsedTimer>

namespace fd::pace {

namespace {
QElapsedTimer &last()
{
    static QElapsedTimer t = [] {
        QElapsedTimer s;
        s.start();
        return s;
    }();
    return t;
}
} // namespace

bool due() { return last().hasExpired(kBudgetMs); }

void now()
{
    DoEvents();
    last().start();
}

bool ifDue()
{
    if (!due())
        return false;
    now();
    return true;
}

} // namespace fd::pace
