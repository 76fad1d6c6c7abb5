#include "textview/SynEditPrint.h"

#include "textview/JSONRangeStates.h"
#include "textview/SourceView.h"
#include "textview/TextLineIndex.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <vector>

namespace {
constexpr double MillimetresPerInch = 25.4;

// A piece of a printed row: text of one attribute from cell Cell (in the row) to EndCell.
struct TPrintRun {
    size_t Cell;
    size_t EndCell;
    QString Text;
    TSynAttributeKind Attribute;
};

// The rows a line prints as: its characters in cells (one each, a tab to the next stop), cut every
// AColumns cells, each row as runs of one attribute. AStateAfter: the range state after the line.
std::vector<std::vector<TPrintRun>> PrintRows(
    std::string_view ALine, TRangeState AState, int ATabWidth, size_t AColumns, TRangeState& AStateAfter)
{
    std::vector<std::vector<TPrintRun>> rows(1);
    size_t cell = 0;
    auto put = [&](QStringView AText, size_t AWidth, TSynAttributeKind AAttribute) {
        if (cell >= AColumns * rows.size())
            rows.emplace_back();
        std::vector<TPrintRun>& row = rows.back();
        const size_t inRow = cell - (rows.size() - 1) * AColumns;
        if (!row.empty() && row.back().Attribute == AAttribute && row.back().EndCell == inRow) {
            row.back().Text += AText;
            row.back().EndCell += AWidth;
        } else {
            row.push_back({inRow, inRow + AWidth, AText.toString(), AAttribute});
        }
        cell += AWidth;
    };
    TJSONTokenizer scanner(ALine, AState);
    TJSONToken token {};
    while (scanner.Next(token)) {
        const std::string_view bytes = ALine.substr(token.Start, token.Length);
        const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('\t')) {
                const size_t width = size_t(ATabWidth) - cell % size_t(ATabWidth);
                for (size_t k = 0; k < width; ++k)
                    put(u" ", 1, token.Attribute);
                continue;
            }
            const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            put(QStringView(text).mid(i, units), 1, token.Attribute);
            i += units - 1;
        }
    }
    AStateAfter = scanner.State();
    return rows;
}
} // namespace

int TSynEditPrint::Print(QPrinter& APrinter, std::string_view AText, const QFont& AFont) const
{
    // Margins are measured from the paper's edge, not from the printable area.
    APrinter.setFullPage(true);
    APrinter.setCopyCount(Copies);
    QPainter painter;
    if (!painter.begin(&APrinter))
        return 0;
    const double dotsPerMm = APrinter.resolution() / MillimetresPerInch;
    auto dots = [dotsPerMm](double AMillimetres) { return int(AMillimetres * dotsPerMm + 0.5); };
    const QRect paper = APrinter.pageLayout().fullRectPixels(APrinter.resolution());

    const QFont& font = AFont;
    QFont bold = font;
    bold.setBold(true);
    const QFont& headerFont = font;
    const QFontMetrics metrics(font, &APrinter);
    const QFontMetrics headerMetrics(headerFont, &APrinter);
    const int cellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    const int rowHeight = std::max(1, metrics.height());

    TTextLineIndex lines;
    lines.Assign(AText);
    // The line numbers take as many digits as the last one, and one cell more.
    const size_t lineCount = lines.ListLineCount();
    const QString widest(QString::number(std::max<size_t>(lineCount, 1)).size() + 1, QLatin1Char('9'));
    const int numberWidth = LineNumbers ? metrics.horizontalAdvance(widest) : 0;

    size_t line = 0;
    size_t rowInLine = 0;
    TRangeState state = rsUnknown;
    TRangeState stateAfter = rsUnknown;
    std::vector<std::vector<TPrintRun>> rows;
    bool laidOut = false;
    int page = 0;
    do {
        if (page > 0)
            APrinter.newPage();
        ++page;
        const bool swap = Margins.MirrorMargins && page % 2 == 0;
        const int left = dots(swap ? Margins.Right : Margins.Left);
        const int right = paper.width() - dots(swap ? Margins.Left : Margins.Right);
        const QRect body(
            QPoint(left, dots(Margins.Top)), QPoint(right, paper.height() - dots(Margins.Bottom)));

        // Header: the title above a rule; footer: the page number below one.
        painter.setFont(headerFont);
        painter.setPen(Qt::black);
        const int textLeft = left + dots(Margins.LeftHFTextIndent);
        const int textRight = right - dots(Margins.RightHFTextIndent);
        const int headerTop = dots(Margins.Header);
        const QRect headerText(
            QPoint(textLeft, headerTop), QPoint(textRight, headerTop + headerMetrics.height() - 1));
        painter.drawText(headerText, Qt::AlignLeft | Qt::AlignVCenter,
            headerMetrics.elidedText(Title, Qt::ElideMiddle, headerText.width()));
        const int headerRule = headerText.bottom() + dots(Margins.HFInternalMargin);
        painter.drawLine(left, headerRule, right, headerRule);
        const int footerBottom = paper.height() - dots(Margins.Footer);
        const QRect footerText(
            QPoint(textLeft, footerBottom - headerMetrics.height() + 1), QPoint(textRight, footerBottom));
        const int footerRule = footerText.top() - dots(Margins.HFInternalMargin);
        painter.drawLine(left, footerRule, right, footerRule);
        painter.drawText(footerText, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1").arg(page));

        // The text: whole rows only, at least one a page.
        // A cell of room between the numbers and the text.
        const int textX = body.left() + (LineNumbers ? numberWidth + cellWidth : 0);
        const auto columns = size_t(std::max(1, (body.right() - textX) / cellWidth));
        int y = body.top();
        int printed = 0;
        while (line < lineCount && (printed == 0 || y + rowHeight <= body.bottom())) {
            if (!laidOut) {
                rows = PrintRows(lines.Line(line), state, TabWidth, columns, stateAfter);
                laidOut = true;
            }
            if (rowInLine == 0 && LineNumbers) {
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(QRect(body.left(), y, numberWidth - cellWidth / 2, rowHeight),
                    Qt::AlignRight | Qt::AlignVCenter, QString::number(line + 1));
            }
            for (const TPrintRun& run : rows[rowInLine]) {
                painter.setFont(TSourceView::AttributeBold(run.Attribute) ? bold : font);
                // White paper: the text keeps its colours, backgrounds are not printed.
                painter.setPen(TSourceView::AttributeColor(run.Attribute));
                painter.drawText(textX + int(run.Cell) * cellWidth, y + metrics.ascent(), run.Text);
            }
            y += rowHeight;
            ++printed;
            if (++rowInLine >= rows.size()) {
                rowInLine = 0;
                ++line;
                state = stateAfter;
                laidOut = false;
            }
        }
    } while (line < lineCount);
    painter.end();
    return page;
}
