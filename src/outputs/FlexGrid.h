#pragma once
// The output folder grid: row 0 is the fixed heading, rows 1.. hold one folder each;
// column 0 the path, column 1 (hidden) the folder's own name.
#include <QHash>
#include <QTableWidget>

namespace fd {

class FlexGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget *parent = nullptr);

    // Row count including the heading row.
    int rows() const { return rowCount() + 1; }
    void setRows(int n);
    int cols() const { return columnCount(); }
    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // Widths in twips (15 to a pixel at 96 dpi).
    int colWidthTwips(int col) const;
    void setColWidthTwips(int col, int twips);
    // Keeps column 0 as wide as the grid less the given margin, also when resized.
    void setFirstColumnMarginTwips(int twips);
    int widthTwips() const;
    // Scrolls so that the given row (heading counted as 0) is the top data row.
    void setTopRow(int row);
    // The data row under a point in viewport coordinates (heading counted as 0), -1 outside.
    int rowAt(const QPoint &viewportPos) const;
    // True when some data row holds exactly this text (case-sensitive) in column 0.
    // Kept in a hash so that long lists stay fast; rebuilt after rows are removed.
    bool hasInColumn0(const QString &text) const;

signals:
    void dblClicked();
    void mouseReleased(Qt::MouseButton button);

protected:
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void rebuildColumn0Index() const;
    int firstColumnMarginTwips_ = -1; // column 0 follows the grid's width less this
    // Column-0 texts of the data rows with their number of rows; updated by
    // setTextMatrix, marked stale by any other change of the grid's cells or rows.
    mutable QHash<QString, int> column0_;
    mutable bool column0Stale_ = true;
    bool writing_ = false;
};

constexpr int kTwipsPerPixel = 15;

} // namespace fd
