// Rules this build does not have yet. Each is refused with its caption and
// touches no file; its own file replaces it here when it is built.
#include "app/FDispatch.h"
#include "dispatch/DispatchMode.h"

#include <QCheckBox>

namespace fd {

namespace {

class Pending : public DispatchMode {
public:
    explicit Pending(QCheckBox *FDispatch::*control) : control_(control) {}
    bool available() const override { return false; }
    QString caption(const FDispatch &w) const override { return (w.*control_)->text(); }

private:
    QCheckBox *FDispatch::*control_;
};

} // namespace

std::unique_ptr<DispatchMode> newFolderRule() { return std::make_unique<Pending>(&FDispatch::ChFoldTrunck); }
std::unique_ptr<DispatchMode> sameContentRule() { return std::make_unique<Pending>(&FDispatch::ChSame); }
std::unique_ptr<DispatchMode> sweepRule() { return std::make_unique<Pending>(&FDispatch::ChFJ); }

} // namespace fd
