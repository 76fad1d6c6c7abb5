#include "viewer/OutlineViews.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

TGridTreeView::TGridTreeView(QWidget* parent)
    : QTreeView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
}

void TGridTreeView::SetGridLines(bool on)
{
    FGridLines = on;
    viewport()->update();
}

void TGridTreeView::SetTreeLines(bool on)
{
    FTreeLines = on;
    viewport()->update();
}

void TGridTreeView::SetTintedColumn(int column, const QColor& color)
{
    FTintedColumn = column;
    FTint = color;
    viewport()->update();
}

QColor TGridTreeView::GridColor() const
{
    const QColor base = palette().color(QPalette::Base);
    return base.lightness() > 128 ? base.darker(118) : base.lighter(140);
}

void TGridTreeView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (FTintedColumn >= 0 && !header()->isSectionHidden(FTintedColumn)) {
        const int x = columnViewportPosition(FTintedColumn);
        painter->fillRect(
            QRect(x, option.rect.top(), columnWidth(FTintedColumn), option.rect.height()), FTint);
    }
    QTreeView::drawRow(painter, option, index);
    if (FGridLines) {
        painter->save();
        painter->setPen(GridColor());
        painter->drawLine(
            option.rect.left(), option.rect.bottom(), viewport()->width(), option.rect.bottom());
        painter->restore();
    }
}

void TGridTreeView::paintEvent(QPaintEvent* event)
{
    // Fill the tinted column below the last row too, so the column reads as one band.
    if (FTintedColumn >= 0 && !header()->isSectionHidden(FTintedColumn)) {
        QPainter p(viewport());
        p.fillRect(
            QRect(columnViewportPosition(FTintedColumn), 0, columnWidth(FTintedColumn), viewport()->height()),
            FTint);
    }
    QTreeView::paintEvent(event);
    // Vertical grid lines over the full height, at the right edge of every visible column.
    QPainter p(viewport());
    p.setPen(GridColor());
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (header()->isSectionHidden(logical))
            continue;
        const int x = columnViewportPosition(logical) + columnWidth(logical) - 1;
        p.drawLine(x, 0, x, viewport()->height());
    }
}

void TGridTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    if (FTreeLines) {
        // Dotted lines: through every ancestor level that has more siblings below, and an elbow to the
        // node itself.
        painter->save();
        QPen pen(GridColor().darker(135));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        const int step = indentation();
        int level = 0;
        for (QModelIndex i = index.parent(); i.isValid(); i = i.parent())
            ++level;
        const int rootOffset = rootIsDecorated() ? 0 : -1;
        const int midY = rect.center().y();
        int x = rect.right() - step / 2;
        const QModelIndex parent = index.parent();
        const bool hasNext = index.row() + 1 < model()->rowCount(parent);
        if (level + rootOffset >= 0) {
            painter->drawLine(x, rect.top(), x, hasNext ? rect.bottom() : midY);
            painter->drawLine(x, midY, x + step / 2, midY);
        }
        QModelIndex ancestor = parent;
        for (int l = level - 1; l + rootOffset >= 0 && ancestor.isValid(); --l) {
            x -= step;
            if (ancestor.row() + 1 < model()->rowCount(ancestor.parent()))
                painter->drawLine(x, rect.top(), x, rect.bottom());
            ancestor = ancestor.parent();
        }
        painter->restore();
    }
    QTreeView::drawBranches(painter, rect, index);
}

bool TGridTreeView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            const QString text = index.data(Qt::ToolTipRole).toString();
            const QRect cell = visualRect(index);
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = cell;
            const QSize needed = itemDelegateForIndex(index)->sizeHint(option, index);
            const bool cut = needed.width() > cell.width() || index.data().toString() != text;
            if (cut && !text.isEmpty()) {
                QToolTip::showText(help->globalPos(), text, viewport(), cell);
                return true;
            }
        }
        QToolTip::hideText();
        return true;
    }
    return QTreeView::viewportEvent(event);
}

TWrapDelegate::TWrapDelegate(QTreeView* view, int wrappedColumn)
    : QStyledItemDelegate(view)
    , FView(view)
    , FColumn(wrappedColumn)
{
}

void TWrapDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == FColumn) {
        option->features |= QStyleOptionViewItem::WrapText;
        option->displayAlignment = Qt::AlignLeft | Qt::AlignTop;
    }
}

QSize TWrapDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() != FColumn)
        return size;
    // The height the text needs when wrapped to the column's width; never below a one-line row.
    const int margin = FView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FView) + 1;
    const int width = qMax(1, FView->columnWidth(FColumn) - 2 * margin);
    const QRect needed = option.fontMetrics.boundingRect(
        QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextWrapAnywhere, index.data().toString());
    size.setHeight(qMax(size.height(), needed.height() + 4));
    size.setWidth(qMin(size.width(), FView->columnWidth(FColumn)));
    return size;
}
