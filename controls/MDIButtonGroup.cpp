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
    auto* Form = qobject_cast<QWidget*>(AOwner);
    if (!Form || !Form->isWindow())
        throw EMDIButtonGroup(QStringLiteral("MDIButtonGroup can be put only on Form."));
    if (!FindArea(Form))
        throw EMDIButtonGroup(QStringLiteral("MDIButtonGroup can be put only on MDIForm."));
    if (!Form->findChildren<TMDIButtonGroup*>().isEmpty())
        throw EMDIButtonGroup(QStringLiteral("Only one MDIButtonGroup can be put on MDIForm."));
    return Form;
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
    for (int I = 0; I < Count(); ++I) {
        if (TMDIChildWindow* Window = GetChild(I)) {
            Window->OnActivate = FActivateList.value(I);
            Window->OnDestroy = FDestroyList.value(I);
        }
    }
}

void TMDIButtonGroup::UpdateLayout()
{
    // Without AutoSize the bar keeps one row; further rows scroll.
    if (!AutoSize()) {
        const int Height = ExtraHeight() + ButtonHeight();
        if (minimumHeight() != Height || maximumHeight() != Height)
            setFixedHeight(Height);
    }
    TButtonGroupEx::UpdateLayout();
}

void TMDIButtonGroup::AddButton(TMDIChildWindow* AWindow, int AImageIndex, const QString& AHint)
{
    if (!AWindow || GetChildIndex(AWindow) >= 0)
        return;
    TGrpButtonItem Item;
    Item.Caption = AWindow->Caption();
    Item.Hint = AHint;
    Item.ImageIndex = AImageIndex;
    Item.Data = AWindow;
    const int Index = AddItem(Item);
    FActivateList[Index] = AWindow->OnActivate;
    FDestroyList[Index] = AWindow->OnDestroy;
    AWindow->SetHint(AHint);
    const QPointer<TMDIButtonGroup> Self(this);
    AWindow->OnActivate = [Self](QObject* sender) {
        if (Self)
            Self->ChildActivate(sender);
    };
    AWindow->OnDestroy = [Self](QObject* sender) {
        if (Self)
            Self->ChildDestroy(sender);
    };
    SetItemIndex(Index);
    update();
    ScrollIntoView(Index);
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
    for (int I = 0; I < Count(); ++I)
        if (Item(I).Data.data() == AWindow)
            return I;
    return -1;
}

void TMDIButtonGroup::ForEachWindowLastToFirst(const std::function<void(QMdiSubWindow*)>& AWork)
{
    if (!FArea)
        return;
    // A window's handling may close or delete others: each is looked at only while it still exists.
    const QList<QMdiSubWindow*> Windows = FArea->subWindowList();
    QList<QPointer<QMdiSubWindow>> Guarded(Windows.cbegin(), Windows.cend());
    for (auto It = Guarded.crbegin(); It != Guarded.crend(); ++It)
        if (*It)
            AWork(It->data());
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
        if (auto* Child = qobject_cast<TMDIChildWindow*>(window); Child && Child->OnClose) {
            TCloseAction Action = caFree;
            const TCloseEvent Handler = Child->OnClose;
            Handler(Child, Action);
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
    int Result = 0;
    for (int I = 0; I < Count(); ++I)
        if (Item(I).Data)
            ++Result;
    return Result;
}

int TMDIButtonGroup::MinimizedCount() const
{
    int Result = 0;
    for (int I = 0; I < Count(); ++I)
        if (TMDIChildWindow* Window = GetChild(I); Window && Window->isMinimized())
            ++Result;
    return Result;
}

void TMDIButtonGroup::RaiseChange(TMDIAction AAction)
{
    const TMDIChangeEvent Handler = OnChange;
    if (Handler)
        Handler(this, AAction);
}

void TMDIButtonGroup::ChildActivate(QObject* ASender)
{
    SetItemIndex(GetChildIndex(ASender));
    const int Index = ItemIndex();
    if (Index < 0)
        return;
    const TNotifyEvent Saved = FActivateList.value(Index);
    if (Saved)
        Saved(ASender);
    ScrollIntoView(ItemIndex());
    RaiseChange(mdiOpen);
}

void TMDIButtonGroup::ChildDestroy(QObject* ASender)
{
    try {
        int Index = GetChildIndex(ASender);
        if (Index >= 0) {
            const TNotifyEvent Saved = FDestroyList.value(Index);
            if (Saved)
                Saved(ASender);
            // The handler may have changed the buttons: look again.
            Index = GetChildIndex(ASender);
            if (Index >= 0)
                DeleteItem(Index);
        }
        // The dying window still counts among the area's windows; an area that is itself being torn
        // down is no longer reachable from the window and is left alone.
        auto* Dying = qobject_cast<TMDIChildWindow*>(ASender);
        QMdiArea* Area = Dying ? Dying->mdiArea() : FArea.data();
        if (Area && Area == FArea) {
            const QList<QMdiSubWindow*> Windows = Area->subWindowList();
            const bool Others = std::any_of(Windows.cbegin(), Windows.cend(),
                [ASender](QMdiSubWindow* window) { return window != ASender; });
            if (Others) {
                QMdiSubWindow* Active = Area->activeSubWindow();
                SetItemIndex(Active == ASender ? -1 : GetChildIndex(Active));
            }
        }
        RaiseChange(mdiClose);
    } catch (...) {
        // Removal goes on as far as it got; a window's destruction must not fail because of its button.
    }
}

void TMDIButtonGroup::DoItemClicked(int AIndex)
{
    int Target = AIndex;
    TMDIAction Action = mdiActivate;
    if (OnBeforeChange) {
        const TMDIBeforeChangeEvent Handler = OnBeforeChange;
        Handler(this, Target, Action);
        // A handler may redirect the click to another button; one outside the buttons cancels it.
        if (Action == mdiNone || !IsValidIndex(Target))
            return;
    }
    SetItemIndex(Target);
    const QPointer<TMDIChildWindow> Window = GetChild(Target);
    if (Window) {
        if (FArea && Window->mdiArea() == FArea)
            FArea->setActiveSubWindow(Window);
        if (Window)
            Window->setFocus(Qt::OtherFocusReason);
        if (Window)
            Window->raise();
        if (Window && Window->isMinimized())
            Window->showNormal();
    }
    // The activation may have removed buttons.
    if (!IsValidIndex(Target))
        return;
    TButtonGroupEx::DoItemClicked(Target);
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
    const TNotifyEvent SavedActivate = FActivateList.takeAt(AIndex);
    const TNotifyEvent SavedDestroy = FDestroyList.takeAt(AIndex);
    // A window that loses its button gets its own handlers back.
    if (auto* Window = qobject_cast<TMDIChildWindow*>(AItem.Data.data())) {
        Window->OnActivate = SavedActivate;
        Window->OnDestroy = SavedDestroy;
    }
}

void TMDIButtonGroup::ItemMoved(int AFromIndex, int AToIndex)
{
    FActivateList.move(AFromIndex, AToIndex);
    FDestroyList.move(AFromIndex, AToIndex);
}
