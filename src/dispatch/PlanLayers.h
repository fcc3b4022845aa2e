#pragma once
// The two file layers behind a plan: one records the run instead of doing it and
// keeps the planned state; the other does the run and records what it did.
#include "dispatch/Plan.h"

#include <memory>

namespace fd {

// Records into list; nothing on the disk changes.
std::unique_ptr<FileLayer> planningLayer(ActionList &list);

class ObserveLayer : public FileLayer {
public:
    explicit ObserveLayer(const Plan &plan) : plan_(plan) {}

    bool planning() const override { return false; }
    TransferResult transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull,
                            bool move) override;
    void releaseSource(const QString &source) override;
    bool makePath(const QString &folder) override;
    bool removeFolder(const QString &folder) override;
    TreeRemoval removeTree(const QString &folder, const QString &inputFolder) override;
    bool occupied(const QString &path) override;
    bool folderExists(const QString &path) override;
    bool isEmptyFolder(const QString &folder) override;
    bool sameFile(const QString &a, const QString &b) override;

    // Actions done otherwise than planned, or planned and not done.
    int differences() const;

    ActionList list;
    bool noted = false; // the report has told the differences

private:
    const Plan &plan_;
};

} // namespace fd
