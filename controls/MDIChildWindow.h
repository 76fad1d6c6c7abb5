#pragma once

#include <QMdiSubWindow>

#include <functional>

// What a window's close handler decides.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(QObject* ASender)>;
using TCloseEvent = std::function<void(QObject* ASender, TCloseAction& AAction)>;

// A document window's frame inside the multiple-document area. It carries the window's own activation,
// destruction and close handlers as replaceable slots, so that a window bar can take them over and
// chain to the previous ones. The document form itself is the frame's widget().
//
// OnActivate runs after the window became the active one of its area; OnDestroy runs first thing when
// the window is destroyed, while the frame and its contents still exist; OnClose runs when the window
// is asked to close, with the default action caFree: caNone keeps it open, caMinimize minimizes it,
// caHide hides it without freeing it.
//
// A document form sets its handlers on its frame before the frame is given a window-bar button; the bar
// then takes them over and calls them itself.
class TMDIChildWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit TMDIChildWindow(QWidget* AParent = nullptr, Qt::WindowFlags AFlags = {});
    ~TMDIChildWindow() override;

    // The document window frame that holds Widget (the widget itself or an ancestor), none outside one.
    static TMDIChildWindow* Of(const QWidget* AWidget);
    // The caption: the frame's title, or its form's title while the frame has none.
    QString Caption() const;

    TNotifyEvent OnActivate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;

    // The window's own hint (a window bar shows it as the button's tooltip).
    QString Hint() const { return FHint; }
    void SetHint(const QString& AValue) { FHint = AValue; }

protected:
    void closeEvent(QCloseEvent* AEvent) override;

private:
    void StateChanged(Qt::WindowStates AOldState, Qt::WindowStates ANewState);

    QString FHint;
};
