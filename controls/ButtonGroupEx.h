#pragma once

#include "controls/ImageList.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFlags>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>

class QPainter;
class QScrollBar;
class TButtonGroupEx;

// One button of a button group.
struct TGrpButtonItem {
    QString Caption; // tab characters split it into up to three lines
    QString Hint; // tooltip; the caption is shown when empty
    int ImageIndex = -1; // picture in the group's image list, negative for none
    QPointer<QObject> Data; // whatever the owner attaches (the window bar: the document window)
    std::function<void(QObject* Sender)> OnClick; // the button's own click handler, optional
};

enum TButtonDrawStateFlag {
    bdsSelected = 0x001,
    bdsHot = 0x002,
    bdsFocused = 0x004,
    bdsDown = 0x008,
    bdsDragged = 0x010,
    bdsInsertLeft = 0x020,
    bdsInsertTop = 0x040,
    bdsInsertRight = 0x080,
    bdsInsertBottom = 0x100,
};
Q_DECLARE_FLAGS(TButtonDrawState, TButtonDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TButtonDrawState)

enum TGrpButtonOption {
    gboAllowReorder = 0x1,
    gboFullSize = 0x2, // one full-width column
    gboGroupStyle = 0x4, // one button is the selected one
    gboShowCaptions = 0x8,
};
Q_DECLARE_FLAGS(TGrpButtonOptions, TGrpButtonOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGrpButtonOptions)

enum TBorderStyle { bsNone, bsSingle };
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum TBevelEdge { beLeft = 0x1, beTop = 0x2, beRight = 0x4, beBottom = 0x8 };
Q_DECLARE_FLAGS(TBevelEdges, TBevelEdge)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBevelEdges)

using TGrpButtonEvent = std::function<void(TButtonGroupEx* Sender, int Index)>;
using TGrpButtonReorderEvent = std::function<void(TButtonGroupEx* Sender, int OldIndex, int NewIndex)>;
using TGrpButtonDrawEvent = std::function<void(
    TButtonGroupEx* Sender, int Index, QPainter& Canvas, const QRect& Rect, TButtonDrawState State)>;
using TGrpButtonDrawIconEvent = std::function<void(TButtonGroupEx* Sender, int Index, QPainter& Canvas,
    const QRect& Rect, TButtonDrawState State, int& TextOffset)>;
using TGrpMouseWheelEvent = std::function<void(TButtonGroupEx* Sender, Qt::KeyboardModifiers Shift,
    int WheelDelta, const QPoint& MousePos, bool& Handled)>;

// A strip of custom-painted buttons laid out as a grid of equal cells. It keeps one selected button,
// highlights the button under the pointer, lets the user reorder buttons by dragging and can size its
// height to the number of button rows.
class TButtonGroupEx : public QWidget {
    Q_OBJECT
public:
    explicit TButtonGroupEx(QWidget* Parent = nullptr);
    ~TButtonGroupEx() override;

    // Buttons.
    int Count() const { return int(FItems.size()); }
    bool IsValidIndex(int Index) const { return Index >= 0 && Index < Count(); }
    // Precondition: IsValidIndex(Index).
    const TGrpButtonItem& Item(int Index) const { return FItems.at(Index); }
    int AddItem(const TGrpButtonItem& Item);
    void InsertItem(int Index, const TGrpButtonItem& Item);
    void DeleteItem(int Index);
    void ClearItems();
    // Moves a button keeping the same button selected; no reorder event.
    void MoveItem(int FromIndex, int ToIndex);
    void SetItemCaption(int Index, const QString& Caption);
    void SetItemHint(int Index, const QString& Hint);
    void SetItemImageIndex(int Index, int ImageIndex);
    void SetItemData(int Index, QObject* Data);
    void SetItemOnClick(int Index, std::function<void(QObject*)> OnClick);

    // Selection, hot tracking.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Index);
    int HotIndex() const { return FHotIndex; }
    // The button under the pointer at the latest press of any mouse button, -1 when that press hit none,
    // 0 before the first press.
    int HotButtonIndex() const { return FHotButton; }
    bool IsDragging() const { return FDragIndex >= 0; }

    // Geometry.
    int IndexOfButtonAt(const QPoint& Pos) const;
    QRect ButtonRect(int Index) const;
    int ColumnCount() const;
    int RowCount() const; // rows needed for all buttons
    int TopRow() const { return FTopRow; }
    void SetTopRow(int Row);
    void ScrollIntoView(int Index);
    // Height beyond the button rows taken by the border or bevel.
    int ExtraHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Toolkit properties.
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    TGrpButtonOptions ButtonOptions() const { return FButtonOptions; }
    void SetButtonOptions(TGrpButtonOptions Value);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TBevelKind BevelKind() const { return FBevelKind; }
    void SetBevelKind(TBevelKind Value);
    TBevelEdges BevelEdges() const { return FBevelEdges; }
    void SetBevelEdges(TBevelEdges Value);
    // Background; an invalid colour shows the parent's background.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }

    // Painting properties. An invalid colour is the "no colour" value.
    QColor HotButtonColor() const { return FHotButtonColor; }
    void SetHotButtonColor(const QColor& Value);
    QColor SelectedButtonColor() const { return FSelectedButtonColor; }
    void SetSelectedButtonColor(const QColor& Value);
    QColor RegularButtonColor() const { return FRegularButtonColor; }
    void SetRegularButtonColor(const QColor& Value);
    QColor EdgeButtonColor() const { return FEdgeButtonColor; }
    void SetEdgeButtonColor(const QColor& Value);
    int TextIndent() const { return FTextIndent; }
    void SetTextIndent(int Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool GlassButtonStyle() const { return FGlassButtonStyle; }
    void SetGlassButtonStyle(bool Value);
    QColor GlassButtonColor() const { return FGlassButtonColor; }
    void SetGlassButtonColor(const QColor& Value);
    QColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(const QColor& Value);
    QString EmptyText() const { return FEmptyText; }
    void SetEmptyText(const QString& Value);

    // Events. Setting OnDrawButton or OnDrawIcon repaints; use the setters for those two.
    TGrpButtonDrawEvent OnBeforeDrawButton;
    TGrpButtonDrawEvent OnAfterDrawButton;
    TGrpButtonDrawEvent OnDrawText; // gets the text rectangle
    const TGrpButtonDrawEvent& OnDrawButton() const { return FOnDrawButton; }
    void SetOnDrawButton(TGrpButtonDrawEvent Handler);
    const TGrpButtonDrawIconEvent& OnDrawIcon() const { return FOnDrawIcon; }
    void SetOnDrawIcon(TGrpButtonDrawIconEvent Handler);
    TGrpButtonEvent OnButtonClicked;
    TGrpButtonReorderEvent OnReorderButton;
    TGrpMouseWheelEvent OnMouseWheel;

    // The fill and frame colours of a button in the given state.
    QColor FillColor(TButtonDrawState State) const;
    QColor FrameColor(TButtonDrawState State) const;
    // The caption split at tab characters: before the first tab, between the first and the second, the rest.
    static QStringList SplitCaption(const QString& Caption);
    QString TooltipText(int Index) const;
    // The draw state of a button as the next paint would use it.
    TButtonDrawState DrawState(int Index) const;

protected:
    // The click step: selects the button, then runs the button's click handler or OnButtonClicked.
    virtual void DoItemClicked(int Index);
    // Draws one line of a caption; Flags are Qt text flags. The text comes already elided where needed.
    virtual void DrawTextLine(QPainter& Canvas, const QRect& Rect, const QString& Text, int Flags);
    // Hooks for data a subclass keeps in parallel with the buttons.
    virtual void ItemInserted(int Index);
    virtual void ItemRemoved(int Index, const TGrpButtonItem& Item);
    virtual void ItemMoved(int FromIndex, int ToIndex);
    // Paints one button into its cell.
    void DrawButton(QPainter& Canvas, int Index, const QRect& Cell, TButtonDrawState State);
    void InvalidateButton(int Index);
    // Lays the grid out for the current size and, with AutoSize, sets the height to the rows.
    virtual void UpdateLayout();

    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    QMargins FrameMargins() const;
    int ColumnsForWidth(int Width) const;
    int FullVisibleRows() const;
    int MaxTopRow() const;
    int DropGapAt(const QPoint& Pos) const;
    bool IsDropGapAccepted(int Gap) const;
    void StartDrag();
    void UpdateDrag(const QPoint& Pos);
    void EndDrag();
    void SetHotIndex(int Index);
    QColor TextColorOn(const QColor& Fill) const;
    void PaintGlass(QPainter& Canvas, const QRect& Rect, const QColor& Fill) const;

    QList<TGrpButtonItem> FItems;
    int FItemIndex = -1;
    int FHotIndex = -1;
    int FDownIndex = -1; // pressed button, clicked when released over it
    int FDragCandidate = -1; // button under the latest left press, may start a drag
    int FDragIndex = -1; // dragged button
    int FDropGap = -1; // accepted gap while dragging, -1 for none
    int FHotButton = 0;
    int FTopRow = 0;
    int FWheelRemainder = 0;
    bool FInLayout = false;
    QPoint FPressPos;
    QPoint FDragPos;
    QPoint FDragOffset;
    QPixmap FDragImage;
    QElapsedTimer FDragScrollClock;
    QRect FGridRect;
    QScrollBar* FScrollBar = nullptr;

    int FButtonWidth = 24;
    int FButtonHeight = 24;
    TGrpButtonOptions FButtonOptions = gboShowCaptions;
    QPointer<TImageList> FImages;
    TBorderStyle FBorderStyle = bsSingle;
    TBevelKind FBevelKind = bkNone;
    TBevelEdges FBevelEdges = TBevelEdges(beLeft | beTop | beRight | beBottom);
    QColor FColor;
    bool FShowHint = true;

    QColor FHotButtonColor;
    QColor FSelectedButtonColor;
    QColor FRegularButtonColor;
    QColor FEdgeButtonColor;
    int FTextIndent = 5;
    bool FWordWrap = false;
    bool FAutoSize = false;
    bool FGlassButtonStyle = false;
    QColor FGlassButtonColor = Qt::white;
    QColor FBorderColor;
    QString FEmptyText;
    TGrpButtonDrawEvent FOnDrawButton;
    TGrpButtonDrawIconEvent FOnDrawIcon;
};
