// Custom-only dispatch: the scan places every file itself into the existing
// subfolder of the output folder named after it.
#include "app/FDispatch.h"
#include "catalogue/CatalogueModel.h"
#include "dispatch/DispatchRun.h"
#include "outputs/Walk.h"

#include <QCheckBox>

namespace fd {

namespace {

class CustomOnlyMode : public DispatchMode {
public:
    // The scan's per-file placement is not in this build yet.
    bool available() const override { return false; }
    QString caption(const FDispatch &w) const override { return w.ChCustom->text(); }

    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::InsteadOfScan)
            return std::nullopt;
        FDispatch &w = run.w;
        w.cat.count = 0;
        w.catalogue->clear();
        w.cat.treeWalk = true;
        w.cat.customSubfolders.clear();
        WalkFolder(w, run.outFolder());
        if (!w.cat.customSubfolders.isEmpty()) {
            w.cat.customSubfolders.prepend(QLatin1Char('*'));
            WalkFolder(w, run.inFolder());
        }
        w.cat.treeWalk = false;
        w.setWindowTitle(run.tag());
        return RunEnd::Unlock;
    }
};

} // namespace

std::unique_ptr<DispatchMode> customOnlyRule() { return std::make_unique<CustomOnlyMode>(); }

} // namespace fd
