#pragma once
// The window's side of the engine's port: reads its controls, shows reports.
#include "dispatch/Port.h"

namespace fd {

class FDispatch;

class WindowPort final : public Port {
public:
    explicit WindowPort(FDispatch &w) : w(w) {}

    CatalogueState &catalogue() override;
    CatalogueModel &rows() override;
    FileList &fileList() override;
    DrawPool &drawPool() override;

    ModeSwitches modeSwitches() const override;
    Clash clash() const override;
    bool moving() const override;
    bool sequential() const override;
    bool numeric() const override;
    int listOrderColumn() const override;
    bool ascending() const override;
    bool progressAsBar() const override;
    bool walkSubfolders() const override;
    QString inputFolder() const override;
    QString outputFolder() const override;
    QString typeFilter() const override;
    QString fileCountText() const override;
    ShareSettings shares() const override;
    long long commonCharacters() const override;
    bool ignoreCase() const override;
    NameRule nameRule() const override;
    QString sameContentPattern() const override;
    bool onlyLastFolderInNames() const override;
    QVector<OutputFolder> outputFolders() const override;
    bool hasOutputFolder(const QString &path) const override;
    bool stopRequested() const override;
    int timedLowSeconds() const override;
    int timedHighSeconds() const override;

    QString title() const override;
    void setTitle(const QString &title) override;
    QString savedTitle() const override;
    void saveTitle() override;
    void setProgressPercent(int percent) override;
    void setFileCountText(const QString &count) override;
    void appendOutputFolder(const QString &path, const QString &name) override;
    void showOutputRow(int row) override;
    void showListOrder() override;

    void lockForRun() override;
    void beforeReport() override;
    void unlockAfterRun(const RunEnding &e) override;
    void finalSettings(const RunEnding &e) override;
    void lockSweepSwitches() override;
    void focusOutputButton() override;
    void focusSameContentPattern() override;
    void settleSameContentPattern() override;

    void startTicks(int ms) override;
    void stopTicks() override;
    bool ticking() const override;
    long long tickPosition() const override;
    void setTickPosition(long long p) override;

private:
    FDispatch &w;
};

} // namespace fd
