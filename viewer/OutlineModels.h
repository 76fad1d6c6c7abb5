#pragma once
// Item models over a document's outline: the two-column tree and the list of a node's children.
// Both read node records on demand from the compact outline; no item exists per node.

#include "controls/MenuImages.h"
#include "core/Outline.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QString>

#include <string>

// A name, value or path of the outline as a QString.
inline QString ToQString(const std::u16string& AText)
{
    return QString::fromStdU16String(AText);
}

// The picture of a node kind in the menu image list.
TMenuPicture NodePicture(TNodeType ATyp);

// What both models over the outline share: two columns, the picture of a node's kind in the first,
// the node's index as a role, rows that can be selected but not edited.
class TOutlineModelBase : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Roles { NodeRole = Qt::UserRole + 1 };

    QVariant headerData(
        int ASection, Qt::Orientation AOrientation, int ARole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& AIndex) const override;

protected:
    TOutlineModelBase(const QString& AFirstColumn, QObject* AParent);
    // The node of a row that may have children of its own in this model; NoNode for a flat list.
    virtual TNodeIndex TreeNodeOf(const QModelIndex&) const { return NoNode; }
    // The picture and node roles of a node's cell; null for the other roles.
    QVariant NodeRoleData(TNodeIndex ANode, const QModelIndex& AIndex, int ARole) const;

    const TOutline* FOutline = nullptr;

private:
    QList<QIcon> FIcons;
    QString FFirstColumn;
};

// "Tag" and "Value": the outline as BuildOutline made it. Column 1 shows the value shortened to
// 100 characters without CR LF pairs; the full value is in the tooltip.
class TOutlineTreeModel : public TOutlineModelBase {
    Q_OBJECT
public:
    explicit TOutlineTreeModel(QObject* AParent = nullptr);

    // The outline shown; nullptr shows nothing. The outline must outlive its use here.
    void SetOutline(const TOutline* AOutline);
    const TOutline* Outline() const { return FOutline; }

    QModelIndex IndexOf(TNodeIndex ANode, int AColumn = 0) const;
    TNodeIndex NodeOf(const QModelIndex& AIndex) const;

    QModelIndex index(int ARow, int AColumn, const QModelIndex& AParent = {}) const override;
    QModelIndex parent(const QModelIndex& AChild) const override;
    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    bool hasChildren(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;

protected:
    TNodeIndex TreeNodeOf(const QModelIndex& AIndex) const override;
};

// "Name" and "Value" of the children of one node: "(object)" and "(array)" for containers, else
// the value without leading and trailing blanks (inner line breaks kept).
class TChildListModel : public TOutlineModelBase {
    Q_OBJECT
public:
    explicit TChildListModel(QObject* AParent = nullptr);

    // Lists the children of node (NoNode: nothing). Constant time, whatever the number of children.
    void SetNode(const TOutline* AOutline, TNodeIndex ANode);
    TNodeIndex Node() const { return FNode; }
    const TOutline* Outline() const { return FOutline; }
    TNodeIndex NodeOf(const QModelIndex& AIndex) const;
    // The text of a cell as the list shows it.
    QString CellText(int ARow, int AColumn) const;

    QModelIndex index(int ARow, int AColumn, const QModelIndex& AParent = {}) const override;
    QModelIndex parent(const QModelIndex& AChild) const override;
    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    bool hasChildren(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;

private:
    TNodeIndex FNode = NoNode;
    // The view asks for every row's index when it lays out a list of a million children.
    int FRows = 0;
};
