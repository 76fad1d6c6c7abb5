#include "controls/MDIButtonGroup.h"

#include <QMdiArea>

namespace {

QMdiArea* FindArea(QWidget* AForm)
{
    return AForm->findChild<QMdiArea*>();
}

} // namespace

QWidget* TMDIButtonGroup::CheckOwner(QObject* AOwner)
{
    auto* form = qobject_cast<QWidget*>(AOwner);
    if (!form || !form->isWindow())
        throw EMDIButtonGroup(QStringLiteral("MDIButtonGroup can be put only on Form."));
    if (!FindArea(form))
        throw EMDIButtonGroup(QStringLiteral("MDIButtonGroup can be put only on MDIForm."));
    if (!form->findChildren<TMDIButtonGroup*>().isEmpty())
        throw EMDIButtonGroup(QStringLiteral("Only one MDIButtonGroup can be put on MDIForm."));
    return form;
}

TMDIButtonGroup::TMDIButtonGroup(QObject* AOwner)
    : TButtonGroupEx(CheckOwner(AOwner))
    , FArea(FindArea(parentWidget()))
{
    SetBorderStyle(bsNone);
    SetButtonWidth(100);
    SetButtonHeight(22);
    SetButtonOptions(TGrpButtonOptions(gboGroupStyle | gboShowCaptions));
    SetShowHint(true);
    SetTextIndent(5);
    UpdateLayout();
}

TMDIButtonGroup::~TMDIButtonGroup()
{
    // Give the windows that outlive the bar their own handlers back.
    for (int i = 0; i < Count(); ++i) {
        if (TMDIChildWindow* window = GetChild(i)) {
            window->OnActivate = FActivateList.value(i);
            window->OnDestroy = FDestroyList.value(i);
        }
    }
}

void TMDIButtonGroup::UpdateLayout()
{
    // Without AutoSize the bar keeps one row; further rows scroll.
    if (!AutoSize()) {
        const int height = ExtraHeight() + ButtonHeight();
        if (minimumHeight() != height || maximumHeight() != height)
            setFixedHeight(height);
    }
    TButtonGroupEx::UpdateLayout();
}

void TMDIButtonGroup::AddButton(TMDIChildWindow* AWindow, int AImageIndex, const QString& AHint)
{
    if (!AWindow || GetChildIndex(AWindow) >= 0)
        return;
    TGrpButtonItem item;
    item.Caption = AWindow->Caption();
    item.Hint = AHint;
    item.ImageIndex = AImageIndex;
    item.Data = AWindow;
    const int index = AddItem(item);
    FActivateList[index] = AWindow->OnActivate;
    FDestroyList[index] = AWindow->OnDestroy;
    AWindow->SetHint(AHint);
    const QPointer<TMDIButtonGroup> self(this);
    AWindow->OnActivate = [self](QObject* sender) {
        if (self)
            self->ChildActivate(sender);
    };
    AWindow->OnDestroy = [self](QObject* sender) {
        if (self)
            self->ChildDestroy(sender);
    };
    SetItemIndex(index);
    update();
    ScrollIntoView(index);
    RaiseChange(mdiAdd);
}

TMDIChildWindow* TMDIButtonGroup::GetChild(int AIndex) const
{
    if (!IsValidIndex(AIndex))
        return nullptr;
    return qobject_cast<TMDIChildWindow*>(Item(AIndex).Data.data());
}

int TMDIButtonGroup::GetChildIndex(const QObject* AWindow) const
{
    if (!AWindow)
        return -1;
    for (int i = 0; i < Count(); ++i)
        if (Item(i).Data.data() == AWindow)
            return i;
    return -1;
}

void TMDIButtonGroup::ForEachWindowLastToFirst(const std::function<void(QMdiSubWindow*)>& AWork)
{
    if (!FArea)
        return;
    // A window's handling may close or delete others: each is looked at only while it still exists.
    const QList<QMdiSubWindow*> windows = FArea->subWindowList();
    QList<QPointer<QMdiSubWindow>> guarded(windows.cbegin(), windows.cend());
    for (auto it = guarded.crbegin(); it != guarded.crend(); ++it)
        if (*it)
            AWork(it->data());
}

void TMDIButtonGroup::CloseAll()
{
    ForEachWindowLastToFirst([](QMdiSubWindow* window) { window->close(); });
}

void TMDIButtonGroup::MinimizeAll()
{
    // The area lines the minimized windows up along its bottom edge by itself.
    ForEachWindowLastToFirst([](QMdiSubWindow* window) { window->showMinimized(); });
}

void TMDIButtonGroup::DestroyAll()
{
    ForEachWindowLastToFirst([](QMdiSubWindow* window) {
        if (auto* child = qobject_cast<TMDIChildWindow*>(window); child && child->OnClose) {
            TCloseAction action = caFree;
            const TCloseEvent handler = child->OnClose;
            handler(child, action);
        }
        delete window;
    });
}

QString TMDIButtonGroup::Captions(int AIndex) const
{
    return IsValidIndex(AIndex) ? Item(AIndex).Caption : QString();
}

void TMDIButtonGroup::SetCaptions(int AIndex, const QString& AValue)
{
    SetItemCaption(AIndex, AValue);
}

int TMDIButtonGroup::Glyphs(int AIndex) const
{
    return IsValidIndex(AIndex) ? Item(AIndex).ImageIndex : -1;
}

void TMDIButtonGroup::SetGlyphs(int AIndex, int AValue)
{
    SetItemImageIndex(AIndex, AValue);
}

QString TMDIButtonGroup::Hints(int AIndex) const
{
    return IsValidIndex(AIndex) ? Item(AIndex).Hint : QString();
}

void TMDIButtonGroup::SetHints(int AIndex, const QString& AValue)
{
    SetItemHint(AIndex, AValue);
}

int TMDIButtonGroup::MDIChildCount() const
{
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (Item(i).Data)
            ++result;
    return result;
}

int TMDIButtonGroup::MinimizedCount() const
{
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (TMDIChildWindow* window = GetChild(i); window && window->isMinimized())
            ++result;
    return result;
}

void TMDIButtonGroup::RaiseChange(TMDIAction AAction)
{
    const TMDIChangeEvent handler = OnChange;
    if (handler)
        handler(this, AAction);
}

void TMDIButtonGroup::ChildActivate(QObject* ASender)
{
    SetItemIndex(GetChildIndex(ASender));
    const int index = ItemIndex();
    if (index < 0)
        return;
    const TNotifyEvent saved = FActivateList.value(index);
    if (saved)
        saved(ASender);
    ScrollIntoView(ItemIndex());
    RaiseChange(mdiOpen);
}

void TMDIButtonGroup::ChildDestroy(QObject* ASender)
{
    try {
        int index = GetChildIndex(ASender);
        if (index >= 0) {
            const TNotifyEvent saved = FDestroyList.value(index);
            if (saved)
                saved(ASender);
            // The handler may have changed the buttons: look again.
            index = GetChildIndex(ASender);
            if (index >= 0)
                DeleteItem(index);
        }
        // The dying window still counts among the area's windows; an area that is itself being torn
        // down is no longer reachable from the window and is left alone.
        auto* dying = qobject_cast<TMDIChildWindow*>(ASender);
        QMdiArea* area = dying ? dying->mdiArea() : FArea.data();
        if (area && area == FArea) {
            const QList<QMdiSubWindow*> windows = area->subWindowList();
            const bool others = std::any_of(windows.cbegin(), windows.cend(),
                [ASender](QMdiSubWindow* window) { return window != ASender; });
            if (others) {
                QMdiSubWindow* active = area->activeSubWindow();
                SetItemIndex(active == ASender ? -1 : GetChildIndex(active));
            }
        }
        RaiseChange(mdiClose);
    } catch (...) {
        // Removal goes on as far as it got; a window's destruction must not fail because of its button.
    }
}

void TMDIButtonGroup::DoItemClicked(int AIndex)
{
    int target = AIndex;
    TMDIAction action = mdiActivate;
    if (OnBeforeChange) {
        const TMDIBeforeChangeEvent handler = OnBeforeChange;
        handler(this, target, action);
        // A handler may redirect the click to another button; one outside the buttons cancels it.
        if (action == mdiNone || !IsValidIndex(target))
            return;
    }
    SetItemIndex(target);
    const QPointer<TMDIChildWindow> window = GetChild(target);
    if (window) {
        if (FArea && window->mdiArea() == FArea)
            FArea->setActiveSubWindow(window);
        if (window)
            window->setFocus(Qt::OtherFocusReason);
        if (window)
            window->raise();
        if (window && window->isMinimized())
            window->showNormal();
    }
    // The activation may have removed buttons.
    if (!IsValidIndex(target))
        return;
    TButtonGroupEx::DoItemClicked(target);
    InvalidateButton(ItemIndex());
    RaiseChange(mdiActivate);
}

void TMDIButtonGroup::ItemInserted(int AIndex)
{
    FActivateList.insert(AIndex, TNotifyEvent());
    FDestroyList.insert(AIndex, TNotifyEvent());
}

void TMDIButtonGroup::ItemRemoved(int AIndex, const TGrpButtonItem& AItem)
{
    const TNotifyEvent savedActivate = FActivateList.takeAt(AIndex);
    const TNotifyEvent savedDestroy = FDestroyList.takeAt(AIndex);
    // A window that loses its button gets its own handlers back.
    if (auto* window = qobject_cast<TMDIChildWindow*>(AItem.Data.data())) {
        window->OnActivate = savedActivate;
        window->OnDestroy = savedDestroy;
    }
}

void TMDIButtonGroup::ItemMoved(int AFromIndex, int AToIndex)
{
    FActivateList.move(AFromIndex, AToIndex);
    FDestroyList.move(AFromIndex, AToIndex);
}
