#include "Inventory.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QSet>

namespace fd::test {

QByteArray Inventory::hashOf(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        return {};
    // Size is part of the key, so a truncated copy never passes for the original.
    return h.result() + QByteArray::number(f.size());
}

QStringList Inventory::filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

Inventory Inventory::take(const QStringList &folders)
{
    Inventory inv;
    for (const QString &d : folders)
        for (const QString &f : filesBelow(d))
            inv.hashes_.insert(f, hashOf(f));
    return inv;
}

QStringList Inventory::lostAfter(const QStringList &outputFolders) const
{
    QSet<QByteArray> found;
    for (const QString &d : outputFolders)
        for (const QString &f : filesBelow(d))
            found.insert(hashOf(f));
    QStringList lost;
    for (auto it = hashes_.begin(); it != hashes_.end(); ++it) {
        if (QFile::exists(it.key()) && hashOf(it.key()) == it.value())
            continue;
        if (!found.contains(it.value()))
            lost << it.key();
    }
    lost.sort();
    return lost;
}

} // namespace fd::test
