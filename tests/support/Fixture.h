#pragma once
// A ready main window for tests: scripted shell, a private program folder,
// a fixed clock when asked, the single-copy check always passing.
#include "ScriptedShell.h"
#include "app/FDispatch.h"
#include "platform/Clock.h"
#include "platform/InstanceGuard.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace fd::test {

// A clock that tests move by hand; optionally advances on every reading.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2024, 5, 1), QTime(9, 5, 7)))
        : t(start) { setClock(this); }
    ~ManualClock() override { setClock(nullptr); }
    QDateTime now() const override
    {
        QDateTime r = t;
        t = t.addMSecs(stepMs);
        return r;
    }
    mutable QDateTime t;
    qint64 stepMs = 0;
};

class AlwaysFirstCopy : public InstanceGuard {
public:
    bool acquire() override { return true; }
};

class WindowFixture {
public:
    // Builds the window, runs the startup sequence and (by default) shows it.
    explicit WindowFixture(bool show = true);
    ~WindowFixture();

    FDispatch &w() { return *window; }
    ScriptedShell shell;
    QTemporaryDir programDir; // stands for the program's folder
    std::unique_ptr<FDispatch> window;

    // Finds a control by name; fails the test when it is missing.
    template <typename T = QWidget>
    T *find(const QString &name) const { return window->findChild<T *>(name); }

private:
    AlwaysFirstCopy guard_;
};

// Writes a file with the given bytes, creating folders on the way.
bool writeFile(const QString &path, const QByteArray &bytes);
// The bytes of a file; empty when it cannot be read.
QByteArray readFile(const QString &path);

// Writes f1.jpg … fn.jpg into folder; each holds its own name, so no two are alike.
bool makeFiles(const QString &folder, int n);
// Writes the named files into folder, each holding its own name.
bool makeFiles(const QString &folder, const QStringList &names);
// The names in folder, hidden ones too, sorted.
QStringList namesIn(const QString &folder, QDir::Filters kinds = QDir::Files);

// Creates root/rel (native separators) and returns its path.
QString makeDir(const QTemporaryDir &root, const QString &rel);
// Column 0 of the output folder list, rows 1 on.
QStringList gridPaths(FDispatch &w);
// Puts n files into the input folder and shows their count, so that a recount of
// the input folder finds the same number.
void setInputCount(WindowFixture &fx, int n);

} // namespace fd::test
