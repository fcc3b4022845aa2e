// The sort controls of the catalogue: key, direction and their click rules.
#include "app/FDispatch.h"
#include "catalogue/Sorting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTimer>

namespace fd {

void FDispatch::wireSorting()
{
    // A pick of another entry runs the rule through the index change; picking the
    // selected entry again runs it too, as the user still chose it.
    connect(CombOrder, &QComboBox::currentIndexChanged, this, [this] {
        combOrderChanged_ = true;
        QTimer::singleShot(0, this, [this] { combOrderChanged_ = false; });
        CombOrder_Click();
    });
    connect(CombOrder, &QComboBox::activated, this, [this] {
        if (!combOrderChanged_)
            CombOrder_Click();
        combOrderChanged_ = false;
    });
    connect(OptA, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptA_Click();
    });
    connect(OptD, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptD_Click();
    });
}

void FDispatch::CombOrder_Click()
{
    if (CombOrder->currentIndex() > 1) {
        ChN->setChecked(false);
        ChN->setEnabled(false);
    } else {
        ChN->setEnabled(true);
        ChN->setChecked(true);
    }
    applyListOrder();
}

void FDispatch::OptA_Click() { applyListOrder(); }
void FDispatch::OptD_Click() { applyListOrder(); }

void FDispatch::applyListOrder() { fd::applyListOrder(port(), {}); }
void FDispatch::sortListOnNumber() { fd::sortListOnNumber(port(), {}); }

} // namespace fd
