#pragma once
// The tree-list views of the document window: the outline tree and the children list. Both draw
// vertical grid lines over their full height, optional horizontal grid lines, and show a cell's whole
// text as a tooltip when the cell cuts it. The tree can draw lines joining its nodes.

#include "core/OutlineRows.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPoint>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <vector>

class QHeaderView;
class QStandardItemModel;
class TOutlineTreeModel;

// The outline tree: a view of its own over the compact outline, so that millions of rows cost four
// bytes each (TOutlineRows) and only the rows on screen are painted. Columns "Tag" and "Value" under
// a header whose sections can be resized, moved and hidden; whole rows are selected; the focused node
// is the selected one.
class TOutlineTreeView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TOutlineTreeView(QWidget* AParent = nullptr);
    ~TOutlineTreeView() override;

    // The outline shown (nullptr: nothing); only its top-level node is shown, nothing is focused.
    void SetOutline(const TOutline* AOutline);
    const TOutline* Outline() const { return FRows.Outline(); }
    TOutlineTreeModel* Model() const { return FModel; }
    QHeaderView* header() const { return FHeader; }
    const TOutlineRows& Rows() const { return FRows; }

    // The focused (and selected) node, NoNode for none. Setting it does not scroll.
    TNodeIndex CurrentNode() const { return FCurrent; }
    void SetCurrentNode(TNodeIndex ANode);
    // Opens the ancestors of the node and scrolls the least that brings its row into view.
    void ScrollToNode(TNodeIndex ANode);
    void ScrollToBottom();
    // Opens the ancestors of the node and makes its row the top one (as far as the rows below allow).
    void ScrollNodeToTop(TNodeIndex ANode);

    bool IsExpanded(TNodeIndex ANode) const { return FRows.IsExpanded(ANode); }
    void SetExpanded(TNodeIndex ANode, bool AExpanded);
    // The node and every node below it.
    void SetSubtreeExpanded(TNodeIndex ANode, bool AExpanded);
    void ExpandAll();
    void CollapseAll();
    std::vector<TNodeIndex> ExpandedNodes() const { return FRows.ExpandedNodes(); }
    void RestoreExpanded(const std::vector<TNodeIndex>& ANodes);
    // The top row and the sideways offset, to be given back after the outline was shown anew.
    QPoint ScrollPosition() const;
    void SetScrollPosition(const QPoint& APosition);

    // Row geometry: the row at a point of the viewport (NoRow below the last), the first row shown,
    // how many rows fit, and a row's height.
    size_t RowAt(int AY) const;
    size_t TopRow() const;
    int VisibleRowCount() const;
    int RowHeight() const;
    int indentation() const { return FIndentation; }
    bool rootIsDecorated() const { return true; }
    // The depth of a node below the top-level one.
    int Level(TNodeIndex ANode) const;

    void setColumnHidden(int AColumn, bool AHide);
    bool isColumnHidden(int AColumn) const;
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool AOn);
    bool TreeLines() const { return FTreeLines; }
    void SetTreeLines(bool AOn);
    void SetTintedColumn(int AColumn, const QColor& AColor);
    int TintedColumn() const { return FTintedColumn; }
    QColor Tint() const { return FTint; }
    // AColumn takes the width the other columns leave, but never less than AMinimumWidth, nor less
    // than the deepest indentation painted so far plus ATextRoom; beyond the view it scrolls sideways.
    void SetFillColumn(int AColumn, int AMinimumWidth, int ATextRoom);
    void FitFillColumn();

Q_SIGNALS:
    void CurrentNodeChanged(TNodeIndex ANode);
    // A row was double-clicked (after it was expanded or collapsed).
    void NodeDoubleClicked(TNodeIndex ANode);

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    void scrollContentsBy(int ADx, int ADy) override;
    bool viewportEvent(QEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;

private:
    QColor GridColor() const;
    // Scroll bars, header place and row height after a change of rows, sizes or columns.
    void UpdateGeometries();
    // Rows changed: keep the top row in range and repaint.
    void RowsChanged();
    // The cell rectangle of a column in a row, in viewport coordinates (column 0 without the
    // indentation).
    QRect CellRect(size_t ARow, int AColumn) const;
    // The indentation slot of a row's expander, in viewport coordinates.
    QRect ExpanderRect(size_t ARow) const;
    void InitCellOption(QStyleOptionViewItem& AOption, TNodeIndex ANode, bool ASelected) const;
    void PaintRow(QPainter& APainter, size_t ARow, int ATop) const;
    void PaintBranches(QPainter& APainter, const QRect& ARect, TNodeIndex ANode, bool ASelected) const;
    // Moves the focus to a row and brings it into view.
    void MoveTo(size_t ARow);
    // Handles a press at a point: an expander toggles its node, a row is focused.
    void PressAt(const QPoint& APos);
    bool ShowToolTip(const QPoint& APos, const QPoint& AGlobalPos);
    // Typing moves to the next row whose name starts with what was typed in quick succession.
    void KeyboardSearch(const QString& AText);

    TOutlineRows FRows;
    TOutlineTreeModel* FModel = nullptr;
    QStandardItemModel* FHeaderModel = nullptr;
    QHeaderView* FHeader = nullptr;
    QStyledItemDelegate* FDelegate = nullptr;
    TNodeIndex FCurrent = NoNode;
    int FIndentation = 20;
    mutable int FRowHeight = 0;
    bool FGridLines = false;
    bool FTreeLines = false;
    int FTintedColumn = -1;
    QColor FTint;
    int FFillColumn = -1;
    int FFillMinimum = 0;
    int FFillTextRoom = 0;
    // The widest indentation painted since the outline was last set.
    mutable int FWidestIndent = 0;
    QString FTyped;
    QElapsedTimer FTypedTimer;
};

// The children list: a flat list with optional grid lines.
class TGridTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TGridTreeView(QWidget* AParent = nullptr);

    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool AOn);
    // A flat list: no tree lines whatever the option says.
    bool TreeLines() const { return false; }
    // Lays the rows out again (their heights may depend on column widths).
    void RelayoutRows() { scheduleDelayedItemsLayout(); }

protected:
    void drawRow(
        QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override;
    void paintEvent(QPaintEvent* AEvent) override;
    bool viewportEvent(QEvent* AEvent) override;

private:
    QColor GridColor() const;

    bool FGridLines = false;
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
