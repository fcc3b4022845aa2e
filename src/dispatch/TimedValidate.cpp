// Validation of TDivs in timed random dispatch, where the field holds a range of
// seconds such as 1-3.
#include "app/FDispatch.h"
#include "dispatch/Timed.h"
#include "platform/Clock.h"

#include <QLineEdit>
#include <QTimer>

namespace fd {

void FDispatch::TDivs_ValidateTimed(bool &cancel)
{
    cancel = false;
    const auto range = timed::parseRange(TDivs->text());
    if (!range) {
        cancel = true;
        TDivs->setText(QStringLiteral("1-3")); // its change rule validates the new text
        return;
    }
    timedLow = range->low;
    timedHigh = range->high;
    Timer1->setInterval(timed::drawSeconds(*range, rnd()) * timerMsPerSecond());
    const QString shown = QString::number(range->low) + QLatin1Char('-') + QString::number(range->high);
    if (TDivs->text() != shown) // an unchanged text keeps the caret where the user is typing
        TDivs->setText(shown);
}

} // namespace fd
