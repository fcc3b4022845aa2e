#pragma once
// Base of engine test classes that run over real folders without a window: a
// fresh temporary folder with "in" and "out", a fake port and scripted dialogs
// for every test.
#include "FakePort.h"
#include "Inventory.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

namespace fd::test {

class EngineFolders : public QObject {
protected:
    std::unique_ptr<EngineFixture> fx;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTemporaryDir> journalDir; // the run journal's folder, apart from the files
    QString in, out;

    FakePort &port() { return fx->port; }
    // Call from init() and cleanup(); the hooks a test set go with its folders.
    void openFolders();
    void closeFolders();
    // As the window's input-folder rule: the listing follows the folder, the count the listing.
    void useFolders();
    // Numbered folder n of this input and output folder.
    QString numbered(int n);
    // Every dialog but the completion report must be scripted by the test.
    void run();
    QString lastMessage() const;
    void expectNothingLost(const Inventory &before, const QStringList &outputs = {});
};

} // namespace fd::test
