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
    std::function<void(QObject* ASender)> OnClick; // the button's own click handler, optional
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

using TGrpButtonEvent = std::function<void(TButtonGroupEx* ASender, int AIndex)>;
using TGrpButtonReorderEvent = std::function<void(TButtonGroupEx* ASender, int AOldIndex, int ANewIndex)>;
using TGrpButtonDrawEvent = std::function<void(
    TButtonGroupEx* ASender, int AIndex, QPainter& ACanvas, const QRect& ARect, TButtonDrawState AState)>;
using TGrpButtonDrawIconEvent = std::function<void(TButtonGroupEx* ASender, int AIndex, QPainter& ACanvas,
    const QRect& ARect, TButtonDrawState AState, int& ATextOffset)>;
using TGrpMouseWheelEvent = std::function<void(TButtonGroupEx* ASender, Qt::KeyboardModifiers AShift,
    int AWheelDelta, const QPoint& AMousePos, bool& AHandled)>;

// A strip of custom-painted buttons laid out as a grid of equal cells. It keeps one selected button,
// highlights the button under the pointer, lets the user reorder buttons by dragging and can size its
// height to the number of button rows.
class TButtonGroupEx : public QWidget {
    Q_OBJECT
public:
    explicit TButtonGroupEx(QWidget* AParent = nullptr);
    ~TButtonGroupEx() override;

    // Buttons.
    int Count() const { return int(FItems.size()); }
    bool IsValidIndex(int AIndex) const { return AIndex >= 0 && AIndex < Count(); }
    // Precondition: IsValidIndex(AIndex).
    const TGrpButtonItem& Item(int AIndex) const { return FItems.at(AIndex); }
    int AddItem(const TGrpButtonItem& AItem);
    void InsertItem(int AIndex, const TGrpButtonItem& AItem);
    void DeleteItem(int AIndex);
    void ClearItems();
    // Moves a button keeping the same button selected; no reorder event.
    void MoveItem(int AFromIndex, int AToIndex);
    void SetItemCaption(int AIndex, const QString& ACaption);
    void SetItemHint(int AIndex, const QString& AHint);
    void SetItemImageIndex(int AIndex, int AImageIndex);
    void SetItemData(int AIndex, QObject* AData);
    void SetItemOnClick(int AIndex, std::function<void(QObject*)> AOnClick);

    // Selection, hot tracking.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int AIndex);
    int HotIndex() const { return FHotIndex; }
    // The button under the pointer at the latest press of any mouse button, -1 when that press hit none,
    // 0 before the first press.
    int HotButtonIndex() const { return FHotButton; }
    bool IsDragging() const { return FDragIndex >= 0; }

    // Geometry.
    int IndexOfButtonAt(const QPoint& APos) const;
    QRect ButtonRect(int AIndex) const;
    int ColumnCount() const;
    int RowCount() const; // rows needed for all buttons
    int TopRow() const { return FTopRow; }
    void SetTopRow(int ARow);
    void ScrollIntoView(int AIndex);
    // Height beyond the button rows taken by the border or bevel.
    int ExtraHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Toolkit properties.
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int AValue);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int AValue);
    TGrpButtonOptions ButtonOptions() const { return FButtonOptions; }
    void SetButtonOptions(TGrpButtonOptions AValue);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* AValue);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle AValue);
    TBevelKind BevelKind() const { return FBevelKind; }
    void SetBevelKind(TBevelKind AValue);
    TBevelEdges BevelEdges() const { return FBevelEdges; }
    void SetBevelEdges(TBevelEdges AValue);
    // Background; an invalid colour shows the parent's background.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& AValue);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool AValue) { FShowHint = AValue; }

    // Painting properties. An invalid colour is the "no colour" value.
    QColor HotButtonColor() const { return FHotButtonColor; }
    void SetHotButtonColor(const QColor& AValue);
    QColor SelectedButtonColor() const { return FSelectedButtonColor; }
    void SetSelectedButtonColor(const QColor& AValue);
    QColor RegularButtonColor() const { return FRegularButtonColor; }
    void SetRegularButtonColor(const QColor& AValue);
    QColor EdgeButtonColor() const { return FEdgeButtonColor; }
    void SetEdgeButtonColor(const QColor& AValue);
    int TextIndent() const { return FTextIndent; }
    void SetTextIndent(int AValue);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool AValue);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool AValue);
    bool GlassButtonStyle() const { return FGlassButtonStyle; }
    void SetGlassButtonStyle(bool AValue);
    QColor GlassButtonColor() const { return FGlassButtonColor; }
    void SetGlassButtonColor(const QColor& AValue);
    QColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(const QColor& AValue);
    QString EmptyText() const { return FEmptyText; }
    void SetEmptyText(const QString& AValue);

    // Events. Setting OnDrawButton or OnDrawIcon repaints; use the setters for those two.
    TGrpButtonDrawEvent OnBeforeDrawButton;
    TGrpButtonDrawEvent OnAfterDrawButton;
    TGrpButtonDrawEvent OnDrawText; // gets the text rectangle
    const TGrpButtonDrawEvent& OnDrawButton() const { return FOnDrawButton; }
    void SetOnDrawButton(TGrpButtonDrawEvent AHandler);
    const TGrpButtonDrawIconEvent& OnDrawIcon() const { return FOnDrawIcon; }
    void SetOnDrawIcon(TGrpButtonDrawIconEvent AHandler);
    TGrpButtonEvent OnButtonClicked;
    TGrpButtonReorderEvent OnReorderButton;
    TGrpMouseWheelEvent OnMouseWheel;

    // The fill and frame colours of a button in the given state.
    QColor FillColor(TButtonDrawState AState) const;
    QColor FrameColor(TButtonDrawState AState) const;
    // The caption split at tab characters: before the first tab, between the first and the second, the rest.
    static QStringList SplitCaption(const QString& ACaption);
    QString TooltipText(int AIndex) const;
    // The draw state of a button as the next paint would use it.
    TButtonDrawState DrawState(int AIndex) const;

protected:
    // The click step: selects the button, then runs the button's click handler or OnButtonClicked.
    virtual void DoItemClicked(int AIndex);
    // Draws one line of a caption; Flags are Qt text flags. The text comes already elided where needed.
    virtual void DrawTextLine(QPainter& ACanvas, const QRect& ARect, const QString& AText, int AFlags);
    // Hooks for data a subclass keeps in parallel with the buttons.
    virtual void ItemInserted(int AIndex);
    virtual void ItemRemoved(int AIndex, const TGrpButtonItem& AItem);
    virtual void ItemMoved(int AFromIndex, int AToIndex);
    // Paints one button into its cell.
    void DrawButton(QPainter& ACanvas, int AIndex, const QRect& ACell, TButtonDrawState AState);
    void InvalidateButton(int AIndex);
    // Lays the grid out for the current size and, with AutoSize, sets the height to the rows.
    virtual void UpdateLayout();

    bool event(QEvent* AEvent) override;
    void paintEvent(QPaintEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
    void leaveEvent(QEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void wheelEvent(QWheelEvent* AEvent) override;
    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    QMargins FrameMargins() const;
    int ColumnsForWidth(int AWidth) const;
    int FullVisibleRows() const;
    int MaxTopRow() const;
    // The grid cell under a point (row-major, may lie past the last button); -1 outside the grid.
    int CellIndexAt(const QPoint& APos) const;
    int DropGapAt(const QPoint& APos) const;
    // The steps of DrawButton: the face (fill and frame), the picture (returns the caption's offset
    // from ALeft), the insertion marks of a drag, and the caption from ATextLeft on.
    void DrawButtonFace(QPainter& ACanvas, const QRect& AFace, const QColor& AFill, const QColor& AFrame);
    int DrawButtonIcon(QPainter& ACanvas, int AIndex, const QRect& AFace, TButtonDrawState AState, int ALeft);
    void DrawInsertionMarks(
        QPainter& ACanvas, const QRect& AFace, TButtonDrawState AState, const QColor& AFrame);
    void DrawCaption(QPainter& ACanvas, int AIndex, const QRect& AFace, TButtonDrawState AState,
        const QColor& AFill, int ATextLeft);
    bool IsDropGapAccepted(int AGap) const;
    void StartDrag();
    void UpdateDrag(const QPoint& APos);
    void EndDrag();
    void SetHotIndex(int AIndex);
    QColor TextColorOn(const QColor& AFill) const;
    void PaintGlass(QPainter& ACanvas, const QRect& ARect, const QColor& AFill) const;

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
