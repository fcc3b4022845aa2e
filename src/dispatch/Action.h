#pragma once
// One step of a run on the file system, as a plan shows it and the run's journal
// keeps it for undoing.
#include <QString>

namespace fd {

enum class ActionKind { Copy, Move, Rename, Overwrite, Skip, MakeFolder, Delete, Fail };

// The word the plan's table shows: 复制, 移动, 改名, 覆盖, 跳过, 新建文件夹, 删除, 失败.
inline QString actionName(ActionKind k)
{
    switch (k) {
    case ActionKind::Copy: return QStringLiteral("复制");
    case ActionKind::Move: return QStringLiteral("移动");
    case ActionKind::Rename: return QStringLiteral("改名");
    case ActionKind::Overwrite: return QStringLiteral("覆盖");
    case ActionKind::Skip: return QStringLiteral("跳过");
    case ActionKind::MakeFolder: return QStringLiteral("新建文件夹");
    case ActionKind::Delete: return QStringLiteral("删除");
    case ActionKind::Fail: return QStringLiteral("失败");
    }
    return {};
}

struct Action {
    ActionKind kind = ActionKind::Skip;
    QString source; // empty for a folder made or cleared
    QString target; // the destination file, or the folder
    bool sourceGoes = false; // Rename / Overwrite: the source left its place (a move)
};

} // namespace fd
