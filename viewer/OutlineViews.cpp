#include "viewer/OutlineViews.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

TGridTreeView::TGridTreeView(QWidget* AParent)
    : QTreeView(AParent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
}

void TGridTreeView::SetGridLines(bool AOn)
{
    FGridLines = AOn;
    viewport()->update();
}

void TGridTreeView::SetTreeLines(bool AOn)
{
    FTreeLines = AOn;
    viewport()->update();
}

void TGridTreeView::SetTintedColumn(int AColumn, const QColor& AColor)
{
    FTintedColumn = AColumn;
    FTint = AColor;
    viewport()->update();
}

void TGridTreeView::SetFillColumn(int AColumn, int AMinimumWidth, int ATextRoom)
{
    FFillColumn = AColumn;
    FFillMinimum = AMinimumWidth;
    FFillTextRoom = ATextRoom;
    header()->setSectionResizeMode(AColumn, QHeaderView::Interactive);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (model())
        connect(model(), &QAbstractItemModel::modelReset, this, [this] {
            FWidestIndent = 0;
            FitFillColumn();
        });
    FitFillColumn();
}

void TGridTreeView::FitFillColumn()
{
    if (FFillColumn < 0 || FFillColumn >= header()->count())
        return;
    int others = 0;
    for (int logical = 0; logical < header()->count(); ++logical)
        if (logical != FFillColumn && !header()->isSectionHidden(logical))
            others += header()->sectionSize(logical);
    const int leftOver = viewport()->width() - others;
    const int content = FWidestIndent + iconSize().width() + FFillTextRoom;
    const int width = qMax(FFillMinimum, qMax(leftOver, content));
    if (header()->sectionSize(FFillColumn) != width)
        header()->resizeSection(FFillColumn, width);
}

void TGridTreeView::resizeEvent(QResizeEvent* AEvent)
{
    QTreeView::resizeEvent(AEvent);
    FitFillColumn();
}

QColor TGridTreeView::GridColor() const
{
    // Plain enough to read as lines on the white and the tinted backgrounds alike.
    const QColor base = palette().color(QPalette::Base);
    return base.lightness() > 128 ? base.darker(150) : base.lighter(170);
}

void TGridTreeView::drawRow(
    QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const
{
    if (FTintedColumn >= 0 && !header()->isSectionHidden(FTintedColumn)) {
        const int x = columnViewportPosition(FTintedColumn);
        APainter->fillRect(
            QRect(x, AOption.rect.top(), columnWidth(FTintedColumn), AOption.rect.height()), FTint);
    }
    QTreeView::drawRow(APainter, AOption, AIndex);
    if (FGridLines) {
        APainter->save();
        APainter->setPen(GridColor());
        APainter->drawLine(
            AOption.rect.left(), AOption.rect.bottom(), viewport()->width(), AOption.rect.bottom());
        APainter->restore();
    }
}

void TGridTreeView::paintEvent(QPaintEvent* AEvent)
{
    // Fill the tinted column below the last row too, so the column reads as one band.
    if (FTintedColumn >= 0 && !header()->isSectionHidden(FTintedColumn)) {
        QPainter p(viewport());
        p.fillRect(
            QRect(columnViewportPosition(FTintedColumn), 0, columnWidth(FTintedColumn), viewport()->height()),
            FTint);
    }
    QTreeView::paintEvent(AEvent);
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

void TGridTreeView::drawBranches(QPainter* APainter, const QRect& ARect, const QModelIndex& AIndex) const
{
    if (FFillColumn == 0 && ARect.width() > FWidestIndent) {
        // Deeper rows than before came into view: the Tag column grows to show them.
        FWidestIndent = ARect.width();
        QMetaObject::invokeMethod(
            const_cast<TGridTreeView*>(this), &TGridTreeView::FitFillColumn, Qt::QueuedConnection);
    }
    if (FTreeLines) {
        // Dotted lines: through every ancestor level that has more siblings below, and an elbow to the
        // node itself.
        APainter->save();
        QPen pen(GridColor().darker(135));
        pen.setStyle(Qt::DotLine);
        APainter->setPen(pen);
        const int step = indentation();
        int level = 0;
        for (QModelIndex i = AIndex.parent(); i.isValid(); i = i.parent())
            ++level;
        const int rootOffset = rootIsDecorated() ? 0 : -1;
        const int midY = ARect.center().y();
        int x = ARect.right() - step / 2;
        const QModelIndex parent = AIndex.parent();
        const bool hasNext = AIndex.row() + 1 < model()->rowCount(parent);
        if (level + rootOffset >= 0) {
            APainter->drawLine(x, ARect.top(), x, hasNext ? ARect.bottom() : midY);
            APainter->drawLine(x, midY, x + step / 2, midY);
        }
        QModelIndex ancestor = parent;
        for (int l = level - 1; l + rootOffset >= 0 && ancestor.isValid(); --l) {
            x -= step;
            if (ancestor.row() + 1 < model()->rowCount(ancestor.parent()))
                APainter->drawLine(x, ARect.top(), x, ARect.bottom());
            ancestor = ancestor.parent();
        }
        APainter->restore();
    }
    QTreeView::drawBranches(APainter, ARect, AIndex);
}

bool TGridTreeView::viewportEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
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
    return QTreeView::viewportEvent(AEvent);
}

TWrapDelegate::TWrapDelegate(QTreeView* AView, int AWrappedColumn)
    : QStyledItemDelegate(AView)
    , FView(AView)
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
    const int width = qMax(1, FView->columnWidth(FColumn) - 2 * margin);
    const QRect needed = AOption.fontMetrics.boundingRect(
        QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextWrapAnywhere, AIndex.data().toString());
    size.setHeight(qMax(size.height(), needed.height() + 4));
    size.setWidth(qMin(size.width(), FView->columnWidth(FColumn)));
    return size;
}
