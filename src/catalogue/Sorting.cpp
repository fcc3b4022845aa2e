// Order of the catalogue: the list view's sort column and direction, and the
// random-order sort of the run list.
#include "catalogue/Sorting.h"

#include "app/Events.h"
#include "app/TextNumbers.h"
#include "catalogue/CatalogueModel.h"
#include "dispatch/Port.h"

#include <cmath>

#include <vector>

namespace fd {

namespace {
constexpr int kSortValueColumn = 6; // "排序数值"
} // namespace

void applyListOrder(Port &port, const std::function<void()> &yield)
{
    CatalogueModel &rows = port.rows();
    rows.setSortColumn(qMax(0, port.listOrderColumn()));
    rows.setSortOrder(port.ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    rows.setSorted(true);
    rows.resort(yield);
    port.showListOrder();
}

void sortListOnNumber(Port &port, const std::function<void()> &yield)
{
    CatalogueModel &rows = port.rows();
    rows.setSortColumn(kSortValueColumn);
    rows.setSorted(true);
    rows.resort(yield);
    port.showListOrder();
}

bool SortRunList(Port &port, QVector<RunEntry> &list, long long lastIndex)
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
        if (!port.progressAsBar()) {
            const QString phrase = port.sequential() ? QStringLiteral("   排序中...")
                                                     : QStringLiteral("   随机抽取排序中...");
            port.setTitle(port.savedTitle() + phrase + QString::number(pass) + QLatin1Char('/')
                          + QString::number(count));
        } else {
            port.setProgressPercent(int(std::nearbyint(double(pass) * 100.0 / double(count))));
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
