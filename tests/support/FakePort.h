#pragma once
// The engine's port without a window: settings are plain fields a test sets,
// reports are recorded.
#include "ScriptedShell.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "dispatch/Port.h"

#include <QStringList>
#include <QTemporaryDir>

namespace fd::test {

class FakePort : public Port {
public:
    CatalogueState cat;
    CatalogueModel model;
    FileList files;
    DrawPool pool;

    // The reads mirror the window just after startup (equal shares, files in order
    // by their numbers, numbered names keeping the last input folder), so an engine
    // test sets only what its case changes, as a window test does.
    ModeSwitches switches;
    Clash clashRule = Clash::Overwrite;
    bool move = false;
    bool inOrder = true;
    bool byNumber = true;
    int orderColumn = 0;
    bool up = true;
    bool bar = false;
    bool subfolders = false;
    QString in, out;
    QString filter = QStringLiteral("*.*");
    QString count = QStringLiteral("0");
    ShareSettings shareSettings{false, 50, 5};
    long long common = 2;
    bool noCase = false;
    NameRule rule{.pattern = QStringLiteral("(.+)(\\-)")};
    QString samePattern = QStringLiteral("\\d{11}");
    bool lastFolderOnly = true;
    QVector<OutputFolder> folders;
    bool stop = false;
    int low = 1, high = 3;

    QStringList titles; // every title set, in order
    QString current;
    QString saved;
    int percent = 0;
    long long position = 0;
    int ticks = -2; // the interval last started; -2 when stopped
    int locks = 0, unlocks = 0;
    Port::RunEnding lastEnding;

    CatalogueState &catalogue() override { return cat; }
    CatalogueModel &rows() override { return model; }
    FileList &fileList() override { return files; }
    DrawPool &drawPool() override { return pool; }

    ModeSwitches modeSwitches() const override { return switches; }
    Clash clash() const override { return clashRule; }
    bool moving() const override { return move; }
    bool sequential() const override { return inOrder; }
    bool numeric() const override { return byNumber; }
    int listOrderColumn() const override { return orderColumn; }
    bool ascending() const override { return up; }
    bool progressAsBar() const override { return bar; }
    bool walkSubfolders() const override { return subfolders; }
    QString inputFolder() const override { return in; }
    QString outputFolder() const override { return out; }
    QString typeFilter() const override { return filter; }
    QString fileCountText() const override { return count; }
    ShareSettings shares() const override { return shareSettings; }
    long long commonCharacters() const override { return common; }
    bool ignoreCase() const override { return noCase; }
    NameRule nameRule() const override { return rule; }
    QString sameContentPattern() const override { return samePattern; }
    bool onlyLastFolderInNames() const override { return lastFolderOnly; }
    QVector<OutputFolder> outputFolders() const override { return folders; }
    bool hasOutputFolder(const QString &path) const override
    {
        for (const OutputFolder &f : folders)
            if (f.path == path)
                return true;
        return false;
    }
    bool stopRequested() const override { return stop; }
    int timedLowSeconds() const override { return low; }
    int timedHighSeconds() const override { return high; }

    QString title() const override { return current; }
    void setTitle(const QString &t) override
    {
        current = t;
        titles.append(t);
    }
    QString savedTitle() const override { return saved; }
    void saveTitle() override { saved = current; }
    void setProgressPercent(int p) override { percent = p; }
    void setFileCountText(const QString &c) override { count = c; }
    void appendOutputFolder(const QString &path, const QString &name) override { folders.append({path, name}); }
    void showOutputRow(int) override {}
    void showListOrder() override {}

    void lockForRun() override { ++locks; }
    void beforeReport() override {}
    void unlockAfterRun(const RunEnding &e) override
    {
        ++unlocks;
        lastEnding = e;
    }
    void finalSettings(const RunEnding &) override {}
    void lockSweepSwitches() override {}
    void focusOutputButton() override {}
    void focusSameContentPattern() override {}
    void settleSameContentPattern() override {}

    void startTicks(int ms) override { ticks = ms; }
    void stopTicks() override { ticks = -2; }
    bool ticking() const override { return ticks != -2; }
    long long tickPosition() const override { return position; }
    void setTickPosition(long long p) override { position = p; }
};

// The engine alone: scripted dialogs, a private program folder, the fixed random
// sequence and a fake port.
class EngineFixture {
public:
    EngineFixture();
    ~EngineFixture();
    ScriptedShell shell;
    QTemporaryDir programDir; // stands for the program's folder
    FakePort port;
};

} // namespace fd::test
