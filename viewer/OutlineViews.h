#pragma once
// The tree-list views of the document window: the outline tree and the children list. Both paint
// only the rows on screen and keep nothing per row, draw vertical grid lines over their full height,
// optional horizontal grid lines, and show a cell's whole text as a tooltip when the cell cuts it. The
// tree can draw lines joining its nodes.

#include "core/OutlineRows.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPoint>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

class QHeaderView;
class QStandardItemModel;
class TChildListModel;
class TOutlineTreeModel;

// What the outline tree and the children list share: a header over the viewport whose sections
// can be resized, cells painted by an item delegate for the rows on screen only, optional grid lines,
// a whole cell's text as a tooltip where the cell cuts it, and type-ahead search.
class TItemScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    QHeaderView* header() const { return FHeader; }
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool AOn);

    // What assistive tools read: the outline shown, the focused node, whether the rows make a tree
    // (whose nodes open and close), and the rows on screen (the one cut at the bottom too): their
    // number, nodes (for an index below that number) and rectangles in viewport coordinates, and which
    // one a point of the viewport is in (-1: none).
    virtual const TOutline* Outline() const = 0;
    virtual TNodeIndex CurrentNode() const = 0;
    virtual bool ShowsTree() const = 0;
    virtual bool IsExpanded(TNodeIndex) const { return false; }
    virtual int ShownRowCount() const = 0;
    virtual TNodeIndex ShownNode(int AIndex) const = 0;
    virtual QRect ShownRowRect(int AIndex) const = 0;
    virtual int ShownIndexAt(int AY) const = 0;

protected:
    explicit TItemScrollView(QWidget* AParent);

    // The header's labels are the model's.
    void SetHeaderLabels(const QAbstractItemModel* AModel);
    // Scroll bars, header place and row heights after a change of rows, sizes or columns.
    virtual void UpdateGeometries() = 0;
    void Relayout();
    // Lays the rows out again whenever the header's sections change; called once the view is made.
    void FollowHeader();
    QColor GridColor() const;
    // Places the header above the viewport and sets the sideways scroll range.
    void PlaceHeader();
    // The option for the cells of a row, before the delegate adds what the cell itself holds.
    void InitItemOption(QStyleOptionViewItem& AOption, bool ASelected) const;
    // Paints the cells of one row (AIndexOf gives a column's index); AFirstCell may narrow column
    // 0's cell and paint in the room it takes away.
    void PaintCells(QPainter& APainter, const QStyleOptionViewItem& AOption, int ATop, int AHeight,
        const std::function<QModelIndex(int)>& AIndexOf,
        const std::function<void(QRect&)>& AFirstCell = nullptr) const;
    // The horizontal grid line at the bottom of a row.
    void PaintRowLine(QPainter& APainter, int ABottom) const;
    // Vertical grid lines over the full height, at the right edge of every shown column.
    void PaintColumnLines(QPainter& APainter) const;
    // Shows the cell's whole text when the cell cuts it; false when it does not.
    bool ShowCellToolTip(
        const QModelIndex& AIndex, const QStyleOptionViewItem& AOption, const QPoint& AGlobalPos);
    // The row a moving key (arrows up and down, page up and down, home, end) leads to from ACurrent
    // (NoRow: none, and then to the first row) among ACount; APageFrom gives the row a page away.
    // NoRow for the other keys.
    size_t RowForKey(
        int AKey, size_t ACount, size_t ACurrent, const std::function<size_t(size_t, bool)>& APageFrom) const;
    // Typing finds the next row (after ACurrent, NoRow: from the top) whose name starts with what was
    // typed in quick succession; NoRow when none does.
    size_t FindTyped(
        const QString& AText, size_t ACount, size_t ACurrent, const std::function<QString(size_t)>& ANameOf);

    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;
    void scrollContentsBy(int ADx, int ADy) override;

    QHeaderView* FHeader = nullptr;
    QStyledItemDelegate* FDelegate = nullptr;

private:
    QStandardItemModel* FHeaderModel = nullptr;
    bool FGridLines = false;
    QString FTyped;
    QElapsedTimer FTypedTimer;
};

// The outline tree: a view of its own over the compact outline, so that millions of rows cost a few
// bytes for each run of sibling rows (TOutlineRows) and only the rows on screen are painted. Columns "Tag"
// and "Value" under a header whose sections can be resized, moved and hidden; whole rows are selected; the
// focused node is the selected one.
class TOutlineTreeView : public TItemScrollView {
    Q_OBJECT
public:
    explicit TOutlineTreeView(QWidget* AParent = nullptr);
    ~TOutlineTreeView() override;

    // The outline shown (nullptr: nothing); only its top-level node is shown, nothing is focused.
    void SetOutline(const TOutline* AOutline);
    const TOutline* Outline() const override { return FRows.Outline(); }
    TOutlineTreeModel* Model() const { return FModel; }
    const TOutlineRows& Rows() const { return FRows; }

    // The focused (and selected) node, NoNode for none. Setting it does not scroll.
    TNodeIndex CurrentNode() const override { return FCurrent; }
    void SetCurrentNode(TNodeIndex ANode);
    // Opens the ancestors of the node and scrolls the least that brings its row into view.
    void ScrollToNode(TNodeIndex ANode);
    void ScrollToBottom();
    // Opens the ancestors of the node and makes its row the top one (as far as the rows below allow).
    void ScrollNodeToTop(TNodeIndex ANode);

    bool IsExpanded(TNodeIndex ANode) const override { return FRows.IsExpanded(ANode); }
    bool ShowsTree() const override { return true; }
    int ShownRowCount() const override;
    TNodeIndex ShownNode(int AIndex) const override;
    QRect ShownRowRect(int AIndex) const override;
    int ShownIndexAt(int AY) const override;
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
    bool viewportEvent(QEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    void UpdateGeometries() override;
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
    TNodeIndex FCurrent = NoNode;
    int FIndentation = 20;
    mutable int FRowHeight = 0;
    bool FTreeLines = false;
    int FTintedColumn = -1;
    QColor FTint;
    int FFillColumn = -1;
    int FFillMinimum = 0;
    int FFillTextRoom = 0;
    // The widest indentation painted since the outline was last set.
    mutable int FWidestIndent = 0;
};

// The children list: the children of one node (row r is the node's child r), columns "Name" and
// "Value" from a TChildListModel, rows as tall as their wrapped values need. Nothing is kept per row:
// row heights are measured for the rows on screen only, and the scroll bar counts rows.
class TChildListView : public TItemScrollView {
    Q_OBJECT
public:
    static constexpr int NoRow = -1;

    explicit TChildListView(QWidget* AParent = nullptr);

    TChildListModel* Model() const { return FModel; }
    const TOutline* Outline() const override;
    bool ShowsTree() const override { return false; }
    int ShownRowCount() const override;
    TNodeIndex ShownNode(int AIndex) const override;
    QRect ShownRowRect(int AIndex) const override;
    int ShownIndexAt(int AY) const override;
    // A flat list: no tree lines whatever the option says.
    bool TreeLines() const { return false; }

    // The current (selected) row, NoRow for none; a new list of children has none.
    int CurrentRow() const { return FCurrent; }
    void SetCurrentRow(int ARow);
    TNodeIndex CurrentNode() const override;
    // Scrolls the least that shows the whole row (or its top, when taller than the view).
    void ScrollToRow(int ARow);

    // Row geometry: the first row shown, the row at a point of the viewport (NoRow below the last),
    // a row's height at the present column widths, and a cell in viewport coordinates.
    int TopRow() const;
    int RowAt(int AY) const;
    int RowHeight(int ARow) const;
    QRect CellRect(int ARow, int AColumn) const;

Q_SIGNALS:
    void CurrentRowChanged(int ARow);
    // A row was double-clicked; it is the current row.
    void RowDoubleClicked(int ARow);

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    bool viewportEvent(QEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    void UpdateGeometries() override;
    void InitCellOption(QStyleOptionViewItem& AOption, bool ASelected) const;
    // The first row of the rows that fill the viewport down to and including ARow.
    int TopRowShowing(int ARow) const;
    // The row a page below (AForward) or above ARow.
    int PageFrom(int ARow, bool AForward) const;
    void MoveTo(int ARow);

    TChildListModel* FModel = nullptr;
    int FCurrent = NoRow;
};

// Rows as tall as the wrapped text of one column needs at that column's width.
class TWrapDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TWrapDelegate(QWidget* AView, QHeaderView* AHeader, int AWrappedColumn);
    QSize sizeHint(const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override;
    void initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const override;

private:
    QWidget* FView;
    QHeaderView* FHeader;
    int FColumn;
};
