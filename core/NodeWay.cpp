#include "core/NodeWay.h"

#include "core/JSONText.h"

namespace {
std::string_view NameTokenOf(const TOutline& AOutline, TNodeIndex ANode)
{
    const std::string_view text = AOutline.Text();
    const size_t offset = AOutline.TokenOffset(ANode);
    return text.substr(offset, StringTokenLength(text, offset));
}
} // namespace

TNodeWayStep NodeWayStepOf(const TOutline& AOutline, TNodeIndex AChild)
{
    TNodeWayStep step;
    const TNodeIndex parent = AOutline.Parent(AChild);
    step.Row = AOutline.Row(AChild);
    if (parent == NoNode || AOutline.Typ(parent) != ntObject)
        return step;
    step.IsMember = true;
    step.NameToken = NameTokenOf(AOutline, AChild);
    for (uint32_t row = 0; row < step.Row; ++row)
        if (NameTokenOf(AOutline, AOutline.Child(parent, row)) == step.NameToken)
            ++step.Occurrence;
    return step;
}

TNodeWay NodeWayOf(const TOutline& AOutline, TNodeIndex ANode)
{
    TNodeWay way;
    for (TNodeIndex n = ANode; n != NoNode && AOutline.Parent(n) != NoNode; n = AOutline.Parent(n))
        way.push_back(NodeWayStepOf(AOutline, n));
    return {way.rbegin(), way.rend()};
}

TNodeIndex FollowNodeWayStep(const TOutline& AOutline, TNodeIndex ANode, const TNodeWayStep& AStep)
{
    const TNodeType typ = AOutline.Typ(ANode);
    const uint32_t count = AOutline.ChildCount(ANode);
    if (!AStep.IsMember)
        return typ == ntArray && AStep.Row < count ? AOutline.Child(ANode, AStep.Row) : NoNode;
    if (typ != ntObject)
        return NoNode;
    // The old row, when it holds the same name: taken without counting the names before it, which
    // would cost a pass over them for every node restored.
    if (AStep.Row < count) {
        const TNodeIndex same = AOutline.Child(ANode, AStep.Row);
        if (NameTokenOf(AOutline, same) == AStep.NameToken)
            return same;
    }
    uint32_t seen = 0;
    for (uint32_t row = 0; row < count; ++row) {
        const TNodeIndex child = AOutline.Child(ANode, row);
        if (NameTokenOf(AOutline, child) == AStep.NameToken && seen++ == AStep.Occurrence)
            return child;
    }
    return NoNode;
}

TNodeIndex FindNodeWay(const TOutline& AOutline, const TNodeWay& AWay)
{
    TNodeIndex node = AOutline.Root();
    for (size_t i = 0; i < AWay.size() && node != NoNode; ++i)
        node = FollowNodeWayStep(AOutline, node, AWay[i]);
    return node;
}
