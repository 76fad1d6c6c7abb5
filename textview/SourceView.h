#pragma once
// The read-only source view of the document window: shows a text it does not own (the outline's
// formatted text, or the document text of a refused file), so that one copy of the text serves the
// outline and this view.
//
// Only what is on screen costs anything: lines are found through a sparse index (TTextLineIndex),
// the lines shown are tokenized as they are painted (JSONTokenizer.h) with the range state at their
// start found lazily (JSONRangeStates.h). The font is monospaced, so a line's width, and with word
// wrap its number of rows, follows from its characters: every character takes one cell, a tab up to
// the next tab stop. Positions are byte offsets into the UTF-8 text; what the user reads (columns,
// selection lengths) is converted where reported.
//
// Vertical scrolling goes by lines (the scroll bar's value is the first line shown; with word wrap a
// row within it as well), so nothing needs the rows of the whole text.

#include "textview/JSONRangeStates.h"
#include "textview/JSONTokenizer.h"
#include "textview/TextLineIndex.h"
#include "textview/TextViewOptions.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>

#include <cstddef>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

class TSourceView : public QAbstractScrollArea, public ITextViewOptions {
    Q_OBJECT
public:
    explicit TSourceView(QWidget* AParent = nullptr);

    // Shows AText (UTF-8, lines ending in CR LF). The caller keeps it alive and unchanged until the
    // next SetText. The caret goes to the start, the view to the top.
    void SetText(std::string_view AText);
    // The same with the lines of AText indexed already (while it was written, see TTextLineIndex::Extend).
    void SetText(std::string_view AText, TTextLineIndex&& AIndex);
    std::string_view Text() const { return FLines.Text(); }
    const TTextLineIndex& Lines() const { return FLines; }
    // Lines as the view shows them (an empty last line after a final line break included).
    size_t LineCount() const { return FLines.Count(); }
    QString LineText(size_t ALine) const;

    // The caret and the selection, as byte offsets; the selection runs from the anchor to the caret.
    size_t CaretPosition() const { return FCaret; }
    size_t AnchorPosition() const { return FAnchor; }
    size_t SelectionStart() const { return std::min(FCaret, FAnchor); }
    size_t SelectionEnd() const { return std::max(FCaret, FAnchor); }
    std::string_view SelectedBytes() const;
    // Selects from AAnchor to ACaret (both put on character boundaries) and scrolls the caret into view.
    void SetSelection(size_t AAnchor, size_t ACaret);
    void SetCaretPosition(size_t APosition) { SetSelection(APosition, APosition); }
    // The caret on line ALine (from 0), AColumn UTF-16 code units into it (at most its end).
    void SetCaret(size_t ALine, size_t AColumn);
    size_t CaretLine() const { return FLines.LineOf(FCaret); }
    // UTF-16 code units from the start of the caret's line to the caret.
    size_t CaretColumn() const;

    // Scrolling: the first line shown, and how many whole rows the view shows.
    size_t FirstVisibleLine() const { return FTopLine; }
    void SetFirstVisibleLine(size_t ALine);
    int LinesOnScreen() const;
    bool IsLineVisible(size_t ALine) const;
    void EnsureCaretVisible();

    // One line painted as marked (a place the user was sent to); none at first and after SetText.
    void MarkLine(size_t ALine);
    void ClearMarkedLine();
    std::optional<size_t> MarkedLine() const { return FMarkedLine; }

    // The gutter text of line ALine (from 0) as shown; empty without line numbers.
    QString GutterText(size_t ALine) const;
    // Digits the line numbers take: the largest number shown, at least GutterDigitCount.
    int GutterDigits() const;
    int GutterDigitCount() const { return FDigitCount; }
    void SetGutterDigitCount(int AValue);
    int GutterWidth() const;
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int AValue);

    // The attribute the byte at APosition is painted with (saNone for line breaks and past the end).
    TSynAttributeKind AttributeAt(size_t APosition);
    TRangeState StateAtLine(size_t ALine) { return FStates.StateAt(ALine, FLines); }
    static QColor AttributeColor(TSynAttributeKind AAttribute);
    static bool AttributeBold(TSynAttributeKind AAttribute);

    // Cells a piece of a line takes from the line's start: one per character, a tab to the next stop.
    static size_t CellsOf(std::string_view ABytes, int ATabWidth);
    // The byte offset in ALine of the character boundary nearest to cell ACell.
    static size_t OffsetOfCell(std::string_view ALine, size_t ACell, int ATabWidth);
    // Rows a line of ACells cells takes when rows hold AColumns cells (at least one row).
    static size_t RowsFor(size_t ACells, size_t AColumns);
    // With word wrap: cells a row holds; without: 0.
    size_t WrapColumns() const;
    size_t RowsOfLine(size_t ALine) const;
    // The cells where the rows of a wrapped line start (the first at 0): rows hold at most AColumns
    // cells and break after spaces or where a word meets other characters, else anywhere; spaces may
    // hang over a row's end.
    static std::vector<size_t> WrapRowStarts(std::string_view ALine, int ATabWidth, size_t AColumns);

    // ITextViewOptions
    bool GutterShowLineNumbers() const override { return FShowLineNumbers; }
    void SetGutterShowLineNumbers(bool AValue) override;
    bool GutterLeadingZeros() const override { return FLeadingZeros; }
    void SetGutterLeadingZeros(bool AValue) override;
    bool GutterZeroStart() const override { return FZeroStart; }
    void SetGutterZeroStart(bool AValue) override;
    bool GutterVisible() const override { return FGutterVisible; }
    void SetGutterVisible(bool AValue) override;
    // The view is read-only: the setting is only kept (the layout stores it).
    bool AutoIndent() const override { return FAutoIndent; }
    void SetAutoIndent(bool AValue) override { FAutoIndent = AValue; }
    int SelectionMode() const override { return FSelectionMode; }
    void SetSelectionMode(int AValue) override;
    bool WordWrap() const override { return FWordWrap; }
    void SetWordWrap(bool AValue) override;
    bool SpecialChars() const override { return FSpecialChars; }
    void SetSpecialChars(bool AValue) override;
    bool HasSelectedText() const override { return FCaret != FAnchor; }
    QString SelectedText() const override;
    void SelectAllText() override;
    QAbstractScrollArea* ScrollArea() override { return this; }

    // Puts the selection on the clipboard (nothing without a selection).
    void Copy();

    // The caret line's background, the marked line's background.
    QColor CaretLineColor() const { return FCaretLineColor; }
    void SetCaretLineColor(const QColor& AColor);
    void SetMarkedLineColor(const QColor& AColor) { FMarkedLineColor = AColor; }
    void SetGutterColor(const QColor& AColor);

Q_SIGNALS:
    // The caret or the selection moved, or the text changed.
    void CaretChanged();

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void scrollContentsBy(int ADx, int ADy) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    // A row of the view: a line and, with word wrap, one of its rows.
    struct TRow {
        size_t Line = 0;
        size_t Sub = 0;
        bool operator==(const TRow&) const = default;
    };
    // One cell of a laid-out line.
    struct TCell {
        size_t Offset; // byte offset in the line of the character covering the cell
        char16_t Units[2];
        uint8_t UnitCount;
        TSynAttributeKind Attribute;
        uint8_t Kind; // TCellKind
    };
    enum TCellKind : uint8_t { ckText, ckSpace, ckTabStart, ckTab, ckControl };

    void FontChanged();
    void UpdateScrollBars();
    void SetTop(TRow ATop);
    TRow Top() const { return {FTopLine, FTopSub}; }
    TRow NextRow(TRow ARow) const;
    TRow PrevRow(TRow ARow) const;
    // The row holding APosition, and its cell in that row.
    TRow RowOf(size_t APosition, size_t* ACellInRow = nullptr) const;
    size_t LineCells(size_t ALine) const;
    const std::vector<size_t>& RowStarts(size_t ALine) const;
    // The position in row ARow nearest to cell ACell of the row.
    size_t PositionInRow(TRow ARow, size_t ACell) const;
    size_t PositionAt(const QPoint& APoint) const;
    int TextLeft() const;
    int RowHeight() const { return FRowHeight; }
    // Pixels from the text's left edge to cell ACells.
    int Pixels(size_t ACells) const { return qRound(qreal(ACells) * FCharWidth); }
    // Lays out cells [AFirst, AEnd) of a line that starts in state AState.
    void LayoutCells(std::string_view ALine, TRangeState AState, size_t AFirst, size_t AEnd,
        std::vector<TCell>& ACells) const;
    size_t PrevPosition(size_t APosition) const;
    size_t NextPosition(size_t APosition) const;
    size_t WordStart(size_t APosition) const;
    size_t WordEnd(size_t APosition) const;
    size_t WordLeft(size_t APosition) const;
    size_t WordRight(size_t APosition) const;
    // Moves the caret (keeping the anchor when AExtend); AKeepCell keeps the remembered column.
    void MoveCaret(size_t APosition, bool AExtend, bool AKeepCell = false);
    void MoveRows(long ARows, bool AExtend);
    void SelectLinesTo(size_t APosition);
    void ChangeSelection(size_t AAnchor, size_t ACaret);
    void PaintRow(QPainter& APainter, TRow ARow, int AY, const std::vector<TCell>& ACells, size_t AFirstCell,
        size_t ALineStart, std::string_view ALine, bool ALastRow);

    TTextLineIndex FLines;
    TJSONRangeStates FStates;
    size_t FCaret = 0;
    size_t FAnchor = 0;
    // The cell the caret keeps to while moving up and down.
    size_t FWantedCell = 0;
    size_t FTopLine = 0;
    size_t FTopSub = 0;
    bool FSettingScroll = false;
    // The widest line painted so far, in cells (the horizontal scroll range).
    size_t FWidest = 0;
    mutable std::unordered_map<size_t, size_t> FCellCache;
    // The row starts of wrapped lines, for the current width.
    mutable std::unordered_map<size_t, std::vector<size_t>> FRowCache;
    mutable size_t FRowCacheColumns = 0;
    std::optional<size_t> FMarkedLine;
    // The caret's row and its cell in it, while painting.
    TRow FPaintCaret;
    size_t FPaintCaretCell = 0;
    // Where a line-wise selection began (selection mode lines).
    size_t FLineAnchor = 0;
    bool FDragging = false;

    bool FShowLineNumbers = true;
    bool FLeadingZeros = false;
    bool FZeroStart = false;
    bool FGutterVisible = true;
    int FDigitCount = 4;
    bool FAutoIndent = false;
    int FSelectionMode = smNormal;
    bool FWordWrap = false;
    bool FSpecialChars = false;
    int FTabWidth = 8;

    QFont FBoldFont;
    QFont FMarkFont;
    qreal FCharWidth = 8;
    int FRowHeight = 16;
    int FAscent = 12;
    QColor FCaretLineColor = QColor(Qt::yellow);
    QColor FMarkedLineColor = QColor(255, 214, 214);
    QColor FGutterColor;
};
