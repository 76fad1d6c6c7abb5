#include "viewer/OutlineTreeAccessible.h"

#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <unordered_map>

namespace {
// One row of the tree or the children list: a node, read live from the view (it names nothing once
// the outline is gone).
class TOutlineRowAccessible : public QAccessibleInterface {
public:
    TOutlineRowAccessible(TItemScrollView* AView, TNodeIndex ANode)
        : FView(AView)
        , FNode(ANode)
    {
    }

    bool isValid() const override
    {
        return FView && FView->Outline() && FNode < FView->Outline()->NodeCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FView ? FView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(FView); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override
    {
        return FView && FView->ShowsTree() ? QAccessible::TreeItem : QAccessible::ListItem;
    }
    void setText(QAccessible::Text, const QString&) override { }

    QString text(QAccessible::Text AText) const override
    {
        if (!isValid())
            return {};
        const TNodeData record = FView->Outline()->NodeData(FNode);
        switch (AText) {
        case QAccessible::Name:
            return ToQString(record.Name);
        case QAccessible::Value:
            return ToQString(record.Value);
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        const int index = ShownIndex();
        if (index < 0)
            return {};
        const QRect local = FView->ShownRowRect(index);
        return QRect(FView->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        const bool current = FView->CurrentNode() == FNode;
        state.selected = current;
        state.focused = current && FView->hasFocus();
        if (FView->ShowsTree() && FView->Outline()->ChildCount(FNode) > 0) {
            state.expandable = true;
            state.expanded = FView->IsExpanded(FNode);
            state.collapsed = !state.expanded;
        }
        state.invisible = ShownIndex() < 0;
        return state;
    }

private:
    // The place among the rows on screen, -1 when the node is not on screen.
    int ShownIndex() const
    {
        if (!isValid())
            return -1;
        const int shown = FView->ShownRowCount();
        for (int index = 0; index < shown; ++index)
            if (FView->ShownNode(index) == FNode)
                return index;
        return -1;
    }

    QPointer<TItemScrollView> FView;
    TNodeIndex FNode;
};

// The tree or the list: its children are the rows on screen, made once per node and kept by the
// accessibility registry until the view goes.
class TOutlineTreeAccessible : public QAccessibleWidget {
public:
    explicit TOutlineTreeAccessible(TItemScrollView* AView)
        : QAccessibleWidget(AView, AView->ShowsTree() ? QAccessible::Tree : QAccessible::List)
    {
    }
    ~TOutlineTreeAccessible() override
    {
        for (const auto& [node, id] : FRows)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return View()->ShownRowCount(); }
    QAccessibleInterface* child(int AIndex) const override
    {
        if (AIndex < 0 || AIndex >= childCount())
            return nullptr;
        const TNodeIndex node = View()->ShownNode(AIndex);
        return node == NoNode ? nullptr : RowOf(node);
    }
    int indexOfChild(const QAccessibleInterface* AChild) const override
    {
        const int count = childCount();
        for (int i = 0; i < count; ++i)
            if (RowOf(View()->ShownNode(i)) == AChild)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int AX, int AY) const override
    {
        const QPoint local = View()->viewport()->mapFromGlobal(QPoint(AX, AY));
        if (!View()->viewport()->rect().contains(local))
            return nullptr;
        const TNodeIndex node = View()->ShownNode(View()->ShownIndexAt(local.y()));
        return node == NoNode ? nullptr : RowOf(node);
    }
    QAccessibleInterface* RowOf(TNodeIndex ANode) const
    {
        auto found = FRows.find(ANode);
        if (found == FRows.end()) {
            auto* row = new TOutlineRowAccessible(View(), ANode);
            found = FRows.emplace(ANode, QAccessible::registerAccessibleInterface(row)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }

private:
    TItemScrollView* View() const { return static_cast<TItemScrollView*>(widget()); }

    mutable std::unordered_map<TNodeIndex, QAccessible::Id> FRows;
};

QAccessibleInterface* OutlineTreeAccessible(const QString& AClassName, QObject* AObject)
{
    const bool ours =
        AClassName == QLatin1String("TOutlineTreeView") || AClassName == QLatin1String("TChildListView");
    if (ours && AObject && AObject->isWidgetType())
        return new TOutlineTreeAccessible(static_cast<TItemScrollView*>(AObject));
    return nullptr;
}
} // namespace

void InstallOutlineTreeAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(OutlineTreeAccessible);
        return true;
    }();
    (void)installed;
}

void NotifyOutlineTreeFocus(TItemScrollView* AView, TNodeIndex ANode)
{
    if (!QAccessible::isActive() || ANode == NoNode || !AView->hasFocus())
        return;
    auto* tree = static_cast<TOutlineTreeAccessible*>(QAccessible::queryAccessibleInterface(AView));
    if (!tree)
        return;
    const int index = tree->indexOfChild(tree->RowOf(ANode));
    if (index < 0)
        return;
    QAccessibleEvent event(AView, QAccessible::Focus);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}
