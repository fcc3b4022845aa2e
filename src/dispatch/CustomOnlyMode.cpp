// Custom-only dispatch: every matching file of the input folder goes into the
// existing subfolder of the output folder named after it, in the order the scan
// would meet the files.
#include "app/Events.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/CustomDispatch.h"
#include "catalogue/FileList.h"
#include "catalogue/Scan.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Plan.h"
#include "dispatch/Port.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/Shell.h"

namespace fd {

namespace {

class CustomOnlyMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        Port &port = run.port;
        // A catalogue rebuild would walk the input folder as if it were the output
        // folder and place nothing, yet report success: place the files before it.
        const bool rebuildComing = run.fileCount() > port.fileList().listCount();
        if (stage != (rebuildComing ? Stage::BeforeCatalogue : Stage::InsteadOfScan))
            return std::nullopt;
        port.catalogue().count = 0;
        port.rows().clear();
        const QString out = withRoot(run.outFolder());
        QStringList entries;
        if (!port.stopRequested() && raw::canList(out))
            entries = customSubfolderEntries(out);
        if (!entries.isEmpty())
            deliver(run, entries);
        port.setTitle(run.tag());
        return RunEnd::Unlock;
    }

private:
    // A bare drive such as D: means its root.
    static QString withRoot(QString path)
    {
        if (path.size() == 2 && path.at(1) == QLatin1Char(':'))
            path += paths::sep();
        return path;
    }

    static void deliver(DispatchRun &run, const QStringList &entries)
    {
        Port &port = run.port;
        const QString in = withRoot(run.inFolder());
        if (port.stopRequested() || !raw::canList(in))
            return;
        if (!in.isEmpty() && raw::isFolder(paths::withTrailingSep(in))) {
            const QString folder = paths::withTrailingSep(in);
            long long placed = 0;
            for (const QString &name : scanListing(folder)) {
                if (port.stopRequested()) // the window is closing
                    break;
                const QString path = folder + name;
                if (takenType(path, port.typeFilter()).isEmpty())
                    continue;
                const QString failedAt = CustomDispatchFile(port, entries, path, placed, run.moving());
                if (!failedAt.isEmpty()) { // counted and logged, never passed over
                    if (!run.log.isOpen())
                        run.log.open();
                    run.recordFailure(path, failedAt);
                }
                DoEvents();
            }
        }
        // Moves are on the disk before the report; a source that changed meanwhile stayed.
        flushTransfers();
        run.log.close();
        if (fs::planning())
            return;
        if (run.failureCount > 0)
            CompletionReport(port, run.failureCount);
        else
            shell().message(QStringLiteral("分发完毕！") + planNote(), QStringLiteral("消息"), Icon::Information, Buttons::Ok);
    }
};

} // namespace

std::unique_ptr<DispatchMode> customOnlyRule() { return std::make_unique<CustomOnlyMode>(); }

} // namespace fd
