#include "viewer/OutlineTreeAccessible.h"

#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <unordered_map>

namespace {
// One row of the tree: a node, read live from the view (it names nothing once the outline is gone).
class TOutlineRowAccessible : public QAccessibleInterface {
public:
    TOutlineRowAccessible(TOutlineTreeView* AView, TNodeIndex ANode)
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
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
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
        const size_t row = Row();
        if (row == TOutlineRows::NoRow)
            return {};
        const int top = int(row - FView->TopRow()) * FView->RowHeight();
        const QRect local(0, top, FView->viewport()->width(), FView->RowHeight());
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
        if (FView->Outline()->ChildCount(FNode) > 0) {
            state.expandable = true;
            state.expanded = FView->IsExpanded(FNode);
            state.collapsed = !state.expanded;
        }
        state.invisible = Row() == TOutlineRows::NoRow;
        return state;
    }

private:
    // The row on screen, NoRow when the node is not on screen.
    size_t Row() const
    {
        if (!isValid())
            return TOutlineRows::NoRow;
        const size_t top = FView->TopRow();
        const size_t end = std::min(FView->Rows().RowCount(), top + size_t(FView->VisibleRowCount()) + 1);
        for (size_t row = top; row < end; ++row)
            if (FView->Rows().NodeAt(row) == FNode)
                return row;
        return TOutlineRows::NoRow;
    }

    QPointer<TOutlineTreeView> FView;
    TNodeIndex FNode;
};

// The tree: its children are the rows on screen, made once per node and kept by the accessibility
// registry until the tree goes.
class TOutlineTreeAccessible : public QAccessibleWidget {
public:
    explicit TOutlineTreeAccessible(TOutlineTreeView* AView)
        : QAccessibleWidget(AView, QAccessible::Tree)
    {
    }
    ~TOutlineTreeAccessible() override
    {
        for (const auto& [node, id] : FRows)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override
    {
        const TOutlineTreeView* view = View();
        if (!view->Outline())
            return 0;
        const size_t left = view->Rows().RowCount() - std::min(view->Rows().RowCount(), view->TopRow());
        return int(std::min(left, size_t(view->VisibleRowCount()) + 1));
    }
    QAccessibleInterface* child(int AIndex) const override
    {
        if (AIndex < 0 || AIndex >= childCount())
            return nullptr;
        return RowOf(View()->Rows().NodeAt(View()->TopRow() + size_t(AIndex)));
    }
    int indexOfChild(const QAccessibleInterface* AChild) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (child(i) == AChild)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int AX, int AY) const override
    {
        const QPoint local = View()->viewport()->mapFromGlobal(QPoint(AX, AY));
        const size_t row = View()->RowAt(local.y());
        if (row == TOutlineRows::NoRow || !View()->viewport()->rect().contains(local))
            return nullptr;
        return RowOf(View()->Rows().NodeAt(row));
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
    TOutlineTreeView* View() const { return static_cast<TOutlineTreeView*>(widget()); }

    mutable std::unordered_map<TNodeIndex, QAccessible::Id> FRows;
};

QAccessibleInterface* OutlineTreeAccessible(const QString& AClassName, QObject* AObject)
{
    if (AClassName == QLatin1String("TOutlineTreeView") && AObject && AObject->isWidgetType())
        return new TOutlineTreeAccessible(static_cast<TOutlineTreeView*>(AObject));
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

void NotifyOutlineTreeFocus(TOutlineTreeView* AView, TNodeIndex ANode)
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
