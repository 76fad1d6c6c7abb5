#include "controls/ButtonGroupEx.h"

#include "controls/ColorMath.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Pointer distance from the top or bottom edge within which a drag scrolls hidden rows.
constexpr int DragScrollZone = 6;
// Pause between two rows scrolled by a drag, so that holding still near an edge does not race.
constexpr int DragScrollPauseMs = 120;

void FrameRect(QPainter& ACanvas, const QRect& ARect, const QColor& AColor)
{
    // Four 1-pixel strips instead of a pen: stays crisp and inside the rectangle at any pixel ratio.
    ACanvas.fillRect(QRect(ARect.left(), ARect.top(), ARect.width(), 1), AColor);
    ACanvas.fillRect(QRect(ARect.left(), ARect.bottom(), ARect.width(), 1), AColor);
    ACanvas.fillRect(QRect(ARect.left(), ARect.top(), 1, ARect.height()), AColor);
    ACanvas.fillRect(QRect(ARect.right(), ARect.top(), 1, ARect.height()), AColor);
}

QFont PlainFont(QFont AFont)
{
    AFont.setBold(false);
    AFont.setItalic(false);
    AFont.setUnderline(false);
    AFont.setStrikeOut(false);
    return AFont;
}

} // namespace

TButtonGroupEx::TButtonGroupEx(QWidget* AParent)
    : QWidget(AParent)
{
    const QPalette pal = QApplication::palette();
    FColor = pal.color(QPalette::Button);
    FHotButtonColor = QColor(198, 211, 239);
    FSelectedButtonColor = pal.color(QPalette::ToolTipBase);
    FRegularButtonColor = ColorAdjustLuma(pal.color(QPalette::Button), 15);
    FEdgeButtonColor = QColor(160, 160, 164);
    FBorderColor = QColor(128, 128, 128);

    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    FScrollBar = new QScrollBar(Qt::Vertical, this);
    FScrollBar->setFocusPolicy(Qt::NoFocus);
    FScrollBar->hide();
    connect(FScrollBar, &QScrollBar::valueChanged, this, &TButtonGroupEx::SetTopRow);
    UpdateLayout();
}

TButtonGroupEx::~TButtonGroupEx() = default;

// ---- buttons ---------------------------------------------------------------------------------------

int TButtonGroupEx::AddItem(const TGrpButtonItem& AItem)
{
    InsertItem(Count(), AItem);
    return Count() - 1;
}

void TButtonGroupEx::InsertItem(int AIndex, const TGrpButtonItem& AItem)
{
    AIndex = std::clamp(AIndex, 0, Count());
    if (FDragIndex >= 0)
        EndDrag();
    FItems.insert(AIndex, AItem);
    if (FItemIndex >= AIndex)
        ++FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    FDragCandidate = -1;
    ItemInserted(AIndex);
    UpdateLayout();
    update();
}

void TButtonGroupEx::DeleteItem(int AIndex)
{
    if (!IsValidIndex(AIndex))
        return;
    if (FDragIndex >= 0)
        EndDrag();
    const TGrpButtonItem removed = FItems.takeAt(AIndex);
    if (FItemIndex == AIndex)
        FItemIndex = -1;
    else if (FItemIndex > AIndex)
        --FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    FDragCandidate = -1;
    ItemRemoved(AIndex, removed);
    UpdateLayout();
    update();
}

void TButtonGroupEx::ClearItems()
{
    while (Count() > 0)
        DeleteItem(Count() - 1);
}

void TButtonGroupEx::MoveItem(int AFromIndex, int AToIndex)
{
    if (!IsValidIndex(AFromIndex) || !IsValidIndex(AToIndex) || AFromIndex == AToIndex)
        return;
    FItems.move(AFromIndex, AToIndex);
    if (FItemIndex == AFromIndex)
        FItemIndex = AToIndex;
    else if (AFromIndex < FItemIndex && AToIndex >= FItemIndex)
        --FItemIndex;
    else if (AFromIndex > FItemIndex && AToIndex <= FItemIndex && FItemIndex >= 0)
        ++FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    ItemMoved(AFromIndex, AToIndex);
    update();
}

void TButtonGroupEx::SetItemCaption(int AIndex, const QString& ACaption)
{
    if (!IsValidIndex(AIndex))
        return;
    FItems[AIndex].Caption = ACaption;
    InvalidateButton(AIndex);
}

void TButtonGroupEx::SetItemHint(int AIndex, const QString& AHint)
{
    if (IsValidIndex(AIndex))
        FItems[AIndex].Hint = AHint;
}

void TButtonGroupEx::SetItemImageIndex(int AIndex, int AImageIndex)
{
    if (!IsValidIndex(AIndex))
        return;
    FItems[AIndex].ImageIndex = AImageIndex;
    InvalidateButton(AIndex);
}

void TButtonGroupEx::SetItemData(int AIndex, QObject* AData)
{
    if (IsValidIndex(AIndex))
        FItems[AIndex].Data = AData;
}

void TButtonGroupEx::SetItemOnClick(int AIndex, std::function<void(QObject*)> AOnClick)
{
    if (IsValidIndex(AIndex))
        FItems[AIndex].OnClick = std::move(AOnClick);
}

void TButtonGroupEx::ItemInserted(int)
{
}
void TButtonGroupEx::ItemRemoved(int, const TGrpButtonItem&)
{
}
void TButtonGroupEx::ItemMoved(int, int)
{
}

// ---- selection -----------------------------------------------------------------------------------

void TButtonGroupEx::SetItemIndex(int AIndex)
{
    if (!IsValidIndex(AIndex))
        AIndex = -1;
    if (AIndex == FItemIndex)
        return;
    InvalidateButton(FItemIndex);
    FItemIndex = AIndex;
    InvalidateButton(FItemIndex);
}

void TButtonGroupEx::SetHotIndex(int AIndex)
{
    if (AIndex == FHotIndex)
        return;
    InvalidateButton(FHotIndex);
    FHotIndex = AIndex;
    InvalidateButton(FHotIndex);
}

void TButtonGroupEx::InvalidateButton(int AIndex)
{
    if (IsValidIndex(AIndex))
        update(ButtonRect(AIndex).adjusted(-2, -2, 2, 2));
}

// ---- geometry ------------------------------------------------------------------------------------

QMargins TButtonGroupEx::FrameMargins() const
{
    if (FBorderStyle == bsSingle)
        return QMargins(3, 3, 3, 3);
    if (FBevelKind != bkNone)
        return QMargins(FBevelEdges.testFlag(beLeft) ? 2 : 0, 1 + (FBevelEdges.testFlag(beTop) ? 2 : 0),
            FBevelEdges.testFlag(beRight) ? 2 : 0, 1 + (FBevelEdges.testFlag(beBottom) ? 2 : 0));
    return QMargins(0, 1, 0, 1);
}

int TButtonGroupEx::ExtraHeight() const
{
    const QMargins m = FrameMargins();
    return m.top() + m.bottom();
}

int TButtonGroupEx::ColumnsForWidth(int AWidth) const
{
    if (FButtonOptions.testFlag(gboFullSize))
        return 1;
    return std::max(1, AWidth / std::max(1, FButtonWidth));
}

int TButtonGroupEx::ColumnCount() const
{
    return ColumnsForWidth(FGridRect.width());
}

int TButtonGroupEx::RowCount() const
{
    const int cols = ColumnCount();
    return (Count() + cols - 1) / cols;
}

int TButtonGroupEx::FullVisibleRows() const
{
    return std::max(1, FGridRect.height() / std::max(1, FButtonHeight));
}

int TButtonGroupEx::MaxTopRow() const
{
    if (FAutoSize)
        return 0;
    return std::max(0, RowCount() - FullVisibleRows());
}

QRect TButtonGroupEx::ButtonRect(int AIndex) const
{
    if (!IsValidIndex(AIndex))
        return QRect();
    const int cols = ColumnCount();
    const int buttonWidth = FButtonOptions.testFlag(gboFullSize) ? FGridRect.width() : FButtonWidth;
    return QRect(FGridRect.left() + (AIndex % cols) * FButtonWidth,
        FGridRect.top() + (AIndex / cols - FTopRow) * FButtonHeight, buttonWidth, FButtonHeight);
}

int TButtonGroupEx::CellIndexAt(const QPoint& APos) const
{
    if (!FGridRect.contains(APos))
        return -1;
    const int cols = ColumnCount();
    const int col = FButtonOptions.testFlag(gboFullSize) ? 0 : (APos.x() - FGridRect.left()) / FButtonWidth;
    if (col >= cols)
        return -1;
    const int row = (APos.y() - FGridRect.top()) / FButtonHeight + FTopRow;
    return row * cols + col;
}

int TButtonGroupEx::IndexOfButtonAt(const QPoint& APos) const
{
    const int cell = CellIndexAt(APos);
    return cell < Count() ? cell : -1;
}

void TButtonGroupEx::SetTopRow(int ARow)
{
    ARow = std::clamp(ARow, 0, MaxTopRow());
    if (FScrollBar->value() != ARow) {
        const QSignalBlocker block(FScrollBar);
        FScrollBar->setValue(ARow);
    }
    if (ARow == FTopRow)
        return;
    FTopRow = ARow;
    FHotIndex = -1;
    update();
}

void TButtonGroupEx::ScrollIntoView(int AIndex)
{
    if (!IsValidIndex(AIndex))
        return;
    const int row = AIndex / ColumnCount();
    if (row < FTopRow)
        SetTopRow(row);
    else if (row >= FTopRow + FullVisibleRows())
        SetTopRow(row - FullVisibleRows() + 1);
}

void TButtonGroupEx::UpdateLayout()
{
    if (FInLayout)
        return;
    FInLayout = true;
    const QMargins m = FrameMargins();
    if (FAutoSize) {
        // The height follows the rows; the columns depend only on the width, so one pass settles it.
        FGridRect = rect().marginsRemoved(m);
        const int rowsHeight = ExtraHeight() + RowCount() * FButtonHeight;
        if (minimumHeight() != rowsHeight || maximumHeight() != rowsHeight)
            setFixedHeight(rowsHeight);
        FGridRect = QRect(m.left(), m.top(), std::max(0, width() - m.left() - m.right()),
            std::max(0, height() - m.top() - m.bottom()));
        FScrollBar->hide();
    } else {
        FGridRect = rect().marginsRemoved(m);
        if (RowCount() * FButtonHeight > FGridRect.height() && Count() > 0) {
            const int barWidth = FScrollBar->sizeHint().width();
            FScrollBar->setGeometry(
                FGridRect.right() - barWidth + 1, FGridRect.top(), barWidth, std::max(0, FGridRect.height()));
            FGridRect.setRight(FGridRect.right() - barWidth);
            const int maxTopRow = std::max(0, RowCount() - FullVisibleRows());
            const QSignalBlocker block(FScrollBar);
            FScrollBar->setRange(0, maxTopRow);
            FScrollBar->setPageStep(FullVisibleRows());
            FScrollBar->setSingleStep(1);
            FScrollBar->show();
        } else {
            FScrollBar->hide();
        }
    }
    FInLayout = false;
    SetTopRow(FTopRow);
    updateGeometry();
}

QSize TButtonGroupEx::sizeHint() const
{
    const QMargins m = FrameMargins();
    const int rows = FAutoSize ? RowCount() : std::max(1, RowCount());
    return QSize(m.left() + m.right() + FButtonWidth * std::max(1, std::min(Count(), 4)),
        ExtraHeight() + rows * FButtonHeight);
}

QSize TButtonGroupEx::minimumSizeHint() const
{
    const QMargins m = FrameMargins();
    return QSize(m.left() + m.right() + FButtonWidth, FAutoSize ? sizeHint().height() : ExtraHeight());
}

// ---- properties ----------------------------------------------------------------------------------

void TButtonGroupEx::SetButtonWidth(int AValue)
{
    AValue = std::max(1, AValue);
    if (AValue == FButtonWidth)
        return;
    FButtonWidth = AValue;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetButtonHeight(int AValue)
{
    AValue = std::max(1, AValue);
    if (AValue == FButtonHeight)
        return;
    FButtonHeight = AValue;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetButtonOptions(TGrpButtonOptions AValue)
{
    if (AValue == FButtonOptions)
        return;
    FButtonOptions = AValue;
    if (!FButtonOptions.testFlag(gboAllowReorder) && FDragIndex >= 0)
        EndDrag();
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetImages(TImageList* AValue)
{
    if (FImages == AValue)
        return;
    if (FImages)
        disconnect(FImages, nullptr, this, nullptr);
    FImages = AValue;
    if (FImages)
        connect(FImages, &TImageList::Changed, this, qOverload<>(&QWidget::update));
    update();
}

void TButtonGroupEx::SetBorderStyle(TBorderStyle AValue)
{
    FBorderStyle = AValue;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetBevelKind(TBevelKind AValue)
{
    FBevelKind = AValue;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetBevelEdges(TBevelEdges AValue)
{
    FBevelEdges = AValue;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetColor(const QColor& AValue)
{
    FColor = AValue;
    update();
}

void TButtonGroupEx::SetHotButtonColor(const QColor& AValue)
{
    if (AValue == FHotButtonColor)
        return;
    FHotButtonColor = AValue;
    update();
}

void TButtonGroupEx::SetSelectedButtonColor(const QColor& AValue)
{
    if (AValue == FSelectedButtonColor)
        return;
    FSelectedButtonColor = AValue;
    update();
}

void TButtonGroupEx::SetRegularButtonColor(const QColor& AValue)
{
    if (AValue == FRegularButtonColor)
        return;
    FRegularButtonColor = AValue;
    update();
}

void TButtonGroupEx::SetEdgeButtonColor(const QColor& AValue)
{
    FEdgeButtonColor = AValue;
    update();
}

void TButtonGroupEx::SetTextIndent(int AValue)
{
    FTextIndent = AValue;
    update();
}

void TButtonGroupEx::SetWordWrap(bool AValue)
{
    FWordWrap = AValue;
    update();
}

void TButtonGroupEx::SetAutoSize(bool AValue)
{
    if (AValue == FAutoSize)
        return;
    FAutoSize = AValue;
    if (!FAutoSize) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetGlassButtonStyle(bool AValue)
{
    FGlassButtonStyle = AValue;
    update();
}

void TButtonGroupEx::SetGlassButtonColor(const QColor& AValue)
{
    FGlassButtonColor = AValue;
    update();
}

void TButtonGroupEx::SetBorderColor(const QColor& AValue)
{
    FBorderColor = AValue;
    update();
}

void TButtonGroupEx::SetEmptyText(const QString& AValue)
{
    FEmptyText = AValue;
    update();
}

void TButtonGroupEx::SetOnDrawButton(TGrpButtonDrawEvent AHandler)
{
    FOnDrawButton = std::move(AHandler);
    update();
}

void TButtonGroupEx::SetOnDrawIcon(TGrpButtonDrawIconEvent AHandler)
{
    FOnDrawIcon = std::move(AHandler);
    update();
}

// ---- painting ------------------------------------------------------------------------------------

QColor TButtonGroupEx::FillColor(TButtonDrawState AState) const
{
    if (AState.testFlag(bdsHot))
        return FHotButtonColor;
    if (AState.testFlag(bdsSelected))
        return FSelectedButtonColor;
    return FRegularButtonColor;
}

QColor TButtonGroupEx::FrameColor(TButtonDrawState AState) const
{
    if (FEdgeButtonColor.isValid())
        return FEdgeButtonColor;
    return ShadowColor(FillColor(AState));
}

QStringList TButtonGroupEx::SplitCaption(const QString& ACaption)
{
    const qsizetype first = ACaption.indexOf(QLatin1Char('\t'));
    if (first < 0)
        return {ACaption};
    const qsizetype second = ACaption.indexOf(QLatin1Char('\t'), first + 1);
    if (second < 0)
        return {ACaption.left(first), ACaption.mid(first + 1)};
    return {ACaption.left(first), ACaption.mid(first + 1, second - first - 1), ACaption.mid(second + 1)};
}

QString TButtonGroupEx::TooltipText(int AIndex) const
{
    if (!IsValidIndex(AIndex))
        return QString();
    const TGrpButtonItem& it = FItems.at(AIndex);
    return it.Hint.isEmpty() ? it.Caption : it.Hint;
}

TButtonDrawState TButtonGroupEx::DrawState(int AIndex) const
{
    TButtonDrawState state;
    if (!IsValidIndex(AIndex))
        return state;
    if (AIndex == FItemIndex)
        state |= bdsSelected;
    if (AIndex == FHotIndex)
        state |= bdsHot;
    if (AIndex == FItemIndex && hasFocus())
        state |= bdsFocused;
    if (AIndex == FDownIndex && AIndex == FHotIndex && FDragIndex < 0)
        state |= bdsDown;
    if (AIndex == FDragIndex)
        state |= bdsDragged;
    if (FDragIndex >= 0 && FDropGap >= 0) {
        const bool oneColumn = ColumnCount() == 1;
        if (AIndex == FDropGap)
            state |= oneColumn ? bdsInsertTop : bdsInsertLeft;
        if (AIndex == FDropGap - 1)
            state |= oneColumn ? bdsInsertBottom : bdsInsertRight;
    }
    return state;
}

QColor TButtonGroupEx::TextColorOn(const QColor& AFill) const
{
    const QColor text = palette().color(QPalette::ButtonText);
    if (!AFill.isValid())
        return palette().color(QPalette::WindowText);
    // Fills are set by the owner, the text colour comes from the desktop theme: keep the text legible
    // when a dark theme meets a light fill (or the other way round).
    const int fillLum = ColorRGBToHLS(AFill).Luminance;
    if (std::abs(ColorRGBToHLS(text).Luminance - fillLum) >= 90)
        return text;
    return fillLum >= 120 ? QColor(Qt::black) : QColor(Qt::white);
}

void TButtonGroupEx::PaintGlass(QPainter& ACanvas, const QRect& ARect, const QColor& AFill) const
{
    const int h = ARect.height();
    if (h <= 0)
        return;
    const int half = h / 2;
    const int halfSpan = half * 2;
    for (int r = 0; r < h; ++r) {
        QColor row = BlendColors(AFill, FGlassButtonColor, int(std::lround(255.0 * r / h)));
        if (r < half && halfSpan > 0)
            row = BlendColors(row, QColor(Qt::white), int(std::lround(255.0 * r / halfSpan)));
        ACanvas.fillRect(QRect(ARect.left(), ARect.top() + r, ARect.width(), 1), row);
    }
}

void TButtonGroupEx::DrawTextLine(QPainter& ACanvas, const QRect& ARect, const QString& AText, int AFlags)
{
    ACanvas.drawText(ARect, AFlags, AText);
}

void TButtonGroupEx::DrawButton(QPainter& ACanvas, int AIndex, const QRect& ACell, TButtonDrawState AState)
{
    if (FOnDrawButton) {
        FOnDrawButton(this, AIndex, ACanvas, ACell, AState);
        return;
    }
    if (OnBeforeDrawButton)
        OnBeforeDrawButton(this, AIndex, ACanvas, ACell, AState);

    ACanvas.save();
    const QRect face = ACell.adjusted(1, 1, -1, -1);
    ACanvas.setFont(font());
    const QColor fill = FillColor(AState);
    const QColor frame = FrameColor(AState);
    DrawButtonFace(ACanvas, face, fill, frame);
    const bool down = AState.testFlag(bdsDown);
    // The picture's left edge; the caption follows the picture.
    const int left = face.left() + 4 + (FButtonOptions.testFlag(gboFullSize) ? 4 : 0) + (down ? 1 : 0);
    const int textOffset = DrawButtonIcon(ACanvas, AIndex, face, AState, left);
    DrawInsertionMarks(ACanvas, face, AState, frame);
    if (FButtonOptions.testFlag(gboShowCaptions))
        DrawCaption(ACanvas, AIndex, face, AState, fill, left + textOffset + FTextIndent);
    ACanvas.restore();

    if (OnAfterDrawButton)
        OnAfterDrawButton(this, AIndex, ACanvas, ACell, AState);
}

void TButtonGroupEx::DrawButtonFace(
    QPainter& ACanvas, const QRect& AFace, const QColor& AFill, const QColor& AFrame)
{
    if (!AFill.isValid())
        return;
    if (FGlassButtonStyle)
        PaintGlass(ACanvas, AFace, AFill);
    else
        ACanvas.fillRect(AFace, AFill);
    if (AFrame.isValid())
        FrameRect(ACanvas, AFace, AFrame);
}

int TButtonGroupEx::DrawButtonIcon(
    QPainter& ACanvas, int AIndex, const QRect& AFace, TButtonDrawState AState, int ALeft)
{
    int textOffset = 0;
    const int imageIndex = FItems.at(AIndex).ImageIndex;
    if (FOnDrawIcon) {
        FOnDrawIcon(this, AIndex, ACanvas, AFace, AState, textOffset);
    } else if (FImages && FImages->IsValidIndex(imageIndex)) {
        int top = std::max(AFace.top(), AFace.top() + (AFace.height() - FImages->Height()) / 2);
        if (AState.testFlag(bdsDown))
            ++top;
        FImages->Draw(ACanvas, ALeft - 1, top, imageIndex, isEnabled());
        textOffset = FImages->Width() + 1;
    }
    return textOffset;
}

void TButtonGroupEx::DrawInsertionMarks(
    QPainter& ACanvas, const QRect& AFace, TButtonDrawState AState, const QColor& AFrame)
{
    if (!(AState & (bdsInsertLeft | bdsInsertTop | bdsInsertRight | bdsInsertBottom)))
        return;
    // In the shadow of the frame colour.
    QColor mark = ShadowColor(AFrame.isValid() ? AFrame : FBorderColor);
    if (!mark.isValid())
        mark = palette().color(QPalette::Dark);
    if (AState.testFlag(bdsInsertLeft))
        ACanvas.fillRect(QRect(AFace.left() - 2, AFace.top(), 2, AFace.height()), mark);
    if (AState.testFlag(bdsInsertTop))
        ACanvas.fillRect(QRect(AFace.left(), AFace.top(), AFace.width(), 2), mark);
    if (AState.testFlag(bdsInsertRight))
        ACanvas.fillRect(QRect(AFace.right() + 1, AFace.top(), 2, AFace.height()), mark);
    if (AState.testFlag(bdsInsertBottom))
        ACanvas.fillRect(QRect(AFace.left(), AFace.bottom() - 1, AFace.width(), 2), mark);
}

void TButtonGroupEx::DrawCaption(QPainter& ACanvas, int AIndex, const QRect& AFace, TButtonDrawState AState,
    const QColor& AFill, int ATextLeft)
{
    const QStringList lines = SplitCaption(FItems.at(AIndex).Caption);
    const QFontMetrics firstMetrics(font());
    const int lineHeight = firstMetrics.height();
    const int textRight = AFace.right() - 2;
    const int textWidth = std::max(0, textRight - ATextLeft + 1);
    int blockHeight = lineHeight * int(lines.size());
    if (lines.size() == 1 && FWordWrap)
        blockHeight =
            firstMetrics
                .boundingRect(QRect(0, 0, std::max(1, textWidth), 10000), Qt::TextWordWrap, lines.at(0))
                .height();
    int textTop = std::max(AFace.top(), AFace.top() + (AFace.height() - blockHeight) / 2);
    if (AState.testFlag(bdsDown))
        ++textTop;
    QRect textRect(QPoint(ATextLeft, textTop), QPoint(textRight, AFace.bottom() - 1));

    if (OnDrawText) {
        OnDrawText(this, AIndex, ACanvas, textRect, AState);
        return;
    }
    ACanvas.setPen(TextColorOn(AFill));
    const int singleFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const int wrapFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    auto drawLine = [&](const QString& line, bool wrap) {
        if (textRect.width() <= 0 || textRect.height() <= 0)
            return;
        if (wrap)
            DrawTextLine(ACanvas, textRect, line, wrapFlags);
        else
            DrawTextLine(ACanvas, textRect,
                ACanvas.fontMetrics().elidedText(line, Qt::ElideRight, textRect.width()), singleFlags);
    };
    drawLine(lines.at(0), FWordWrap && lines.size() == 1);
    if (lines.size() > 1) {
        textRect.setTop(textRect.top() + lineHeight + 3);
        ACanvas.setFont(PlainFont(font()));
        drawLine(lines.at(1), FWordWrap);
        if (lines.size() > 2) {
            textRect.setTop(textRect.top() + lineHeight);
            drawLine(lines.at(2), FWordWrap);
        }
    }
}

void TButtonGroupEx::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    if (FColor.isValid())
        canvas.fillRect(rect(), FColor);
    if (FBorderStyle == bsSingle)
        FrameRect(canvas, rect(), palette().color(QPalette::Mid));

    if (!FEmptyText.isEmpty()) {
        canvas.setPen(palette().color(QPalette::WindowText));
        canvas.drawText(QRect(5, 0, std::max(0, width() - 5), height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FEmptyText);
    }

    if (Count() > 0) {
        canvas.save();
        // Insertion marks reach two pixels beyond a cell; the frame margins keep them.
        canvas.setClipRect(FGridRect.adjusted(-2, 0, 2, 0));
        const int cols = ColumnCount();
        const int first = FTopRow * cols;
        const int rows = FGridRect.height() / FButtonHeight + 1;
        const int last = std::min(Count(), first + rows * cols);
        for (int i = first; i < last; ++i)
            DrawButton(canvas, i, ButtonRect(i), DrawState(i));
        if (FDragIndex >= 0 && !FDragImage.isNull()) {
            canvas.setOpacity(0.6);
            canvas.drawPixmap(FDragPos - FDragOffset, FDragImage);
        }
        canvas.restore();
    }

    if (FBevelKind != bkNone && FBorderColor.isValid() && !(Count() == 0 && FAutoSize)) {
        const int w = width();
        const int h = height();
        if (FBevelEdges.testFlag(beBottom))
            canvas.fillRect(QRect(0, h - 1, w, 1), FBorderColor);
        if (FBevelEdges.testFlag(beTop))
            canvas.fillRect(QRect(0, 1, w, 1), FBorderColor);
        if (FBevelEdges.testFlag(beLeft))
            canvas.fillRect(QRect(1, 0, 1, h), FBorderColor);
        if (FBevelEdges.testFlag(beRight))
            canvas.fillRect(QRect(w - 1, 0, 1, h), FBorderColor);
    }
}

void TButtonGroupEx::resizeEvent(QResizeEvent* AEvent)
{
    QWidget::resizeEvent(AEvent);
    UpdateLayout();
}

void TButtonGroupEx::changeEvent(QEvent* AEvent)
{
    QWidget::changeEvent(AEvent);
    if (AEvent->type() == QEvent::FontChange || AEvent->type() == QEvent::PaletteChange)
        update();
}

// ---- mouse ---------------------------------------------------------------------------------------

void TButtonGroupEx::mousePressEvent(QMouseEvent* AEvent)
{
    const QPoint pos = AEvent->position().toPoint();
    const int index = IndexOfButtonAt(pos);
    FHotButton = index;
    if (AEvent->button() == Qt::LeftButton) {
        if (focusPolicy() & Qt::ClickFocus)
            setFocus(Qt::MouseFocusReason);
        FDownIndex = index == FItemIndex ? -1 : index;
        FDragCandidate = index;
        FPressPos = pos;
        InvalidateButton(FDownIndex);
    }
    AEvent->accept();
}

void TButtonGroupEx::mouseMoveEvent(QMouseEvent* AEvent)
{
    const QPoint pos = AEvent->position().toPoint();
    if (FDragIndex >= 0) {
        // The button went up where this control did not see it (a dialog took the mouse): no drop.
        if (!(AEvent->buttons() & Qt::LeftButton)) {
            EndDrag();
            FDragCandidate = -1;
            SetHotIndex(IndexOfButtonAt(pos));
            return;
        }
        UpdateDrag(pos);
        return;
    }
    if ((AEvent->buttons() & Qt::LeftButton) && FDragCandidate >= 0
        && FButtonOptions.testFlag(gboAllowReorder)
        && (pos - FPressPos).manhattanLength() >= QApplication::startDragDistance()) {
        StartDrag();
        UpdateDrag(pos);
        return;
    }
    SetHotIndex(IndexOfButtonAt(pos));
}

void TButtonGroupEx::mouseReleaseEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() != Qt::LeftButton)
        return;
    const QPoint pos = AEvent->position().toPoint();
    FDragCandidate = -1;
    if (FDragIndex >= 0) {
        const int from = FDragIndex;
        const int gap = FDropGap;
        EndDrag();
        if (gap >= 0) {
            const int to = gap > from ? gap - 1 : gap;
            MoveItem(from, to);
            if (OnReorderButton)
                OnReorderButton(this, from, to);
        }
        SetHotIndex(IndexOfButtonAt(pos));
        return;
    }
    const int pressed = FDownIndex;
    FDownIndex = -1;
    InvalidateButton(pressed);
    if (pressed >= 0 && IndexOfButtonAt(pos) == pressed)
        DoItemClicked(pressed);
}

void TButtonGroupEx::leaveEvent(QEvent* AEvent)
{
    QWidget::leaveEvent(AEvent);
    SetHotIndex(-1);
}

void TButtonGroupEx::DoItemClicked(int AIndex)
{
    if (!IsValidIndex(AIndex))
        return;
    SetItemIndex(AIndex);
    // Copies: a handler may remove buttons or replace the event.
    const auto onClick = FItems.at(AIndex).OnClick;
    if (onClick) {
        onClick(this);
    } else if (OnButtonClicked) {
        const TGrpButtonEvent handler = OnButtonClicked;
        handler(this, AIndex);
    }
}

// ---- dragging ------------------------------------------------------------------------------------

int TButtonGroupEx::DropGapAt(const QPoint& APos) const
{
    const int cell = CellIndexAt(APos);
    if (cell < 0)
        return -1;
    if (cell >= Count())
        return Count();
    const QRect button = ButtonRect(cell);
    const bool firstHalf = ColumnCount() == 1 ? APos.y() < button.top() + button.height() / 2
                                              : APos.x() < button.left() + button.width() / 2;
    return firstHalf ? cell : cell + 1;
}

bool TButtonGroupEx::IsDropGapAccepted(int AGap) const
{
    return AGap >= 0 && Count() > 1 && FDragIndex >= 0 && AGap != FDragIndex && AGap != FDragIndex + 1;
}

void TButtonGroupEx::StartDrag()
{
    FDragIndex = FDragCandidate;
    FDownIndex = -1;
    FDropGap = -1;
    const QRect cell = ButtonRect(FDragIndex);
    FDragOffset = FPressPos - cell.topLeft();
    const qreal ratio = devicePixelRatioF();
    FDragImage = QPixmap((QSizeF(cell.size()) * ratio).toSize());
    FDragImage.setDevicePixelRatio(ratio);
    FDragImage.fill(Qt::transparent);
    {
        QPainter canvas(&FDragImage);
        canvas.translate(-cell.topLeft());
        DrawButton(canvas, FDragIndex, cell, DrawState(FDragIndex) & ~TButtonDrawState(bdsDragged));
    }
    FDragScrollClock.invalidate();
    setCursor(Qt::DragMoveCursor);
    update();
}

void TButtonGroupEx::UpdateDrag(const QPoint& APos)
{
    FDragPos = APos;
    if (APos.y() < DragScrollZone || APos.y() >= height() - DragScrollZone) {
        if (!FDragScrollClock.isValid() || FDragScrollClock.elapsed() >= DragScrollPauseMs) {
            SetTopRow(FTopRow + (APos.y() < DragScrollZone ? -1 : 1));
            FDragScrollClock.start();
        }
    }
    const int gap = DropGapAt(APos);
    FDropGap = IsDropGapAccepted(gap) ? gap : -1;
    update();
}

void TButtonGroupEx::EndDrag()
{
    FDragIndex = -1;
    FDropGap = -1;
    FDragImage = QPixmap();
    unsetCursor();
    // The pointer may have left the bar while the drag held it: only the button under it is lit.
    const QPoint pos = mapFromGlobal(QCursor::pos());
    SetHotIndex(rect().contains(pos) ? IndexOfButtonAt(pos) : -1);
    update();
}

// ---- keyboard, wheel, tooltips -------------------------------------------------------------------

void TButtonGroupEx::keyPressEvent(QKeyEvent* AEvent)
{
    if (FDragIndex >= 0) {
        if (AEvent->key() == Qt::Key_Escape) {
            EndDrag();
            FDragCandidate = -1;
        }
        return;
    }
    const int cols = ColumnCount();
    const int page = cols * FullVisibleRows();
    int target = -2;
    switch (AEvent->key()) {
    case Qt::Key_Left:
        target = FItemIndex - 1;
        break;
    case Qt::Key_Right:
        target = FItemIndex + 1;
        break;
    case Qt::Key_Up:
        target = FItemIndex - cols;
        break;
    case Qt::Key_Down:
        target = FItemIndex + cols;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = Count() - 1;
        break;
    case Qt::Key_PageUp:
        target = FItemIndex - page;
        break;
    case Qt::Key_PageDown:
        target = FItemIndex + page;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (IsValidIndex(FItemIndex))
            DoItemClicked(FItemIndex);
        AEvent->accept();
        return;
    default:
        QWidget::keyPressEvent(AEvent);
        return;
    }
    AEvent->accept();
    if (Count() == 0 || !FButtonOptions.testFlag(gboGroupStyle))
        return;
    if (FItemIndex < 0)
        target = 0;
    target = std::clamp(target, 0, Count() - 1);
    SetItemIndex(target);
    ScrollIntoView(target);
}

void TButtonGroupEx::wheelEvent(QWheelEvent* AEvent)
{
    AEvent->accept();
    const int delta = AEvent->angleDelta().y();
    if (OnMouseWheel) {
        bool handled = false;
        OnMouseWheel(this, AEvent->modifiers(), delta, AEvent->position().toPoint(), handled);
        if (handled)
            return;
    }
    FWheelRemainder += delta;
    const int notches = FWheelRemainder / 120;
    FWheelRemainder -= notches * 120;
    if (notches == 0)
        return;
    const int step = AEvent->modifiers().testFlag(Qt::ControlModifier) ? FullVisibleRows() : 1;
    SetTopRow(FTopRow - notches * step);
}

void TButtonGroupEx::focusInEvent(QFocusEvent* AEvent)
{
    QWidget::focusInEvent(AEvent);
    InvalidateButton(FItemIndex);
}

void TButtonGroupEx::focusOutEvent(QFocusEvent* AEvent)
{
    QWidget::focusOutEvent(AEvent);
    if (FDragIndex >= 0) {
        EndDrag();
        FDragCandidate = -1;
    }
    InvalidateButton(FItemIndex);
}

bool TButtonGroupEx::event(QEvent* AEvent)
{
    // The context menu takes the mouse: no button stays lit under it, nor after it closed elsewhere.
    if (AEvent->type() == QEvent::ContextMenu)
        SetHotIndex(-1);
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
        const int index = FShowHint ? IndexOfButtonAt(help->pos()) : -1;
        const QString text = TooltipText(index);
        if (index >= 0 && !text.isEmpty()) {
            QToolTip::showText(help->globalPos(), text, this, ButtonRect(index));
        } else {
            QToolTip::hideText();
            AEvent->ignore();
        }
        return true;
    }
    return QWidget::event(AEvent);
}
