#pragma once

#include "settings/LayoutManagerError.h"
#include "settings/LayoutManagerStorage.h"
#include "settings/PropInfoList.h"

#include <QFlags>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QObject;
class QWidget;
class TLayoutManager;
class TLayoutManagerControl;

// What the manager keeps of a registered control (bit 0 to bit 3).
enum TLayoutManagerControlOption {
    loPosition = 0x1,
    loSize = 0x2,
    loState = 0x4,
    loStyle = 0x8,
};
Q_DECLARE_FLAGS(TLayoutManagerControlOptions, TLayoutManagerControlOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLayoutManagerControlOptions)

inline constexpr TLayoutManagerControlOptions AllLayoutOptions {loPosition | loSize | loState | loStyle};

// Stored numbers of a window's alignment, state and style.
enum TAlign { alNone = 0, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };
enum TFormStyle { fsNormal = 0, fsMDIChild = 1, fsMDIForm = 2, fsStayOnTop = 3 };

// Saves and restores settings of a registered control that are not plain properties. The section of a
// layout is the item's section followed by "\Layout"; its defaults live in the sub-key "Default".
class ILayoutManagerControlLayout {
public:
    virtual ~ILayoutManagerControlLayout() = default;
    virtual TLayoutManagerControl* GetControl() const = 0;
    virtual void SetControl(TLayoutManagerControl* AControl) = 0;
    virtual void SaveDefault(bool AForce) = 0;
    virtual void Save() = 0;
    virtual void RestoreDefault() = 0;
    virtual void Restore() = 0;
    virtual void DeleteData() = 0;
};

using ILayoutManagerControlLayoutPtr = std::shared_ptr<ILayoutManagerControlLayout>;
// A layout class: makes a new layout object.
using TLayoutManagerControlLayoutClass = ILayoutManagerControlLayoutPtr (*)();

class TLayoutManagerControlLayout : public ILayoutManagerControlLayout {
public:
    TLayoutManagerControl* GetControl() const override { return FLMC; }
    void SetControl(TLayoutManagerControl* AControl) override { FLMC = AControl; }
    // Deletes the layout's section with its defaults.
    void DeleteData() final;
    QString LayoutSection() const;

protected:
    TLayoutManagerControl* FLMC = nullptr;
};

// Size, position and state of the virtual desktop a window is saved on; the manager stores a window's
// bounds per configuration.
struct TDesktopMetrics {
    int Width = 0;
    int Height = 0;
    int Dpi = 0;
};

using TLayoutManagerNotifyEvent = std::function<void(TLayoutManager* ASender)>;

// One registered item: a window, a control or any object with properties to keep.
class TLayoutManagerControl {
public:
    explicit TLayoutManagerControl(TLayoutManager* AManager);
    ~TLayoutManagerControl();

    void Save();
    void Restore();
    void DeleteData();

    // The key below the storage's root: the class name of a window (or of an object without an owner),
    // otherwise the owning window's class name, a backslash and the object's name.
    QString SectionName() const;
    // The section in use: SectionName, or the one of the last restore or save once the window is being
    // destroyed (its class name no longer tells what it was).
    QString CurrentSection() const;

    ILayoutManagerStoragePtr Storage() const { return FStorage; }
    void SetStorage(ILayoutManagerStoragePtr AValue);
    QObject* Component() const { return FComponent; }
    void SetComponent(QObject* AValue);
    TLayoutManagerControlOptions Options() const { return FOptions; }
    void SetOptions(TLayoutManagerControlOptions AValue);
    ILayoutManagerControlLayoutPtr Layout() const { return FLayout; }
    void SetLayout(ILayoutManagerControlLayoutPtr AValue);
    const QStringList& Properties() const { return FProps; }
    // Adds a property name; the list stays sorted ignoring letter case and holds each name once.
    void AddProperty(const QString& AName);
    TLayoutManager* LayoutManager() const { return FLM; }
    const TPropInfoList& PropList() const { return FPropList; }

private:
    void RestoreWindow(QWidget* AWindow, const QString& ASection);
    void SaveWindow(QWidget* AWindow, const QString& ASection);
    void RestoreControl(QWidget* AControl, const QString& ASection);
    void SaveControl(QWidget* AControl, const QString& ASection);
    void RestoreProperties(const QString& ASection);
    void SaveProperties(const QString& ASection);
    ILayoutManagerStoragePtr FStorage;
    QPointer<QObject> FComponent;
    QStringList FProps;
    TPropInfoList FPropList;
    ILayoutManagerControlLayoutPtr FLayout;
    TLayoutManagerControlOptions FOptions;
    TLayoutManager* FLM = nullptr;
    mutable QString FLastSection;
};

// Saves and restores the state of one window and of chosen objects in it through a storage.
class TLayoutManager {
public:
    explicit TLayoutManager(QObject* AOwner = nullptr);
    ~TLayoutManager();
    TLayoutManager(const TLayoutManager&) = delete;
    TLayoutManager& operator=(const TLayoutManager&) = delete;

    // Registers any object with the names of properties to keep; the item's index, or -1 for none or a
    // second registration.
    int Add(QObject* AComponent, const QStringList& AProps);
    // Registers a control with options and an optional layout class; -1 for none or a second registration.
    // A layout records the control's settings as its defaults at once unless the manager is read-only.
    int Add(QWidget* AControl, const QStringList& AProps, TLayoutManagerControlOptions AOptions,
        TLayoutManagerControlLayoutClass ALayoutClass = nullptr);
    void Delete(QObject* AComponent);
    void Clear(bool ADeleteData);

    // Every item in registration order, with the callbacks; Save does nothing while read-only or restoring.
    void Restore();
    void Save();
    // One item, without callbacks.
    void Restore(QObject* AComponent);
    void Save(QObject* AComponent);
    void DeleteData();
    void DeleteData(QObject* AComponent);

    int FindComponent(QObject* AComponent) const;
    void SetOptions(QWidget* AControl, TLayoutManagerControlOptions AOptions);

    int Count() const { return int(FList.size()); }
    TLayoutManagerControl* LayoutControls(int AIndex) const { return FList.at(size_t(AIndex)).get(); }
    ILayoutManagerStoragePtr Storage() const { return FStorage; }
    void SetStorage(ILayoutManagerStoragePtr AValue);
    QObject* Owner() const { return FOwner; }
    bool ReadOnly() const { return FRO; }
    void SetReadOnly(bool AValue) { FRO = AValue; }
    bool Restoring() const { return FRestoring; }

    TLayoutManagerNotifyEvent OnBeforeRestore;
    TLayoutManagerNotifyEvent OnAfterRestore;
    TLayoutManagerNotifyEvent OnBeforeSave;
    TLayoutManagerNotifyEvent OnAfterSave;

    // From now on items use the sections they last used: the owning window is being destroyed and its
    // class name no longer tells what it was.
    void FreezeSections() { FSectionsFrozen = true; }
    bool SectionsFrozen() const { return FSectionsFrozen; }

    // "(%dx%dx%d)": the virtual desktop's width and height and the DPI of the screen nearest to AWindow.
    static QString DesktopSuffix(const QWidget* AWindow);
    // Where the desktop metrics come from; tests put another desktop in place.
    static std::function<TDesktopMetrics(const QWidget* AWindow)> DesktopMetrics;
    static TDesktopMetrics ScreenDesktopMetrics(const QWidget* AWindow);

    // The application's main window (the first window the program creates); windows created later take
    // over its storage and read-only state.
    static QWidget* MainWindow();
    static void SetMainWindow(QWidget* AWindow);

private:
    std::vector<std::unique_ptr<TLayoutManagerControl>> FList;
    ILayoutManagerStoragePtr FStorage;
    QObject* FOwner = nullptr;
    bool FRestoring = false;
    bool FRO = false;
    bool FSectionsFrozen = false;
};

// The window a component belongs to: the nearest form among its ancestors (not its parent widget).
QObject* LayoutOwner(const QObject* AObject);
// A form: a main window, a dialog or any other top-level widget but a menu.
bool IsLayoutForm(const QObject* AObject);
