// Order of the catalogue: the list view's sort column and direction, and the
// random-order sort of the run list.
#include "catalogue/Sorting.h"
#include "app/FDispatch.h"

#include "catalogue/CatalogueModel.h"
#include "app/TextNumbers.h"

#include <cmath>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <vector>

namespace fd {

namespace {
constexpr int kSortValueColumn = 6; // "排序数值"

void showListSort(FDispatch &w)
{
    QHeaderView *h = w.ListView1->header();
    h->setSortIndicatorShown(true);
    h->setSortIndicator(w.catalogue->sortColumn(), w.catalogue->sortOrder());
    w.ListView1->viewport()->update();
}
} // namespace

void FDispatch::wireSorting()
{
    // A pick of another entry runs the rule through the index change; picking the
    // selected entry again runs it too, as the user still chose it.
    connect(CombOrder, &QComboBox::currentIndexChanged, this, [this] {
        combOrderChanged_ = true;
        QTimer::singleShot(0, this, [this] { combOrderChanged_ = false; });
        CombOrder_Click();
    });
    connect(CombOrder, &QComboBox::activated, this, [this] {
        if (!combOrderChanged_)
            CombOrder_Click();
        combOrderChanged_ = false;
    });
    connect(OptA, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptA_Click();
    });
    connect(OptD, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptD_Click();
    });
}

void FDispatch::CombOrder_Click()
{
    if (CombOrder->currentIndex() > 1) {
        ChN->setChecked(false);
        ChN->setEnabled(false);
    } else {
        ChN->setEnabled(true);
        ChN->setChecked(true);
    }
    applyListOrder();
}

void FDispatch::OptA_Click() { applyListOrder(); }
void FDispatch::OptD_Click() { applyListOrder(); }

void FDispatch::applyListOrder() { fd::applyListOrder(*this, {}); }
void FDispatch::sortListOnNumber() { fd::sortListOnNumber(*this, {}); }

void applyListOrder(FDispatch &w, const std::function<void()> &yield)
{
    w.catalogue->setSortColumn(qMax(0, w.CombOrder->currentIndex()));
    w.catalogue->setSortOrder(w.OptA->isChecked() ? Qt::AscendingOrder : Qt::DescendingOrder);
    w.catalogue->setSorted(true);
    w.catalogue->resort(yield);
    showListSort(w);
}

void sortListOnNumber(FDispatch &w, const std::function<void()> &yield)
{
    w.catalogue->setSortColumn(kSortValueColumn);
    w.catalogue->setSorted(true);
    w.catalogue->resort(yield);
    showListSort(w);
}

bool SortRunList(FDispatch &w, QVector<RunEntry> &list, long long lastIndex)
{
    // The last index is a 16-bit number; a longer list is not sorted here.
    if (lastIndex > 32767 || lastIndex < -32768)
        return false;
    const long long n = qMin<long long>(lastIndex, list.size() - 1);
    if (n < 0)
        return true;
    const int count = int(n + 1);

    // Progress in passes of the exchange sort this order stands for: pass p of n + 1.
    int shownPass = 0;
    auto progress = [&](int pass) {
        if (pass == shownPass)
            return;
        shownPass = pass;
        if (!w.ChProg->isChecked()) {
            const QString phrase = w.ChNum->isChecked() ? QStringLiteral("   排序中...")
                                                        : QStringLiteral("   随机抽取排序中...");
            w.setWindowTitle(w.windowTag() + phrase + QString::number(pass) + QLatin1Char('/')
                             + QString::number(count));
        } else {
            w.P1->setValue(int(std::nearbyint(double(pass) * 100.0 / double(count))));
        }
        DoEvents();
    };
    progress(1);

    std::vector<double> key(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        key[size_t(i)] = textnum::valueOf(list[i].key);

    // Stable bottom-up merge sort of the indexes, so that the window keeps
    // processing its messages between steps: equal keys keep catalogue order.
    std::vector<int> idx(static_cast<size_t>(count)), tmp(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        idx[size_t(i)] = i;
    int levels = 0;
    for (int width = 1; width < count; width *= 2)
        ++levels;
    const double totalWork = double(count) * qMax(1, levels);
    double done = 0;
    long long sinceEvents = 0;
    for (int width = 1; width < count; width *= 2) {
        for (int lo = 0; lo < count; lo += 2 * width) {
            const int mid = qMin(lo + width, count);
            const int hi = qMin(lo + 2 * width, count);
            int a = lo, b = mid, o = lo;
            while (a < mid && b < hi) {
                // Take from the right run only when strictly less: stability.
                if (key[size_t(idx[size_t(b)])] < key[size_t(idx[size_t(a)])])
                    tmp[size_t(o++)] = idx[size_t(b++)];
                else
                    tmp[size_t(o++)] = idx[size_t(a++)];
            }
            while (a < mid)
                tmp[size_t(o++)] = idx[size_t(a++)];
            while (b < hi)
                tmp[size_t(o++)] = idx[size_t(b++)];
            done += hi - lo;
            sinceEvents += hi - lo;
            if (sinceEvents >= 2048) {
                sinceEvents = 0;
                progress(qMax(1, int(done / totalWork * count)));
            }
        }
        idx.swap(tmp);
    }

    QVector<RunEntry> sorted;
    sorted.reserve(count);
    for (int i = 0; i < count; ++i)
        sorted.append(list[idx[size_t(i)]]);
    for (int i = 0; i < count; ++i)
        list[i] = std::move(sorted[i]);
    progress(count);
    return true;
}

} // namespace fd
