#include "controls/MDIChildWindow.h"

#include <QCloseEvent>

TMDIChildWindow::TMDIChildWindow(QWidget* Parent, Qt::WindowFlags Flags)
    : QMdiSubWindow(Parent, Flags)
{
    // Document windows free themselves when closed.
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QMdiSubWindow::windowStateChanged, this, &TMDIChildWindow::StateChanged);
}

TMDIChildWindow::~TMDIChildWindow()
{
    // The base class still changes the window state while it is torn down; this part is gone by then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, &TMDIChildWindow::StateChanged);
    // Copied first: a handler may clear or replace the slot while it runs.
    const TNotifyEvent Handler = OnDestroy;
    if (Handler) {
        try {
            Handler(this);
        } catch (...) {
            // Nothing may leave a destructor; the window goes anyway.
        }
    }
}

TMDIChildWindow* TMDIChildWindow::Of(const QWidget* Widget)
{
    for (QWidget* W = const_cast<QWidget*>(Widget); W; W = W->parentWidget())
        if (auto* Frame = qobject_cast<TMDIChildWindow*>(W))
            return Frame;
    return nullptr;
}

QString TMDIChildWindow::Caption() const
{
    if (windowTitle().isEmpty() && widget())
        return widget()->windowTitle();
    return windowTitle();
}

void TMDIChildWindow::StateChanged(Qt::WindowStates OldState, Qt::WindowStates NewState)
{
    if (OldState.testFlag(Qt::WindowActive) || !NewState.testFlag(Qt::WindowActive))
        return;
    const TNotifyEvent Handler = OnActivate;
    if (Handler)
        Handler(this);
}

void TMDIChildWindow::closeEvent(QCloseEvent* Event)
{
    TCloseAction Action = caFree;
    const TCloseEvent Handler = OnClose;
    if (Handler)
        Handler(this, Action);
    switch (Action) {
    case caNone:
        Event->ignore();
        return;
    case caMinimize:
        Event->ignore();
        showMinimized();
        return;
    case caHide:
        setAttribute(Qt::WA_DeleteOnClose, false);
        break;
    case caFree:
        setAttribute(Qt::WA_DeleteOnClose, true);
        break;
    }
    QMdiSubWindow::closeEvent(Event);
}
