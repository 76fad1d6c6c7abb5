#include "textview/SourceView.h"

#include "textview/TextViewAccessible.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>

namespace {
// A gutter without line numbers is a narrow band.
constexpr int PlainGutterWidth = 16;
// Between the gutter and the text.
constexpr int TextIndent = 2;
constexpr int CaretWidth = 1;
constexpr int MaxDigitCount = 12;
constexpr int MaxTabWidth = 64;
// Line widths remembered at most (the lines on screen need a few dozen).
constexpr size_t CellCacheSize = 4096;
// The first of the control pictures (U+2400 stands for U+0000, and so on).
constexpr char16_t ControlPictures = 0x2400;
// Space between a line's text and its line-end marks, and around the text of a mark.
constexpr int MarkGap = 1;
// The marks' text, smaller than the text's.
constexpr qreal MarkScale = 0.85;
constexpr qreal MinMarkPoints = 4;
constexpr int MarkPadding = 2;
constexpr char16_t ReplacementCharacter = 0xFFFD;
// Characters measured for the width of one.
constexpr int MeasureRun = 100;

bool IsContinuation(char AByte)
{
    return (static_cast<uint8_t>(AByte) & 0xC0) == 0x80;
}

// Decodes the UTF-8 character at AAt; an invalid byte reads as U+FFFD of one byte.
char32_t Decode(std::string_view AText, size_t AAt, size_t& ALength)
{
    const auto lead = static_cast<uint8_t>(AText[AAt]);
    ALength = 1;
    if (lead < 0x80)
        return lead;
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || AAt + length > AText.size())
        return ReplacementCharacter;
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(AText[AAt + i]))
            return ReplacementCharacter;
        code = (code << 6) | (static_cast<uint8_t>(AText[AAt + i]) & 0x3F);
    }
    ALength = length;
    return code;
}

// Word characters for double clicks and Ctrl+Left/Right: letters, digits, "_" and all non-ASCII.
int CharClass(char AByte)
{
    const auto c = static_cast<uint8_t>(AByte);
    if (c >= 0x80 || std::isalnum(c) || c == '_')
        return 2;
    if (c <= ' ')
        return 0;
    return 1;
}
} // namespace

TSourceView::TSourceView(QWidget* AParent)
    : QAbstractScrollArea(AParent)
{
    InstallTextViewAccessible();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    FGutterColor = palette().color(QPalette::Window);
    FontChanged();
    SetText(std::string_view());
}

void TSourceView::SetText(std::string_view AText)
{
    TTextLineIndex index;
    index.Assign(AText);
    SetText(AText, std::move(index));
}

void TSourceView::SetText(std::string_view AText, TTextLineIndex&& AIndex)
{
    FLines = std::move(AIndex);
    // An index of a text that was not all written reads the rest now.
    FLines.Extend(AText);
    FStates.Forget();
    FCellCache.clear();
    FRowCache.clear();
    FCaret = FAnchor = 0;
    FWantedCell = 0;
    FTopLine = FTopSub = 0;
    FWidest = 0;
    FMarkedLine.reset();
    FDragging = false;
    FSettingScroll = true;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    FSettingScroll = false;
    UpdateScrollBars();
    viewport()->update();
    Q_EMIT CaretChanged();
}

QString TSourceView::LineText(size_t ALine) const
{
    const std::string_view line = FLines.Line(ALine);
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

std::string_view TSourceView::SelectedBytes() const
{
    return Text().substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

QString TSourceView::SelectedText() const
{
    const std::string_view bytes = SelectedBytes();
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

void TSourceView::Copy()
{
    if (HasSelectedText())
        QGuiApplication::clipboard()->setText(SelectedText());
}

void TSourceView::SelectAllText()
{
    ChangeSelection(0, Text().size());
}

void TSourceView::ChangeSelection(size_t AAnchor, size_t ACaret)
{
    const std::string_view text = Text();
    auto boundary = [text](size_t APosition) {
        APosition = std::min(APosition, text.size());
        while (APosition > 0 && APosition < text.size() && IsContinuation(text[APosition]))
            --APosition;
        // Never between the CR and the LF of a line break.
        if (APosition > 0 && APosition < text.size() && text[APosition] == '\n'
            && text[APosition - 1] == '\r')
            --APosition;
        return APosition;
    };
    AAnchor = boundary(AAnchor);
    ACaret = boundary(ACaret);
    if (AAnchor == FAnchor && ACaret == FCaret)
        return;
    FAnchor = AAnchor;
    FCaret = ACaret;
    viewport()->update();
    Q_EMIT CaretChanged();
}

void TSourceView::SetSelection(size_t AAnchor, size_t ACaret)
{
    ChangeSelection(AAnchor, ACaret);
    size_t cell = 0;
    RowOf(FCaret, &cell);
    FWantedCell = cell;
    EnsureCaretVisible();
}

void TSourceView::SetCaret(size_t ALine, size_t AColumn)
{
    ALine = std::min(ALine, LineCount() - 1);
    const std::string_view line = FLines.Line(ALine);
    size_t offset = 0;
    size_t units = 0;
    while (offset < line.size() && units < AColumn) {
        size_t length = 1;
        const char32_t code = Decode(line, offset, length);
        units += code > 0xFFFF ? 2 : 1;
        offset += length;
    }
    SetCaretPosition(FLines.LineStart(ALine) + offset);
}

size_t TSourceView::CaretColumn() const
{
    const size_t start = FLines.LineStart(FLines.LineOf(FCaret));
    return Utf16Length(Text().substr(start, FCaret - start));
}

void TSourceView::MarkLine(size_t ALine)
{
    FMarkedLine = std::min(ALine, LineCount() - 1);
    viewport()->update();
}

void TSourceView::ClearMarkedLine()
{
    FMarkedLine.reset();
    viewport()->update();
}

void TSourceView::SetCaretLineColor(const QColor& AColor)
{
    FCaretLineColor = AColor;
    viewport()->update();
}

void TSourceView::SetGutterColor(const QColor& AColor)
{
    FGutterColor = AColor;
    viewport()->update();
}

// Options

void TSourceView::SetGutterShowLineNumbers(bool AValue)
{
    FShowLineNumbers = AValue;
    UpdateScrollBars();
    viewport()->update();
}

void TSourceView::SetGutterLeadingZeros(bool AValue)
{
    FLeadingZeros = AValue;
    viewport()->update();
}

void TSourceView::SetGutterZeroStart(bool AValue)
{
    FZeroStart = AValue;
    UpdateScrollBars();
    viewport()->update();
}

void TSourceView::SetGutterVisible(bool AValue)
{
    FGutterVisible = AValue;
    UpdateScrollBars();
    viewport()->update();
}

void TSourceView::SetGutterDigitCount(int AValue)
{
    FDigitCount = std::clamp(AValue, 1, MaxDigitCount);
    UpdateScrollBars();
    viewport()->update();
}

void TSourceView::SetSelectionMode(int AValue)
{
    FSelectionMode = (AValue == smLine || AValue == smColumn) ? AValue : smNormal;
}

void TSourceView::SetWordWrap(bool AValue)
{
    if (FWordWrap == AValue)
        return;
    FWordWrap = AValue;
    FTopSub = 0;
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
}

void TSourceView::SetSpecialChars(bool AValue)
{
    FSpecialChars = AValue;
    viewport()->update();
}

void TSourceView::SetTabWidth(int AValue)
{
    FTabWidth = std::clamp(AValue, 1, MaxTabWidth);
    FCellCache.clear();
    FRowCache.clear();
    FWidest = 0;
    UpdateScrollBars();
    viewport()->update();
}

// Gutter

int TSourceView::GutterDigits() const
{
    return ::GutterDigits(LineCount(), FZeroStart, FDigitCount);
}

QString TSourceView::GutterText(size_t ALine) const
{
    if (!FShowLineNumbers || !FGutterVisible)
        return QString();
    return GutterNumber(size_t(ALine), FZeroStart, FLeadingZeros, GutterDigits());
}

int TSourceView::GutterWidth() const
{
    if (!FGutterVisible)
        return 0;
    if (!FShowLineNumbers)
        return PlainGutterWidth;
    // One digit more than needed leaves a little room on either side.
    return fontMetrics().horizontalAdvance(QString(GutterDigits() + 1, QLatin1Char('9')));
}

int TSourceView::TextLeft() const
{
    return GutterWidth() + TextIndent;
}

// Colours

QColor TSourceView::AttributeColor(TSynAttributeKind AAttribute)
{
    const TSynAttributeLook look = SynAttributeDefaultLook(AAttribute);
    return look.HasColor ? QColor(look.Red, look.Green, look.Blue) : QColor(Qt::black);
}

bool TSourceView::AttributeBold(TSynAttributeKind AAttribute)
{
    return SynAttributeDefaultLook(AAttribute).Bold;
}

TSynAttributeKind TSourceView::AttributeAt(size_t APosition)
{
    if (APosition >= Text().size())
        return saNone;
    const size_t line = FLines.LineOf(APosition);
    const size_t start = FLines.LineStart(line);
    const std::string_view bytes = FLines.Line(line);
    const size_t offset = APosition - start;
    if (offset >= bytes.size())
        return saNone;
    TJSONTokenizer scanner(bytes, StateAtLine(line));
    TJSONToken token;
    while (scanner.Next(token) && token.Start <= offset)
        if (offset < token.Start + token.Length)
            return token.Attribute;
    return saNone;
}

// Geometry of lines and rows

size_t TSourceView::CellsOf(std::string_view ABytes, int ATabWidth)
{
    size_t cells = 0;
    for (const char c : ABytes) {
        if (c == '\t')
            cells += size_t(ATabWidth) - cells % size_t(ATabWidth);
        else
            cells += IsContinuation(c) ? 0 : 1;
    }
    return cells;
}

size_t TSourceView::OffsetOfCell(std::string_view ALine, size_t ACell, int ATabWidth)
{
    size_t cells = 0;
    size_t offset = 0;
    while (offset < ALine.size()) {
        size_t length = 1;
        const size_t width = ALine[offset] == '\t' ? size_t(ATabWidth) - cells % size_t(ATabWidth) : 1;
        Decode(ALine, offset, length);
        // Past the middle of a character the boundary after it is nearer.
        if (cells + width > ACell) {
            if (2 * (ACell - cells) >= width)
                offset += length;
            return offset;
        }
        cells += width;
        offset += length;
    }
    return offset;
}

size_t TSourceView::RowsFor(size_t ACells, size_t AColumns)
{
    if (AColumns == 0 || ACells <= AColumns)
        return 1;
    return (ACells + AColumns - 1) / AColumns;
}

size_t TSourceView::WrapColumns() const
{
    if (!FWordWrap)
        return 0;
    const qreal width = viewport()->width() - TextLeft() - FCharWidth / 2;
    return size_t(std::max(1, int(width / FCharWidth)));
}

size_t TSourceView::LineCells(size_t ALine) const
{
    if (const auto known = FCellCache.find(ALine); known != FCellCache.end())
        return known->second;
    if (FCellCache.size() >= CellCacheSize)
        FCellCache.clear();
    const size_t cells = CellsOf(FLines.Line(ALine), FTabWidth);
    FCellCache.emplace(ALine, cells);
    return cells;
}

std::vector<size_t> TSourceView::WrapRowStarts(std::string_view ALine, int ATabWidth, size_t AColumns)
{
    std::vector<size_t> starts {0};
    if (AColumns == 0)
        return starts;
    size_t cell = 0;
    size_t rowStart = 0;
    size_t lastBreak = 0; // the latest cell after rowStart where a row may start
    int previousClass = -1;
    for (size_t offset = 0; offset < ALine.size();) {
        const char c = ALine[offset];
        size_t length = 1;
        Decode(ALine, offset, length);
        const bool space = c == ' ' || c == '\t';
        const size_t width = c == '\t' ? size_t(ATabWidth) - cell % size_t(ATabWidth) : 1;
        const int charClass = CharClass(c);
        // Rows start after spaces and where a word meets other characters.
        if (cell > rowStart && !space && previousClass >= 0
            && (previousClass == 0 || previousClass != charClass))
            lastBreak = cell;
        // Spaces may hang over the row's end; anything else goes on to a new row.
        while (!space && cell > rowStart && cell + width > rowStart + AColumns) {
            rowStart = lastBreak > rowStart && lastBreak <= cell ? lastBreak : cell;
            starts.push_back(rowStart);
        }
        previousClass = charClass;
        cell += width;
        offset += length;
    }
    return starts;
}

const std::vector<size_t>& TSourceView::RowStarts(size_t ALine) const
{
    // Rows of another width are of no use.
    if (FRowCacheColumns != WrapColumns()) {
        FRowCache.clear();
        FRowCacheColumns = WrapColumns();
    }
    if (const auto known = FRowCache.find(ALine); known != FRowCache.end())
        return known->second;
    if (FRowCache.size() >= CellCacheSize)
        FRowCache.clear();
    return FRowCache.emplace(ALine, WrapRowStarts(FLines.Line(ALine), FTabWidth, WrapColumns()))
        .first->second;
}

size_t TSourceView::RowsOfLine(size_t ALine) const
{
    return FWordWrap ? RowStarts(ALine).size() : 1;
}

TSourceView::TRow TSourceView::NextRow(TRow ARow) const
{
    if (ARow.Sub + 1 < RowsOfLine(ARow.Line))
        return {ARow.Line, ARow.Sub + 1};
    if (ARow.Line + 1 < LineCount())
        return {ARow.Line + 1, 0};
    return ARow;
}

TSourceView::TRow TSourceView::PrevRow(TRow ARow) const
{
    if (ARow.Sub > 0)
        return {ARow.Line, ARow.Sub - 1};
    if (ARow.Line == 0)
        return ARow;
    return {ARow.Line - 1, RowsOfLine(ARow.Line - 1) - 1};
}

TSourceView::TRow TSourceView::RowOf(size_t APosition, size_t* ACellInRow) const
{
    const size_t line = FLines.LineOf(APosition);
    const size_t start = FLines.LineStart(line);
    const size_t cell = CellsOf(Text().substr(start, APosition - start), FTabWidth);
    size_t sub = 0;
    size_t rowStart = 0;
    if (FWordWrap) {
        // A position where a row starts belongs to that row.
        const std::vector<size_t>& starts = RowStarts(line);
        sub = size_t(std::upper_bound(starts.begin(), starts.end(), cell) - starts.begin()) - 1;
        rowStart = starts[sub];
    }
    if (ACellInRow)
        *ACellInRow = cell - rowStart;
    return {line, sub};
}

size_t TSourceView::PositionInRow(TRow ARow, size_t ACell) const
{
    const std::string_view line = FLines.Line(ARow.Line);
    size_t cell = ACell;
    if (FWordWrap) {
        // A row ends before the first cell of the next one.
        const std::vector<size_t>& starts = RowStarts(ARow.Line);
        const size_t sub = std::min(ARow.Sub, starts.size() - 1);
        const size_t width = sub + 1 < starts.size() ? starts[sub + 1] - starts[sub] : SIZE_MAX;
        cell = starts[sub] + std::min(ACell, width - 1);
    }
    return FLines.LineStart(ARow.Line) + OffsetOfCell(line, cell, FTabWidth);
}

int TSourceView::LinesOnScreen() const
{
    return std::max(1, viewport()->height() / std::max(1, FRowHeight));
}

bool TSourceView::IsLineVisible(size_t ALine) const
{
    if (ALine < FTopLine)
        return false;
    TRow row = Top();
    for (int i = 0; i < LinesOnScreen(); ++i) {
        if (row.Line == ALine)
            return true;
        const TRow next = NextRow(row);
        if (next == row)
            break;
        row = next;
    }
    return false;
}

void TSourceView::SetTop(TRow ATop)
{
    ATop.Line = std::min(ATop.Line, LineCount() - 1);
    if (!FWordWrap) {
        // Without wrap the last line stays at the bottom of a full view.
        const size_t lastTop =
            LineCount() > size_t(LinesOnScreen()) ? LineCount() - size_t(LinesOnScreen()) : 0;
        ATop = {std::min(ATop.Line, lastTop), 0};
    }
    FTopLine = ATop.Line;
    FTopSub = ATop.Sub;
    FSettingScroll = true;
    verticalScrollBar()->setValue(int(FTopLine));
    FSettingScroll = false;
    viewport()->update();
}

void TSourceView::SetFirstVisibleLine(size_t ALine)
{
    SetTop({ALine, 0});
}

void TSourceView::EnsureCaretVisible()
{
    size_t cell = 0;
    const TRow caret = RowOf(FCaret, &cell);
    const TRow top = Top();
    const bool above = caret.Line < top.Line || (caret.Line == top.Line && caret.Sub < top.Sub);
    if (above) {
        SetTop(caret);
    } else {
        // Is the caret's row among the rows shown? If not, it becomes the last of them.
        TRow row = top;
        bool shown = false;
        for (int i = 0; i < LinesOnScreen(); ++i) {
            if (row == caret) {
                shown = true;
                break;
            }
            const TRow next = NextRow(row);
            if (next == row)
                break;
            row = next;
        }
        if (!shown) {
            TRow newTop = caret;
            for (int i = 1; i < LinesOnScreen(); ++i)
                newTop = PrevRow(newTop);
            SetTop(newTop);
        }
    }
    if (!FWordWrap) {
        const int x = Pixels(cell);
        const int width = viewport()->width() - TextLeft() - Pixels(1);
        QScrollBar* bar = horizontalScrollBar();
        if (size_t(LineCells(caret.Line)) > FWidest) {
            FWidest = LineCells(caret.Line);
            UpdateScrollBars();
        }
        if (x < bar->value())
            bar->setValue(std::max(0, x - width / 2));
        else if (x > bar->value() + width)
            bar->setValue(x - width / 2);
    }
}

void TSourceView::UpdateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    const int onScreen = LinesOnScreen();
    const size_t count = LineCount();
    // The last line that can be the first shown: the view ends with the last line, full.
    size_t last = count > size_t(onScreen) ? count - size_t(onScreen) : 0;
    if (FWordWrap) {
        TRow row {count - 1, RowsOfLine(count - 1) - 1};
        for (int i = 1; i < onScreen; ++i)
            row = PrevRow(row);
        last = row.Line + (row.Sub > 0 ? 1 : 0);
        last = std::min(last, count - 1);
    }
    FSettingScroll = true;
    vertical->setRange(0, int(std::min<size_t>(last, INT_MAX)));
    vertical->setPageStep(onScreen);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int textWidth = std::max(0, viewport()->width() - TextLeft());
    if (FWordWrap) {
        horizontal->setRange(0, 0);
    } else {
        const auto wide = qint64(qreal(FWidest + 1) * FCharWidth);
        horizontal->setRange(0, int(std::clamp<qint64>(wide - textWidth, 0, INT_MAX)));
    }
    horizontal->setPageStep(std::max(1, textWidth));
    horizontal->setSingleStep(Pixels(1));
    FSettingScroll = false;
}

void TSourceView::FontChanged()
{
    const QFontMetrics metrics(font());
    // Monospaced: every character advances as far as this one (a fraction of a pixel counts).
    // Measured over a run of characters, as runs are drawn, on the device that shows them.
    FCharWidth = std::max(1.0,
        QFontMetricsF(font(), viewport()).horizontalAdvance(QString(MeasureRun, QLatin1Char('M')))
            / MeasureRun);
    FRowHeight = std::max(1, metrics.height());
    FAscent = metrics.ascent();
    FBoldFont = font();
    FBoldFont.setBold(true);
    FMarkFont = font();
    FMarkFont.setPointSizeF(std::max(MinMarkPoints, font().pointSizeF() * MarkScale));
    UpdateScrollBars();
    viewport()->update();
}

void TSourceView::changeEvent(QEvent* AEvent)
{
    QAbstractScrollArea::changeEvent(AEvent);
    if (AEvent->type() == QEvent::FontChange)
        FontChanged();
}

void TSourceView::resizeEvent(QResizeEvent* AEvent)
{
    QAbstractScrollArea::resizeEvent(AEvent);
    UpdateScrollBars();
    if (!FWordWrap)
        SetTop(Top());
}

void TSourceView::scrollContentsBy(int, int)
{
    if (!FSettingScroll) {
        FTopLine = size_t(verticalScrollBar()->value());
        FTopSub = 0;
    }
    viewport()->update();
}

// Painting

void TSourceView::LayoutCells(
    std::string_view ALine, TRangeState AState, size_t AFirst, size_t AEnd, std::vector<TCell>& ACells) const
{
    ACells.clear();
    TJSONTokenizer scanner(ALine, AState);
    TJSONToken token {};
    bool haveToken = scanner.Next(token);
    size_t cell = 0;
    size_t offset = 0;
    const auto tab = size_t(FTabWidth);
    while (offset < ALine.size() && cell < AEnd) {
        while (haveToken && token.Start + token.Length <= offset)
            haveToken = scanner.Next(token);
        const TSynAttributeKind attribute = haveToken && token.Start <= offset ? token.Attribute : saNone;
        if (ALine[offset] == '\t') {
            const size_t width = tab - cell % tab;
            for (size_t k = 0; k < width; ++k, ++cell)
                if (cell >= AFirst && cell < AEnd)
                    ACells.push_back({offset, {u' ', 0}, 1, attribute, uint8_t(k == 0 ? ckTabStart : ckTab)});
            ++offset;
            continue;
        }
        size_t length = 1;
        const char32_t code = Decode(ALine, offset, length);
        if (cell >= AFirst) {
            TCell item {offset, {0, 0}, 1, attribute, ckText};
            if (code == U' ') {
                item.Units[0] = u' ';
                item.Kind = ckSpace;
            } else if (code < 0x20 || code == 0x7F) {
                item.Units[0] = code == 0x7F ? char16_t(0x2421) : char16_t(ControlPictures + code);
                item.Kind = ckControl;
            } else if (code > 0xFFFF) {
                item.Units[0] = char16_t(0xD800 + ((code - 0x10000) >> 10));
                item.Units[1] = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
                item.UnitCount = 2;
            } else {
                item.Units[0] = char16_t(code);
            }
            ACells.push_back(item);
        }
        ++cell;
        offset += length;
    }
}

void TSourceView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, Qt::white);
    const int gutter = GutterWidth();
    if (gutter > 0)
        painter.fillRect(QRect(0, 0, gutter, area.height()), FGutterColor);

    const size_t firstCell = FWordWrap ? 0 : size_t(horizontalScrollBar()->value() / FCharWidth);
    const size_t visibleCells = size_t(std::max(0, area.width() - TextLeft()) / FCharWidth + 2);
    std::vector<TCell> cells;
    // Where the caret stands, found once (on a long line that takes a scan).
    FPaintCaret = RowOf(FCaret, &FPaintCaretCell);
    TRow row = Top();
    int y = 0;
    bool widened = false;
    while (y < area.height() && row.Line < LineCount()) {
        const size_t lineStart = FLines.LineStart(row.Line);
        const std::string_view line = FLines.Line(row.Line);
        const size_t rows = RowsOfLine(row.Line);
        // The rows of this line on screen, laid out at once.
        const size_t shownRows =
            std::min(rows - row.Sub, size_t((area.height() - y + FRowHeight - 1) / FRowHeight));
        // With word wrap, row k of the line holds cells [starts[k], starts[k + 1]).
        const std::vector<size_t>* starts = FWordWrap ? &RowStarts(row.Line) : nullptr;
        auto rowStart = [&](size_t ASub) { return ASub < starts->size() ? (*starts)[ASub] : SIZE_MAX; };
        const size_t from = FWordWrap ? rowStart(row.Sub) : firstCell;
        const size_t to = FWordWrap ? rowStart(row.Sub + shownRows) : firstCell + visibleCells;
        LayoutCells(line, StateAtLine(row.Line), from, to, cells);
        if (!FWordWrap && LineCells(row.Line) > FWidest) {
            FWidest = LineCells(row.Line);
            widened = true;
        }
        for (size_t k = 0; k < shownRows; ++k) {
            const size_t rowFirst = FWordWrap ? rowStart(row.Sub + k) : firstCell;
            const size_t skip = rowFirst - from;
            std::vector<TCell> rowCells;
            if (skip < cells.size()) {
                const size_t count = FWordWrap
                    ? std::min(rowStart(row.Sub + k + 1) - rowFirst, cells.size() - skip)
                    : cells.size() - skip;
                rowCells.assign(cells.begin() + ptrdiff_t(skip), cells.begin() + ptrdiff_t(skip + count));
            }
            const bool lastRow = row.Sub + k + 1 == rows;
            PaintRow(painter, {row.Line, row.Sub + k}, y, rowCells, rowFirst, lineStart, line, lastRow);
            y += FRowHeight;
        }
        row = {row.Line + 1, 0};
    }
    if (widened)
        UpdateScrollBars();
}

void TSourceView::PaintRow(QPainter& APainter, TRow ARow, int AY, const std::vector<TCell>& ACells,
    size_t AFirstCell, size_t ALineStart, std::string_view ALine, bool ALastRow)
{
    const QRect area = viewport()->rect();
    const int gutter = GutterWidth();
    const int left = TextLeft();
    const int hscroll = FWordWrap ? 0 : horizontalScrollBar()->value();
    // Cells of a wrapped row count from the row's start, others from the line's.
    const size_t base = FWordWrap ? 0 : AFirstCell;
    auto cellX = [&](size_t AIndex) { return left - hscroll + Pixels(base + AIndex); };
    const int cellWidth = std::max(1, Pixels(1));
    const QRect rowRect(gutter, AY, area.width() - gutter, FRowHeight);
    const size_t caretLine = FPaintCaret.Line;
    const bool focused = hasFocus();
    const size_t selStart = SelectionStart();
    const size_t selEnd = SelectionEnd();
    const QColor selBack = palette().color(QPalette::Active, QPalette::Highlight);
    const QColor selFore = palette().color(QPalette::Active, QPalette::HighlightedText);

    APainter.save();
    APainter.setClipRect(QRect(gutter, AY, area.width() - gutter, FRowHeight));
    if (ARow.Line == caretLine)
        APainter.fillRect(rowRect, FCaretLineColor);
    if (FMarkedLine && *FMarkedLine == ARow.Line)
        APainter.fillRect(rowRect, FMarkedLineColor);

    auto selected = [&](const TCell& ACell) {
        const size_t position = ALineStart + ACell.Offset;
        return position >= selStart && position < selEnd;
    };
    // Selection backgrounds, then the text in runs of one attribute.
    for (size_t i = 0; i < ACells.size(); ++i)
        if (selected(ACells[i]))
            APainter.fillRect(QRect(cellX(i), AY, cellX(i + 1) - cellX(i), FRowHeight), selBack);
    const size_t lineEnd = ALineStart + ALine.size();
    const bool breakSelected =
        ALastRow && ARow.Line + 1 < LineCount() && selStart <= lineEnd && selEnd > lineEnd;
    const size_t endCell = AFirstCell + ACells.size();
    if (breakSelected) {
        const size_t lineCells = LineCells(ARow.Line);
        const int x = cellX(lineCells >= AFirstCell ? lineCells - AFirstCell : 0);
        APainter.fillRect(QRect(x, AY, cellWidth, FRowHeight), selBack);
    }
    const int baseline = AY + FAscent;
    size_t i = 0;
    while (i < ACells.size()) {
        const TSynAttributeKind attribute = ACells[i].Attribute;
        const bool isSelected = selected(ACells[i]);
        QString run;
        size_t j = i;
        for (; j < ACells.size() && ACells[j].Attribute == attribute && selected(ACells[j]) == isSelected;
             ++j)
            run.append(QStringView(ACells[j].Units, ACells[j].UnitCount));
        APainter.setFont(AttributeBold(attribute) ? FBoldFont : font());
        APainter.setPen(isSelected ? selFore : AttributeColor(attribute));
        APainter.drawText(cellX(i), baseline, run);
        i = j;
    }
    if (FSpecialChars) {
        for (size_t k = 0; k < ACells.size(); ++k) {
            const TCell& cell = ACells[k];
            APainter.setPen(selected(cell) ? selFore : AttributeColor(cell.Attribute));
            const int x = cellX(k);
            const int middle = AY + FRowHeight / 2;
            if (cell.Kind == ckSpace) {
                const int dot = std::max(1, cellWidth / 5);
                APainter.fillRect(
                    QRect(x + (cellWidth - dot) / 2, middle - dot / 2, dot, dot), APainter.pen().color());
            } else if (cell.Kind == ckTabStart) {
                size_t width = 1;
                while (k + width < ACells.size() && ACells[k + width].Kind == ckTab)
                    ++width;
                const int x1 = x + 1;
                const int x2 = cellX(k + width) - 2;
                const int head = std::max(2, FRowHeight / 5);
                APainter.drawLine(x1, middle, x2, middle);
                APainter.drawLine(x2, middle, x2 - head, middle - head);
                APainter.drawLine(x2, middle, x2 - head, middle + head);
            }
        }
        // The line break, as its characters: CR and LF in small dark boxes.
        const size_t lineCells = LineCells(ARow.Line);
        if (ALastRow && ARow.Line + 1 < LineCount() && lineCells >= AFirstCell && lineCells <= endCell + 1) {
            int x = cellX(lineCells - AFirstCell) + MarkGap;
            const std::string_view rest = Text().substr(lineEnd, 2);
            const QFontMetrics marks(FMarkFont);
            APainter.setFont(FMarkFont);
            for (const char* mark : {"CR", "LF"}) {
                // A break is LF, or CR LF.
                if (mark[0] == 'C' && (rest.empty() || rest[0] != '\r'))
                    continue;
                const QString text = QString::fromLatin1(mark);
                const int width = marks.horizontalAdvance(text) + 2 * MarkPadding;
                const QRect box(x, AY + 1, width, FRowHeight - 2);
                QPainterPath path;
                path.addRoundedRect(box, MarkPadding, MarkPadding);
                APainter.fillPath(path, breakSelected ? selBack : QColor(Qt::black));
                APainter.setPen(breakSelected ? selFore : QColor(Qt::white));
                APainter.drawText(box, Qt::AlignCenter, text);
                x += width + 1;
            }
        }
    }
    // The caret, while the view has the focus.
    if (focused && ARow == FPaintCaret)
        APainter.fillRect(
            QRect(left - hscroll + Pixels(FPaintCaretCell), AY, CaretWidth, FRowHeight), Qt::black);
    APainter.restore();

    // The line number, on the first row of a line.
    if (gutter > 0 && ARow.Sub == 0 && FShowLineNumbers) {
        APainter.setFont(FBoldFont);
        APainter.setPen(Qt::black);
        APainter.drawText(QRect(0, AY, gutter - cellWidth / 2, FRowHeight), Qt::AlignRight | Qt::AlignVCenter,
            GutterText(ARow.Line));
    }
}

// Caret movement

size_t TSourceView::PrevPosition(size_t APosition) const
{
    const std::string_view text = Text();
    if (APosition == 0)
        return 0;
    const size_t line = FLines.LineOf(APosition);
    if (APosition == FLines.LineStart(line))
        return FLines.LineEnd(line - 1);
    size_t previous = APosition - 1;
    while (previous > 0 && IsContinuation(text[previous]))
        --previous;
    return previous;
}

size_t TSourceView::NextPosition(size_t APosition) const
{
    const std::string_view text = Text();
    if (APosition >= text.size())
        return text.size();
    const size_t line = FLines.LineOf(APosition);
    if (APosition >= FLines.LineEnd(line))
        return FLines.LineStart(line + 1);
    size_t length = 1;
    Decode(text, APosition, length);
    return APosition + length;
}

size_t TSourceView::WordStart(size_t APosition) const
{
    const std::string_view text = Text();
    const size_t start = FLines.LineStart(FLines.LineOf(APosition));
    if (APosition >= text.size() || APosition == start)
        return APosition;
    const int kind = CharClass(text[APosition]);
    while (APosition > start && CharClass(text[APosition - 1]) == kind)
        --APosition;
    return APosition;
}

size_t TSourceView::WordEnd(size_t APosition) const
{
    const std::string_view text = Text();
    const size_t end = FLines.LineEnd(FLines.LineOf(APosition));
    if (APosition >= end)
        return APosition;
    const int kind = CharClass(text[APosition]);
    while (APosition < end && CharClass(text[APosition]) == kind)
        ++APosition;
    return APosition;
}

size_t TSourceView::WordLeft(size_t APosition) const
{
    const std::string_view text = Text();
    const size_t start = FLines.LineStart(FLines.LineOf(APosition));
    if (APosition == start)
        return PrevPosition(APosition);
    while (APosition > start && CharClass(text[APosition - 1]) == 0)
        --APosition;
    if (APosition == start)
        return APosition;
    const int kind = CharClass(text[APosition - 1]);
    while (APosition > start && CharClass(text[APosition - 1]) == kind)
        --APosition;
    return APosition;
}

size_t TSourceView::WordRight(size_t APosition) const
{
    const std::string_view text = Text();
    const size_t end = FLines.LineEnd(FLines.LineOf(APosition));
    if (APosition >= end)
        return NextPosition(APosition);
    const int kind = CharClass(text[APosition]);
    while (APosition < end && kind != 0 && CharClass(text[APosition]) == kind)
        ++APosition;
    while (APosition < end && CharClass(text[APosition]) == 0)
        ++APosition;
    return APosition;
}

void TSourceView::MoveCaret(size_t APosition, bool AExtend, bool AKeepCell)
{
    ChangeSelection(AExtend ? FAnchor : APosition, APosition);
    if (!AKeepCell) {
        size_t cell = 0;
        RowOf(FCaret, &cell);
        FWantedCell = cell;
    }
    EnsureCaretVisible();
}

void TSourceView::MoveRows(long ARows, bool AExtend)
{
    TRow row = RowOf(FCaret);
    for (long i = 0; i < ARows; ++i)
        row = NextRow(row);
    for (long i = 0; i > ARows; --i)
        row = PrevRow(row);
    MoveCaret(PositionInRow(row, FWantedCell), AExtend, true);
}

void TSourceView::keyPressEvent(QKeyEvent* AEvent)
{
    const Qt::KeyboardModifiers modifiers =
        AEvent->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool control = modifiers & Qt::ControlModifier;
    if (AEvent->matches(QKeySequence::Copy) || (control && !shift && AEvent->key() == Qt::Key_Insert)) {
        Copy();
        return;
    }
    if (AEvent->matches(QKeySequence::SelectAll)) {
        SelectAllText();
        return;
    }
    if (modifiers & Qt::AltModifier) {
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    const size_t line = FLines.LineOf(FCaret);
    switch (AEvent->key()) {
    case Qt::Key_Left:
        if (!shift && HasSelectedText())
            MoveCaret(SelectionStart(), false);
        else
            MoveCaret(control ? WordLeft(FCaret) : PrevPosition(FCaret), shift);
        break;
    case Qt::Key_Right:
        if (!shift && HasSelectedText())
            MoveCaret(SelectionEnd(), false);
        else
            MoveCaret(control ? WordRight(FCaret) : NextPosition(FCaret), shift);
        break;
    case Qt::Key_Up:
        if (control)
            SetTop(PrevRow(Top()));
        else
            MoveRows(-1, shift);
        break;
    case Qt::Key_Down:
        if (control)
            SetTop(NextRow(Top()));
        else
            MoveRows(1, shift);
        break;
    case Qt::Key_Home: {
        if (control) {
            MoveCaret(0, shift);
            break;
        }
        // The first character that is no space, or the line's start when the caret is there already.
        const size_t start = FLines.LineStart(line);
        const std::string_view text = FLines.Line(line);
        size_t indent = 0;
        while (indent < text.size() && (text[indent] == ' ' || text[indent] == '\t'))
            ++indent;
        MoveCaret(FCaret == start + indent ? start : start + indent, shift);
        break;
    }
    case Qt::Key_End:
        MoveCaret(control ? Text().size() : FLines.LineEnd(line), shift);
        break;
    case Qt::Key_PageUp: {
        const int page = std::max(1, LinesOnScreen() - 1);
        TRow top = Top();
        for (int i = 0; i < page; ++i)
            top = PrevRow(top);
        SetTop(top);
        MoveRows(-page, shift);
        break;
    }
    case Qt::Key_PageDown: {
        const int page = std::max(1, LinesOnScreen() - 1);
        TRow top = Top();
        for (int i = 0; i < page; ++i)
            top = NextRow(top);
        SetTop(top);
        MoveRows(page, shift);
        break;
    }
    default:
        QAbstractScrollArea::keyPressEvent(AEvent);
        return;
    }
    AEvent->accept();
}

// Mouse

size_t TSourceView::PositionAt(const QPoint& APoint) const
{
    TRow row = Top();
    for (int y = APoint.y(); y >= FRowHeight; y -= FRowHeight) {
        const TRow next = NextRow(row);
        if (next == row)
            break;
        row = next;
    }
    if (APoint.y() < 0)
        row = PrevRow(row);
    const int scrolled = FWordWrap ? 0 : horizontalScrollBar()->value();
    const int x = std::max(0, APoint.x() - TextLeft() + scrolled);
    // The nearest character boundary.
    const size_t cell = size_t((x + FCharWidth / 2) / FCharWidth);
    if (FWordWrap)
        return PositionInRow(row, cell);
    return FLines.LineStart(row.Line) + OffsetOfCell(FLines.Line(row.Line), cell, FTabWidth);
}

void TSourceView::SelectLinesTo(size_t APosition)
{
    const size_t line = FLines.LineOf(APosition);
    const size_t first = std::min(line, FLineAnchor);
    const size_t last = std::max(line, FLineAnchor);
    const size_t from = FLines.LineStart(first);
    const size_t to = FLines.LineStart(last + 1);
    if (line >= FLineAnchor)
        ChangeSelection(from, to);
    else
        ChangeSelection(to, from);
    EnsureCaretVisible();
}

void TSourceView::mousePressEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(AEvent);
        return;
    }
    const QPoint point = AEvent->position().toPoint();
    const size_t position = PositionAt(point);
    FDragging = true;
    if (point.x() < GutterWidth() || FSelectionMode == smLine) {
        // A click in the gutter selects the line, as in line-wise selection.
        FLineAnchor = FLines.LineOf(position);
        SelectLinesTo(position);
        return;
    }
    MoveCaret(position, AEvent->modifiers() & Qt::ShiftModifier);
}

void TSourceView::mouseMoveEvent(QMouseEvent* AEvent)
{
    if (!FDragging || !(AEvent->buttons() & Qt::LeftButton))
        return;
    const QPoint point = AEvent->position().toPoint();
    const size_t position = PositionAt(point);
    if (point.x() < GutterWidth() || FSelectionMode == smLine) {
        SelectLinesTo(position);
        return;
    }
    MoveCaret(position, true);
}

void TSourceView::mouseReleaseEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() == Qt::LeftButton)
        FDragging = false;
    QAbstractScrollArea::mouseReleaseEvent(AEvent);
}

void TSourceView::mouseDoubleClickEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() != Qt::LeftButton)
        return;
    const size_t position = PositionAt(AEvent->position().toPoint());
    ChangeSelection(WordStart(position), WordEnd(position));
    FDragging = false;
}

void TSourceView::focusInEvent(QFocusEvent* AEvent)
{
    QAbstractScrollArea::focusInEvent(AEvent);
    viewport()->update();
}

void TSourceView::focusOutEvent(QFocusEvent* AEvent)
{
    QAbstractScrollArea::focusOutEvent(AEvent);
    viewport()->update();
}
