#include "viewer/OutlineViews.h"

#include "viewer/OutlineModels.h"
#include "viewer/OutlineTreeAccessible.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QToolTip>

#include <climits>

TWrapDelegate::TWrapDelegate(QWidget* AView, QHeaderView* AHeader, int AWrappedColumn)
    : QStyledItemDelegate(AView)
    , FView(AView)
    , FHeader(AHeader)
    , FColumn(AWrappedColumn)
{
}

void TWrapDelegate::initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const
{
    QStyledItemDelegate::initStyleOption(AOption, AIndex);
    if (AIndex.column() == FColumn)
        AOption->features |= QStyleOptionViewItem::WrapText;
    // Every cell of a row starts at its top, so that the first line of a wrapped value stands level
    // with the name beside it.
    AOption->displayAlignment = Qt::AlignLeft | Qt::AlignTop;
    AOption->decorationAlignment = Qt::AlignLeft | Qt::AlignTop;
}

QSize TWrapDelegate::sizeHint(const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const
{
    QSize size = QStyledItemDelegate::sizeHint(AOption, AIndex);
    if (AIndex.column() != FColumn)
        return size;
    // The height the text needs when wrapped to the column's width; never below a one-line row.
    const int margin = FView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FView) + 1;
    const int width = qMax(1, FHeader->sectionSize(FColumn) - 2 * margin);
    const QRect needed = AOption.fontMetrics.boundingRect(
        QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextWrapAnywhere, AIndex.data().toString());
    size.setHeight(qMax(size.height(), needed.height() + 4));
    size.setWidth(qMin(size.width(), FHeader->sectionSize(FColumn)));
    return size;
}

// --- TItemScrollView

namespace {
// Mirrors of the item views' defaults, so that the tree looks as the children list beside it.
constexpr int SmallIconSide = 16;
constexpr int HorizontalStep = 20;
} // namespace

TItemScrollView::TItemScrollView(QWidget* AParent)
    : QAbstractScrollArea(AParent)
{
    FHeaderModel = new QStandardItemModel(0, 2, this);
    FHeader = new QHeaderView(Qt::Horizontal, this);
    FHeader->setModel(FHeaderModel);
    FHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FHeader->setSectionsMovable(true);
    FHeader->setStretchLastSection(false);
    FHeader->setFocusPolicy(Qt::NoFocus);
    FHeader->show();
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(HorizontalStep);
}

void TItemScrollView::FollowHeader()
{
    connect(FHeader, &QHeaderView::sectionResized, this, &TItemScrollView::Relayout);
    connect(FHeader, &QHeaderView::sectionMoved, this, &TItemScrollView::Relayout);
    connect(FHeader, &QHeaderView::geometriesChanged, this, &TItemScrollView::Relayout);
    UpdateGeometries();
}

void TItemScrollView::Relayout()
{
    UpdateGeometries();
    viewport()->update();
}

void TItemScrollView::SetHeaderLabels(const QAbstractItemModel* AModel)
{
    FHeaderModel->setHorizontalHeaderLabels(
        {AModel->headerData(0, Qt::Horizontal).toString(), AModel->headerData(1, Qt::Horizontal).toString()});
}

void TItemScrollView::SetGridLines(bool AOn)
{
    FGridLines = AOn;
    viewport()->update();
}

QColor TItemScrollView::GridColor() const
{
    // Plain enough to read as lines on the white and the tinted backgrounds alike.
    const QColor base = palette().color(QPalette::Base);
    return base.lightness() > 128 ? base.darker(150) : base.lighter(170);
}

void TItemScrollView::PlaceHeader()
{
    const int headerHeight = FHeader->isHidden() ? 0 : FHeader->sizeHint().height();
    if (viewportMargins().top() != headerHeight)
        setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    FHeader->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, qMax(0, FHeader->length() - area.width()));
    horizontal->setPageStep(qMax(1, area.width()));
    FHeader->setOffset(horizontal->value());
}

void TItemScrollView::scrollContentsBy(int, int)
{
    FHeader->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void TItemScrollView::focusInEvent(QFocusEvent* AEvent)
{
    QAbstractScrollArea::focusInEvent(AEvent);
    viewport()->update();
}

void TItemScrollView::focusOutEvent(QFocusEvent* AEvent)
{
    QAbstractScrollArea::focusOutEvent(AEvent);
    viewport()->update();
}

void TItemScrollView::InitItemOption(QStyleOptionViewItem& AOption, bool ASelected) const
{
    AOption.initFrom(this);
    AOption.state &= ~QStyle::State_MouseOver;
    AOption.font = font();
    AOption.fontMetrics = fontMetrics();
    AOption.widget = this;
    AOption.decorationSize = QSize(SmallIconSide, SmallIconSide);
    AOption.decorationPosition = QStyleOptionViewItem::Left;
    AOption.decorationAlignment = Qt::AlignCenter;
    AOption.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    AOption.textElideMode = Qt::ElideRight;
    AOption.showDecorationSelected = true;
    if (!hasFocus() || !ASelected)
        AOption.state &= ~QStyle::State_HasFocus;
    if (ASelected)
        AOption.state |= QStyle::State_Selected;
    if (isActiveWindow())
        AOption.state |= QStyle::State_Active;
}

void TItemScrollView::PaintCells(QPainter& APainter, const QStyleOptionViewItem& AOption, int ATop,
    int AHeight, const std::function<QModelIndex(int)>& AIndexOf,
    const std::function<void(QRect&)>& AFirstCell) const
{
    const int columns = FHeader->count();
    int firstShown = -1;
    int lastShown = -1;
    for (int visual = 0; visual < columns; ++visual)
        if (!FHeader->isSectionHidden(FHeader->logicalIndex(visual))) {
            if (firstShown < 0)
                firstShown = visual;
            lastShown = visual;
        }
    for (int visual = 0; visual < columns; ++visual) {
        const int logical = FHeader->logicalIndex(visual);
        if (FHeader->isSectionHidden(logical))
            continue;
        QRect cell(FHeader->sectionViewportPosition(logical), ATop, FHeader->sectionSize(logical), AHeight);
        if (cell.right() < 0 || cell.left() > viewport()->width())
            continue;
        QStyleOptionViewItem cellOption = AOption;
        if (firstShown == lastShown)
            cellOption.viewItemPosition = QStyleOptionViewItem::OnlyOne;
        else if (visual == firstShown)
            cellOption.viewItemPosition = QStyleOptionViewItem::Beginning;
        else if (visual == lastShown)
            cellOption.viewItemPosition = QStyleOptionViewItem::End;
        else
            cellOption.viewItemPosition = QStyleOptionViewItem::Middle;
        if (logical == 0 && AFirstCell)
            AFirstCell(cell);
        cellOption.rect = cell;
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cellOption, &APainter, this);
        FDelegate->paint(&APainter, cellOption, AIndexOf(logical));
    }
}

void TItemScrollView::PaintRowLine(QPainter& APainter, int ABottom) const
{
    if (!FGridLines)
        return;
    APainter.save();
    APainter.setPen(GridColor());
    APainter.drawLine(0, ABottom, viewport()->width(), ABottom);
    APainter.restore();
}

void TItemScrollView::PaintColumnLines(QPainter& APainter) const
{
    APainter.setPen(GridColor());
    for (int visual = 0; visual < FHeader->count(); ++visual) {
        const int logical = FHeader->logicalIndex(visual);
        if (FHeader->isSectionHidden(logical))
            continue;
        const int x = FHeader->sectionViewportPosition(logical) + FHeader->sectionSize(logical) - 1;
        APainter.drawLine(x, 0, x, viewport()->height());
    }
}

bool TItemScrollView::ShowCellToolTip(
    const QModelIndex& AIndex, const QStyleOptionViewItem& AOption, const QPoint& AGlobalPos)
{
    const QString text = AIndex.data(Qt::ToolTipRole).toString();
    const QSize needed = FDelegate->sizeHint(AOption, AIndex);
    const bool cut = needed.width() > AOption.rect.width() || AIndex.data().toString() != text;
    if (!cut || text.isEmpty())
        return false;
    QToolTip::showText(AGlobalPos, text, viewport(), AOption.rect);
    return true;
}

size_t TItemScrollView::RowForKey(
    int AKey, size_t ACount, size_t ACurrent, const std::function<size_t(size_t, bool)>& APageFrom) const
{
    const bool none = ACurrent == TOutlineRows::NoRow;
    switch (AKey) {
    case Qt::Key_Up:
        return none || ACurrent == 0 ? 0 : ACurrent - 1;
    case Qt::Key_Down:
        return none ? 0 : qMin(ACount - 1, ACurrent + 1);
    case Qt::Key_PageUp:
        return none ? 0 : APageFrom(ACurrent, false);
    case Qt::Key_PageDown:
        return none ? 0 : APageFrom(ACurrent, true);
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return ACount - 1;
    default:
        return TOutlineRows::NoRow;
    }
}

size_t TItemScrollView::FindTyped(
    const QString& AText, size_t ACount, size_t ACurrent, const std::function<QString(size_t)>& ANameOf)
{
    if (!FTypedTimer.isValid() || FTypedTimer.elapsed() > QApplication::keyboardInputInterval())
        FTyped.clear();
    FTypedTimer.restart();
    FTyped += AText;
    // The same key again and again goes from one name starting with it to the next.
    const bool sameKey = FTyped.size() > 1 && FTyped.count(FTyped[0]) == FTyped.size();
    const QString wanted = sameKey ? FTyped.left(1) : FTyped;
    size_t start = ACurrent == TOutlineRows::NoRow ? 0 : ACurrent;
    if (wanted.size() == 1 && ACurrent != TOutlineRows::NoRow)
        ++start;
    for (size_t i = 0; i < ACount; ++i) {
        const size_t row = (start + i) % ACount;
        if (ANameOf(row).startsWith(wanted, Qt::CaseInsensitive))
            return row;
    }
    return TOutlineRows::NoRow;
}

// --- TOutlineTreeView

TOutlineTreeView::TOutlineTreeView(QWidget* AParent)
    : TItemScrollView(AParent)
{
    InstallOutlineTreeAccessible();
    FModel = new TOutlineTreeModel(this);
    SetHeaderLabels(FModel);
    FHeader->setSectionsClickable(true);
    FDelegate = new QStyledItemDelegate(this);
    FIndentation = style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
    FollowHeader();
}

TOutlineTreeView::~TOutlineTreeView() = default;

void TOutlineTreeView::SetOutline(const TOutline* AOutline)
{
    FModel->SetOutline(AOutline);
    FRows.Reset(AOutline);
    FCurrent = NoNode;
    FWidestIndent = 0;
    FRowHeight = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateGeometries();
    FitFillColumn();
    viewport()->update();
}

void TOutlineTreeView::SetCurrentNode(TNodeIndex ANode)
{
    if (ANode == FCurrent)
        return;
    FCurrent = ANode;
    viewport()->update();
    NotifyOutlineTreeFocus(this, ANode);
    Q_EMIT CurrentNodeChanged(ANode);
}

void TOutlineTreeView::ScrollToNode(TNodeIndex ANode)
{
    if (!Outline() || ANode >= Outline()->NodeCount())
        return;
    if (!FRows.IsShown(ANode)) {
        FRows.ExpandAncestors(ANode, TopRow());
        Relayout();
    }
    const size_t row = FRows.RowOf(ANode, TopRow());
    if (row == TOutlineRows::NoRow)
        return;
    const size_t top = TopRow();
    const size_t visible = size_t(qMax(1, VisibleRowCount()));
    if (row < top)
        verticalScrollBar()->setValue(int(row));
    else if (row >= top + visible)
        verticalScrollBar()->setValue(int(row - visible + 1));
}

void TOutlineTreeView::ScrollNodeToTop(TNodeIndex ANode)
{
    if (!Outline() || ANode >= Outline()->NodeCount())
        return;
    if (!FRows.IsShown(ANode)) {
        FRows.ExpandAncestors(ANode, TopRow());
        Relayout();
    }
    const size_t row = FRows.RowOf(ANode, TopRow());
    if (row != TOutlineRows::NoRow)
        verticalScrollBar()->setValue(int(qMin<size_t>(row, INT_MAX)));
}

void TOutlineTreeView::ScrollToBottom()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TOutlineTreeView::SetExpanded(TNodeIndex ANode, bool AExpanded)
{
    FRows.SetExpanded(ANode, AExpanded, TopRow());
    Relayout();
}

void TOutlineTreeView::SetSubtreeExpanded(TNodeIndex ANode, bool AExpanded)
{
    FRows.SetSubtreeExpanded(ANode, AExpanded, TopRow());
    Relayout();
}

void TOutlineTreeView::ExpandAll()
{
    FRows.ExpandAll();
    Relayout();
}

void TOutlineTreeView::CollapseAll()
{
    FRows.CollapseAll();
    Relayout();
}

void TOutlineTreeView::RestoreExpanded(const std::vector<TNodeIndex>& ANodes)
{
    FRows.RestoreExpanded(ANodes);
    Relayout();
}

QPoint TOutlineTreeView::ScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TOutlineTreeView::SetScrollPosition(const QPoint& APosition)
{
    UpdateGeometries();
    horizontalScrollBar()->setValue(APosition.x());
    verticalScrollBar()->setValue(APosition.y());
}

int TOutlineTreeView::RowHeight() const
{
    if (FRowHeight > 0)
        return FRowHeight;
    // As tall as the item delegate makes the top-level node's cells, the way item views measure
    // rows of uniform height.
    QStyleOptionViewItem option;
    InitCellOption(option, NoNode, false);
    int height = 0;
    const TOutline* outline = Outline();
    if (outline && !outline->IsEmpty()) {
        for (int column = 0; column < 2; ++column)
            height =
                qMax(height, FDelegate->sizeHint(option, FModel->IndexOf(outline->Root(), column)).height());
    } else {
        height = qMax(fontMetrics().height(), SmallIconSide) + 2;
    }
    FRowHeight = qMax(1, height);
    return FRowHeight;
}

size_t TOutlineTreeView::TopRow() const
{
    return size_t(qMax(0, verticalScrollBar()->value()));
}

int TOutlineTreeView::VisibleRowCount() const
{
    return qMax(0, viewport()->height() / RowHeight());
}

size_t TOutlineTreeView::RowAt(int AY) const
{
    if (AY < 0)
        return TOutlineRows::NoRow;
    const size_t row = TopRow() + size_t(AY / RowHeight());
    return row < FRows.RowCount() ? row : TOutlineRows::NoRow;
}

int TOutlineTreeView::ShownRowCount() const
{
    if (!Outline())
        return 0;
    const size_t left = FRows.RowCount() - std::min(FRows.RowCount(), TopRow());
    return int(std::min(left, size_t(VisibleRowCount()) + 1));
}

TNodeIndex TOutlineTreeView::ShownNode(int AIndex) const
{
    return AIndex >= 0 && AIndex < ShownRowCount() ? FRows.NodeAt(TopRow() + size_t(AIndex)) : NoNode;
}

QRect TOutlineTreeView::ShownRowRect(int AIndex) const
{
    return {0, AIndex * RowHeight(), viewport()->width(), RowHeight()};
}

int TOutlineTreeView::ShownIndexAt(int AY) const
{
    const size_t row = RowAt(AY);
    return row == TOutlineRows::NoRow ? -1 : int(row - TopRow());
}

int TOutlineTreeView::Level(TNodeIndex ANode) const
{
    return Outline() ? Outline()->Level(ANode) : 0;
}

void TOutlineTreeView::UpdateGeometries()
{
    PlaceHeader();
    const int visible = VisibleRowCount();
    const qint64 rows = qint64(FRows.RowCount());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int(qMin<qint64>(INT_MAX, qMax<qint64>(0, rows - visible))));
    vertical->setPageStep(qMax(1, visible));
}

void TOutlineTreeView::setColumnHidden(int AColumn, bool AHide)
{
    FHeader->setSectionHidden(AColumn, AHide);
    UpdateGeometries();
    FitFillColumn();
    viewport()->update();
}

bool TOutlineTreeView::isColumnHidden(int AColumn) const
{
    return FHeader->isSectionHidden(AColumn);
}

void TOutlineTreeView::SetTreeLines(bool AOn)
{
    FTreeLines = AOn;
    viewport()->update();
}

void TOutlineTreeView::SetTintedColumn(int AColumn, const QColor& AColor)
{
    FTintedColumn = AColumn;
    FTint = AColor;
    viewport()->update();
}

void TOutlineTreeView::SetFillColumn(int AColumn, int AMinimumWidth, int ATextRoom)
{
    FFillColumn = AColumn;
    FFillMinimum = AMinimumWidth;
    FFillTextRoom = ATextRoom;
    FHeader->setSectionResizeMode(AColumn, QHeaderView::Interactive);
    FitFillColumn();
}

void TOutlineTreeView::FitFillColumn()
{
    if (FFillColumn < 0 || FFillColumn >= FHeader->count())
        return;
    int others = 0;
    for (int logical = 0; logical < FHeader->count(); ++logical)
        if (logical != FFillColumn && !FHeader->isSectionHidden(logical))
            others += FHeader->sectionSize(logical);
    const int leftOver = viewport()->width() - others;
    const int content = FWidestIndent + SmallIconSide + FFillTextRoom;
    const int width = qMax(FFillMinimum, qMax(leftOver, content));
    if (FHeader->sectionSize(FFillColumn) != width)
        FHeader->resizeSection(FFillColumn, width);
}

void TOutlineTreeView::resizeEvent(QResizeEvent* AEvent)
{
    QAbstractScrollArea::resizeEvent(AEvent);
    UpdateGeometries();
    FitFillColumn();
}

void TOutlineTreeView::changeEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::FontChange || AEvent->type() == QEvent::StyleChange) {
        FRowHeight = 0;
        FIndentation = style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
        UpdateGeometries();
    }
    QAbstractScrollArea::changeEvent(AEvent);
}

QRect TOutlineTreeView::CellRect(size_t ARow, int AColumn) const
{
    const int top = int(qint64(ARow) - qint64(TopRow())) * RowHeight();
    QRect cell(FHeader->sectionViewportPosition(AColumn), top, FHeader->sectionSize(AColumn), RowHeight());
    if (AColumn == 0) {
        const int indent = (Level(FRows.NodeAt(ARow)) + 1) * FIndentation;
        cell.setLeft(cell.left() + indent);
    }
    return cell;
}

QRect TOutlineTreeView::ExpanderRect(size_t ARow) const
{
    const QRect cell = CellRect(ARow, 0);
    return {cell.left() - FIndentation, cell.top(), FIndentation, cell.height()};
}

void TOutlineTreeView::InitCellOption(QStyleOptionViewItem& AOption, TNodeIndex ANode, bool ASelected) const
{
    InitItemOption(AOption, ASelected);
    if (ANode != NoNode && Outline()) {
        if (Outline()->ChildCount(ANode) > 0)
            AOption.state |= QStyle::State_Children;
        if (FRows.IsExpanded(ANode))
            AOption.state |= QStyle::State_Open;
    }
}

void TOutlineTreeView::PaintBranches(
    QPainter& APainter, const QRect& ARect, TNodeIndex ANode, bool ASelected) const
{
    const TOutline& outline = *Outline();
    if (FFillColumn == 0 && ARect.width() > FWidestIndent) {
        // Deeper rows than before came into view: the Tag column grows to show them.
        FWidestIndent = ARect.width();
        QMetaObject::invokeMethod(
            const_cast<TOutlineTreeView*>(this), &TOutlineTreeView::FitFillColumn, Qt::QueuedConnection);
    }
    QStyleOptionViewItem option;
    InitCellOption(option, ANode, ASelected);
    if (ASelected) {
        option.rect = ARect;
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &APainter, this);
    }
    const auto hasNextSibling = [&outline](TNodeIndex ANodeOf) {
        const TNodeIndex parent = outline.Parent(ANodeOf);
        return parent != NoNode && outline.Row(ANodeOf) + 1 < outline.ChildCount(parent);
    };
    const int step = FIndentation;
    if (FTreeLines) {
        // Dotted lines: through every ancestor level that has more siblings below, and an elbow to the
        // node itself.
        APainter.save();
        QPen pen(GridColor().darker(135));
        pen.setStyle(Qt::DotLine);
        APainter.setPen(pen);
        const int midY = ARect.center().y();
        int x = ARect.right() - step / 2;
        APainter.drawLine(x, ARect.top(), x, hasNextSibling(ANode) ? ARect.bottom() : midY);
        APainter.drawLine(x, midY, x + step / 2, midY);
        for (TNodeIndex ancestor = outline.Parent(ANode); ancestor != NoNode;
             ancestor = outline.Parent(ancestor)) {
            x -= step;
            if (hasNextSibling(ancestor))
                APainter.drawLine(x, ARect.top(), x, ARect.bottom());
        }
        APainter.restore();
    }
    // The style's own branch pictures: the expander of the node, and whatever the style draws for
    // the levels of its ancestors.
    QStyleOption branch;
    branch.initFrom(this);
    branch.state = QStyle::State_Enabled | (ASelected ? QStyle::State_Selected : QStyle::State_None);
    QRect slot(ARect.right() + 1 - step, ARect.top(), step, ARect.height());
    branch.rect = slot;
    branch.state |= QStyle::State_Item;
    if (hasNextSibling(ANode))
        branch.state |= QStyle::State_Sibling;
    if (outline.ChildCount(ANode) > 0)
        branch.state |= QStyle::State_Children;
    if (FRows.IsExpanded(ANode))
        branch.state |= QStyle::State_Open;
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &APainter, this);
    for (TNodeIndex ancestor = outline.Parent(ANode); ancestor != NoNode;
         ancestor = outline.Parent(ancestor)) {
        slot.translate(-step, 0);
        branch.rect = slot;
        branch.state = QStyle::State_Enabled | (ASelected ? QStyle::State_Selected : QStyle::State_None);
        if (hasNextSibling(ancestor))
            branch.state |= QStyle::State_Sibling;
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &APainter, this);
    }
}

void TOutlineTreeView::PaintRow(QPainter& APainter, size_t ARow, int ATop) const
{
    const TNodeIndex node = FRows.NodeAt(ARow);
    const bool selected = node == FCurrent;
    const int height = RowHeight();
    if (FTintedColumn >= 0 && !FHeader->isSectionHidden(FTintedColumn))
        APainter.fillRect(QRect(FHeader->sectionViewportPosition(FTintedColumn), ATop,
                              FHeader->sectionSize(FTintedColumn), height),
            FTint);
    QStyleOptionViewItem option;
    InitCellOption(option, node, selected);
    PaintCells(
        APainter, option, ATop, height, [this, node](int AColumn) { return FModel->IndexOf(node, AColumn); },
        [&](QRect& ACell) {
            const int indent = (Level(node) + 1) * FIndentation;
            PaintBranches(APainter, QRect(ACell.left(), ATop, indent, height), node, selected);
            ACell.setLeft(ACell.left() + indent);
        });
    PaintRowLine(APainter, ATop + height - 1);
}

void TOutlineTreeView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    // The tinted column reads as one band, below the last row too.
    if (FTintedColumn >= 0 && !FHeader->isSectionHidden(FTintedColumn))
        painter.fillRect(QRect(FHeader->sectionViewportPosition(FTintedColumn), 0,
                             FHeader->sectionSize(FTintedColumn), viewport()->height()),
            FTint);
    if (Outline()) {
        const int height = RowHeight();
        int top = 0;
        for (size_t row = TopRow(); row < FRows.RowCount() && top < viewport()->height(); ++row) {
            PaintRow(painter, row, top);
            top += height;
        }
    }
    PaintColumnLines(painter);
}

void TOutlineTreeView::MoveTo(size_t ARow)
{
    if (ARow >= FRows.RowCount())
        return;
    const TNodeIndex node = FRows.NodeAt(ARow);
    ScrollToNode(node);
    SetCurrentNode(node);
}

void TOutlineTreeView::keyPressEvent(QKeyEvent* AEvent)
{
    const size_t count = FRows.RowCount();
    if (count == 0 || (AEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    const size_t found = FCurrent == NoNode ? TOutlineRows::NoRow : FRows.RowOf(FCurrent, TopRow());
    const bool none = found == TOutlineRows::NoRow;
    const size_t row = none ? 0 : found;
    const size_t page = size_t(qMax(1, VisibleRowCount()));
    const size_t moved = RowForKey(AEvent->key(), count, found, [page, count](size_t ARow, bool AForward) {
        return AForward ? qMin(count - 1, ARow + page) : (ARow > page ? ARow - page : 0);
    });
    if (moved != TOutlineRows::NoRow) {
        MoveTo(moved);
        AEvent->accept();
        return;
    }
    const TOutline& outline = *Outline();
    switch (AEvent->key()) {
    case Qt::Key_Left:
        if (none)
            MoveTo(0);
        else if (FRows.IsExpanded(FCurrent))
            SetExpanded(FCurrent, false);
        else if (outline.Parent(FCurrent) != NoNode)
            MoveTo(FRows.RowOf(outline.Parent(FCurrent), row > 0 ? row - 1 : 0));
        break;
    case Qt::Key_Right:
        if (none)
            MoveTo(0);
        else if (outline.ChildCount(FCurrent) > 0 && !FRows.IsExpanded(FCurrent))
            SetExpanded(FCurrent, true);
        else if (FRows.IsExpanded(FCurrent))
            MoveTo(row + 1);
        break;
    case Qt::Key_Plus:
        if (!none)
            SetExpanded(FCurrent, true);
        break;
    case Qt::Key_Minus:
        if (!none)
            SetExpanded(FCurrent, false);
        break;
    case Qt::Key_Asterisk:
        if (!none)
            SetSubtreeExpanded(FCurrent, true);
        break;
    default:
        if (!AEvent->text().isEmpty() && AEvent->text()[0].isPrint()) {
            KeyboardSearch(AEvent->text());
            break;
        }
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    AEvent->accept();
}

void TOutlineTreeView::KeyboardSearch(const QString& AText)
{
    const size_t current = FCurrent == NoNode ? TOutlineRows::NoRow : FRows.RowOf(FCurrent, TopRow());
    const size_t found = FindTyped(AText, FRows.RowCount(), current,
        [this](size_t ARow) { return ToQString(Outline()->NodeData(FRows.NodeAt(ARow)).Name); });
    if (found != TOutlineRows::NoRow)
        MoveTo(found);
}

void TOutlineTreeView::PressAt(const QPoint& APos)
{
    const size_t row = RowAt(APos.y());
    if (row == TOutlineRows::NoRow)
        return;
    const TNodeIndex node = FRows.NodeAt(row);
    const bool onColumn0 = FHeader->logicalIndexAt(APos.x()) == 0;
    if (onColumn0 && ExpanderRect(row).contains(APos) && Outline()->ChildCount(node) > 0) {
        SetExpanded(node, !FRows.IsExpanded(node));
        return;
    }
    SetCurrentNode(node);
}

void TOutlineTreeView::mousePressEvent(QMouseEvent* AEvent)
{
    PressAt(AEvent->position().toPoint());
    AEvent->accept();
}

void TOutlineTreeView::mouseDoubleClickEvent(QMouseEvent* AEvent)
{
    const QPoint pos = AEvent->position().toPoint();
    const size_t row = RowAt(pos.y());
    if (row == TOutlineRows::NoRow)
        return;
    const TNodeIndex node = FRows.NodeAt(row);
    if (FHeader->logicalIndexAt(pos.x()) == 0 && ExpanderRect(row).contains(pos)) {
        // A second click on the expander toggles it again, as the first did.
        PressAt(pos);
        return;
    }
    if (AEvent->button() == Qt::LeftButton) {
        if (Outline()->ChildCount(node) > 0)
            SetExpanded(node, !FRows.IsExpanded(node));
        Q_EMIT NodeDoubleClicked(node);
    }
    AEvent->accept();
}

bool TOutlineTreeView::ShowToolTip(const QPoint& APos, const QPoint& AGlobalPos)
{
    const size_t row = RowAt(APos.y());
    const int column = FHeader->logicalIndexAt(APos.x());
    if (row == TOutlineRows::NoRow || column < 0)
        return false;
    QStyleOptionViewItem option;
    InitCellOption(option, FRows.NodeAt(row), false);
    option.rect = CellRect(row, column);
    return ShowCellToolTip(FModel->IndexOf(FRows.NodeAt(row), column), option, AGlobalPos);
}

bool TOutlineTreeView::viewportEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
        if (!Outline() || !ShowToolTip(help->pos(), help->globalPos()))
            QToolTip::hideText();
        return true;
    }
    if (AEvent->type() == QEvent::Resize) {
        // The viewport changes size also when a scroll bar comes or goes.
        const bool result = QAbstractScrollArea::viewportEvent(AEvent);
        UpdateGeometries();
        FitFillColumn();
        return result;
    }
    return QAbstractScrollArea::viewportEvent(AEvent);
}

// --- TChildListView

TChildListView::TChildListView(QWidget* AParent)
    : TItemScrollView(AParent)
{
    InstallOutlineTreeAccessible();
    FModel = new TChildListModel(this);
    SetHeaderLabels(FModel);
    FDelegate = new TWrapDelegate(this, FHeader, 1);
    // Row heights follow the column widths: a resized column lays the rows out again.
    FollowHeader();
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        FCurrent = NoRow;
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
        Relayout();
    });
}

const TOutline* TChildListView::Outline() const
{
    return FModel->Outline();
}

int TChildListView::ShownRowCount() const
{
    const int count = FModel->rowCount();
    int shown = 0;
    for (int row = TopRow(), top = 0; row < count && top < viewport()->height(); ++row, ++shown)
        top += RowHeight(row);
    return shown;
}

TNodeIndex TChildListView::ShownNode(int AIndex) const
{
    // Rows below the view are not looked for: measuring what is on screen costs more.
    return AIndex >= 0 ? FModel->NodeOf(FModel->index(TopRow() + AIndex, 0)) : NoNode;
}

QRect TChildListView::ShownRowRect(int AIndex) const
{
    const QRect cell = CellRect(TopRow() + AIndex, 0);
    return cell.isNull() ? QRect() : QRect(0, cell.top(), viewport()->width(), cell.height());
}

int TChildListView::ShownIndexAt(int AY) const
{
    const int row = RowAt(AY);
    return row == NoRow ? -1 : row - TopRow();
}

TNodeIndex TChildListView::CurrentNode() const
{
    return FCurrent == NoRow ? NoNode : FModel->NodeOf(FModel->index(FCurrent, 0));
}

void TChildListView::SetCurrentRow(int ARow)
{
    if (ARow < NoRow || ARow >= FModel->rowCount() || ARow == FCurrent)
        return;
    FCurrent = ARow;
    viewport()->update();
    NotifyOutlineTreeFocus(this, CurrentNode());
    Q_EMIT CurrentRowChanged(ARow);
}

int TChildListView::TopRow() const
{
    return qMax(0, verticalScrollBar()->value());
}

void TChildListView::InitCellOption(QStyleOptionViewItem& AOption, bool ASelected) const
{
    InitItemOption(AOption, ASelected);
    AOption.features |= QStyleOptionViewItem::WrapText;
}

int TChildListView::RowHeight(int ARow) const
{
    // The tallest cell at its column's width, as item views measure rows of differing heights.
    QStyleOptionViewItem option;
    InitCellOption(option, false);
    int height = 0;
    for (int column = 0; column < FHeader->count(); ++column) {
        if (FHeader->isSectionHidden(column))
            continue;
        // No height: the style measures the name unwrapped; the value column's delegate wraps its
        // text to the column's width itself.
        option.rect = QRect(0, 0, FHeader->sectionSize(column), 0);
        height = qMax(height, FDelegate->sizeHint(option, FModel->index(ARow, column)).height());
    }
    return qMax(1, height);
}

int TChildListView::RowAt(int AY) const
{
    if (AY < 0)
        return NoRow;
    const int count = FModel->rowCount();
    int bottom = 0;
    for (int row = TopRow(); row < count; ++row) {
        bottom += RowHeight(row);
        if (AY < bottom)
            return row;
    }
    return NoRow;
}

QRect TChildListView::CellRect(int ARow, int AColumn) const
{
    int top = 0;
    for (int row = TopRow(); row <= ARow && top < viewport()->height(); ++row) {
        const int height = RowHeight(row);
        if (row == ARow)
            return {FHeader->sectionViewportPosition(AColumn), top, FHeader->sectionSize(AColumn), height};
        top += height;
    }
    return {};
}

int TChildListView::TopRowShowing(int ARow) const
{
    const int room = viewport()->height();
    int top = ARow;
    int used = RowHeight(ARow);
    while (top > 0) {
        const int above = RowHeight(top - 1);
        if (used + above > room)
            break;
        used += above;
        --top;
    }
    return top;
}

int TChildListView::PageFrom(int ARow, bool AForward) const
{
    const int count = FModel->rowCount();
    const int room = viewport()->height();
    int row = ARow;
    int used = 0;
    while (AForward ? row + 1 < count : row > 0) {
        const int next = AForward ? row + 1 : row - 1;
        used += RowHeight(AForward ? row : next);
        if (used > room && row != ARow)
            break;
        row = next;
    }
    return row;
}

void TChildListView::UpdateGeometries()
{
    PlaceHeader();
    // Scrolled per row: the last top row is the first of the rows that fill the view at the end.
    const int count = FModel->rowCount();
    const int lastTop = count == 0 ? 0 : TopRowShowing(count - 1);
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, lastTop);
    vertical->setPageStep(qMax(1, count - lastTop));
}

void TChildListView::ScrollToRow(int ARow)
{
    if (ARow < 0 || ARow >= FModel->rowCount())
        return;
    const int top = TopRow();
    if (ARow < top) {
        verticalScrollBar()->setValue(ARow);
        return;
    }
    const int room = viewport()->height();
    int bottom = 0;
    for (int row = top; row <= ARow && bottom <= room; ++row)
        bottom += RowHeight(row);
    if (bottom > room)
        verticalScrollBar()->setValue(qMax(top + 1, TopRowShowing(ARow)));
}

void TChildListView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int count = FModel->rowCount();
    int top = 0;
    for (int row = TopRow(); row < count && top < viewport()->height(); ++row) {
        const int height = RowHeight(row);
        QStyleOptionViewItem option;
        InitCellOption(option, row == FCurrent);
        // One focus frame round the whole row rather than one in every cell, as item views that
        // show the focus on all columns draw it.
        const bool focusFrame = option.state & QStyle::State_HasFocus;
        option.state &= ~QStyle::State_HasFocus;
        PaintCells(
            painter, option, top, height, [this, row](int AColumn) { return FModel->index(row, AColumn); });
        if (focusFrame) {
            QStyleOptionFocusRect frame;
            frame.QStyleOption::operator=(option);
            frame.state |= QStyle::State_KeyboardFocusChange;
            frame.backgroundColor = option.palette.color(QPalette::Highlight);
            frame.rect = QRect(-FHeader->offset(), top, FHeader->length(), height);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
        }
        PaintRowLine(painter, top + height - 1);
        top += height;
    }
    PaintColumnLines(painter);
}

void TChildListView::MoveTo(int ARow)
{
    ScrollToRow(ARow);
    SetCurrentRow(ARow);
}

void TChildListView::keyPressEvent(QKeyEvent* AEvent)
{
    const int count = FModel->rowCount();
    if (count == 0 || (AEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    const bool none = FCurrent == NoRow;
    const size_t moved =
        RowForKey(AEvent->key(), size_t(count), none ? TOutlineRows::NoRow : size_t(FCurrent),
            [this](size_t ARow, bool AForward) { return size_t(PageFrom(int(ARow), AForward)); });
    if (moved != TOutlineRows::NoRow) {
        MoveTo(int(moved));
        AEvent->accept();
        return;
    }
    switch (AEvent->key()) {
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default:
        if (!AEvent->text().isEmpty() && AEvent->text()[0].isPrint()) {
            const size_t found =
                FindTyped(AEvent->text(), size_t(count), none ? TOutlineRows::NoRow : size_t(FCurrent),
                    [this](size_t ARow) { return FModel->CellText(int(ARow), 0); });
            if (found != TOutlineRows::NoRow)
                MoveTo(int(found));
            break;
        }
        // Enter and the rest go on to the window, as in item views.
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    AEvent->accept();
}

void TChildListView::mousePressEvent(QMouseEvent* AEvent)
{
    const int row = RowAt(AEvent->position().toPoint().y());
    if (row != NoRow)
        SetCurrentRow(row);
    AEvent->accept();
}

void TChildListView::mouseMoveEvent(QMouseEvent* AEvent)
{
    // Dragging with the button held moves the selection along, as in item views.
    if (AEvent->buttons() & Qt::LeftButton) {
        const QPoint pos = AEvent->position().toPoint();
        const int row = RowAt(qBound(0, pos.y(), viewport()->height() - 1));
        if (row != NoRow)
            MoveTo(row);
    }
    AEvent->accept();
}

void TChildListView::mouseDoubleClickEvent(QMouseEvent* AEvent)
{
    const int row = RowAt(AEvent->position().toPoint().y());
    if (row == NoRow)
        return;
    SetCurrentRow(row);
    if (AEvent->button() == Qt::LeftButton)
        Q_EMIT RowDoubleClicked(row);
    AEvent->accept();
}

bool TChildListView::viewportEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
        const int row = RowAt(help->pos().y());
        const int column = FHeader->logicalIndexAt(help->pos().x());
        QStyleOptionViewItem option;
        InitCellOption(option, false);
        if (row != NoRow && column >= 0)
            option.rect = CellRect(row, column);
        if (row == NoRow || column < 0
            || !ShowCellToolTip(FModel->index(row, column), option, help->globalPos()))
            QToolTip::hideText();
        return true;
    }
    if (AEvent->type() == QEvent::Resize) {
        // The viewport changes size also when a scroll bar comes or goes.
        const bool result = QAbstractScrollArea::viewportEvent(AEvent);
        UpdateGeometries();
        return result;
    }
    return QAbstractScrollArea::viewportEvent(AEvent);
}

void TChildListView::resizeEvent(QResizeEvent* AEvent)
{
    QAbstractScrollArea::resizeEvent(AEvent);
    UpdateGeometries();
}

void TChildListView::changeEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::FontChange || AEvent->type() == QEvent::StyleChange)
        UpdateGeometries();
    QAbstractScrollArea::changeEvent(AEvent);
}
