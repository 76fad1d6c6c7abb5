#pragma once
// The tree-list views of the document window: the outline tree and the children list. Both draw
// vertical grid lines over their full height, optional horizontal grid lines, and show a cell's whole
// text as a tooltip when the cell cuts it. The tree can draw lines joining its nodes.

#include <QStyledItemDelegate>
#include <QTreeView>

class TGridTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TGridTreeView(QWidget* AParent = nullptr);

    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool AOn);
    bool TreeLines() const { return FTreeLines; }
    void SetTreeLines(bool AOn);
    // A column painted with its own background (the Value column of the outline); -1 for none.
    void SetTintedColumn(int AColumn, const QColor& AColor);
    int TintedColumn() const { return FTintedColumn; }
    QColor Tint() const { return FTint; }
    // Lays the rows out again (their heights may depend on column widths).
    void RelayoutRows() { scheduleDelayedItemsLayout(); }
    // AColumn takes the width the other columns leave, but never less than AMinimumWidth, nor less
    // than the deepest indentation painted so far plus ATextRoom; beyond the view it scrolls sideways.
    void SetFillColumn(int AColumn, int AMinimumWidth, int ATextRoom);
    // Sizes the fill column again (after a resize, or when deeper rows were painted).
    void FitFillColumn();

protected:
    void drawRow(
        QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override;
    void drawBranches(QPainter* APainter, const QRect& ARect, const QModelIndex& AIndex) const override;
    void paintEvent(QPaintEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    bool viewportEvent(QEvent* AEvent) override;

private:
    QColor GridColor() const;

    bool FGridLines = false;
    bool FTreeLines = false;
    int FTintedColumn = -1;
    QColor FTint;
    int FFillColumn = -1;
    int FFillMinimum = 0;
    int FFillTextRoom = 0;
    // The widest indentation painted since the model was last reset.
    mutable int FWidestIndent = 0;
};

// Rows as tall as the wrapped text of one column needs at that column's width.
class TWrapDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TWrapDelegate(QTreeView* AView, int AWrappedColumn);
    QSize sizeHint(const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override;
    void initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const override;

private:
    QTreeView* FView;
    int FColumn;
};
