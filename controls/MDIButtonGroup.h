#pragma once

#include "controls/ButtonGroupEx.h"
#include "controls/MDIChildWindow.h"
#include "util/QuillonError.h"

#include <QPointer>

#include <QMdiArea>

// What happened to the window bar, passed to its change events.
enum TMDIAction { mdiNone = 0, mdiAdd = 1, mdiOpen = 2, mdiActivate = 3, mdiClose = 4 };

using TMDIChangeEvent = std::function<void(QObject* ASender, TMDIAction AAction)>;
using TMDIBeforeChangeEvent = std::function<void(QObject* ASender, int& AIndex, TMDIAction& AAction)>;

// Raised when a window bar is put where it cannot work.
class EMDIButtonGroup : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

// The window bar of a multiple-document frame: one button per document window. It follows the active
// window, brings a window forward when its button is clicked and removes a button when its window is
// destroyed. Each window's own activation and destruction handlers are taken over and kept in lists
// parallel to the buttons, so that they still run, for the right window, whatever the button order.
class TMDIButtonGroup : public TButtonGroupEx {
    Q_OBJECT
public:
    // AOwner must be a top-level form holding a multiple-document area and no other window bar;
    // raises EMDIButtonGroup otherwise. The bar becomes a child of the form.
    explicit TMDIButtonGroup(QObject* AOwner);
    ~TMDIButtonGroup() override;

    QMdiArea* MDIArea() const { return FArea; }

    // Adds a button for the window and selects it; nothing when the window is absent or has a button.
    void AddButton(TMDIChildWindow* AWindow, int AImageIndex, const QString& AHint);
    // The window of a button, none outside 0 .. Count() - 1.
    TMDIChildWindow* GetChild(int AIndex) const;
    TMDIChildWindow* MDIChildren(int AIndex) const { return GetChild(AIndex); }
    // The index of the window's button, -1 when it has none.
    int GetChildIndex(const QObject* AWindow) const;

    // Asks every document window of the area to close, last to first; a window may refuse.
    void CloseAll();
    // Minimizes every document window of the area, last to first.
    void MinimizeAll();
    // Runs every document window's close handler with caFree (whatever it answers) and destroys it.
    void DestroyAll();

    QString Captions(int AIndex) const;
    void SetCaptions(int AIndex, const QString& AValue);
    int Glyphs(int AIndex) const;
    void SetGlyphs(int AIndex, int AValue);
    QString Hints(int AIndex) const;
    void SetHints(int AIndex, const QString& AValue);

    // The window of the selected button, none when nothing is selected.
    TMDIChildWindow* ActiveMDIChild() const { return GetChild(ItemIndex()); }
    // Buttons that refer to a window; of those, the ones whose window is minimized.
    int MDIChildCount() const;
    int MinimizedCount() const;

    TMDIChangeEvent OnChange;
    TMDIBeforeChangeEvent OnBeforeChange;

protected:
    void DoItemClicked(int AIndex) override;
    void ItemInserted(int AIndex) override;
    void ItemRemoved(int AIndex, const TGrpButtonItem& AItem) override;
    void ItemMoved(int AFromIndex, int AToIndex) override;
    void UpdateLayout() override;

private:
    // Runs AWork on every document window of the area, last to first.
    void ForEachWindowLastToFirst(const std::function<void(QMdiSubWindow*)>& AWork);
    static QWidget* CheckOwner(QObject* AOwner);
    void ChildActivate(QObject* ASender);
    void ChildDestroy(QObject* ASender);
    void RaiseChange(TMDIAction AAction);

    QPointer<QMdiArea> FArea;
    // Entry i belongs to button i.
    QList<TNotifyEvent> FActivateList;
    QList<TNotifyEvent> FDestroyList;
};
