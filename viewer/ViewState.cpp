#include "viewer/ViewState.h"

#include "viewer/ViewerWnd.h"

#include <unordered_map>

TViewState CaptureViewState(const Tmdi_quil_Viewer& AWindow)
{
    TViewState state;
    const TOutline& outline = AWindow.Outline();
    state.Source = AWindow.SourceScroll();
    if (outline.IsEmpty())
        return state;
    state.HasOutline = true;
    const std::vector<TNodeIndex> expanded = AWindow.ExpandedTreeNodes();
    std::unordered_map<TNodeIndex, int> entryOf;
    entryOf.reserve(expanded.size());
    for (TNodeIndex node : expanded) {
        const TNodeIndex parent = outline.Parent(node);
        const auto found = parent == NoNode ? entryOf.end() : entryOf.find(parent);
        if (parent != NoNode && found == entryOf.end())
            continue; // below a collapsed node: not shown, not kept
        entryOf.emplace(node, int(state.Expanded.size()));
        state.Expanded.push_back({parent == NoNode ? -1 : found->second,
            parent == NoNode ? TNodeWayStep {} : NodeWayStepOf(outline, node)});
    }
    if (const TNodeIndex focused = AWindow.FocusedNode(); focused != NoNode) {
        state.Focused = NodeWayOf(outline, focused);
        state.HasFocused = true;
    }
    if (const TNodeIndex top = AWindow.TopTreeNode(); top != NoNode) {
        state.TopNode = NodeWayOf(outline, top);
        state.HasTopNode = true;
    }
    return state;
}

void RestoreViewState(Tmdi_quil_Viewer& AWindow, const TViewState& AState, bool ARestoreSource)
{
    const TOutline& outline = AWindow.Outline();
    if (!AState.HasOutline || outline.IsEmpty())
        return;
    // Formatted text before and after: the same lines stand for the same places, near enough.
    if (ARestoreSource)
        AWindow.SetSourceScroll(AState.Source);
    std::vector<TNodeIndex> found(AState.Expanded.size(), NoNode);
    std::vector<TNodeIndex> expand;
    expand.reserve(AState.Expanded.size());
    for (size_t i = 0; i < AState.Expanded.size(); ++i) {
        const TViewState::TExpanded& entry = AState.Expanded[i];
        if (entry.Parent < 0)
            found[i] = outline.Root();
        else if (found[size_t(entry.Parent)] != NoNode)
            found[i] = FollowNodeWayStep(outline, found[size_t(entry.Parent)], entry.Step);
        if (found[i] != NoNode && outline.IsContainer(found[i]))
            expand.push_back(found[i]);
    }
    AWindow.ExpandTreeNodes(expand);
    if (AState.HasFocused) {
        const TNodeIndex focused = FindNodeWay(outline, AState.Focused);
        if (focused != NoNode)
            AWindow.FocusNode(focused);
    }
    if (AState.HasTopNode) {
        const TNodeIndex top = FindNodeWay(outline, AState.TopNode);
        if (top != NoNode)
            AWindow.ScrollTreeNodeToTop(top);
    }
}
