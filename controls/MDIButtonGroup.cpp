#include "controls/MDIButtonGroup.h"

#include <QMdiArea>

namespace {

QMdiArea* FindArea(QWidget* Form)
{
    return Form->findChild<QMdiArea*>();
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

void TMDIButtonGroup::AddButton(TMDIChildWindow* Window, int ImageIndex, const QString& Hint)
{
    if (!Window || GetChildIndex(Window) >= 0)
        return;
    TGrpButtonItem Item;
    Item.Caption = Window->Caption();
    Item.Hint = Hint;
    Item.ImageIndex = ImageIndex;
    Item.Data = Window;
    const int Index = AddItem(Item);
    FActivateList[Index] = Window->OnActivate;
    FDestroyList[Index] = Window->OnDestroy;
    Window->SetHint(Hint);
    const QPointer<TMDIButtonGroup> Self(this);
    Window->OnActivate = [Self](QObject* Sender) {
        if (Self)
            Self->ChildActivate(Sender);
    };
    Window->OnDestroy = [Self](QObject* Sender) {
        if (Self)
            Self->ChildDestroy(Sender);
    };
    SetItemIndex(Index);
    update();
    ScrollIntoView(Index);
    RaiseChange(mdiAdd);
}

TMDIChildWindow* TMDIButtonGroup::GetChild(int Index) const
{
    if (!IsValidIndex(Index))
        return nullptr;
    return qobject_cast<TMDIChildWindow*>(Item(Index).Data.data());
}

int TMDIButtonGroup::GetChildIndex(const QObject* Window) const
{
    if (!Window)
        return -1;
    for (int I = 0; I < Count(); ++I)
        if (Item(I).Data.data() == Window)
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
    ForEachWindowLastToFirst([](QMdiSubWindow* Window) { Window->close(); });
}

void TMDIButtonGroup::MinimizeAll()
{
    // The area lines the minimized windows up along its bottom edge by itself.
    ForEachWindowLastToFirst([](QMdiSubWindow* Window) { Window->showMinimized(); });
}

void TMDIButtonGroup::DestroyAll()
{
    ForEachWindowLastToFirst([](QMdiSubWindow* Window) {
        if (auto* Child = qobject_cast<TMDIChildWindow*>(Window); Child && Child->OnClose) {
            TCloseAction Action = caFree;
            const TCloseEvent Handler = Child->OnClose;
            Handler(Child, Action);
        }
        delete Window;
    });
}

QString TMDIButtonGroup::Captions(int Index) const
{
    return IsValidIndex(Index) ? Item(Index).Caption : QString();
}

void TMDIButtonGroup::SetCaptions(int Index, const QString& Value)
{
    SetItemCaption(Index, Value);
}

int TMDIButtonGroup::Glyphs(int Index) const
{
    return IsValidIndex(Index) ? Item(Index).ImageIndex : -1;
}

void TMDIButtonGroup::SetGlyphs(int Index, int Value)
{
    SetItemImageIndex(Index, Value);
}

QString TMDIButtonGroup::Hints(int Index) const
{
    return IsValidIndex(Index) ? Item(Index).Hint : QString();
}

void TMDIButtonGroup::SetHints(int Index, const QString& Value)
{
    SetItemHint(Index, Value);
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

void TMDIButtonGroup::RaiseChange(TMDIAction Action)
{
    const TMDIChangeEvent Handler = OnChange;
    if (Handler)
        Handler(this, Action);
}

void TMDIButtonGroup::ChildActivate(QObject* Sender)
{
    SetItemIndex(GetChildIndex(Sender));
    const int Index = ItemIndex();
    if (Index < 0)
        return;
    const TNotifyEvent Saved = FActivateList.value(Index);
    if (Saved)
        Saved(Sender);
    ScrollIntoView(ItemIndex());
    RaiseChange(mdiOpen);
}

void TMDIButtonGroup::ChildDestroy(QObject* Sender)
{
    try {
        int Index = GetChildIndex(Sender);
        if (Index >= 0) {
            const TNotifyEvent Saved = FDestroyList.value(Index);
            if (Saved)
                Saved(Sender);
            // The handler may have changed the buttons: look again.
            Index = GetChildIndex(Sender);
            if (Index >= 0)
                DeleteItem(Index);
        }
        // The dying window still counts among the area's windows; an area that is itself being torn
        // down is no longer reachable from the window and is left alone.
        auto* Dying = qobject_cast<TMDIChildWindow*>(Sender);
        QMdiArea* Area = Dying ? Dying->mdiArea() : FArea.data();
        if (Area && Area == FArea) {
            const QList<QMdiSubWindow*> Windows = Area->subWindowList();
            const bool Others = std::any_of(
                Windows.cbegin(), Windows.cend(), [Sender](QMdiSubWindow* W) { return W != Sender; });
            if (Others) {
                QMdiSubWindow* Active = Area->activeSubWindow();
                SetItemIndex(Active == Sender ? -1 : GetChildIndex(Active));
            }
        }
        RaiseChange(mdiClose);
    } catch (...) {
        // Removal goes on as far as it got; a window's destruction must not fail because of its button.
    }
}

void TMDIButtonGroup::DoItemClicked(int Index)
{
    int Target = Index;
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

void TMDIButtonGroup::ItemInserted(int Index)
{
    FActivateList.insert(Index, TNotifyEvent());
    FDestroyList.insert(Index, TNotifyEvent());
}

void TMDIButtonGroup::ItemRemoved(int Index, const TGrpButtonItem& Item)
{
    const TNotifyEvent SavedActivate = FActivateList.takeAt(Index);
    const TNotifyEvent SavedDestroy = FDestroyList.takeAt(Index);
    // A window that loses its button gets its own handlers back.
    if (auto* Window = qobject_cast<TMDIChildWindow*>(Item.Data.data())) {
        Window->OnActivate = SavedActivate;
        Window->OnDestroy = SavedDestroy;
    }
}

void TMDIButtonGroup::ItemMoved(int FromIndex, int ToIndex)
{
    FActivateList.move(FromIndex, ToIndex);
    FDestroyList.move(FromIndex, ToIndex);
}
