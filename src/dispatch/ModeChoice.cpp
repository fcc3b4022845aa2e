// Which distribution rule the switches select, and what every rule shares.
#include "dispatch/DispatchMode.h"

#include "dispatch/DispatchRun.h"
#include "dispatch/Port.h"

namespace fd {

ModeChoice selectMode(const Port &port)
{
    const ModeSwitches s = port.modeSwitches();
    ModeChoice c;
    c.customFolders = s.customFolders;
    c.folderFromName = s.folderFromName;
    c.sameContent = c.customFolders && s.sameContent;
    c.draw = s.draw;
    c.manual = s.manual;
    c.sweep = s.sweep;
    c.timed = s.timed;
    c.customOnly = s.customOnly;

    // The rule for one file, in its order of precedence.
    if (!c.customFolders)
        c.file = ModeKind::Numbered;
    else if (s.include)
        c.file = ModeKind::GridInclude;
    else if (s.common)
        c.file = ModeKind::GridCommon;
    else if (c.folderFromName)
        c.file = ModeKind::NewFolder;
    else if (c.sameContent)
        c.file = ModeKind::SameContent;
    else
        c.file = ModeKind::GridAll;

    // Rules that take over the run, in the order the run meets them.
    if (c.sweep)
        c.run = ModeKind::Sweep;
    else if (c.timed)
        c.run = ModeKind::Timed;
    else if (c.draw)
        c.run = c.manual ? ModeKind::Manual : ModeKind::RandomDraw;
    else if (c.customOnly)
        c.run = ModeKind::CustomOnly;
    else
        c.run = c.file;
    return c;
}


QString DispatchMode::firstPassPhrase(const DispatchRun &run) const
{
    const bool sequential = run.port.sequential();
    if (run.directPicking)
        return sequential ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机分发中：");
    return sequential ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机抽提中：");
}

QString DispatchMode::secondPassPhrase(const DispatchRun &run) const
{
    return run.port.sequential() ? QStringLiteral("  正在顺序分发...") : QStringLiteral("  正在随机分发...");
}

std::unique_ptr<DispatchMode> makeMode(ModeKind kind)
{
    switch (kind) {
    case ModeKind::Numbered: return numberedRule();
    case ModeKind::GridAll:
    case ModeKind::GridInclude:
    case ModeKind::GridCommon: return gridRule(kind);
    case ModeKind::NewFolder: return newFolderRule();
    case ModeKind::SameContent: return sameContentRule();
    case ModeKind::CustomOnly: return customOnlyRule();
    case ModeKind::RandomDraw: return randomDrawRule(false);
    case ModeKind::Manual: return randomDrawRule(true);
    case ModeKind::Timed: return timedRule();
    case ModeKind::Sweep: return sweepRule();
    case ModeKind::Count: break;
    }
    return numberedRule();
}

DispatchMode &DispatchRun::mode(ModeKind kind)
{
    std::unique_ptr<DispatchMode> &m = modes_[size_t(kind)];
    if (!m)
        m = makeMode(kind);
    return *m;
}

} // namespace fd
