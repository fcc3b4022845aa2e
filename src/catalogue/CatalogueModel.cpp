#include "catalogue/CatalogueModel.h"

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
    return parent.isValid() ? 0 : int(rows_.size());
}

int CatalogueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CatalogueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return rows_[size_t(index.row())][size_t(index.column())];
}

QVariant CatalogueModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return headers().at(section);
    return QAbstractTableModel::headerData(section, o, role);
}

void CatalogueModel::addRow(const Row &row)
{
    const int n = int(rows_.size());
    beginInsertRows(QModelIndex(), n, n);
    rows_.push_back(row);
    endInsertRows();
    if (keepSorted_) {
        dirty_ = true;
        scheduleSort();
    }
}

void CatalogueModel::clear()
{
    beginResetModel();
    rows_.clear();
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

void CatalogueModel::scheduleSort()
{
    // Coalesce: a scan adds thousands of rows; sort once when the loop yields.
    if (sortScheduled_)
        return;
    sortScheduled_ = true;
    QTimer::singleShot(200, this, [this] {
        sortScheduled_ = false;
        sortIfNeeded();
    });
}

void CatalogueModel::sortIfNeeded()
{
    if (keepSorted_ && dirty_)
        resort();
}

void CatalogueModel::resort()
{
    const int c = std::clamp(sortColumn_, 0, kColumns - 1);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    if (order_ == Qt::AscendingOrder) {
        std::stable_sort(rows_.begin(), rows_.end(), [c](const Row &a, const Row &b) {
            return QString::compare(a[size_t(c)], b[size_t(c)], Qt::CaseInsensitive) < 0;
        });
    } else {
        std::stable_sort(rows_.begin(), rows_.end(), [c](const Row &a, const Row &b) {
            return QString::compare(a[size_t(c)], b[size_t(c)], Qt::CaseInsensitive) > 0;
        });
    }
    // Row identities are not tracked; persistent indexes are dropped.
    for (const QModelIndex &i : before)
        changePersistentIndex(i, QModelIndex());
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    dirty_ = false;
}

void CatalogueModel::sort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    order_ = order;
    keepSorted_ = true;
    resort();
}

} // namespace fd
