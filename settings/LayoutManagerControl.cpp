#include "settings/LayoutManagerControl.h"

#include "settings/LayoutManagerForm.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// The program's main window as it registered itself (TLayoutManager::SetMainWindow); the guard clears
// it when the window is destroyed without unregistering.
QPointer<QWidget>& MainWindowRef()
{
    static QPointer<QWidget> window;
    return window;
}

// The widget that carries a window's position, size and state: a document window's sub-window.
QWidget* FrameOf(QWidget* AWindow)
{
    if (auto* form = qobject_cast<TLMForm*>(AWindow))
        return form->LayoutFrame();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(AWindow->parentWidget()))
        return sub;
    return AWindow;
}

bool IsMDIChild(QWidget* AWindow)
{
    if (auto* form = qobject_cast<TLMForm*>(AWindow))
        return form->IsMDIChild();
    return qobject_cast<QMdiSubWindow*>(AWindow->parentWidget()) != nullptr;
}

int WindowStateOf(const QWidget* AFrame)
{
    const Qt::WindowStates state = AFrame->windowState();
    if (state & Qt::WindowMinimized)
        return wsMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return wsMaximized;
    return wsNormal;
}

void SetWindowStateOf(QWidget* AFrame, int AState)
{
    Qt::WindowStates state =
        AFrame->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (AState == wsMinimized)
        state |= Qt::WindowMinimized;
    else if (AState == wsMaximized)
        state |= Qt::WindowMaximized;
    if (state != AFrame->windowState())
        AFrame->setWindowState(state);
}

int FormStyleOf(QWidget* AWindow)
{
    if (IsMDIChild(AWindow))
        return fsMDIChild;
    // A multiple-document frame: its client area may sit inside the central widget beside other bars.
    if (auto* main = qobject_cast<QMainWindow*>(AWindow); main && main->centralWidget()
        && (qobject_cast<QMdiArea*>(main->centralWidget())
            || main->centralWidget()->findChild<QMdiArea*>(QString(), Qt::FindChildrenRecursively)))
        return fsMDIForm;
    if (AWindow->windowFlags() & Qt::WindowStaysOnTopHint)
        return fsStayOnTop;
    return fsNormal;
}

void SetFormStyleOf(QWidget* AWindow, int AStyle)
{
    // Only staying on top can change on a live window; the kind of window is fixed by the program.
    if (!AWindow->isWindow())
        return;
    const bool onTop = AStyle == fsStayOnTop;
    if (bool(AWindow->windowFlags() & Qt::WindowStaysOnTopHint) == onTop || (AStyle != fsNormal && !onTop))
        return;
    const bool visible = AWindow->isVisible();
    AWindow->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        AWindow->show();
}

int AlignOf(const QObject* AObject)
{
    if (auto* form = qobject_cast<const TLMForm*>(AObject))
        return form->Align();
    const QVariant value = AObject->property("Align");
    return value.isValid() ? value.toInt() : alNone;
}

void SetAlignOf(QObject* AObject, int AValue)
{
    if (auto* form = qobject_cast<TLMForm*>(AObject))
        form->SetAlign(AValue);
    else if (AObject->metaObject()->indexOfProperty("Align") >= 0)
        AObject->setProperty("Align", AValue);
}

// The number before and after the first comma of "left,top"; each part falls back to its current value.
bool SplitPair(const QString& AText, int& AFirst, int& ASecond)
{
    const qsizetype comma = AText.indexOf(QLatin1Char(','));
    if (comma < 0)
        return false;
    bool ok = false;
    const int first = AText.left(comma).toInt(&ok);
    if (ok)
        AFirst = first;
    const int second = AText.mid(comma + 1, 255).toInt(&ok);
    if (ok)
        ASecond = second;
    return true;
}

// A widget's width, height, x and y are read-only properties; they are set through resize and move.
bool RestoreGeometryProperty(QObject* AObject, const TPropInfo& AInfo, const QString& ASection,
    const QString& AName, ILayoutManagerStorage& AStorage)
{
    auto* widget = qobject_cast<QWidget*>(AObject);
    if (!widget || AInfo.Prop.isWritable())
        return false;
    const QString name = AInfo.Name;
    if (name == QLatin1String("width"))
        widget->resize(int(AStorage.ReadInteger(ASection, AName, widget->width())), widget->height());
    else if (name == QLatin1String("height"))
        widget->resize(widget->width(), int(AStorage.ReadInteger(ASection, AName, widget->height())));
    else if (name == QLatin1String("x"))
        widget->move(int(AStorage.ReadInteger(ASection, AName, widget->x())), widget->y());
    else if (name == QLatin1String("y"))
        widget->move(widget->x(), int(AStorage.ReadInteger(ASection, AName, widget->y())));
    else
        return false;
    return true;
}

} // namespace

// ---- helpers ----------------------------------------------------------------------------------------------

bool IsLayoutForm(const QObject* AObject)
{
    const auto* widget = qobject_cast<const QWidget*>(AObject);
    if (!widget)
        return false;
    if (qobject_cast<const QMainWindow*>(widget) || qobject_cast<const QDialog*>(widget))
        return true;
    return widget->isWindow() && !qobject_cast<const QMenu*>(widget);
}

QObject* LayoutOwner(const QObject* AObject)
{
    for (QObject* parent = AObject ? AObject->parent() : nullptr; parent; parent = parent->parent())
        if (IsLayoutForm(parent))
            return parent;
    return nullptr;
}

// ---- TLayoutManagerControlLayout --------------------------------------------------------------------------

QString TLayoutManagerControlLayout::LayoutSection() const
{
    return FLMC ? FLMC->CurrentSection() + QStringLiteral("\\Layout") : QString();
}

void TLayoutManagerControlLayout::DeleteData()
{
    if (FLMC && FLMC->Storage())
        FLMC->Storage()->DeleteSection(LayoutSection());
}

// ---- TLayoutManagerControl --------------------------------------------------------------------------------

TLayoutManagerControl::TLayoutManagerControl(TLayoutManager* AManager)
    : FLM(AManager)
{
}

TLayoutManagerControl::~TLayoutManagerControl() = default;

void TLayoutManagerControl::SetStorage(ILayoutManagerStoragePtr AValue)
{
    if (AValue == FStorage)
        return;
    if (FStorage)
        FStorage->Close();
    FStorage = std::move(AValue);
}

void TLayoutManagerControl::SetComponent(QObject* AValue)
{
    FComponent = AValue;
    FPropList = TPropInfoList(AValue);
    if (!qobject_cast<QWidget*>(AValue))
        FOptions = {};
}

void TLayoutManagerControl::SetOptions(TLayoutManagerControlOptions AValue)
{
    if (qobject_cast<QWidget*>(FComponent.data()))
        FOptions = AValue;
}

void TLayoutManagerControl::SetLayout(ILayoutManagerControlLayoutPtr AValue)
{
    FLayout = std::move(AValue);
    if (FLayout)
        FLayout->SetControl(this);
}

void TLayoutManagerControl::AddProperty(const QString& AName)
{
    const auto less = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    };
    const auto it = std::lower_bound(FProps.begin(), FProps.end(), AName, less);
    if (it != FProps.end() && it->compare(AName, Qt::CaseInsensitive) == 0)
        return;
    FProps.insert(it, AName);
}

QString TLayoutManagerControl::SectionName() const
{
    QObject* component = FComponent.data();
    if (!component)
        return QString();
    QObject* owner = LayoutOwner(component);
    if (IsLayoutForm(component) || !owner)
        return QString::fromLatin1(component->metaObject()->className());
    QString name = component->objectName();
    for (; owner; owner = LayoutOwner(owner)) {
        name = QString::fromLatin1(owner->metaObject()->className()) + QLatin1Char('\\') + name;
        if (IsLayoutForm(owner))
            break;
    }
    return name;
}

QString TLayoutManagerControl::CurrentSection() const
{
    if (FLM && FLM->SectionsFrozen())
        return FLastSection;
    FLastSection = SectionName();
    return FLastSection;
}

void TLayoutManagerControl::Restore()
{
    if (!FStorage || !FComponent)
        return;
    const QString section = CurrentSection();
    if (section.isEmpty())
        return;
    FStorage->Open(true);
    TStorageCloser closer(*FStorage);
    auto* widget = qobject_cast<QWidget*>(FComponent.data());
    if (widget && IsLayoutForm(widget))
        RestoreWindow(widget, section);
    else if (widget)
        RestoreControl(widget, section);
    RestoreProperties(section);
}

void TLayoutManagerControl::Save()
{
    if (!FStorage || !FComponent)
        return;
    const QString section = CurrentSection();
    if (section.isEmpty())
        return;
    FStorage->Open(false);
    TStorageCloser closer(*FStorage);
    auto* widget = qobject_cast<QWidget*>(FComponent.data());
    if (widget && IsLayoutForm(widget))
        SaveWindow(widget, section);
    else if (widget)
        SaveControl(widget, section);
    SaveProperties(section);
}

void TLayoutManagerControl::DeleteData()
{
    if (FStorage && FComponent)
        FStorage->DeleteSection(CurrentSection());
}

void TLayoutManagerControl::RestoreWindow(QWidget* AWindow, const QString& ASection)
{
    QWidget* frame = FrameOf(AWindow);
    const QString suffix = TLayoutManager::DesktopSuffix(AWindow);
    if (FOptions & loPosition) {
        SetAlignOf(AWindow, int(FStorage->ReadInteger(ASection, QStringLiteral("Align"), AlignOf(AWindow))));
        const QString pos = FStorage->ReadString(ASection, QStringLiteral("Pos") + suffix, QString());
        int left = frame->x();
        int top = frame->y();
        if (!pos.isEmpty() && SplitPair(pos, left, top)) {
            // A top-level window is placed by its client area, as its position was saved: its frame
            // is not known yet while it is being shown, so a frame position would land on the client
            // area and the window would creep by its title bar at every start.
            if (frame->isWindow())
                frame->setGeometry(QRect(QPoint(left, top), frame->size()));
            else
                frame->move(left, top);
        }
    }
    if (FOptions & loSize) {
        const QString size = FStorage->ReadString(ASection, QStringLiteral("Size") + suffix, QString());
        int width = frame->width();
        int height = frame->height();
        if (!size.isEmpty() && SplitPair(size, width, height)) {
            // A window larger than all screens together cannot even be painted (its image would not fit
            // in memory): a damaged size is cut down to the desktop.
            if (frame->isWindow()) {
                if (const QScreen* screen =
                        frame->screen() ? frame->screen() : QGuiApplication::primaryScreen()) {
                    width = qMin(width, screen->virtualSize().width());
                    height = qMin(height, screen->virtualSize().height());
                }
            }
            frame->resize(width, height);
        }
    }
    if (FOptions & loState) {
        if (FStorage->ValueExists(ASection, QStringLiteral("State")))
            SetWindowStateOf(
                frame, int(FStorage->ReadInteger(ASection, QStringLiteral("State"), WindowStateOf(frame))));
        else if (IsMDIChild(AWindow))
            SetWindowStateOf(frame, wsMaximized);
    }
    if ((FOptions & loStyle) && AWindow != TLayoutManager::MainWindow()
        && FStorage->ValueExists(ASection, QStringLiteral("Style")))
        SetFormStyleOf(
            AWindow, int(FStorage->ReadInteger(ASection, QStringLiteral("Style"), FormStyleOf(AWindow))));
    if (auto* form = qobject_cast<TLMForm*>(AWindow)) {
        const bool stored =
            FStorage->ReadBoolean(ASection, QStringLiteral("LayoutReadOnly"), form->LayoutReadOnly());
        // A window that took over the main window's read-only state keeps it: the stored flag is always
        // "writable" and would make it save although the user turned persistence off.
        if (!form->ReadOnlyFromMainWindow())
            form->SetLayoutReadOnly(stored);
    }
}

void TLayoutManagerControl::SaveWindow(QWidget* AWindow, const QString& ASection)
{
    QWidget* frame = FrameOf(AWindow);
    const QString suffix = TLayoutManager::DesktopSuffix(AWindow);
    const int state = WindowStateOf(frame);
    const QString pair = QStringLiteral("%1,%2");
    if ((FOptions & loSize) && state == wsNormal)
        FStorage->WriteString(
            ASection, QStringLiteral("Size") + suffix, pair.arg(frame->width()).arg(frame->height()));
    if (FOptions & loPosition) {
        if (state == wsNormal) {
            // The client area's position for a top-level window, the frame's inside the document area.
            const QPoint pos = frame->isWindow() ? frame->geometry().topLeft() : frame->pos();
            FStorage->WriteString(ASection, QStringLiteral("Pos") + suffix, pair.arg(pos.x()).arg(pos.y()));
        }
        FStorage->WriteInteger(ASection, QStringLiteral("Align"), AlignOf(AWindow));
    }
    if (FOptions & loState) {
        auto* form = qobject_cast<TLMForm*>(AWindow);
        const bool closingChild = IsMDIChild(AWindow) && form && form->Closing();
        if (state != wsMinimized && !closingChild)
            FStorage->WriteInteger(ASection, QStringLiteral("State"), state);
    }
    if (FOptions & loStyle)
        FStorage->WriteInteger(ASection, QStringLiteral("Style"), FormStyleOf(AWindow));
    if (auto* form = qobject_cast<TLMForm*>(AWindow))
        FStorage->WriteBoolean(ASection, QStringLiteral("LayoutReadOnly"), form->LayoutReadOnly());
}

void TLayoutManagerControl::RestoreControl(QWidget* AControl, const QString& ASection)
{
    if (FOptions & loSize) {
        const int width = int(FStorage->ReadInteger(ASection, QStringLiteral("Width"), AControl->width()));
        AControl->resize(width, AControl->height());
        const int height = int(FStorage->ReadInteger(ASection, QStringLiteral("Height"), AControl->height()));
        AControl->resize(AControl->width(), height);
    }
    if (FOptions & loPosition) {
        SetAlignOf(
            AControl, int(FStorage->ReadInteger(ASection, QStringLiteral("Align"), AlignOf(AControl))));
        const int left = int(FStorage->ReadInteger(ASection, QStringLiteral("Left"), AControl->x()));
        AControl->move(left, AControl->y());
        const int top = int(FStorage->ReadInteger(ASection, QStringLiteral("Top"), AControl->y()));
        AControl->move(AControl->x(), top);
    }
    if (FOptions & loState) {
        AControl->setVisible(
            FStorage->ReadBoolean(ASection, QStringLiteral("Visible"), !AControl->isHidden()));
        AControl->setEnabled(FStorage->ReadBoolean(
            ASection, QStringLiteral("Enabled"), !AControl->testAttribute(Qt::WA_Disabled)));
    }
    if (FLayout)
        FLayout->Restore();
}

void TLayoutManagerControl::SaveControl(QWidget* AControl, const QString& ASection)
{
    if (FOptions & loSize) {
        FStorage->WriteInteger(ASection, QStringLiteral("Width"), AControl->width());
        FStorage->WriteInteger(ASection, QStringLiteral("Height"), AControl->height());
    }
    if (FOptions & loPosition) {
        FStorage->WriteInteger(ASection, QStringLiteral("Left"), AControl->x());
        FStorage->WriteInteger(ASection, QStringLiteral("Top"), AControl->y());
    }
    if (FOptions & loState) {
        FStorage->WriteBoolean(ASection, QStringLiteral("Visible"), !AControl->isHidden());
        FStorage->WriteBoolean(
            ASection, QStringLiteral("Enabled"), !AControl->testAttribute(Qt::WA_Disabled));
    }
    if (FLayout)
        FLayout->Save();
}

void TLayoutManagerControl::RestoreProperties(const QString& ASection)
{
    QObject* object = FComponent.data();
    for (const QString& name : FProps) {
        const TPropInfo* info = FPropList.Find(name);
        if (!info)
            continue;
        const QVariant current = info->Prop.read(object);
        if (RestoreGeometryProperty(object, *info, ASection, name, *FStorage))
            continue;
        switch (info->Kind) {
        case TPropKind::pkInteger:
        case TPropKind::pkEnumeration:
        case TPropKind::pkSet:
        case TPropKind::pkChar: {
            // Ordinals travel as signed 32-bit numbers.
            const qint32 value = qint32(FStorage->ReadInteger(ASection, name, qint32(current.toLongLong())));
            if (info->Prop.metaType().id() == QMetaType::Bool)
                info->Prop.write(object, value != 0);
            else
                info->Prop.write(object, value);
            break;
        }
        case TPropKind::pkInt64:
            info->Prop.write(object, FStorage->ReadInteger(ASection, name, current.toLongLong()));
            break;
        case TPropKind::pkString:
        case TPropKind::pkWChar: {
            const QString text = FStorage->ReadString(ASection, name, current.toString());
            if (info->Kind == TPropKind::pkString)
                info->Prop.write(object, text);
            else if (!text.isEmpty())
                info->Prop.write(object, text.at(0));
            break;
        }
        case TPropKind::pkFloat:
            info->Prop.write(object, FStorage->ReadFloat(ASection, name, current.toDouble()));
            break;
        case TPropKind::pkClass:
            break;
        }
    }
}

void TLayoutManagerControl::SaveProperties(const QString& ASection)
{
    QObject* object = FComponent.data();
    for (const QString& name : FProps) {
        const TPropInfo* info = FPropList.Find(name);
        if (!info)
            continue;
        const QVariant current = info->Prop.read(object);
        switch (info->Kind) {
        case TPropKind::pkInteger:
        case TPropKind::pkEnumeration:
        case TPropKind::pkSet:
        case TPropKind::pkChar:
            FStorage->WriteInteger(ASection, name, qint32(current.toLongLong()));
            break;
        case TPropKind::pkInt64:
            FStorage->WriteInteger(ASection, name, current.toLongLong());
            break;
        case TPropKind::pkString:
        case TPropKind::pkWChar:
            FStorage->WriteString(ASection, name, current.toString());
            break;
        case TPropKind::pkFloat:
            FStorage->WriteFloat(ASection, name, current.toDouble());
            break;
        case TPropKind::pkClass:
            break;
        }
    }
}

// ---- TLayoutManager ---------------------------------------------------------------------------------------

std::function<TDesktopMetrics(const QWidget*)> TLayoutManager::DesktopMetrics =
    &TLayoutManager::ScreenDesktopMetrics;

TLayoutManager::TLayoutManager(QObject* AOwner)
    : FOwner(AOwner)
{
}

TLayoutManager::~TLayoutManager()
{
    OnBeforeRestore = nullptr;
    OnAfterRestore = nullptr;
    OnBeforeSave = nullptr;
    OnAfterSave = nullptr;
    Clear(false);
}

QWidget* TLayoutManager::MainWindow()
{
    return MainWindowRef().data();
}

void TLayoutManager::SetMainWindow(QWidget* AWindow)
{
    MainWindowRef() = AWindow;
}

TDesktopMetrics TLayoutManager::ScreenDesktopMetrics(const QWidget* AWindow)
{
    TDesktopMetrics metrics;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return metrics;
    const QRect desktop = primary->virtualGeometry();
    metrics.Width = desktop.width();
    metrics.Height = desktop.height();
    QScreen* nearest = nullptr;
    if (AWindow) {
        const QWidget* frame = AWindow->window();
        nearest = QGuiApplication::screenAt(frame->frameGeometry().center());
        if (!nearest)
            nearest = frame->screen();
    }
    if (!nearest)
        nearest = primary;
    metrics.Dpi = int(std::lround(nearest->logicalDotsPerInch()));
    return metrics;
}

QString TLayoutManager::DesktopSuffix(const QWidget* AWindow)
{
    const TDesktopMetrics m = DesktopMetrics ? DesktopMetrics(AWindow) : ScreenDesktopMetrics(AWindow);
    return QStringLiteral("(%1x%2x%3)").arg(m.Width).arg(m.Height).arg(m.Dpi);
}

int TLayoutManager::FindComponent(QObject* AComponent) const
{
    if (!AComponent)
        return -1;
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i]->Component() == AComponent)
            return int(i);
    return -1;
}

int TLayoutManager::Add(QObject* AComponent, const QStringList& AProps)
{
    if (!AComponent || FindComponent(AComponent) >= 0)
        return -1;
    auto item = std::make_unique<TLayoutManagerControl>(this);
    item->SetStorage(FStorage);
    item->SetComponent(AComponent);
    item->SetOptions({});
    for (const QString& name : AProps)
        item->AddProperty(name);
    FList.push_back(std::move(item));
    return int(FList.size()) - 1;
}

int TLayoutManager::Add(QWidget* AControl, const QStringList& AProps, TLayoutManagerControlOptions AOptions,
    TLayoutManagerControlLayoutClass ALayoutClass)
{
    if (!AControl || FindComponent(AControl) >= 0)
        return -1;
    auto item = std::make_unique<TLayoutManagerControl>(this);
    item->SetStorage(FStorage);
    item->SetComponent(AControl);
    item->SetOptions(AOptions);
    for (const QString& name : AProps)
        item->AddProperty(name);
    if (ALayoutClass) {
        item->SetLayout(ALayoutClass());
        if (!FRO)
            item->Layout()->SaveDefault(false);
    }
    FList.push_back(std::move(item));
    return int(FList.size()) - 1;
}

void TLayoutManager::Delete(QObject* AComponent)
{
    const int index = FindComponent(AComponent);
    if (index < 0)
        return;
    FList[size_t(index)]->SetLayout(nullptr);
    FList.erase(FList.begin() + index);
}

void TLayoutManager::Clear(bool ADeleteData)
{
    for (auto& item : FList)
        item->SetLayout(nullptr);
    if (ADeleteData)
        for (auto& item : FList)
            item->DeleteData();
    FList.clear();
}

void TLayoutManager::Restore()
{
    FRestoring = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset {FRestoring};
    if (OnBeforeRestore)
        OnBeforeRestore(this);
    for (size_t i = 0; i < FList.size(); ++i)
        FList[i]->Restore();
    if (OnAfterRestore)
        OnAfterRestore(this);
}

void TLayoutManager::Save()
{
    if (FRO || FRestoring)
        return;
    if (OnBeforeSave)
        OnBeforeSave(this);
    for (size_t i = 0; i < FList.size(); ++i)
        FList[i]->Save();
    if (OnAfterSave)
        OnAfterSave(this);
}

void TLayoutManager::Restore(QObject* AComponent)
{
    const int index = FindComponent(AComponent);
    if (index >= 0)
        FList[size_t(index)]->Restore();
}

void TLayoutManager::Save(QObject* AComponent)
{
    if (FRO)
        return;
    const int index = FindComponent(AComponent);
    if (index >= 0)
        FList[size_t(index)]->Save();
}

void TLayoutManager::DeleteData()
{
    for (auto& item : FList)
        item->DeleteData();
}

void TLayoutManager::DeleteData(QObject* AComponent)
{
    const int index = FindComponent(AComponent);
    if (index >= 0)
        FList[size_t(index)]->DeleteData();
}

void TLayoutManager::SetOptions(QWidget* AControl, TLayoutManagerControlOptions AOptions)
{
    const int index = FindComponent(AControl);
    if (index >= 0)
        FList[size_t(index)]->SetOptions(AOptions);
}

void TLayoutManager::SetStorage(ILayoutManagerStoragePtr AValue)
{
    if (AValue == FStorage)
        return;
    FStorage = std::move(AValue);
    for (auto& item : FList)
        item->SetStorage(FStorage);
}
