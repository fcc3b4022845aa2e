#include "naming/Placement.h"

#include "app/FDispatch.h"
#include "catalogue/FileList.h"
#include "dispatch/Transfer.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <cerrno>

namespace fd {

namespace {

bool occupied(const QString &path) { return raw::occupied(path); }

// A rename where one is possible, so the file keeps its times; otherwise a copy
// through the transfer's temporary file, and the source goes only once it is whole.
// False when the file could not be delivered.
bool moveFile(const QString &source, QString &destination, bool replace)
{
    if (raw::rename(source, destination, replace))
        return true;
    if (!replace && raw::lastError() == EEXIST)
        return true; // taken meanwhile: the file there stays
    const TransferResult r = Transfer(source, destination, replace ? Clash::Overwrite : Clash::Skip);
    if (r.copied)
        raw::remove(source);
    return !r.failed;
}

} // namespace

DerivedName DeriveFolderName(const FDispatch &w, const QString &reference)
{
    const DerivedName d = folderNameFor(reference, nameRuleOf(w));
    if (d.kind == DerivedName::Kind::InvalidPattern)
        shell().message(QStringLiteral("正则表达式语法错误！请检查修正！"), QStringLiteral("消息"), Icon::Critical,
                        Buttons::Ok);
    return d;
}

Placement PlaceInNamedFolder(FDispatch &w, const QString &reference, QString *failedAt)
{
    const QString source =
        reference.contains(paths::sep()) ? reference : paths::join(w.File1->path(), reference);
    const DerivedName d = DeriveFolderName(w, reference);
    if (d.kind == DerivedName::Kind::InvalidArgument)
        return Placement::InvalidArgument;
    if (d.kind != DerivedName::Kind::Name)
        return Placement::NoName;

    const QString outFolder = w.LDirOut->caption();
    if (outFolder.isEmpty())
        return Placement::Attempted; // the run refuses this before it starts
    QString name = trimSpaces(d.text);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.clear(); // never a way out of the output folder
    const QString target = name.isEmpty() ? outFolder : paths::join(outFolder, name);
    if (!occupied(target))
        raw::makePath(target);

    const QString fileName = paths::lastComponent(source);
    QString destination = paths::join(target, fileName);
    bool replace = false;
    if (occupied(destination)) {
        if (raw::sameFile(source, destination))
            return Placement::Attempted; // already where it belongs
        if (w.ChRen->isChecked()) {
            for (long long n = 1; occupied(destination); ++n)
                destination = paths::join(target, numberedName(fileName, n));
        } else {
            replace = true;
        }
    }
    const bool delivered = w.ChBackUp->isChecked()
        ? moveFile(source, destination, replace)
        : !Transfer(source, destination, replace ? Clash::Overwrite : Clash::Skip).failed;
    if (!delivered && failedAt)
        *failedAt = destination;
    return Placement::Attempted;
}

} // namespace fd
