#include "settings/LayoutManagerForm.h"

#include "platform/Notice.h"
#include "util/QuillonError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include <chrono>
#include <cmath>

namespace {

QStringList LocalFiles(const QMimeData* AData)
{
    QStringList files;
    if (!AData || !AData->hasUrls())
        return files;
    for (const QUrl& url : AData->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    return files;
}

} // namespace

TLMForm::TLMForm(QWidget* AParent, const TLMFormSettings& ASettings)
    : QMainWindow(AParent)
{
    FUID = quint64(quint32(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
                               .count()));
    FLM = std::make_unique<TLayoutManager>(this);
    // The window's own settings pass through the setters, as a loaded window would.
    SetLayoutOptions(ASettings.LayoutOptions);
    if (ASettings.LayoutControl)
        SetLayoutControl(true);
    if (ASettings.LayoutReadOnly)
        SetLayoutReadOnly(true);
    FAF = ASettings.AcceptFiles;
    // Later windows share the main window's storage and follow its read-only state.
    auto* main = qobject_cast<TLMForm*>(TLayoutManager::MainWindow());
    if (!FLM->Storage() && main && main != this) {
        FLM->SetStorage(main->LayoutManager()->Storage());
        SetLayoutReadOnly(main->LayoutReadOnly());
        FROFromMain = true;
    }
    CenterTo(nullptr);
    setAcceptDrops(FAF);
    FSizeMoveTimer.setSingleShot(true);
    FSizeMoveTimer.setInterval(SizeMoveQuietMs);
    connect(&FSizeMoveTimer, &QTimer::timeout, this, &TLMForm::ExitSizeMove);
    // A change of the displays restores the bounds saved for the new configuration. One change arrives as
    // several signals (each screen, the virtual desktop): they are taken together as one.
    FDisplayTimer.setSingleShot(true);
    FDisplayTimer.setInterval(0);
    connect(&FDisplayTimer, &QTimer::timeout, this, &TLMForm::DisplayChanged);
    const auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, &FDisplayTimer, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::virtualGeometryChanged, &FDisplayTimer, qOverload<>(&QTimer::start));
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        FDisplayTimer.start();
    });
    connect(qApp, &QGuiApplication::screenRemoved, &FDisplayTimer, qOverload<>(&QTimer::start));
}

TLMForm::~TLMForm()
{
    // Windows that handle the layout callbacks have saved in their own destructor (SaveOnDestroy); what is
    // left here is a plain form, whose callbacks belong to others. Its class name no longer tells what it
    // was, so items keep the sections they last used.
    FLM->FreezeSections();
    SaveOnDestroy();
    FLM.reset();
}

void TLMForm::SaveOnDestroy()
{
    FClosing = true;
    FSizeMoveTimer.stop();
    FDisplayTimer.stop();
    if (!FLC || FFinalSaved)
        return;
    FFinalSaved = true;
    Guarded([this] { FLM->Save(); });
}

void TLMForm::Guarded(const std::function<void()>& AWork)
{
    try {
        AWork();
    } catch (const std::exception& e) {
        ShowNotice(TNoticeKind::nkError, ErrorReportText(e));
    }
}

void TLMForm::SetLayoutControl(bool AValue)
{
    FLC = AValue;
    if (AValue)
        FLM->Add(static_cast<QWidget*>(this), {}, FLMCO, nullptr);
    else
        FLM->Delete(this);
}

void TLMForm::SetLayoutOptions(TLayoutManagerControlOptions AValue)
{
    FLMCO = AValue;
    FLM->SetOptions(this, AValue);
}

void TLMForm::SetLayoutReadOnly(bool AValue)
{
    FRO = AValue;
    FLM->SetReadOnly(AValue);
}

void TLMForm::SetAcceptFiles(bool AValue)
{
    FAF = AValue;
    setAcceptDrops(AValue);
}

void TLMForm::SetOnBeforeRestore(TLayoutManagerNotifyEvent AValue)
{
    FLM->OnBeforeRestore = std::move(AValue);
}

void TLMForm::SetOnAfterRestore(TLayoutManagerNotifyEvent AValue)
{
    FLM->OnAfterRestore = std::move(AValue);
}

void TLMForm::SetOnBeforeSave(TLayoutManagerNotifyEvent AValue)
{
    FLM->OnBeforeSave = std::move(AValue);
}

void TLMForm::SetOnAfterSave(TLayoutManagerNotifyEvent AValue)
{
    FLM->OnAfterSave = std::move(AValue);
}

QWidget* TLMForm::LayoutFrame() const
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        FSubWindow = sub;
        return sub;
    }
    // While the sub-window is being destroyed it is no longer a QMdiSubWindow, but its widget part still
    // holds the window's bounds and state.
    if (FSubWindow && FSubWindow.data() == parentWidget())
        return FSubWindow.data();
    return const_cast<TLMForm*>(this);
}

int TLMForm::MonitorNumber() const
{
    const QWidget* frame = LayoutFrame()->window();
    QScreen* screen = QGuiApplication::screenAt(frame->frameGeometry().center());
    if (!screen)
        screen = frame->screen();
    return int(QGuiApplication::screens().indexOf(screen));
}

void TLMForm::CenterIn(const QRect& AArea)
{
    QWidget* frame = LayoutFrame();
    const int top = (AArea.height() - frame->height()) / 2 + AArea.top();
    const int left = (AArea.width() - frame->width()) / 2 + AArea.left();
    frame->move(left, top);
}

void TLMForm::CenterTo(QWidget* AForm)
{
    QWidget* frame = LayoutFrame();
    if (AForm) {
        QWidget* other = AForm;
        if (auto* form = qobject_cast<TLMForm*>(AForm))
            other = form->LayoutFrame();
        const int left = other->x() + (other->width() - frame->width()) / 2;
        const int top = other->y() + (other->height() - frame->height()) / 2;
        frame->move(left, top);
        return;
    }
    if (QScreen* primary = QGuiApplication::primaryScreen())
        CenterIn(primary->availableGeometry());
}

void TLMForm::CenterToDesktop()
{
    if (QScreen* primary = QGuiApplication::primaryScreen())
        CenterIn(primary->virtualGeometry());
}

void TLMForm::CenterToMonitor(int AMonitor)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (AMonitor < 0 || AMonitor >= screens.size()) {
        CenterTo(nullptr);
        return;
    }
    CenterIn(screens.at(AMonitor)->geometry());
}

void TLMForm::ExitSizeMove()
{
    FSizeMoveTimer.stop();
    if (FLC)
        Guarded([this] { FLM->Save(); });
}

void TLMForm::DisplayChanged()
{
    if (FLC) {
        const TLayoutManagerControlOptions options = FLMCO;
        // Only the bounds follow the display: the stored read-only flag is always "writable" and would
        // turn saving back on after the user switched persistent settings off.
        const bool readOnly = FRO;
        SetLayoutOptions(options & ~TLayoutManagerControlOptions(loState));
        Guarded([this] { FLM->Restore(this); });
        SetLayoutOptions(options);
        SetLayoutReadOnly(readOnly);
    }
    if (OnDisplayChange) {
        QScreen* primary = QGuiApplication::primaryScreen();
        const QSize size = primary ? primary->size() : QSize();
        OnDisplayChange(this, size.width(), size.height(), primary ? primary->depth() : 0);
    }
}

void TLMForm::DoStateChange(int ACommand)
{
    switch (ACommand) {
    case SC_MINIMIZE:
        if (OnMinimize)
            OnMinimize(this);
        break;
    case SC_MAXIMIZE:
        if (OnMaximize)
            OnMaximize(this);
        break;
    case SC_RESTORE:
        if (OnRestore)
            OnRestore(this);
        break;
    default:
        break;
    }
}

void TLMForm::WatchFrame()
{
    QWidget* frame = LayoutFrame();
    if (frame != FWatchedFrame.data()) {
        if (FWatchedFrame)
            FWatchedFrame->removeEventFilter(this);
        FWatchedFrame = frame;
        if (frame != this)
            frame->installEventFilter(this);
    }
    QWindow* handle = window()->windowHandle();
    if (handle && handle != FWatchedWindow.data()) {
        if (FWatchedWindow)
            disconnect(FWatchedWindow.data(), nullptr, this, nullptr);
        FWatchedWindow = handle;
        connect(handle, &QWindow::screenChanged, this, &TLMForm::ScreenChanged);
        FLastDpi = handle->screen() ? int(std::lround(handle->screen()->logicalDotsPerInch())) : 0;
    }
}

void TLMForm::ScreenChanged()
{
    CheckMonitor();
    const int dpi = FWatchedWindow && FWatchedWindow->screen()
        ? int(std::lround(FWatchedWindow->screen()->logicalDotsPerInch()))
        : 0;
    if (dpi == FLastDpi)
        return;
    const int old = FLastDpi;
    FLastDpi = dpi;
    FDPIChanging = true;
    if (OnBeforeMonitorDpiChanged)
        OnBeforeMonitorDpiChanged(this, old, dpi);
    if (OnAfterMonitorDpiChanged)
        OnAfterMonitorDpiChanged(this, old, dpi);
    FDPIChanging = false;
}

void TLMForm::CheckMonitor()
{
    if (FMonNum < 0)
        return;
    const int number = MonitorNumber();
    if (number == FMonNum)
        return;
    const int old = FMonNum;
    FMonNum = number;
    if (OnMonitorChanged)
        OnMonitorChanged(this, old, number);
}

void TLMForm::NoteSizeMove(bool AResized)
{
    if (!isVisible() || FLM->Restoring())
        return;
    CheckMonitor();
    FSizeMoveTimer.start();
    if (AResized && !(LayoutFrame()->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        DoStateChange(SC_RESTORE);
}

void TLMForm::NoteStateChange()
{
    if (!isVisible())
        return;
    const Qt::WindowStates state = LayoutFrame()->windowState();
    if (state & Qt::WindowMinimized)
        DoStateChange(SC_MINIMIZE);
    else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        DoStateChange(SC_MAXIMIZE);
    else
        DoStateChange(SC_RESTORE);
}

void TLMForm::Showing()
{
    WatchFrame();
    // Setting a sub-window's state while it is being shown shows it once more: that is the same showing.
    if (FLC && !FLM->Restoring())
        Guarded([this] { FLM->Restore(); });
}

bool TLMForm::event(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::ParentChange)
        WatchFrame();
    if (AEvent->type() != QEvent::Close)
        return QMainWindow::event(AEvent);
    // Closing: whether this close frees the window (the close handler may still refuse it).
    QWidget* frame = LayoutFrame();
    FClosing =
        testAttribute(Qt::WA_DeleteOnClose) || (frame != this && frame->testAttribute(Qt::WA_DeleteOnClose));
    const bool result = QMainWindow::event(AEvent);
    if (FClosing && AEvent->isAccepted() && FLC && !FFinalSaved) {
        // The window goes away: save now, while it is still whole.
        FFinalSaved = true;
        FSizeMoveTimer.stop();
        Guarded([this] { FLM->Save(); });
    }
    return result;
}

bool TLMForm::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AWatched == FWatchedFrame.data()) {
        switch (AEvent->type()) {
        case QEvent::Show:
            // A document window is shown with its sub-window.
            if (!AEvent->spontaneous() && FFrameStateChanging == 0) {
                Showing();
                FMonNum = MonitorNumber();
            }
            break;
        case QEvent::Move:
            NoteSizeMove(false);
            break;
        case QEvent::Resize:
            NoteSizeMove(true);
            break;
        case QEvent::WindowStateChange: {
            // The sub-window hides and shows itself while it changes its state, which is no new showing:
            // deliver the change here to know when it is over.
            ++FFrameStateChanging;
            static_cast<QObject*>(AWatched)->event(AEvent);
            --FFrameStateChanging;
            NoteStateChange();
            return true;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(AWatched, AEvent);
}

void TLMForm::showEvent(QShowEvent* AEvent)
{
    // Un-minimizing is no new showing.
    const bool showing = !AEvent->spontaneous() && LayoutFrame() == this;
    if (showing)
        Showing();
    QMainWindow::showEvent(AEvent);
    if (showing)
        FMonNum = MonitorNumber();
}

void TLMForm::moveEvent(QMoveEvent* AEvent)
{
    QMainWindow::moveEvent(AEvent);
    if (LayoutFrame() == this)
        NoteSizeMove(false);
}

void TLMForm::resizeEvent(QResizeEvent* AEvent)
{
    QMainWindow::resizeEvent(AEvent);
    if (LayoutFrame() == this)
        NoteSizeMove(true);
}

void TLMForm::changeEvent(QEvent* AEvent)
{
    QMainWindow::changeEvent(AEvent);
    if (AEvent->type() == QEvent::WindowStateChange && LayoutFrame() == this)
        NoteStateChange();
}

void TLMForm::dragEnterEvent(QDragEnterEvent* AEvent)
{
    if (FAF && !LocalFiles(AEvent->mimeData()).isEmpty())
        AEvent->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(AEvent);
}

void TLMForm::dragMoveEvent(QDragMoveEvent* AEvent)
{
    if (FAF && !LocalFiles(AEvent->mimeData()).isEmpty())
        AEvent->acceptProposedAction();
    else
        QMainWindow::dragMoveEvent(AEvent);
}

void TLMForm::dropEvent(QDropEvent* AEvent)
{
    if (!FAF) {
        QMainWindow::dropEvent(AEvent);
        return;
    }
    const QStringList files = LocalFiles(AEvent->mimeData());
    AEvent->acceptProposedAction();
    if (OnDropFiles && !files.isEmpty())
        OnDropFiles(this, files);
}
