#include "controls/ButtonGroupEx.h"

#include "controls/ColorMath.h"

#include <QApplication>
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

void FrameRect(QPainter& Canvas, const QRect& Rect, const QColor& Color)
{
    // Four 1-pixel strips instead of a pen: stays crisp and inside the rectangle at any pixel ratio.
    Canvas.fillRect(QRect(Rect.left(), Rect.top(), Rect.width(), 1), Color);
    Canvas.fillRect(QRect(Rect.left(), Rect.bottom(), Rect.width(), 1), Color);
    Canvas.fillRect(QRect(Rect.left(), Rect.top(), 1, Rect.height()), Color);
    Canvas.fillRect(QRect(Rect.right(), Rect.top(), 1, Rect.height()), Color);
}

QFont PlainFont(QFont Font)
{
    Font.setBold(false);
    Font.setItalic(false);
    Font.setUnderline(false);
    Font.setStrikeOut(false);
    return Font;
}

} // namespace

TButtonGroupEx::TButtonGroupEx(QWidget* Parent)
    : QWidget(Parent)
{
    const QPalette Pal = QApplication::palette();
    FColor = Pal.color(QPalette::Button);
    FHotButtonColor = QColor(198, 211, 239);
    FSelectedButtonColor = Pal.color(QPalette::ToolTipBase);
    FRegularButtonColor = ColorAdjustLuma(Pal.color(QPalette::Button), 15);
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

int TButtonGroupEx::AddItem(const TGrpButtonItem& Item)
{
    InsertItem(Count(), Item);
    return Count() - 1;
}

void TButtonGroupEx::InsertItem(int Index, const TGrpButtonItem& Item)
{
    Index = std::clamp(Index, 0, Count());
    if (FDragIndex >= 0)
        EndDrag();
    FItems.insert(Index, Item);
    if (FItemIndex >= Index)
        ++FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    FDragCandidate = -1;
    ItemInserted(Index);
    UpdateLayout();
    update();
}

void TButtonGroupEx::DeleteItem(int Index)
{
    if (!IsValidIndex(Index))
        return;
    if (FDragIndex >= 0)
        EndDrag();
    const TGrpButtonItem Removed = FItems.takeAt(Index);
    if (FItemIndex == Index)
        FItemIndex = -1;
    else if (FItemIndex > Index)
        --FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    FDragCandidate = -1;
    ItemRemoved(Index, Removed);
    UpdateLayout();
    update();
}

void TButtonGroupEx::ClearItems()
{
    while (Count() > 0)
        DeleteItem(Count() - 1);
}

void TButtonGroupEx::MoveItem(int FromIndex, int ToIndex)
{
    if (!IsValidIndex(FromIndex) || !IsValidIndex(ToIndex) || FromIndex == ToIndex)
        return;
    FItems.move(FromIndex, ToIndex);
    if (FItemIndex == FromIndex)
        FItemIndex = ToIndex;
    else if (FromIndex < FItemIndex && ToIndex >= FItemIndex)
        --FItemIndex;
    else if (FromIndex > FItemIndex && ToIndex <= FItemIndex && FItemIndex >= 0)
        ++FItemIndex;
    FHotIndex = -1;
    FDownIndex = -1;
    ItemMoved(FromIndex, ToIndex);
    update();
}

void TButtonGroupEx::SetItemCaption(int Index, const QString& Caption)
{
    if (!IsValidIndex(Index))
        return;
    FItems[Index].Caption = Caption;
    InvalidateButton(Index);
}

void TButtonGroupEx::SetItemHint(int Index, const QString& Hint)
{
    if (IsValidIndex(Index))
        FItems[Index].Hint = Hint;
}

void TButtonGroupEx::SetItemImageIndex(int Index, int ImageIndex)
{
    if (!IsValidIndex(Index))
        return;
    FItems[Index].ImageIndex = ImageIndex;
    InvalidateButton(Index);
}

void TButtonGroupEx::SetItemData(int Index, QObject* Data)
{
    if (IsValidIndex(Index))
        FItems[Index].Data = Data;
}

void TButtonGroupEx::SetItemOnClick(int Index, std::function<void(QObject*)> OnClick)
{
    if (IsValidIndex(Index))
        FItems[Index].OnClick = std::move(OnClick);
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

void TButtonGroupEx::SetItemIndex(int Index)
{
    if (!IsValidIndex(Index))
        Index = -1;
    if (Index == FItemIndex)
        return;
    InvalidateButton(FItemIndex);
    FItemIndex = Index;
    InvalidateButton(FItemIndex);
}

void TButtonGroupEx::SetHotIndex(int Index)
{
    if (Index == FHotIndex)
        return;
    InvalidateButton(FHotIndex);
    FHotIndex = Index;
    InvalidateButton(FHotIndex);
}

void TButtonGroupEx::InvalidateButton(int Index)
{
    if (IsValidIndex(Index))
        update(ButtonRect(Index).adjusted(-2, -2, 2, 2));
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
    const QMargins M = FrameMargins();
    return M.top() + M.bottom();
}

int TButtonGroupEx::ColumnsForWidth(int Width) const
{
    if (FButtonOptions.testFlag(gboFullSize))
        return 1;
    return std::max(1, Width / std::max(1, FButtonWidth));
}

int TButtonGroupEx::ColumnCount() const
{
    return ColumnsForWidth(FGridRect.width());
}

int TButtonGroupEx::RowCount() const
{
    const int Cols = ColumnCount();
    return (Count() + Cols - 1) / Cols;
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

QRect TButtonGroupEx::ButtonRect(int Index) const
{
    if (!IsValidIndex(Index))
        return QRect();
    const int Cols = ColumnCount();
    const int Width = FButtonOptions.testFlag(gboFullSize) ? FGridRect.width() : FButtonWidth;
    return QRect(FGridRect.left() + (Index % Cols) * FButtonWidth,
        FGridRect.top() + (Index / Cols - FTopRow) * FButtonHeight, Width, FButtonHeight);
}

int TButtonGroupEx::IndexOfButtonAt(const QPoint& Pos) const
{
    if (!FGridRect.contains(Pos))
        return -1;
    const int Cols = ColumnCount();
    const int Col = FButtonOptions.testFlag(gboFullSize) ? 0 : (Pos.x() - FGridRect.left()) / FButtonWidth;
    if (Col >= Cols)
        return -1;
    const int Row = (Pos.y() - FGridRect.top()) / FButtonHeight + FTopRow;
    const int Index = Row * Cols + Col;
    return Index < Count() ? Index : -1;
}

void TButtonGroupEx::SetTopRow(int Row)
{
    Row = std::clamp(Row, 0, MaxTopRow());
    if (FScrollBar->value() != Row) {
        const QSignalBlocker Block(FScrollBar);
        FScrollBar->setValue(Row);
    }
    if (Row == FTopRow)
        return;
    FTopRow = Row;
    FHotIndex = -1;
    update();
}

void TButtonGroupEx::ScrollIntoView(int Index)
{
    if (!IsValidIndex(Index))
        return;
    const int Row = Index / ColumnCount();
    if (Row < FTopRow)
        SetTopRow(Row);
    else if (Row >= FTopRow + FullVisibleRows())
        SetTopRow(Row - FullVisibleRows() + 1);
}

void TButtonGroupEx::UpdateLayout()
{
    if (FInLayout)
        return;
    FInLayout = true;
    const QMargins M = FrameMargins();
    if (FAutoSize) {
        // The height follows the rows; the columns depend only on the width, so one pass settles it.
        FGridRect = rect().marginsRemoved(M);
        const int Height = ExtraHeight() + RowCount() * FButtonHeight;
        if (minimumHeight() != Height || maximumHeight() != Height)
            setFixedHeight(Height);
        FGridRect = QRect(M.left(), M.top(), std::max(0, width() - M.left() - M.right()),
            std::max(0, height() - M.top() - M.bottom()));
        FScrollBar->hide();
    } else {
        FGridRect = rect().marginsRemoved(M);
        if (RowCount() * FButtonHeight > FGridRect.height() && Count() > 0) {
            const int BarWidth = FScrollBar->sizeHint().width();
            FScrollBar->setGeometry(
                FGridRect.right() - BarWidth + 1, FGridRect.top(), BarWidth, std::max(0, FGridRect.height()));
            FGridRect.setRight(FGridRect.right() - BarWidth);
            const int Max = std::max(0, RowCount() - FullVisibleRows());
            const QSignalBlocker Block(FScrollBar);
            FScrollBar->setRange(0, Max);
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
    const QMargins M = FrameMargins();
    const int Rows = FAutoSize ? RowCount() : std::max(1, RowCount());
    return QSize(M.left() + M.right() + FButtonWidth * std::max(1, std::min(Count(), 4)),
        ExtraHeight() + Rows * FButtonHeight);
}

QSize TButtonGroupEx::minimumSizeHint() const
{
    const QMargins M = FrameMargins();
    return QSize(M.left() + M.right() + FButtonWidth, FAutoSize ? sizeHint().height() : ExtraHeight());
}

// ---- properties ----------------------------------------------------------------------------------

void TButtonGroupEx::SetButtonWidth(int Value)
{
    Value = std::max(1, Value);
    if (Value == FButtonWidth)
        return;
    FButtonWidth = Value;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetButtonHeight(int Value)
{
    Value = std::max(1, Value);
    if (Value == FButtonHeight)
        return;
    FButtonHeight = Value;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetButtonOptions(TGrpButtonOptions Value)
{
    if (Value == FButtonOptions)
        return;
    FButtonOptions = Value;
    if (!FButtonOptions.testFlag(gboAllowReorder) && FDragIndex >= 0)
        EndDrag();
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetImages(TImageList* Value)
{
    if (FImages == Value)
        return;
    if (FImages)
        disconnect(FImages, nullptr, this, nullptr);
    FImages = Value;
    if (FImages)
        connect(FImages, &TImageList::Changed, this, qOverload<>(&QWidget::update));
    update();
}

void TButtonGroupEx::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetBevelKind(TBevelKind Value)
{
    FBevelKind = Value;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetBevelEdges(TBevelEdges Value)
{
    FBevelEdges = Value;
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetColor(const QColor& Value)
{
    FColor = Value;
    update();
}

void TButtonGroupEx::SetHotButtonColor(const QColor& Value)
{
    if (Value == FHotButtonColor)
        return;
    FHotButtonColor = Value;
    update();
}

void TButtonGroupEx::SetSelectedButtonColor(const QColor& Value)
{
    if (Value == FSelectedButtonColor)
        return;
    FSelectedButtonColor = Value;
    update();
}

void TButtonGroupEx::SetRegularButtonColor(const QColor& Value)
{
    if (Value == FRegularButtonColor)
        return;
    FRegularButtonColor = Value;
    update();
}

void TButtonGroupEx::SetEdgeButtonColor(const QColor& Value)
{
    FEdgeButtonColor = Value;
    update();
}

void TButtonGroupEx::SetTextIndent(int Value)
{
    FTextIndent = Value;
    update();
}

void TButtonGroupEx::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    update();
}

void TButtonGroupEx::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    if (!FAutoSize) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
    UpdateLayout();
    update();
}

void TButtonGroupEx::SetGlassButtonStyle(bool Value)
{
    FGlassButtonStyle = Value;
    update();
}

void TButtonGroupEx::SetGlassButtonColor(const QColor& Value)
{
    FGlassButtonColor = Value;
    update();
}

void TButtonGroupEx::SetBorderColor(const QColor& Value)
{
    FBorderColor = Value;
    update();
}

void TButtonGroupEx::SetEmptyText(const QString& Value)
{
    FEmptyText = Value;
    update();
}

void TButtonGroupEx::SetOnDrawButton(TGrpButtonDrawEvent Handler)
{
    FOnDrawButton = std::move(Handler);
    update();
}

void TButtonGroupEx::SetOnDrawIcon(TGrpButtonDrawIconEvent Handler)
{
    FOnDrawIcon = std::move(Handler);
    update();
}

// ---- painting ------------------------------------------------------------------------------------

QColor TButtonGroupEx::FillColor(TButtonDrawState State) const
{
    if (State.testFlag(bdsHot))
        return FHotButtonColor;
    if (State.testFlag(bdsSelected))
        return FSelectedButtonColor;
    return FRegularButtonColor;
}

QColor TButtonGroupEx::FrameColor(TButtonDrawState State) const
{
    if (FEdgeButtonColor.isValid())
        return FEdgeButtonColor;
    return ShadowColor(FillColor(State));
}

QStringList TButtonGroupEx::SplitCaption(const QString& Caption)
{
    const qsizetype First = Caption.indexOf(QLatin1Char('\t'));
    if (First < 0)
        return {Caption};
    const qsizetype Second = Caption.indexOf(QLatin1Char('\t'), First + 1);
    if (Second < 0)
        return {Caption.left(First), Caption.mid(First + 1)};
    return {Caption.left(First), Caption.mid(First + 1, Second - First - 1), Caption.mid(Second + 1)};
}

QString TButtonGroupEx::TooltipText(int Index) const
{
    if (!IsValidIndex(Index))
        return QString();
    const TGrpButtonItem& It = FItems.at(Index);
    return It.Hint.isEmpty() ? It.Caption : It.Hint;
}

TButtonDrawState TButtonGroupEx::DrawState(int Index) const
{
    TButtonDrawState State;
    if (!IsValidIndex(Index))
        return State;
    if (Index == FItemIndex)
        State |= bdsSelected;
    if (Index == FHotIndex)
        State |= bdsHot;
    if (Index == FItemIndex && hasFocus())
        State |= bdsFocused;
    if (Index == FDownIndex && Index == FHotIndex && FDragIndex < 0)
        State |= bdsDown;
    if (Index == FDragIndex)
        State |= bdsDragged;
    if (FDragIndex >= 0 && FDropGap >= 0) {
        const bool OneColumn = ColumnCount() == 1;
        if (Index == FDropGap)
            State |= OneColumn ? bdsInsertTop : bdsInsertLeft;
        if (Index == FDropGap - 1)
            State |= OneColumn ? bdsInsertBottom : bdsInsertRight;
    }
    return State;
}

QColor TButtonGroupEx::TextColorOn(const QColor& Fill) const
{
    const QColor Text = palette().color(QPalette::ButtonText);
    if (!Fill.isValid())
        return palette().color(QPalette::WindowText);
    // Fills are set by the owner, the text colour comes from the desktop theme: keep the text legible
    // when a dark theme meets a light fill (or the other way round).
    const int FillLum = ColorRGBToHLS(Fill).Luminance;
    if (std::abs(ColorRGBToHLS(Text).Luminance - FillLum) >= 90)
        return Text;
    return FillLum >= 120 ? QColor(Qt::black) : QColor(Qt::white);
}

void TButtonGroupEx::PaintGlass(QPainter& Canvas, const QRect& Rect, const QColor& Fill) const
{
    const int H = Rect.height();
    if (H <= 0)
        return;
    const int Half = H / 2;
    const int HalfSpan = Half * 2;
    for (int R = 0; R < H; ++R) {
        QColor Row = BlendColors(Fill, FGlassButtonColor, int(std::lround(255.0 * R / H)));
        if (R < Half && HalfSpan > 0)
            Row = BlendColors(Row, QColor(Qt::white), int(std::lround(255.0 * R / HalfSpan)));
        Canvas.fillRect(QRect(Rect.left(), Rect.top() + R, Rect.width(), 1), Row);
    }
}

void TButtonGroupEx::DrawTextLine(QPainter& Canvas, const QRect& Rect, const QString& Text, int Flags)
{
    Canvas.drawText(Rect, Flags, Text);
}

void TButtonGroupEx::DrawButton(QPainter& Canvas, int Index, const QRect& Cell, TButtonDrawState State)
{
    if (FOnDrawButton) {
        FOnDrawButton(this, Index, Canvas, Cell, State);
        return;
    }
    if (OnBeforeDrawButton)
        OnBeforeDrawButton(this, Index, Canvas, Cell, State);

    Canvas.save();
    const QRect R = Cell.adjusted(1, 1, -1, -1);
    Canvas.setFont(font());
    const QColor Fill = FillColor(State);
    const QColor Frame = FrameColor(State);
    if (Fill.isValid()) {
        if (FGlassButtonStyle)
            PaintGlass(Canvas, R, Fill);
        else
            Canvas.fillRect(R, Fill);
        if (Frame.isValid())
            FrameRect(Canvas, R, Frame);
    }

    const TGrpButtonItem& It = FItems.at(Index);
    const QStringList Lines = SplitCaption(It.Caption);
    const bool Down = State.testFlag(bdsDown);
    int X = R.left() + 4 + (FButtonOptions.testFlag(gboFullSize) ? 4 : 0);
    if (Down)
        ++X;

    int TextOffset = 0;
    if (FOnDrawIcon) {
        FOnDrawIcon(this, Index, Canvas, R, State, TextOffset);
    } else if (FImages && FImages->IsValidIndex(It.ImageIndex)) {
        int Y = std::max(R.top(), R.top() + (R.height() - FImages->Height()) / 2);
        if (Down)
            ++Y;
        FImages->Draw(Canvas, X - 1, Y, It.ImageIndex, isEnabled());
        TextOffset = FImages->Width() + 1;
    }

    // Insertion marks while dragging, in the shadow of the frame colour.
    if (State & (bdsInsertLeft | bdsInsertTop | bdsInsertRight | bdsInsertBottom)) {
        QColor Mark = ShadowColor(Frame.isValid() ? Frame : FBorderColor);
        if (!Mark.isValid())
            Mark = palette().color(QPalette::Dark);
        if (State.testFlag(bdsInsertLeft))
            Canvas.fillRect(QRect(R.left() - 2, R.top(), 2, R.height()), Mark);
        if (State.testFlag(bdsInsertTop))
            Canvas.fillRect(QRect(R.left(), R.top(), R.width(), 2), Mark);
        if (State.testFlag(bdsInsertRight))
            Canvas.fillRect(QRect(R.right() + 1, R.top(), 2, R.height()), Mark);
        if (State.testFlag(bdsInsertBottom))
            Canvas.fillRect(QRect(R.left(), R.bottom() - 1, R.width(), 2), Mark);
    }

    if (FButtonOptions.testFlag(gboShowCaptions)) {
        const QFontMetrics FirstMetrics(font());
        const int LineHeight = FirstMetrics.height();
        const int TextLeft = X + TextOffset + FTextIndent;
        const int TextRight = R.right() - 2;
        const int TextWidth = std::max(0, TextRight - TextLeft + 1);
        int BlockHeight = LineHeight * int(Lines.size());
        if (Lines.size() == 1 && FWordWrap)
            BlockHeight =
                FirstMetrics
                    .boundingRect(QRect(0, 0, std::max(1, TextWidth), 10000), Qt::TextWordWrap, Lines.at(0))
                    .height();
        int TextTop = std::max(R.top(), R.top() + (R.height() - BlockHeight) / 2);
        if (Down)
            ++TextTop;
        QRect TextRect(QPoint(TextLeft, TextTop), QPoint(TextRight, R.bottom() - 1));

        if (OnDrawText) {
            OnDrawText(this, Index, Canvas, TextRect, State);
        } else {
            Canvas.setPen(TextColorOn(Fill));
            const int SingleFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
            const int WrapFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
            auto DrawLine = [&](const QString& Line, bool Wrap) {
                if (TextRect.width() <= 0 || TextRect.height() <= 0)
                    return;
                if (Wrap)
                    DrawTextLine(Canvas, TextRect, Line, WrapFlags);
                else
                    DrawTextLine(Canvas, TextRect,
                        Canvas.fontMetrics().elidedText(Line, Qt::ElideRight, TextRect.width()), SingleFlags);
            };
            DrawLine(Lines.at(0), FWordWrap && Lines.size() == 1);
            if (Lines.size() > 1) {
                TextRect.setTop(TextRect.top() + LineHeight + 3);
                Canvas.setFont(PlainFont(font()));
                DrawLine(Lines.at(1), FWordWrap);
                if (Lines.size() > 2) {
                    TextRect.setTop(TextRect.top() + LineHeight);
                    DrawLine(Lines.at(2), FWordWrap);
                }
            }
        }
    }
    Canvas.restore();

    if (OnAfterDrawButton)
        OnAfterDrawButton(this, Index, Canvas, Cell, State);
}

void TButtonGroupEx::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    if (FColor.isValid())
        Canvas.fillRect(rect(), FColor);
    if (FBorderStyle == bsSingle)
        FrameRect(Canvas, rect(), palette().color(QPalette::Mid));

    if (!FEmptyText.isEmpty()) {
        Canvas.setPen(palette().color(QPalette::WindowText));
        Canvas.drawText(QRect(5, 0, std::max(0, width() - 5), height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FEmptyText);
    }

    if (Count() > 0) {
        Canvas.save();
        // Insertion marks reach two pixels beyond a cell; the frame margins keep them.
        Canvas.setClipRect(FGridRect.adjusted(-2, 0, 2, 0));
        const int Cols = ColumnCount();
        const int First = FTopRow * Cols;
        const int Rows = FGridRect.height() / FButtonHeight + 1;
        const int Last = std::min(Count(), First + Rows * Cols);
        for (int I = First; I < Last; ++I)
            DrawButton(Canvas, I, ButtonRect(I), DrawState(I));
        if (FDragIndex >= 0 && !FDragImage.isNull()) {
            Canvas.setOpacity(0.6);
            Canvas.drawPixmap(FDragPos - FDragOffset, FDragImage);
        }
        Canvas.restore();
    }

    if (FBevelKind != bkNone && FBorderColor.isValid() && !(Count() == 0 && FAutoSize)) {
        const int W = width();
        const int H = height();
        if (FBevelEdges.testFlag(beBottom))
            Canvas.fillRect(QRect(0, H - 1, W, 1), FBorderColor);
        if (FBevelEdges.testFlag(beTop))
            Canvas.fillRect(QRect(0, 1, W, 1), FBorderColor);
        if (FBevelEdges.testFlag(beLeft))
            Canvas.fillRect(QRect(1, 0, 1, H), FBorderColor);
        if (FBevelEdges.testFlag(beRight))
            Canvas.fillRect(QRect(W - 1, 0, 1, H), FBorderColor);
    }
}

void TButtonGroupEx::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    UpdateLayout();
}

void TButtonGroupEx::changeEvent(QEvent* Event)
{
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::PaletteChange)
        update();
}

// ---- mouse ---------------------------------------------------------------------------------------

void TButtonGroupEx::mousePressEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    const int Index = IndexOfButtonAt(Pos);
    FHotButton = Index;
    if (Event->button() == Qt::LeftButton) {
        if (focusPolicy() & Qt::ClickFocus)
            setFocus(Qt::MouseFocusReason);
        FDownIndex = Index == FItemIndex ? -1 : Index;
        FDragCandidate = Index;
        FPressPos = Pos;
        InvalidateButton(FDownIndex);
    }
    Event->accept();
}

void TButtonGroupEx::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    if (FDragIndex >= 0) {
        // The button went up where this control did not see it (a dialog took the mouse): no drop.
        if (!(Event->buttons() & Qt::LeftButton)) {
            EndDrag();
            FDragCandidate = -1;
            SetHotIndex(IndexOfButtonAt(Pos));
            return;
        }
        UpdateDrag(Pos);
        return;
    }
    if ((Event->buttons() & Qt::LeftButton) && FDragCandidate >= 0 && FButtonOptions.testFlag(gboAllowReorder)
        && (Pos - FPressPos).manhattanLength() >= QApplication::startDragDistance()) {
        StartDrag();
        UpdateDrag(Pos);
        return;
    }
    SetHotIndex(IndexOfButtonAt(Pos));
}

void TButtonGroupEx::mouseReleaseEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    const QPoint Pos = Event->position().toPoint();
    FDragCandidate = -1;
    if (FDragIndex >= 0) {
        const int From = FDragIndex;
        const int Gap = FDropGap;
        EndDrag();
        if (Gap >= 0) {
            const int To = Gap > From ? Gap - 1 : Gap;
            MoveItem(From, To);
            if (OnReorderButton)
                OnReorderButton(this, From, To);
        }
        SetHotIndex(IndexOfButtonAt(Pos));
        return;
    }
    const int Pressed = FDownIndex;
    FDownIndex = -1;
    InvalidateButton(Pressed);
    if (Pressed >= 0 && IndexOfButtonAt(Pos) == Pressed)
        DoItemClicked(Pressed);
}

void TButtonGroupEx::leaveEvent(QEvent* Event)
{
    QWidget::leaveEvent(Event);
    if (FDragIndex < 0)
        SetHotIndex(-1);
}

void TButtonGroupEx::DoItemClicked(int Index)
{
    if (!IsValidIndex(Index))
        return;
    SetItemIndex(Index);
    // Copies: a handler may remove buttons or replace the event.
    const auto OnClick = FItems.at(Index).OnClick;
    if (OnClick) {
        OnClick(this);
    } else if (OnButtonClicked) {
        const TGrpButtonEvent Handler = OnButtonClicked;
        Handler(this, Index);
    }
}

// ---- dragging ------------------------------------------------------------------------------------

int TButtonGroupEx::DropGapAt(const QPoint& Pos) const
{
    if (!FGridRect.contains(Pos))
        return -1;
    const int Cols = ColumnCount();
    const int Col = FButtonOptions.testFlag(gboFullSize) ? 0 : (Pos.x() - FGridRect.left()) / FButtonWidth;
    if (Col >= Cols)
        return -1;
    const int Row = (Pos.y() - FGridRect.top()) / FButtonHeight + FTopRow;
    const int Index = Row * Cols + Col;
    if (Index >= Count())
        return Count();
    const QRect R = ButtonRect(Index);
    const bool FirstHalf =
        Cols == 1 ? Pos.y() < R.top() + R.height() / 2 : Pos.x() < R.left() + R.width() / 2;
    return FirstHalf ? Index : Index + 1;
}

bool TButtonGroupEx::IsDropGapAccepted(int Gap) const
{
    return Gap >= 0 && Count() > 1 && FDragIndex >= 0 && Gap != FDragIndex && Gap != FDragIndex + 1;
}

void TButtonGroupEx::StartDrag()
{
    FDragIndex = FDragCandidate;
    FDownIndex = -1;
    FDropGap = -1;
    const QRect Cell = ButtonRect(FDragIndex);
    FDragOffset = FPressPos - Cell.topLeft();
    const qreal Ratio = devicePixelRatioF();
    FDragImage = QPixmap((QSizeF(Cell.size()) * Ratio).toSize());
    FDragImage.setDevicePixelRatio(Ratio);
    FDragImage.fill(Qt::transparent);
    {
        QPainter Canvas(&FDragImage);
        Canvas.translate(-Cell.topLeft());
        DrawButton(Canvas, FDragIndex, Cell, DrawState(FDragIndex) & ~TButtonDrawState(bdsDragged));
    }
    FDragScrollClock.invalidate();
    setCursor(Qt::DragMoveCursor);
    update();
}

void TButtonGroupEx::UpdateDrag(const QPoint& Pos)
{
    FDragPos = Pos;
    if (Pos.y() < DragScrollZone || Pos.y() >= height() - DragScrollZone) {
        if (!FDragScrollClock.isValid() || FDragScrollClock.elapsed() >= DragScrollPauseMs) {
            SetTopRow(FTopRow + (Pos.y() < DragScrollZone ? -1 : 1));
            FDragScrollClock.start();
        }
    }
    const int Gap = DropGapAt(Pos);
    FDropGap = IsDropGapAccepted(Gap) ? Gap : -1;
    update();
}

void TButtonGroupEx::EndDrag()
{
    FDragIndex = -1;
    FDropGap = -1;
    FDragImage = QPixmap();
    unsetCursor();
    update();
}

// ---- keyboard, wheel, tooltips -------------------------------------------------------------------

void TButtonGroupEx::keyPressEvent(QKeyEvent* Event)
{
    if (FDragIndex >= 0) {
        if (Event->key() == Qt::Key_Escape) {
            EndDrag();
            FDragCandidate = -1;
        }
        return;
    }
    const int Cols = ColumnCount();
    const int Page = Cols * FullVisibleRows();
    int Target = -2;
    switch (Event->key()) {
    case Qt::Key_Left:
        Target = FItemIndex - 1;
        break;
    case Qt::Key_Right:
        Target = FItemIndex + 1;
        break;
    case Qt::Key_Up:
        Target = FItemIndex - Cols;
        break;
    case Qt::Key_Down:
        Target = FItemIndex + Cols;
        break;
    case Qt::Key_Home:
        Target = 0;
        break;
    case Qt::Key_End:
        Target = Count() - 1;
        break;
    case Qt::Key_PageUp:
        Target = FItemIndex - Page;
        break;
    case Qt::Key_PageDown:
        Target = FItemIndex + Page;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (IsValidIndex(FItemIndex))
            DoItemClicked(FItemIndex);
        Event->accept();
        return;
    default:
        QWidget::keyPressEvent(Event);
        return;
    }
    Event->accept();
    if (Count() == 0 || !FButtonOptions.testFlag(gboGroupStyle))
        return;
    if (FItemIndex < 0)
        Target = 0;
    Target = std::clamp(Target, 0, Count() - 1);
    SetItemIndex(Target);
    ScrollIntoView(Target);
}

void TButtonGroupEx::wheelEvent(QWheelEvent* Event)
{
    Event->accept();
    const int Delta = Event->angleDelta().y();
    if (OnMouseWheel) {
        bool Handled = false;
        OnMouseWheel(this, Event->modifiers(), Delta, Event->position().toPoint(), Handled);
        if (Handled)
            return;
    }
    FWheelRemainder += Delta;
    const int Notches = FWheelRemainder / 120;
    FWheelRemainder -= Notches * 120;
    if (Notches == 0)
        return;
    const int Step = Event->modifiers().testFlag(Qt::ControlModifier) ? FullVisibleRows() : 1;
    SetTopRow(FTopRow - Notches * Step);
}

void TButtonGroupEx::focusInEvent(QFocusEvent* Event)
{
    QWidget::focusInEvent(Event);
    InvalidateButton(FItemIndex);
}

void TButtonGroupEx::focusOutEvent(QFocusEvent* Event)
{
    QWidget::focusOutEvent(Event);
    if (FDragIndex >= 0) {
        EndDrag();
        FDragCandidate = -1;
    }
    InvalidateButton(FItemIndex);
}

bool TButtonGroupEx::event(QEvent* Event)
{
    if (Event->type() == QEvent::ToolTip) {
        auto* Help = static_cast<QHelpEvent*>(Event);
        const int Index = FShowHint ? IndexOfButtonAt(Help->pos()) : -1;
        const QString Text = TooltipText(Index);
        if (Index >= 0 && !Text.isEmpty()) {
            QToolTip::showText(Help->globalPos(), Text, this, ButtonRect(Index));
        } else {
            QToolTip::hideText();
            Event->ignore();
        }
        return true;
    }
    return QWidget::event(Event);
}
