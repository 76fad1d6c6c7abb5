#pragma once
// The tree-list views of the document window: the outline tree and the children list. Both draw
// vertical grid lines over their full height, optional horizontal grid lines, and show a cell's whole
// text as a tooltip when the cell cuts it. The tree can draw lines joining its nodes.

#include <QStyledItemDelegate>
#include <QTreeView>

class TGridTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TGridTreeView(QWidget* parent = nullptr);

    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool on);
    bool TreeLines() const { return FTreeLines; }
    void SetTreeLines(bool on);
    // A column painted with its own background (the Value column of the outline); -1 for none.
    void SetTintedColumn(int column, const QColor& color);
    // Lays the rows out again (their heights may depend on column widths).
    void RelayoutRows() { scheduleDelayedItemsLayout(); }

protected:
    void drawRow(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QColor GridColor() const;

    bool FGridLines = false;
    bool FTreeLines = false;
    int FTintedColumn = -1;
    QColor FTint;
};

// Rows as tall as the wrapped text of one column needs at that column's width.
class TWrapDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TWrapDelegate(QTreeView* view, int wrappedColumn);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QTreeView* FView;
    int FColumn;
};
