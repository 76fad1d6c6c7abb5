#include "viewer/OutlineModels.h"

#include "controls/MenuImages.h"
#include "core/OutlinePath.h"

namespace {
QString ToQString(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}

// Removes characters up to U+0020 from both ends.
QString TrimControls(const QString& s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && s[end - 1].unicode() <= 0x20)
        --end;
    return s.mid(begin, end - begin);
}
} // namespace

TMenuPicture NodePicture(TNodeType typ)
{
    switch (typ) {
    case ntObject:
        return TMenuPicture::JSONObject;
    case ntArray:
        return TMenuPicture::JSONArray;
    case ntString:
        return TMenuPicture::JSONString;
    case ntNumber:
        return TMenuPicture::JSONNumber;
    case ntTrue:
        return TMenuPicture::JSONTrue;
    case ntFalse:
        return TMenuPicture::JSONFalse;
    case ntNull:
        return TMenuPicture::JSONNull;
    }
    return TMenuPicture::JSONValue; // not reached: every node is of one of the kinds above
}

// --- TOutlineModelBase

TOutlineModelBase::TOutlineModelBase(const QString& AFirstColumn, QObject* parent)
    : QAbstractItemModel(parent)
    , FIcons(TMenuImages::Icons())
    , FFirstColumn(AFirstColumn)
{
}

QVariant TOutlineModelBase::NodeRoleData(TNodeIndex node, const QModelIndex& index, int role) const
{
    if (role == Qt::DecorationRole && index.column() == 0)
        return FIcons.value(PictureIndex(NodePicture(FOutline->Typ(node))));
    if (role == NodeRole)
        return QVariant::fromValue(quint32(node));
    return {};
}

QVariant TOutlineModelBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? FFirstColumn : tr("Value");
}

Qt::ItemFlags TOutlineModelBase::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// --- TOutlineTreeModel

TOutlineTreeModel::TOutlineTreeModel(QObject* parent)
    : TOutlineModelBase(tr("Tag"), parent)
{
}

void TOutlineTreeModel::SetOutline(const TOutline* outline)
{
    beginResetModel();
    FOutline = outline;
    endResetModel();
}

QModelIndex TOutlineTreeModel::IndexOf(TNodeIndex node, int column) const
{
    if (!FOutline || node == NoNode || node >= FOutline->NodeCount())
        return {};
    return createIndex(int(FOutline->Row(node)), column, quintptr(node));
}

TNodeIndex TOutlineTreeModel::NodeOf(const QModelIndex& index) const
{
    return (index.isValid() && index.model() == this) ? TNodeIndex(index.internalId()) : NoNode;
}

QModelIndex TOutlineTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!FOutline || FOutline->IsEmpty() || row < 0 || column < 0 || column > 1)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, column, quintptr(FOutline->Root())) : QModelIndex();
    const TNodeIndex node = NodeOf(parent);
    if (parent.column() != 0 || uint32_t(row) >= FOutline->ChildCount(node))
        return {};
    return createIndex(row, column, quintptr(FOutline->Child(node, uint32_t(row))));
}

QModelIndex TOutlineTreeModel::parent(const QModelIndex& child) const
{
    const TNodeIndex node = NodeOf(child);
    if (node == NoNode)
        return {};
    return IndexOf(FOutline->Parent(node));
}

int TOutlineTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!FOutline || FOutline->IsEmpty())
        return 0;
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    return int(FOutline->ChildCount(NodeOf(parent)));
}

int TOutlineTreeModel::columnCount(const QModelIndex&) const
{
    return 2;
}

bool TOutlineTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant TOutlineTreeModel::data(const QModelIndex& index, int role) const
{
    const TNodeIndex node = NodeOf(index);
    if (node == NoNode)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const TNodeData record = FOutline->NodeData(node);
        return index.column() == 0 ? ToQString(record.Name) : ToQString(ShortenText(record.Value, 100));
    }
    case Qt::ToolTipRole: {
        const TNodeData record = FOutline->NodeData(node);
        return ToQString(index.column() == 0 ? record.Name : record.Value);
    }
    default:
        return NodeRoleData(node, index, role);
    }
}

// --- TChildListModel

TChildListModel::TChildListModel(QObject* parent)
    : TOutlineModelBase(tr("Name"), parent)
{
}

void TChildListModel::SetNode(const TOutline* outline, TNodeIndex node)
{
    beginResetModel();
    FOutline = outline;
    FNode = outline ? node : NoNode;
    FRows = FNode == NoNode ? 0 : int(FOutline->ChildCount(FNode));
    endResetModel();
}

TNodeIndex TChildListModel::NodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || FNode == NoNode)
        return NoNode;
    return FOutline->Child(FNode, uint32_t(index.row()));
}

QString TChildListModel::CellText(int row, int column) const
{
    if (FNode == NoNode || row < 0 || uint32_t(row) >= FOutline->ChildCount(FNode))
        return {};
    const TNodeIndex child = FOutline->Child(FNode, uint32_t(row));
    const TNodeData record = FOutline->NodeData(child);
    if (column == 0)
        return ToQString(record.Name);
    if (record.Typ == ntObject)
        return QStringLiteral("(object)");
    if (record.Typ == ntArray)
        return QStringLiteral("(array)");
    return TrimControls(ToQString(record.Value));
}

QModelIndex TChildListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || column > 1 || row >= FRows)
        return {};
    return createIndex(row, column);
}

QModelIndex TChildListModel::parent(const QModelIndex&) const
{
    return {};
}

int TChildListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FRows;
}

bool TChildListModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && FRows > 0;
}

int TChildListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TChildListModel::data(const QModelIndex& index, int role) const
{
    const TNodeIndex node = NodeOf(index);
    if (node == NoNode)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return CellText(index.row(), index.column());
    default:
        return NodeRoleData(node, index, role);
    }
}
