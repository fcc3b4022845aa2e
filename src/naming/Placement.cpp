#include "naming/Placement.h"

#include "catalogue/FileList.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Port.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"

namespace fd {

namespace {

bool occupied(const QString &path) { return fs::occupied(path); }

} // namespace

DerivedName DeriveFolderName(const Port &port, const QString &reference)
{
    const DerivedName d = folderNameFor(reference, port.nameRule());
    if (d.kind == DerivedName::Kind::InvalidPattern)
        shell().message(QStringLiteral("正则表达式语法错误！请检查修正！"), QStringLiteral("消息"), Icon::Critical,
                        Buttons::Ok);
    return d;
}

Placement PlaceInNamedFolder(Port &port, const QString &reference, QString *failedAt, bool moving)
{
    const QString source =
        reference.contains(paths::sep()) ? reference : paths::join(port.fileList().path(), reference);
    const DerivedName d = DeriveFolderName(port, reference);
    if (d.kind == DerivedName::Kind::InvalidArgument)
        return Placement::InvalidArgument;
    if (d.kind != DerivedName::Kind::Name)
        return Placement::NoName;

    const QString outFolder = port.outputFolder();
    if (outFolder.isEmpty())
        return Placement::Attempted; // the run refuses this before it starts
    QString name = trimSpaces(d.text);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.clear(); // never a way out of the output folder
    const QString target = name.isEmpty() ? outFolder : paths::join(outFolder, name);
    // Each folder is looked for once a run, not once a file.
    if (!seenThisRun(target) && !occupied(target))
        fs::makePath(target);

    const QString fileName = paths::lastComponent(source);
    QString destination = paths::join(target, fileName);
    // A taken name is replaced, or with renaming the next free number is taken; a
    // file that is its own destination stays as it is (the transfer sees to it).
    Clash clash = Clash::Overwrite;
    if (port.clash() == Clash::Rename) {
        clash = Clash::Skip; // a name taken meanwhile stays as it is
        if (occupied(destination)) {
            if (fs::sameFile(source, destination))
                return Placement::Attempted; // already where it belongs
            for (long long n = 1; occupied(destination); ++n)
                destination = paths::join(target, numberedName(fileName, n));
        }
    }
    const bool delivered =
        !(moving ? Move(source, destination, clash) : Transfer(source, destination, clash)).failed;
    if (!delivered && failedAt)
        *failedAt = destination;
    return Placement::Attempted;
}

} // namespace fd
