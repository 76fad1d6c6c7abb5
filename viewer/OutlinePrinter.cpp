#include "viewer/OutlinePrinter.h"

#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <vector>

namespace {
constexpr int IconSide = 16;
constexpr int CellPadding = 4;
constexpr int ExpanderSide = 9;
const QColor HeaderColor(240, 240, 240);
const QColor GridColor(200, 200, 200);

struct TColumn {
    int Logical;
    int Left;
    int Width;
};

void DrawHeader(QPainter& APainter, const TOutlineTreeView& ATree, const std::vector<TColumn>& AColumns,
    int AWidth, int AHeight)
{
    APainter.fillRect(QRect(0, 0, AWidth, AHeight), HeaderColor);
    APainter.setPen(GridColor);
    APainter.drawLine(0, AHeight - 1, AWidth, AHeight - 1);
    for (const TColumn& column : AColumns) {
        const QRect cell(column.Left, 0, column.Width, AHeight);
        APainter.setPen(GridColor);
        APainter.drawLine(cell.right(), 0, cell.right(), AHeight - 1);
        APainter.setPen(Qt::black);
        const QString caption = ATree.Model()->headerData(column.Logical, Qt::Horizontal).toString();
        APainter.drawText(cell.adjusted(CellPadding, 0, -CellPadding, 0), Qt::AlignLeft | Qt::AlignVCenter,
            APainter.fontMetrics().elidedText(caption, Qt::ElideRight, column.Width - 2 * CellPadding));
    }
}

// The row of a shown node.
void DrawRow(QPainter& APainter, const TOutlineTreeView& ATree, const std::vector<TColumn>& AColumns,
    TNodeIndex ANode, int ATop, int AHeight, qreal AScale)
{
    const TOutlineTreeModel* model = ATree.Model();
    const TOutline& outline = *ATree.Outline();
    for (const TColumn& column : AColumns) {
        QRect cell(column.Left, ATop, column.Width, AHeight);
        if (column.Logical == ATree.TintedColumn())
            APainter.fillRect(cell, ATree.Tint());
        APainter.setPen(GridColor);
        APainter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        const QModelIndex index = model->IndexOf(ANode, column.Logical);
        QRect content = cell.adjusted(CellPadding, 0, -CellPadding, 0);
        if (column.Logical == 0) {
            const int levels = outline.Level(ANode) + (ATree.rootIsDecorated() ? 1 : 0);
            content.setLeft(cell.left() + levels * ATree.indentation());
            if (ATree.rootIsDecorated() && outline.ChildCount(ANode) > 0) {
                // The expander, as a box with a plus or a minus.
                const int mid = content.left() - ATree.indentation() / 2;
                const QRect box(
                    mid - ExpanderSide / 2, cell.center().y() - ExpanderSide / 2, ExpanderSide, ExpanderSide);
                APainter.setPen(Qt::darkGray);
                APainter.drawRect(box);
                APainter.drawLine(box.left() + 2, box.center().y(), box.right() - 2, box.center().y());
                if (!ATree.IsExpanded(ANode))
                    APainter.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
            }
            const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
            if (!icon.isNull()) {
                const QRect place(content.left(), cell.center().y() - IconSide / 2, IconSide, IconSide);
                APainter.drawPixmap(place, icon.pixmap(QSize(IconSide, IconSide), AScale));
                content.setLeft(place.right() + 1 + CellPadding);
            }
        }
        if (content.width() <= 0)
            continue;
        APainter.setPen(Qt::black);
        const QString text = index.data(Qt::DisplayRole).toString();
        APainter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter,
            APainter.fontMetrics().elidedText(text, Qt::ElideRight, content.width()));
    }
    if (ATree.GridLines()) {
        APainter.setPen(GridColor);
        const int right = AColumns.empty() ? 0 : AColumns.back().Left + AColumns.back().Width;
        APainter.drawLine(0, ATop + AHeight - 1, right, ATop + AHeight - 1);
    }
}
} // namespace

int TOutlinePrinter::RowsPerPage(double APageHeight, int AHeaderHeight, int ARowHeight)
{
    return std::max(1, int((APageHeight - AHeaderHeight) / std::max(1, ARowHeight)));
}

int TOutlinePrinter::Print(QPrinter& APrinter, const TOutlineTreeView& ATree)
{
    // Within the printer's own margins.
    APrinter.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&APrinter))
        return 0;
    // The columns as they are displayed: in their visual order, without the hidden ones.
    const QHeaderView* header = ATree.header();
    std::vector<TColumn> columns;
    int width = 0;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical) || header->sectionSize(logical) <= 0)
            continue;
        columns.push_back({logical, width, header->sectionSize(logical)});
        width += header->sectionSize(logical);
    }
    // The rows the tree shows, in display order: children only of expanded nodes.
    const TOutlineRows& rows = ATree.Rows();
    const size_t rowCount = ATree.Outline() ? rows.RowCount() : 0;

    // Drawn in screen pixels, scaled to the width of the page.
    const QRect page = APrinter.pageLayout().paintRectPixels(APrinter.resolution());
    const qreal scale = width > 0 ? qreal(page.width()) / width : 1.0;
    QFont font = ATree.font();
    font.setPixelSize(QFontInfo(ATree.font()).pixelSize());
    painter.setFont(font);
    painter.scale(scale, scale);
    const int rowHeight =
        std::max(rowCount == 0 ? 0 : ATree.RowHeight(), QFontMetrics(font).height() + CellPadding);
    const int headerHeight = std::max(header->sizeHint().height(), QFontMetrics(font).height() + CellPadding);
    const int perPage = RowsPerPage(page.height() / scale, headerHeight, rowHeight);

    int pages = 0;
    size_t next = 0;
    do {
        if (pages > 0)
            APrinter.newPage();
        ++pages;
        DrawHeader(painter, ATree, columns, width, headerHeight);
        int top = headerHeight;
        for (int onPage = 0; onPage < perPage && next < rowCount; ++onPage, ++next) {
            DrawRow(painter, ATree, columns, rows.NodeAt(next), top, rowHeight, scale);
            top += rowHeight;
        }
    } while (next < rowCount);
    painter.end();
    return pages;
}
