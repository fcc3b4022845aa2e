#include "outputs/FlexGrid.h"

#include "platform/NativeName.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace fd {

namespace {

// Cells hold folder paths with their exact bytes; bytes that are not UTF-8 show
// as replacement characters.
class VisiblePathDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        return visibleName(QStyledItemDelegate::displayText(value, locale));
    }
};

} // namespace

FlexGrid::FlexGrid(QWidget *parent) : QTableWidget(parent)
{
    setColumnCount(2);
    setRowCount(0);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalHeaderLabels({QString(), QString()});
    setItemDelegate(new VisiblePathDelegate(this));
    auto stale = [this] { column0Stale_ = true; };
    connect(model(), &QAbstractItemModel::rowsRemoved, this, stale);
    connect(model(), &QAbstractItemModel::modelReset, this, stale);
    connect(model(), &QAbstractItemModel::layoutChanged, this, stale);
    connect(model(), &QAbstractItemModel::dataChanged, this, [this] {
        if (!writing_)
            column0Stale_ = true;
    });
}

void FlexGrid::setRows(int n)
{
    setRowCount(qMax(0, n - 1));
}

QString FlexGrid::textMatrix(int row, int col) const
{
    if (row == 0) {
        const QTableWidgetItem *h = horizontalHeaderItem(col);
        return h ? h->text() : QString();
    }
    const QTableWidgetItem *it = item(row - 1, col);
    return it ? it->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (row == 0) {
        QTableWidgetItem *h = horizontalHeaderItem(col);
        if (!h) {
            h = new QTableWidgetItem;
            setHorizontalHeaderItem(col, h);
        }
        h->setText(text);
        return;
    }
    if (row < 1 || row > rowCount() || col < 0 || col >= columnCount())
        return;
    writing_ = true;
    QTableWidgetItem *it = item(row - 1, col);
    if (col == 0 && !column0Stale_) {
        if (it && !it->text().isEmpty()) {
            auto h = column0_.find(it->text());
            if (h != column0_.end() && --h.value() <= 0)
                column0_.erase(h);
        }
        if (!text.isEmpty())
            ++column0_[text];
    }
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row - 1, col, it);
    }
    it->setText(text);
    writing_ = false;
}

bool FlexGrid::hasInColumn0(const QString &text) const
{
    if (column0Stale_)
        rebuildColumn0Index();
    return column0_.contains(text);
}

void FlexGrid::rebuildColumn0Index() const
{
    column0_.clear();
    for (int r = 0; r < rowCount(); ++r) {
        const QTableWidgetItem *it = item(r, 0);
        if (it && !it->text().isEmpty())
            ++column0_[it->text()];
    }
    column0Stale_ = false;
}

int FlexGrid::colWidthTwips(int col) const
{
    return isColumnHidden(col) ? 0 : columnWidth(col) * kTwipsPerPixel;
}

void FlexGrid::setColWidthTwips(int col, int twips)
{
    if (twips <= 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    setColumnWidth(col, twips / kTwipsPerPixel);
}

void FlexGrid::setFirstColumnMarginTwips(int twips)
{
    firstColumnMarginTwips_ = twips;
    setColWidthTwips(0, widthTwips() - twips);
}

void FlexGrid::resizeEvent(QResizeEvent *e)
{
    QTableWidget::resizeEvent(e);
    if (firstColumnMarginTwips_ >= 0)
        setColWidthTwips(0, widthTwips() - firstColumnMarginTwips_);
}

int FlexGrid::widthTwips() const { return width() * kTwipsPerPixel; }

void FlexGrid::setTopRow(int row)
{
    const int r = row - 1;
    if (r >= 0 && r < rowCount())
        scrollToItem(item(r, 0) ? item(r, 0) : nullptr, QAbstractItemView::PositionAtTop);
}

int FlexGrid::rowAt(const QPoint &viewportPos) const
{
    const int r = QTableWidget::rowAt(viewportPos.y());
    return r < 0 ? -1 : r + 1;
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    QTableWidget::mouseDoubleClickEvent(e);
    emit dblClicked();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent *e)
{
    QTableWidget::mouseReleaseEvent(e);
    emit mouseReleased(e->button());
}

} // namespace fd
