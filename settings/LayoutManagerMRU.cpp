#include "settings/LayoutManagerMRU.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

const QString EntryPrefix = QStringLiteral("mru_");

QString EntryValueName(int AIndex)
{
    return QStringLiteral("%1").arg(AIndex, 3, 10, QLatin1Char('0'));
}

void CheckIndex(const QStringList& AList, int AIndex)
{
    if (AIndex < 0 || AIndex >= AList.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(AIndex) + ")");
}

} // namespace

TLayoutManagerMRU::TLayoutManagerMRU(QObject* AParent)
    : QObject(AParent)
{
}

TLayoutManagerMRU::~TLayoutManagerMRU()
{
    // The host menu keeps what it shows: disconnecting its entries keeps them from calling back.
    if (QMenu* host = Host())
        for (QAction* action : host->actions())
            if (action->objectName().startsWith(EntryPrefix))
                disconnect(action, nullptr, this, nullptr);
    FList.clear();
}

int TLayoutManagerMRU::IndexOf(const QString& AItem) const
{
    // File names on this system differ by letter case: "case.json" and "CASE.json" are two files.
    return int(FList.indexOf(AItem));
}

void TLayoutManagerMRU::Add(const QString& AItem)
{
    if (IndexOf(AItem) >= 0)
        return;
    while (!FList.isEmpty() && FList.size() >= FMaxItems)
        FList.removeFirst();
    FList.append(AItem);
    RefreshMenu();
}

void TLayoutManagerMRU::Remove(const QString& AItem)
{
    const int index = IndexOf(AItem);
    if (index < 0)
        return;
    FList.removeAt(index);
    RefreshMenu();
}

void TLayoutManagerMRU::Delete(int AIndex)
{
    CheckIndex(FList, AIndex);
    FList.removeAt(AIndex);
    RefreshMenu();
}

void TLayoutManagerMRU::Clear()
{
    FList.clear();
    RefreshMenu();
}

QString TLayoutManagerMRU::GeItem(int AIndex) const
{
    CheckIndex(FList, AIndex);
    return FList.at(AIndex);
}

void TLayoutManagerMRU::Restore()
{
    if (!FStorage)
        throw ELayoutManagerMRU(QStringLiteral("TLayoutManagerMRU: Storage is not assigned"));
    FList.clear();
    {
        FStorage->Open(true);
        TStorageCloser closer(*FStorage);
        const qint64 count = FStorage->ReadInteger(FSectionName, QStringLiteral("Count"), 0);
        // Only the entries that exist are read, in index order: a damaged "Count" of two billion must not
        // mean two billion reads of missing values.
        QStringList names;
        FStorage->ReadSection(FSectionName, names);
        std::vector<int> indexes;
        for (const QString& name : names) {
            bool ok = false;
            const int index = name.toInt(&ok);
            if (ok && index >= 0 && index < count && name == EntryValueName(index))
                indexes.push_back(index);
        }
        std::sort(indexes.begin(), indexes.end());
        for (int index : indexes) {
            const QString item = FStorage->ReadString(FSectionName, EntryValueName(index), QString());
            if (!item.isEmpty())
                FList.append(item);
        }
    }
    RefreshMenu();
}

void TLayoutManagerMRU::Save()
{
    if (!FStorage)
        throw ELayoutManagerMRU(QStringLiteral("TLayoutManagerMRU: Storage is not assigned"));
    FStorage->Open(false);
    TStorageCloser closer(*FStorage);
    FStorage->DeleteSection(FSectionName);
    if (FList.isEmpty())
        return;
    FStorage->WriteInteger(FSectionName, QStringLiteral("Count"), FList.size());
    for (int i = 0; i < FList.size(); ++i)
        FStorage->WriteString(FSectionName, EntryValueName(i), FList.at(i));
}

QMenu* TLayoutManagerMRU::Host() const
{
    return FMenuItem ? FMenuItem.data() : FMenu.data();
}

void TLayoutManagerMRU::SetMenuItem(QMenu* AValue)
{
    if (AValue == FMenuItem.data())
        return;
    if (QMenu* host = Host())
        RemoveEntries(host);
    FMenuItem = AValue;
    FMenu = nullptr;
    RefreshMenu();
}

void TLayoutManagerMRU::SetMenu(QMenu* AValue)
{
    if (AValue == FMenu.data())
        return;
    if (QMenu* host = Host())
        RemoveEntries(host);
    FMenu = AValue;
    FMenuItem = nullptr;
    RefreshMenu();
}

void TLayoutManagerMRU::SetOnMenuClick(TLayoutManagerMRUMenuClickEvent AValue)
{
    FOnClick = std::move(AValue);
    RefreshMenu();
}

void TLayoutManagerMRU::SetStorage(ILayoutManagerStoragePtr AValue)
{
    if (AValue == FStorage)
        return;
    if (FStorage)
        FStorage->Close();
    FStorage = std::move(AValue);
}

void TLayoutManagerMRU::RemoveEntries(QMenu* AHost)
{
    for (QAction* action : AHost->actions()) {
        if (action->objectName().startsWith(EntryPrefix)) {
            AHost->removeAction(action);
            // The menu owns its entries; one that belongs to someone else is only taken out.
            if (action->parent() == AHost)
                delete action;
        }
    }
}

void TLayoutManagerMRU::RefreshMenu()
{
    QMenu* host = Host();
    if (!host)
        return;
    RemoveEntries(host);
    // A separator line: a text on it would be drawn as a caption.
    auto* separator = new QAction(host);
    separator->setObjectName(QStringLiteral("mru_Separator"));
    separator->setSeparator(true);
    host->addAction(separator);
    for (int i = 0; i < FList.size(); ++i) {
        auto* entry = new QAction(host);
        entry->setObjectName(QStringLiteral("mru_%1").arg(i));
        // The path exactly as stored: a '&' in it is shown, not taken as an accelerator.
        entry->setText(QString(FList.at(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setData(i);
        entry->setProperty("ImageIndex", FSII + i);
        if (FImages)
            entry->setIcon(FImages(FSII + i));
        connect(entry, &QAction::triggered, this, [this, i] { EntryClicked(i); });
        host->addAction(entry);
    }
}

void TLayoutManagerMRU::EntryClicked(int ATag)
{
    if (FOnClick && ATag >= 0 && ATag < FList.size())
        FOnClick(this, FList.at(ATag));
}
