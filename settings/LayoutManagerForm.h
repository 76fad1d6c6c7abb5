#pragma once
// The layout-managed window base (TLMForm) and its life cycle.
//
// The frame below is the widget that carries the window's position, size and state: the window itself,
// or the QMdiSubWindow of a document window (LayoutFrame).
//
//   Created   The constructor applies TLMFormSettings through the setters, takes the main window's
//             storage and read-only state when there is a main window, centres the window on the
//             primary screen and starts watching the screens. Nothing is restored yet.
//   Showing   A show of the frame that is not spontaneous (un-minimizing is not one) and not part of a
//             frame state change restores the layout once (the manager ignores the shows its own restore
//             causes), starts watching the frame's screen and records the monitor number, from which on
//             monitor changes are reported. Subclasses run their showEvent after this restore.
//   Shown     Moves and resizes outside a restore restart the quiet timer (SizeMoveQuietMs); when it runs
//             out, ExitSizeMove saves. A resize in the normal state, and every frame state change, reports
//             the state through DoStateChange (OnMinimize, OnMaximize, OnRestore); a sub-window's own
//             hide and show during its state change counts as no new showing (FFrameStateChanging).
//             Moving to another screen reports OnMonitorChanged; when its DPI differs, DPIChanging() is
//             true while OnBeforeMonitorDpiChanged and OnAfterMonitorDpiChanged run. A change of the
//             display configuration (several signals taken as one) restores the bounds saved for it,
//             never the state, and reports OnDisplayChange.
//   Closing   A close that will free the window (WA_DeleteOnClose on it or its frame) sets Closing();
//             when the close is accepted the layout is saved at once, while the window is whole, and the
//             final-save flag keeps it from being saved again. A refused close leaves the window Shown.
//   Destroyed The destructor sets Closing(), stops the timers and, when no final save happened (a window
//             freed without a close), saves with the sections its items used while the subclass lived.
//
// Restores and saves happen only with LayoutControl on; their errors go to the program's error report.

#include "settings/LayoutManagerControl.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QMdiSubWindow;
class TLMForm;

using TNotifyEvent = std::function<void(QObject* ASender)>;
using TOnDropFilesEvent = std::function<void(QObject* ASender, const QStringList& AFiles)>;
using TDisplayChangeEvent = std::function<void(QObject* ASender, int AWidth, int AHeight, int ABitsPerPixel)>;
using TMonitorChangedEvent = std::function<void(QObject* ASender, int AOldMonitor, int ANewMonitor)>;
using TMonitorDpiChangedEvent = std::function<void(QObject* ASender, int AOldDPI, int ANewDPI)>;

// What a window sets up before its layout is taken over from the main window (its "resource").
struct TLMFormSettings {
    bool LayoutControl = false;
    bool LayoutReadOnly = false;
    bool AcceptFiles = false;
    TLayoutManagerControlOptions LayoutOptions = AllLayoutOptions;
};

// Base of the program's windows: owns a layout manager that restores the window (and what it registered)
// each time it is shown and saves it when the user has finished moving or sizing it and when it goes away.
// A window created after the main window shares the main window's storage and read-only state.
// A document window lives in a QMdiSubWindow; its position, size and state are the sub-window's.
// Subclasses that override showEvent call TLMForm::showEvent first: the layout is restored before they run.
// The program's main window registers itself with TLayoutManager::SetMainWindow and gives its manager the
// storage; errors of restoring and saving go to ShowNotice (nkError), the program's error report.
class TLMForm : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(bool LayoutControl READ LayoutControl WRITE SetLayoutControl)
    Q_PROPERTY(bool LayoutReadOnly READ LayoutReadOnly WRITE SetLayoutReadOnly)
    Q_PROPERTY(bool AcceptFiles READ AcceptFiles WRITE SetAcceptFiles)

public:
    // Commands passed to DoStateChange.
    static constexpr int SC_MINIMIZE = 0xF020;
    static constexpr int SC_MAXIMIZE = 0xF030;
    static constexpr int SC_RESTORE = 0xF120;
    // A move or resize counts as finished after this long without another one.
    static constexpr int SizeMoveQuietMs = 400;

    explicit TLMForm(QWidget* AParent = nullptr, const TLMFormSettings& ASettings = {});
    ~TLMForm() override;

    TLayoutManager* LayoutManager() const { return FLM.get(); }

    bool LayoutControl() const { return FLC; }
    void SetLayoutControl(bool AValue);
    TLayoutManagerControlOptions LayoutOptions() const { return FLMCO; }
    void SetLayoutOptions(TLayoutManagerControlOptions AValue);
    bool LayoutReadOnly() const { return FRO; }
    void SetLayoutReadOnly(bool AValue);
    bool AcceptFiles() const { return FAF; }
    void SetAcceptFiles(bool AValue);

    void SetOnBeforeRestore(TLayoutManagerNotifyEvent AValue);
    void SetOnAfterRestore(TLayoutManagerNotifyEvent AValue);
    void SetOnBeforeSave(TLayoutManagerNotifyEvent AValue);
    void SetOnAfterSave(TLayoutManagerNotifyEvent AValue);

    TOnDropFilesEvent OnDropFiles;
    TDisplayChangeEvent OnDisplayChange;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnMaximize;
    TNotifyEvent OnRestore;
    TMonitorChangedEvent OnMonitorChanged;
    TMonitorDpiChangedEvent OnBeforeMonitorDpiChanged;
    TMonitorDpiChangedEvent OnAfterMonitorDpiChanged;

    bool Closing() const { return FClosing; }
    bool DPIChanging() const { return FDPIChanging; }
    quint64 UniqueId() const { return FUID; }

    // Centre on AForm, or with none in the primary screen's work area.
    void CenterTo(QWidget* AForm);
    void CenterToDesktop();
    // Centre on the whole screen AMonitor; an index out of range centres in the primary work area.
    void CenterToMonitor(int AMonitor);

    // The widget that carries the window's position, size and state: the sub-window of a document window.
    QWidget* LayoutFrame() const;
    bool IsMDIChild() const { return LayoutFrame() != this; }
    // The read-only state came from the main window (see the restore of the layout).
    bool ReadOnlyFromMainWindow() const { return FROFromMain; }
    int Align() const { return FAlign; }
    void SetAlign(int AValue) { FAlign = AValue; }

    // Number of the screen nearest to the window (its index in QGuiApplication::screens()).
    int MonitorNumber() const;

    // The user finished moving or sizing: save the layout. Runs after the quiet period of moves and resizes.
    void ExitSizeMove();
    // The display configuration changed: restore the window's own bounds for it, not its state.
    void DisplayChanged();

    // The final save of a window that goes away (once; nothing while read-only). A window whose layout
    // callbacks use its own members calls it first thing in its destructor, while it is still whole.
    void SaveOnDestroy();

protected:
    virtual void DoStateChange(int ACommand);

    bool event(QEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;
    void moveEvent(QMoveEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dragMoveEvent(QDragMoveEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;

private:
    // The window becomes visible: restore its layout.
    void Showing();
    void NoteSizeMove(bool AResized);
    void NoteStateChange();
    void CheckMonitor();
    void ScreenChanged();
    void WatchFrame();
    void CenterIn(const QRect& AArea);
    // Runs a layout operation; an error goes to the program's error report instead of the event loop.
    void Guarded(const std::function<void()>& AWork);

    std::unique_ptr<TLayoutManager> FLM;
    bool FLC = false;
    TLayoutManagerControlOptions FLMCO = AllLayoutOptions;
    bool FRO = false;
    bool FROFromMain = false;
    bool FAF = false;
    int FMonNum = -1;
    bool FClosing = false;
    bool FDPIChanging = false;
    bool FFinalSaved = false;
    quint64 FUID = 0;
    int FAlign = alNone;
    int FLastDpi = 0;
    int FFrameStateChanging = 0;
    QTimer FSizeMoveTimer;
    QTimer FDisplayTimer;
    mutable QPointer<QWidget> FSubWindow;
    QPointer<QWidget> FWatchedFrame;
    QPointer<QWindow> FWatchedWindow;
};
