#pragma once
// Rows of the catalogue list view: eight text columns, sorted on one column by text.
#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace fd {

class CatalogueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    using Row = std::array<QString, kColumns>;

    explicit CatalogueModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    static QStringList headers();

    // Appends a row; with sorting kept on, it takes its sorted place before the
    // rows are next read in order (sortIfNeeded) or the view repaints.
    void addRow(const Row &row);
    void clear();
    int count() const { return int(rows_.size()); }
    // Text of a cell, rows in sorted order (rows added since the last sort take
    // their place first, so readers never see them out of order).
    const QString &text(int row, int column) const;
    const Row &row(int r) const;

    // Sort settings.
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return order_; }
    bool sorted() const { return keepSorted_; }
    void setSortColumn(int c) { sortColumn_ = c; dirty_ = true; }
    void setSortOrder(Qt::SortOrder o) { order_ = o; dirty_ = true; }
    void setSorted(bool on) { keepSorted_ = on; if (on) dirty_ = true; }
    // Re-sorts now when sorting is kept on and rows changed since the last sort.
    void sortIfNeeded();
    // Re-sorts now on the current settings (stable, case-insensitive text order).
    // yield, when given, runs between slices of the work; the rows move at once
    // at the end, so views never see them half sorted.
    void resort(const std::function<void()> &yield = {});
    void sortIfNeeded(const std::function<void()> &yield);

    void sort(int column, Qt::SortOrder order) override;

    // Tells the view about rows added since it last heard; the view learns of new
    // rows in batches, so a long scan does not repaint it for every file.
    void announceRows();

private:
    void scheduleSort();
    void scheduleAnnounce();
    std::vector<Row> rows_;
    int sortColumn_ = 0;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    bool keepSorted_ = false;
    bool dirty_ = false;
    bool sortScheduled_ = false;
    bool slicing_ = false; // a sort in slices is under way: reads between slices wait for it
    quint64 changes_ = 0; // rows added, removed or moved
    // Rows [0, sortedPrefix_) are in order on sortedColumn_ / sortedOrder_.
    size_t sortedPrefix_ = 0;
    int sortedColumn_ = -1;
    Qt::SortOrder sortedOrder_ = Qt::AscendingOrder;
    int sortDelayMs_ = 200; // wait before a coalesced re-sort
    int announced_ = 0;     // rows the view knows of
    bool announceScheduled_ = false;
};

} // namespace fd
