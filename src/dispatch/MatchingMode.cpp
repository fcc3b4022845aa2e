// The folders of the output list: every one, those whose names begin with the
// file's base name, or those sharing characters with it.
#include "dispatch/DispatchRun.h"
#include "dispatch/Port.h"
#include "platform/Paths.h"

namespace fd {

namespace {

class MatchingMode : public DispatchMode {
public:
    explicit MatchingMode(ModeKind kind) : kind_(kind) {}

    QString firstPassPhrase(const DispatchRun &) const override { return QStringLiteral("  读取原文件中："); }
    QString secondPassPhrase(const DispatchRun &) const override { return QStringLiteral("  正在复制..."); }

    bool dispatchOne(DispatchRun &run, const QString &source, long long) override
    {
        const QString namePart = namePartOf(source);
        const QString base = baseOfNamePart(namePart);
        const bool omit = run.port.ignoreCase();
        const int n = int(run.port.commonCharacters());
        // The source goes when the last copy that was tried reached its folder.
        bool lastCopied = false;
        for (const OutputFolder &f : run.port.outputFolders()) {
            if (kind_ == ModeKind::GridInclude && !includeSuits(base, f.name, omit))
                continue;
            if (kind_ == ModeKind::GridCommon && !commonSuits(base, f.name, n, omit))
                continue;
            QString dst = paths::join(f.path, namePart.mid(1));
            const TransferResult r = run.transfer(source, dst);
            if (r.failed) {
                run.recordFailure(source, dst);
                lastCopied = false;
            } else if (r.copied) {
                lastCopied = true;
            }
        }
        if (run.moving() && lastCopied)
            ReleaseSource(source);
        return true;
    }

private:
    ModeKind kind_;
};

} // namespace

std::unique_ptr<DispatchMode> gridRule(ModeKind kind) { return std::make_unique<MatchingMode>(kind); }

} // namespace fd
