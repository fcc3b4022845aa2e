#pragma once
// Base of test classes that run the window over real folders: a fresh temporary
// folder with "in" and "out" and a fresh window for every test.
#include "Fixture.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace fd::test {

class RunFolders : public QObject {
protected:
    std::unique_ptr<WindowFixture> fx;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTemporaryDir> journalDir; // the run journal's folder, apart from the files
    QString in, out;
    QStringList titles; // every window title since openFolders()

    FDispatch &w() { return fx->w(); }
    // Call from init(): makes the folders (out only with makeOut) and the window.
    void openFolders(bool makeOut = true);
    // Call from cleanup(): the window goes before its folders.
    void closeFolders();
    // Every file of in, dispatched to out.
    void useFolders();
};

} // namespace fd::test
