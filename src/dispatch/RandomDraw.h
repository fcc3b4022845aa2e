#pragma once
// What random draw and manual mode share: the pool, one drawn file, and the folder
// emptied before it is filled.
#include "dispatch/DispatchMode.h"

#include <QString>
#include <QStringList>

namespace fd {

class DispatchRun;
class Port;

namespace draw {

// The pool index a uniform number in [0, 1) stands for; every index equally likely.
qsizetype drawIndex(double uniform01, qsizetype poolSize);
// The folder of all sets below an output folder.
QString setRoot(const QString &outputFolder);
// Set k: the set root, k with at least five digits, a separator.
QString setFolder(const QString &root, long long k);
// Files per set or cycle (TParts), at least one.
long long setSize(const Port &port);

// Reads the pool anew from the input folder when it holds fewer than two paths or
// the user asks for it.
void preparePool(DispatchRun &run);
// Copies one file drawn from pool into folder, under another name when ten draws
// all found their name taken. False when the user gave up at a full disk.
bool drawOne(const QStringList &pool, const QString &folder);
// Makes the folder; false, after telling the user, when it cannot be made.
bool makeFolder(const QString &folder);
// Deletes folder with everything in it and makes it anew; false, after telling the
// user why, when it is a folder that must never be deleted, or when something in it
// could not be deleted, or it could not be made again.
bool recreateFolder(const Port &port, const QString &folder);

} // namespace draw

std::unique_ptr<DispatchMode> manualRule();

} // namespace fd
