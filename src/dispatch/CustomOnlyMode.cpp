// Custom-only dispatch: the scan places every file itself into the existing
// subfolder of the output folder named after it.
#include "app/FDispatch.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "dispatch/DispatchRun.h"
#include "outputs/Walk.h"

#include <QCheckBox>

namespace fd {

namespace {

class CustomOnlyMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        FDispatch &w = run.w;
        // A catalogue rebuild would walk the input folder as if it were the output
        // folder and place nothing, yet report success: place the files before it.
        const bool rebuildComing = run.fileCount() > w.File1->listCount();
        if (stage != (rebuildComing ? Stage::BeforeCatalogue : Stage::InsteadOfScan))
            return std::nullopt;
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
