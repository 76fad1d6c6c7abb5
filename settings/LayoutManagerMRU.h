#pragma once

#include "settings/LayoutManagerError.h"
#include "settings/LayoutManagerStorage.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class TLayoutManagerMRU;

using TLayoutManagerMRUMenuClickEvent = std::function<void(TLayoutManagerMRU* ASender, const QString& AItem)>;
// The picture of an image index (the main window's menu image list).
using TImageListProvider = std::function<QIcon(int AIndex)>;

// The recent-files list: a bounded list of paths, oldest first, shown as entries at the end of a menu
// ("mru_Separator", then "mru_0", "mru_1", ...) and stored in a section as "Count" and "000", "001", ...
class TLayoutManagerMRU : public QObject {
    Q_OBJECT

public:
    explicit TLayoutManagerMRU(QObject* AParent = nullptr);
    ~TLayoutManagerMRU() override;

    // Appends AItem unless present (compared exactly); drops the oldest entries beyond MaxItems.
    void Add(const QString& AItem);
    void Remove(const QString& AItem);
    // Throws std::out_of_range for an index outside the list.
    void Delete(int AIndex);
    void Clear();
    int IndexOf(const QString& AItem) const;
    QString GeItem(int AIndex) const;
    QString Items(int AIndex) const { return GeItem(AIndex); }
    int Count() const { return int(FList.size()); }
    const QStringList& List() const { return FList; }

    void Restore();
    void Save();

    // The menu whose sub-entries show the list (a sub-menu of the menu bar such as "&File").
    QMenu* MenuItem() const { return FMenuItem.data(); }
    void SetMenuItem(QMenu* AValue);
    // The alternative host: a pop-up menu the entries are appended to.
    QMenu* Menu() const { return FMenu.data(); }
    void SetMenu(QMenu* AValue);
    TLayoutManagerMRUMenuClickEvent OnMenuClick() const { return FOnClick; }
    void SetOnMenuClick(TLayoutManagerMRUMenuClickEvent AValue);
    ILayoutManagerStoragePtr Storage() const { return FStorage; }
    void SetStorage(ILayoutManagerStoragePtr AValue);

    QString SectionName() const { return FSectionName; }
    void SetSectionName(const QString& AValue) { FSectionName = AValue; }
    quint8 MaxItems() const { return FMaxItems; }
    void SetMaxItems(quint8 AValue) { FMaxItems = AValue; }
    int StartImageIndex() const { return FSII; }
    void SetStartImageIndex(int AValue) { FSII = AValue; }
    // Where pictures come from; without one, entries carry their index only (property "ImageIndex").
    void SetImages(TImageListProvider AValue) { FImages = std::move(AValue); }

    void RefreshMenu();

private:
    void RemoveEntries(QMenu* AHost);
    void EntryClicked(int ATag);
    QMenu* Host() const;

    QStringList FList;
    ILayoutManagerStoragePtr FStorage;
    QPointer<QMenu> FMenuItem;
    QString FSectionName = QStringLiteral("MRU");
    TLayoutManagerMRUMenuClickEvent FOnClick;
    quint8 FMaxItems = 10;
    QPointer<QMenu> FMenu;
    int FSII = 0;
    TImageListProvider FImages;
};
