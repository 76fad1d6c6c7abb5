#include "controls/MDIChildWindow.h"

#include <QCloseEvent>

TMDIChildWindow::TMDIChildWindow(QWidget* AParent, Qt::WindowFlags AFlags)
    : QMdiSubWindow(AParent, AFlags)
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
    const TNotifyEvent handler = OnDestroy;
    if (handler) {
        try {
            handler(this);
        } catch (...) {
            // Nothing may leave a destructor; the window goes anyway.
        }
    }
}

TMDIChildWindow* TMDIChildWindow::Of(const QWidget* AWidget)
{
    for (QWidget* w = const_cast<QWidget*>(AWidget); w; w = w->parentWidget())
        if (auto* frame = qobject_cast<TMDIChildWindow*>(w))
            return frame;
    return nullptr;
}

QString TMDIChildWindow::Caption() const
{
    if (windowTitle().isEmpty() && widget())
        return widget()->windowTitle();
    return windowTitle();
}

void TMDIChildWindow::StateChanged(Qt::WindowStates AOldState, Qt::WindowStates ANewState)
{
    if (AOldState.testFlag(Qt::WindowActive) || !ANewState.testFlag(Qt::WindowActive))
        return;
    const TNotifyEvent handler = OnActivate;
    if (handler)
        handler(this);
}

void TMDIChildWindow::closeEvent(QCloseEvent* AEvent)
{
    TCloseAction action = caFree;
    const TCloseEvent handler = OnClose;
    if (handler)
        handler(this, action);
    switch (action) {
    case caNone:
        AEvent->ignore();
        return;
    case caMinimize:
        AEvent->ignore();
        showMinimized();
        return;
    case caHide:
        setAttribute(Qt::WA_DeleteOnClose, false);
        break;
    case caFree:
        setAttribute(Qt::WA_DeleteOnClose, true);
        break;
    }
    QMdiSubWindow::closeEvent(AEvent);
}
