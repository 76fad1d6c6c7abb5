#include "viewer/OutlineModels.h"

#include "controls/MenuImages.h"
#include "core/OutlinePath.h"

namespace {
// The tree's indexes carry their node scrambled by an invertible multiplication. The view keeps one
// persistent index per expanded node in a hash table keyed by row plus internal id without mixing
// them: plain node numbers crowd that table, and "Full expand" of a large document took time growing
// with the square of its size.
constexpr quint64 IdScramble = 0x9E3779B97F4A7C15ULL;
constexpr quint64 IdUnscramble = 0xF1DE83E19937733DULL; // IdScramble * IdUnscramble == 1 (mod 2^64)
static_assert(IdScramble * IdUnscramble == 1);

quintptr ScrambledId(TNodeIndex ANode)
{
    return quintptr(quint64(ANode) * IdScramble);
}

TNodeIndex NodeOfId(quintptr AId)
{
    return TNodeIndex(quint64(AId) * IdUnscramble);
}

// Removes characters up to U+0020 from both ends.
QString TrimControls(const QString& AS)
{
    qsizetype begin = 0;
    qsizetype end = AS.size();
    while (begin < end && AS[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && AS[end - 1].unicode() <= 0x20)
        --end;
    return AS.mid(begin, end - begin);
}
} // namespace

TMenuPicture NodePicture(TNodeType ATyp)
{
    switch (ATyp) {
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

TOutlineModelBase::TOutlineModelBase(const QString& AFirstColumn, QObject* AParent)
    : QAbstractItemModel(AParent)
    , FIcons(TMenuImages::Icons())
    , FFirstColumn(AFirstColumn)
{
}

QVariant TOutlineModelBase::NodeRoleData(TNodeIndex ANode, const QModelIndex& AIndex, int ARole) const
{
    if (ARole == Qt::DecorationRole && AIndex.column() == 0)
        return FIcons.value(PictureIndex(NodePicture(FOutline->Typ(ANode))));
    if (ARole == NodeRole)
        return QVariant::fromValue(quint32(ANode));
    return {};
}

QVariant TOutlineModelBase::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const
{
    if (AOrientation != Qt::Horizontal || ARole != Qt::DisplayRole)
        return {};
    return ASection == 0 ? FFirstColumn : tr("Value");
}

Qt::ItemFlags TOutlineModelBase::flags(const QModelIndex& AIndex) const
{
    if (!AIndex.isValid())
        return Qt::NoItemFlags;
    // A node without children says so: expanding everything then keeps no expanded state for the
    // leaves, which are most of the nodes. The rows of a flat list never have children.
    const TNodeIndex node = TreeNodeOf(AIndex);
    const bool leaf = node == NoNode || FOutline->ChildCount(node) == 0;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (leaf ? Qt::ItemNeverHasChildren : Qt::NoItemFlags);
}

// --- TOutlineTreeModel

TOutlineTreeModel::TOutlineTreeModel(QObject* AParent)
    : TOutlineModelBase(tr("Tag"), AParent)
{
}

void TOutlineTreeModel::SetOutline(const TOutline* AOutline)
{
    beginResetModel();
    FOutline = AOutline;
    endResetModel();
}

QModelIndex TOutlineTreeModel::IndexOf(TNodeIndex ANode, int AColumn) const
{
    if (!FOutline || ANode == NoNode || ANode >= FOutline->NodeCount())
        return {};
    return createIndex(int(FOutline->Row(ANode)), AColumn, ScrambledId(ANode));
}

TNodeIndex TOutlineTreeModel::TreeNodeOf(const QModelIndex& AIndex) const
{
    return NodeOf(AIndex);
}

TNodeIndex TOutlineTreeModel::NodeOf(const QModelIndex& AIndex) const
{
    return (AIndex.isValid() && AIndex.model() == this) ? NodeOfId(AIndex.internalId()) : NoNode;
}

QModelIndex TOutlineTreeModel::index(int ARow, int AColumn, const QModelIndex& AParent) const
{
    if (!FOutline || FOutline->IsEmpty() || ARow < 0 || AColumn < 0 || AColumn > 1)
        return {};
    if (!AParent.isValid())
        return ARow == 0 ? createIndex(0, AColumn, ScrambledId(FOutline->Root())) : QModelIndex();
    const TNodeIndex node = NodeOf(AParent);
    if (AParent.column() != 0 || uint32_t(ARow) >= FOutline->ChildCount(node))
        return {};
    return createIndex(ARow, AColumn, ScrambledId(FOutline->Child(node, uint32_t(ARow))));
}

QModelIndex TOutlineTreeModel::parent(const QModelIndex& AChild) const
{
    const TNodeIndex node = NodeOf(AChild);
    if (node == NoNode)
        return {};
    return IndexOf(FOutline->Parent(node));
}

int TOutlineTreeModel::rowCount(const QModelIndex& AParent) const
{
    if (!FOutline || FOutline->IsEmpty())
        return 0;
    if (!AParent.isValid())
        return 1;
    if (AParent.column() != 0)
        return 0;
    return int(FOutline->ChildCount(NodeOf(AParent)));
}

int TOutlineTreeModel::columnCount(const QModelIndex&) const
{
    return 2;
}

bool TOutlineTreeModel::hasChildren(const QModelIndex& AParent) const
{
    return rowCount(AParent) > 0;
}

QVariant TOutlineTreeModel::data(const QModelIndex& AIndex, int ARole) const
{
    const TNodeIndex node = NodeOf(AIndex);
    if (node == NoNode)
        return {};
    switch (ARole) {
    case Qt::DisplayRole: {
        const TNodeData record = FOutline->NodeData(node);
        return AIndex.column() == 0 ? ToQString(record.Name) : ToQString(ShortenText(record.Value, 100));
    }
    case Qt::ToolTipRole: {
        const TNodeData record = FOutline->NodeData(node);
        return ToQString(AIndex.column() == 0 ? record.Name : record.Value);
    }
    default:
        return NodeRoleData(node, AIndex, ARole);
    }
}

// --- TChildListModel

TChildListModel::TChildListModel(QObject* AParent)
    : TOutlineModelBase(tr("Name"), AParent)
{
}

void TChildListModel::SetNode(const TOutline* AOutline, TNodeIndex ANode)
{
    beginResetModel();
    FOutline = AOutline;
    FNode = AOutline ? ANode : NoNode;
    FRows = FNode == NoNode ? 0 : int(FOutline->ChildCount(FNode));
    endResetModel();
}

TNodeIndex TChildListModel::NodeOf(const QModelIndex& AIndex) const
{
    if (!AIndex.isValid() || AIndex.model() != this || FNode == NoNode)
        return NoNode;
    return FOutline->Child(FNode, uint32_t(AIndex.row()));
}

QString TChildListModel::CellText(int ARow, int AColumn) const
{
    if (FNode == NoNode || ARow < 0 || uint32_t(ARow) >= FOutline->ChildCount(FNode))
        return {};
    const TNodeIndex child = FOutline->Child(FNode, uint32_t(ARow));
    const TNodeData record = FOutline->NodeData(child);
    if (AColumn == 0)
        return ToQString(record.Name);
    if (record.Typ == ntObject)
        return QStringLiteral("(object)");
    if (record.Typ == ntArray)
        return QStringLiteral("(array)");
    return TrimControls(ToQString(record.Value));
}

QModelIndex TChildListModel::index(int ARow, int AColumn, const QModelIndex& AParent) const
{
    if (AParent.isValid() || ARow < 0 || AColumn < 0 || AColumn > 1 || ARow >= FRows)
        return {};
    return createIndex(ARow, AColumn);
}

QModelIndex TChildListModel::parent(const QModelIndex&) const
{
    return {};
}

int TChildListModel::rowCount(const QModelIndex& AParent) const
{
    return AParent.isValid() ? 0 : FRows;
}

bool TChildListModel::hasChildren(const QModelIndex& AParent) const
{
    return !AParent.isValid() && FRows > 0;
}

int TChildListModel::columnCount(const QModelIndex& AParent) const
{
    return AParent.isValid() ? 0 : 2;
}

QVariant TChildListModel::data(const QModelIndex& AIndex, int ARole) const
{
    const TNodeIndex node = NodeOf(AIndex);
    if (node == NoNode)
        return {};
    switch (ARole) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return CellText(AIndex.row(), AIndex.column());
    default:
        return NodeRoleData(node, AIndex, ARole);
    }
}
