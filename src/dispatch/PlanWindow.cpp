#include "dispatch/PlanWindow.h"

#include "app/FDispatch.h"
#include "dispatch/DispatchRun.h"
#include "platform/Clock.h"
#include "platform/NativeName.h"
#include "platform/Shell.h"
#include "update/UpdateNotice.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace fd {

int PlanModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(plan_.list.rows.size());
}

int PlanModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 4; }

QVariant PlanModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= plan_.list.rows.size())
        return {};
    const Action &a = plan_.list.rows[index.row()].action;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0: return index.row() + 1;
        case 1: return actionName(a.kind);
        case 2: return displayName(a.source);
        case 3: return displayName(a.target);
        }
    }
    if (role == Qt::UserRole) // the source leaves its place with this step
        return a.sourceGoes;
    if (role == Qt::ToolTipRole && a.sourceGoes)
        return QStringLiteral("原文件随之移走");
    // What replaces or deletes something, or fails, must not be overlooked.
    if (role == Qt::BackgroundRole) {
        if (a.kind == ActionKind::Overwrite || a.kind == ActionKind::Delete)
            return QColor(255, 205, 205);
        if (a.kind == ActionKind::Fail)
            return QColor(255, 235, 180);
    }
    return {};
}

QVariant PlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    static const QStringList names{QStringLiteral("序号"), QStringLiteral("操作"), QStringLiteral("源文件"),
                                   QStringLiteral("目标")};
    return names.value(section);
}

FPlan::FPlan(std::unique_ptr<Plan> plan, std::function<void(std::unique_ptr<Plan>)> go, std::function<void()> back,
             QWidget *parent)
    : QDialog(parent), plan_(std::move(plan)), go_(std::move(go)), back_(std::move(back))
{
    setObjectName(QStringLiteral("FPlan"));
    setWindowTitle(QStringLiteral("分发计划"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    PlanTable = new QTableView(this);
    PlanTable->setObjectName(QStringLiteral("PlanTable"));
    PlanTable->setModel(new PlanModel(*plan_, PlanTable));
    PlanTable->verticalHeader()->hide();
    PlanTable->verticalHeader()->setDefaultSectionSize(PlanTable->fontMetrics().height() + 6);
    PlanTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    PlanTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PlanTable->setWordWrap(false);
    PlanTable->horizontalHeader()->setStretchLastSection(true);
    PlanTable->setColumnWidth(0, 70);
    PlanTable->setColumnWidth(1, 90);
    PlanTable->setColumnWidth(2, 420);

    QString sum = plan_->summary().text();
    if (!plan_->waitsMs.isEmpty()) {
        long long ms = 0;
        for (int w : std::as_const(plan_->waitsMs))
            ms += w;
        sum += QStringLiteral("定时分发：%1批，批间共等待%2秒。")
                   .arg(plan_->waitsMs.size() + 1)
                   .arg(QString::number(double(ms) / timerMsPerSecond(), 'f', 0));
    }
    LPlanSum = new QLabel(sum, this);
    LPlanSum->setObjectName(QStringLiteral("LPlanSum"));
    LPlanSum->setWordWrap(true);

    CmdPlanGo = new QPushButton(QStringLiteral("按此计划分发"), this);
    CmdPlanGo->setObjectName(QStringLiteral("CmdPlanGo"));
    CmdPlanCsv = new QPushButton(QStringLiteral("导出CSV…"), this);
    CmdPlanCsv->setObjectName(QStringLiteral("CmdPlanCsv"));
    CmdPlanClose = new QPushButton(QStringLiteral("关闭"), this);
    CmdPlanClose->setObjectName(QStringLiteral("CmdPlanClose"));

    // Enter never starts the run by accident: it closes.
    CmdPlanGo->setAutoDefault(false);
    CmdPlanCsv->setAutoDefault(false);
    CmdPlanClose->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdPlanGo);
    buttons->addWidget(CmdPlanCsv);
    buttons->addWidget(CmdPlanClose);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(PlanTable, 1);
    lay->addWidget(LPlanSum);
    lay->addLayout(buttons);
    resize(1000, 560);

    connect(CmdPlanGo, &QPushButton::clicked, this, &QDialog::accept);
    connect(CmdPlanClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(CmdPlanCsv, &QPushButton::clicked, this, [this] { exportCsv(); });
    // Closed any way but the run: everything as it was. The run starts once the
    // plan's window is gone.
    connect(this, &QDialog::finished, this, [this](int result) {
        if (result == QDialog::Accepted) {
            QTimer::singleShot(0, parentWidget(), [go = std::move(go_), plan = std::make_shared<std::unique_ptr<Plan>>(
                                                                         std::move(plan_))]() mutable {
                go(std::move(*plan));
            });
        } else {
            back_();
        }
    });
}

void FPlan::exportCsv()
{
    const QString path = shell().saveFile(QStringLiteral("导出CSV"), QStringLiteral("分发计划.csv"));
    if (path.isEmpty())
        return;
    if (!writePlanCsv(plan_->list, path))
        shell().message(QStringLiteral("无法写入文件：\r\n") + displayName(path), QStringLiteral("消息"), Icon::Critical,
                        Buttons::Ok);
}

// ---- The button -----------------------------------------------------------------------

namespace {

// What a plan may change in the window, and puts back.
struct WindowState {
    bool moving;
    QString timerTag, fileCount, title, tag;
    CatalogueState cat;
    DrawPool pool;
};

WindowState stateOf(FDispatch &w)
{
    return {w.ChBackUp->isChecked(), tagOf(w.Timer1), w.LFiles->caption(), w.windowTitle(), w.windowTag(), w.cat,
            w.draw};
}

void restore(FDispatch &w, const WindowState &s)
{
    w.ChBackUp->setChecked(s.moving);
    setTag(w.Timer1, s.timerTag);
    w.LFiles->setCaption(s.fileCount);
    w.setWindowTitle(s.title);
    w.setWindowTag(s.tag);
    w.cat = s.cat;
    w.draw = s.pool;
}

} // namespace

void FDispatch::CmdPlan_Click()
{
    if (dispatchRun)
        return; // one run at a time
    const WindowState before = stateOf(*this);
    if (!readyToDispatch())
        return;
    const WindowState asked = stateOf(*this); // with the answers to the questions
    std::unique_ptr<Plan> plan;
    {
        LongOperation busy(*this);
        centralWidget()->setEnabled(false);
        plan = makePlan(port(), [this](DispatchRun *r) { dispatchRun = r; });
        centralWidget()->setEnabled(true);
    }
    restore(*this, before);
    if (stopRequested)
        return;
    auto *f = new FPlan(
        std::move(plan),
        [this, asked](std::unique_ptr<Plan> p) {
            if (dispatchRun)
                return;
            restore(*this, asked);
            UpdateLockDuringRun noUpdate(*this); // an update would end the program mid-run
            LongOperation busy(*this);
            CmdUndo->setEnabled(false);
            runFromPlan(port(), *p, [this](DispatchRun *r) { dispatchRun = r; });
            refreshUndo();
        },
        [] {}, this);
    f->show();
}

} // namespace fd
