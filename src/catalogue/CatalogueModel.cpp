#include "catalogue/CatalogueModel.h"

#include "platform/NativeName.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

namespace fd {

CatalogueModel::CatalogueModel(QObject *parent) : QAbstractTableModel(parent) {}

QStringList CatalogueModel::headers()
{
    return {QStringLiteral("文件名称"), QStringLiteral("大小"), QStringLiteral("类型"),
            QStringLiteral("修改时间"), QStringLiteral("图片拍摄日期"), QStringLiteral("图片尺寸"),
            QStringLiteral("排序数值"), QStringLiteral("文件路径")};
}

int CatalogueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : announced_;
}

int CatalogueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CatalogueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= announced_)
        return {};
    const QString &text = rows_[size_t(index.row())][size_t(index.column())];
    // Names keep their raw bytes for the work; the view shows something readable.
    if (index.column() == 0)
        return displayName(text);
    if (index.column() == kColumns - 1)
        return visibleName(text);
    return text;
}

QVariant CatalogueModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return headers().at(section);
    return QAbstractTableModel::headerData(section, o, role);
}

void CatalogueModel::addRow(const Row &row)
{
    rows_.push_back(row);
    ++changes_;
    scheduleAnnounce();
    if (keepSorted_) {
        dirty_ = true;
        scheduleSort();
    }
}

void CatalogueModel::clear()
{
    beginResetModel();
    ++changes_;
    rows_.clear();
    announced_ = 0;
    sortedPrefix_ = 0;
    rows_.shrink_to_fit();
    endResetModel();
    dirty_ = false;
}

const QString &CatalogueModel::text(int row, int column) const
{
    const_cast<CatalogueModel *>(this)->sortIfNeeded();
    return rows_[size_t(row)][size_t(column)];
}

const CatalogueModel::Row &CatalogueModel::row(int r) const
{
    const_cast<CatalogueModel *>(this)->sortIfNeeded();
    return rows_[size_t(r)];
}

void CatalogueModel::scheduleAnnounce()
{
    if (announceScheduled_)
        return;
    announceScheduled_ = true;
    QTimer::singleShot(150, this, [this] {
        announceScheduled_ = false;
        announceRows();
    });
}

void CatalogueModel::announceRows()
{
    const int n = int(rows_.size());
    if (n <= announced_)
        return;
    beginInsertRows(QModelIndex(), announced_, n - 1);
    announced_ = n;
    endInsertRows();
}

void CatalogueModel::scheduleSort()
{
    // Coalesce: a scan adds thousands of rows; sort once when the loop yields.
    if (sortScheduled_)
        return;
    sortScheduled_ = true;
    QTimer::singleShot(sortDelayMs_, this, [this] {
        sortScheduled_ = false;
        sortIfNeeded();
    });
}

// A read between the slices of a sort (a repaint, the coalescing timer) sees the
// rows as they stand: sorting them whole there would hold the window and
// make the sliced sort start over.
void CatalogueModel::sortIfNeeded()
{
    if (keepSorted_ && dirty_ && !slicing_)
        resort();
}

void CatalogueModel::sortIfNeeded(const std::function<void()> &yield)
{
    if (keepSorted_ && dirty_ && !slicing_)
        resort(yield);
}

void CatalogueModel::resort(const std::function<void()> &yield)
{
    const int c = std::clamp(sortColumn_, 0, kColumns - 1);
    if (yield && rows_.size() > 4096) {
        // The order is worked out on indexes in slices; rows added meanwhile
        // make it stale, and the plain sort below runs instead.
        const quint64 at = changes_;
        const bool asc = order_ == Qt::AscendingOrder;
        auto inOrder = [this, c, asc](int a, int b) {
            const int r = QString::compare(rows_[size_t(a)][size_t(c)], rows_[size_t(b)][size_t(c)],
                                           Qt::CaseInsensitive);
            return asc ? r < 0 : r > 0;
        };
        const qsizetype n = qsizetype(rows_.size());
        std::vector<int> idx(static_cast<size_t>(n));
        for (qsizetype i = 0; i < n; ++i)
            idx[size_t(i)] = int(i);
        constexpr qsizetype kRun = 2048;
        const QScopedValueRollback<bool> slicing(slicing_, true);
        for (qsizetype lo = 0; lo < n && changes_ == at; lo += kRun) {
            std::stable_sort(idx.begin() + lo, idx.begin() + std::min(n, lo + kRun), inOrder);
            yield();
        }
        for (qsizetype width = kRun; width < n && changes_ == at; width *= 2)
            for (qsizetype lo = 0; lo + width < n && changes_ == at; lo += 2 * width) {
                std::inplace_merge(idx.begin() + lo, idx.begin() + lo + width,
                                   idx.begin() + std::min(n, lo + 2 * width), inOrder);
                yield();
            }
        if (changes_ == at) {
            announceRows();
            emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
            const QModelIndexList before = persistentIndexList();
            // Rows move into place along the permutation's cycles: a second
            // table of a hundred thousand rows would be tens of megabytes of
            // fresh pages, a stall of its own.
            for (size_t k = 0; k < idx.size(); ++k) {
                if (idx[k] < 0 || size_t(idx[k]) == k)
                    continue;
                Row moving = std::move(rows_[k]);
                for (size_t to = k;;) {
                    const size_t from = size_t(idx[to]);
                    idx[to] = -1;
                    if (from == k) {
                        rows_[to] = std::move(moving);
                        break;
                    }
                    rows_[to] = std::move(rows_[from]);
                    to = from;
                }
            }
            ++changes_;
            sortedPrefix_ = rows_.size();
            sortedColumn_ = c;
            sortedOrder_ = order_;
            for (const QModelIndex &i : before)
                changePersistentIndex(i, QModelIndex());
            emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
            dirty_ = false;
            return;
        }
    }
    ++changes_;
    QElapsedTimer timer;
    timer.start();
    announceRows(); // the view must know every row before they move
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    const bool ascending = order_ == Qt::AscendingOrder;
    auto inOrder = [c, ascending](const Row &a, const Row &b) {
        const int r = QString::compare(a[size_t(c)], b[size_t(c)], Qt::CaseInsensitive);
        return ascending ? r < 0 : r > 0;
    };
    // Rows only appended since the last sort on the same settings: sort the new
    // ones and merge, so a re-sort during a scan costs one pass, not a full sort.
    // Both ways give the same stable order.
    const bool appendedOnly = sortedColumn_ == c && sortedOrder_ == order_ && sortedPrefix_ <= rows_.size();
    if (appendedOnly && sortedPrefix_ > 0) {
        const auto mid = rows_.begin() + qsizetype(sortedPrefix_);
        std::stable_sort(mid, rows_.end(), inOrder);
        std::inplace_merge(rows_.begin(), mid, rows_.end(), inOrder);
    } else {
        std::stable_sort(rows_.begin(), rows_.end(), inOrder);
    }
    sortedPrefix_ = rows_.size();
    sortedColumn_ = c;
    sortedOrder_ = order_;
    // Row identities are not tracked; persistent indexes are dropped.
    for (const QModelIndex &i : before)
        changePersistentIndex(i, QModelIndex());
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    dirty_ = false;
    // Keep sorting to a small share of a long scan: wait ten times the last sort.
    sortDelayMs_ = int(std::clamp<qint64>(timer.elapsed() * 10, 200, 5000));
}

void CatalogueModel::sort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    order_ = order;
    keepSorted_ = true;
    resort();
}

} // namespace fd
