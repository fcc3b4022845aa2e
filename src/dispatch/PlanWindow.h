#pragma once
// The plan's window: the run's steps as a table over the plan (a model, not a
// widget per row), a summary, and the choice to run it, export it or close it.
#include "dispatch/Plan.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

namespace fd {

class PlanModel : public QAbstractTableModel {
public:
    explicit PlanModel(const Plan &plan, QObject *parent = nullptr) : QAbstractTableModel(parent), plan_(plan) {}
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Plan &plan_;
};

class FPlan : public QDialog {
public:
    // go runs the plan; back puts the window as it was. One of them is called, once.
    FPlan(std::unique_ptr<Plan> plan, std::function<void(std::unique_ptr<Plan>)> go, std::function<void()> back,
          QWidget *parent);

    QTableView *PlanTable = nullptr;
    QLabel *LPlanSum = nullptr;
    QPushButton *CmdPlanGo = nullptr;
    QPushButton *CmdPlanCsv = nullptr;
    QPushButton *CmdPlanClose = nullptr;

private:
    void exportCsv();
    std::unique_ptr<Plan> plan_;
    std::function<void(std::unique_ptr<Plan>)> go_;
    std::function<void()> back_;
};

} // namespace fd
