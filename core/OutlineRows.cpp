#include "core/OutlineRows.h"

#include <algorithm>
#include <cstring>

namespace {
// A container whose children are being listed: the next child and how many are left.
struct TListing {
    TNodeIndex Next;
    uint32_t Left;
};
} // namespace

void TOutlineRows::Reset(const TOutline* AOutline)
{
    FOutline = AOutline;
    FRows.Release();
    const size_t nodes = AOutline ? AOutline->NodeCount() : 0;
    std::vector<uint64_t>((nodes + 63) / 64, 0).swap(FExpanded);
    if (nodes > 0)
        FRows.PushBack(AOutline->Root());
}

size_t TOutlineRows::RowOf(TNodeIndex ANode, size_t AFrom) const
{
    const TNodeIndex* begin = FRows.Data();
    const TNodeIndex* end = begin + FRows.Size();
    const TNodeIndex* from = begin + std::min(AFrom, FRows.Size());
    const TNodeIndex* hit = std::find(from, end, ANode);
    if (hit == end) {
        hit = std::find(begin, from, ANode);
        if (hit == from)
            return NoRow;
    }
    return size_t(hit - begin);
}

bool TOutlineRows::IsExpanded(TNodeIndex ANode) const
{
    return FOutline && ANode < FOutline->NodeCount() && Bit(ANode) && FOutline->ChildCount(ANode) > 0;
}

bool TOutlineRows::IsShown(TNodeIndex ANode) const
{
    if (!FOutline || ANode >= FOutline->NodeCount())
        return false;
    for (TNodeIndex p = FOutline->Parent(ANode); p != NoNode; p = FOutline->Parent(p))
        if (!Bit(p))
            return false;
    return true;
}

void TOutlineRows::AppendShownBelow(TNodeIndex ANode, TPodBuffer<TNodeIndex>& ARows) const
{
    std::vector<TListing> stack;
    stack.push_back({FOutline->Child(ANode, 0), FOutline->ChildCount(ANode)});
    while (!stack.empty()) {
        TListing& listing = stack.back();
        if (listing.Left == 0) {
            stack.pop_back();
            continue;
        }
        // The children up to the next expanded one go in as one run.
        ARows.EnsureSpare(listing.Left);
        TNodeIndex* out = ARows.Data() + ARows.Size();
        uint32_t run = 0;
        TNodeIndex opened = NoNode;
        while (run < listing.Left) {
            const TNodeIndex node = listing.Next + run;
            out[run++] = node;
            if (Bit(node) && FOutline->ChildCount(node) > 0) {
                opened = node;
                break;
            }
        }
        ARows.ResizeUninitialized(ARows.Size() + run);
        listing.Next += run;
        listing.Left -= run;
        if (opened != NoNode)
            stack.push_back({FOutline->Child(opened, 0), FOutline->ChildCount(opened)});
    }
}

size_t TOutlineRows::EndOfRowsBelow(size_t ARow) const
{
    // The first row after them shows the next sibling of the node or of its nearest ancestor that has
    // one; siblings are neighbours in the outline.
    for (TNodeIndex node = FRows[ARow]; node != NoNode; node = FOutline->Parent(node)) {
        const TNodeIndex parent = FOutline->Parent(node);
        if (parent != NoNode && FOutline->Row(node) + 1 < FOutline->ChildCount(parent)) {
            const size_t row = RowOf(node + 1, ARow + 1);
            return row == NoRow ? FRows.Size() : row;
        }
    }
    return FRows.Size();
}

void TOutlineRows::RefreshBelow(TNodeIndex ANode, size_t AFrom)
{
    const size_t row = RowOf(ANode, AFrom);
    if (row == NoRow)
        return;
    const size_t end = EndOfRowsBelow(row);
    if (end == FRows.Size()) {
        // The last rows (the top-level node's, say): written in place, not held twice on the way.
        FRows.Truncate(row + 1);
        if (IsExpanded(ANode))
            AppendShownBelow(ANode, FRows);
        if (FRows.Capacity() > 2 * FRows.Size() + 4096)
            FRows.ShrinkToFit();
        return;
    }
    TPodBuffer<TNodeIndex> below;
    if (IsExpanded(ANode))
        AppendShownBelow(ANode, below);
    const size_t oldCount = end - (row + 1);
    const size_t newCount = below.Size();
    const size_t tail = FRows.Size() - end;
    if (newCount > oldCount)
        FRows.ResizeUninitialized(FRows.Size() + newCount - oldCount);
    if (newCount != oldCount)
        std::memmove(FRows.Data() + row + 1 + newCount, FRows.Data() + end, tail * sizeof(TNodeIndex));
    if (newCount < oldCount)
        FRows.Truncate(FRows.Size() - (oldCount - newCount));
    if (newCount > 0)
        std::memcpy(FRows.Data() + row + 1, below.Data(), newCount * sizeof(TNodeIndex));
    // A list that shrank much gives its memory back.
    if (FRows.Capacity() > 2 * FRows.Size() + 4096)
        FRows.ShrinkToFit();
}

void TOutlineRows::Rebuild()
{
    FRows.Clear();
    if (!FOutline || FOutline->IsEmpty())
        return;
    FRows.PushBack(FOutline->Root());
    if (IsExpanded(FOutline->Root()))
        AppendShownBelow(FOutline->Root(), FRows);
    if (FRows.Capacity() > 2 * FRows.Size() + 4096)
        FRows.ShrinkToFit();
}

void TOutlineRows::SetExpanded(TNodeIndex ANode, bool AExpanded, size_t AFrom)
{
    if (!FOutline || ANode >= FOutline->NodeCount() || FOutline->ChildCount(ANode) == 0)
        return;
    if (Bit(ANode) == AExpanded)
        return;
    SetBit(ANode, AExpanded);
    if (IsShown(ANode))
        RefreshBelow(ANode, AFrom);
}

void TOutlineRows::SetSubtreeExpanded(TNodeIndex ANode, bool AExpanded, size_t AFrom)
{
    if (!FOutline || ANode >= FOutline->NodeCount())
        return;
    // Every container of the subtree, found through the containers alone.
    std::vector<TNodeIndex> stack {ANode};
    while (!stack.empty()) {
        const TNodeIndex node = stack.back();
        stack.pop_back();
        const uint32_t children = FOutline->ChildCount(node);
        if (children == 0)
            continue;
        SetBit(node, AExpanded);
        const TNodeIndex first = FOutline->Child(node, 0);
        for (uint32_t i = 0; i < children; ++i)
            if (FOutline->IsContainer(first + i))
                stack.push_back(first + i);
    }
    if (ANode == FOutline->Root()) {
        if (AExpanded)
            FRows.Reserve(FOutline->NodeCount());
        Rebuild();
    } else if (IsShown(ANode)) {
        RefreshBelow(ANode, AFrom);
    }
}

void TOutlineRows::ExpandAll()
{
    if (!FOutline || FOutline->IsEmpty())
        return;
    // Bits of nodes without children mean nothing, so every bit may be set.
    std::fill(FExpanded.begin(), FExpanded.end(), ~uint64_t(0));
    FRows.Reserve(FOutline->NodeCount());
    Rebuild();
}

void TOutlineRows::CollapseAll()
{
    std::fill(FExpanded.begin(), FExpanded.end(), 0);
    FRows.Release();
    if (FOutline && !FOutline->IsEmpty())
        FRows.PushBack(FOutline->Root());
}

void TOutlineRows::ExpandAncestors(TNodeIndex ANode, size_t AFrom)
{
    if (!FOutline || ANode >= FOutline->NodeCount())
        return;
    // The rows change below the topmost ancestor that opens, which is shown once they are all open.
    TNodeIndex topmost = NoNode;
    for (TNodeIndex p = FOutline->Parent(ANode); p != NoNode; p = FOutline->Parent(p))
        if (!Bit(p)) {
            SetBit(p, true);
            topmost = p;
        }
    if (topmost != NoNode)
        RefreshBelow(topmost, AFrom);
}

std::vector<TNodeIndex> TOutlineRows::ExpandedNodes() const
{
    std::vector<TNodeIndex> nodes;
    if (!FOutline)
        return nodes;
    for (size_t word = 0; word < FExpanded.size(); ++word) {
        for (uint64_t bits = FExpanded[word]; bits != 0; bits &= bits - 1) {
            const TNodeIndex node = TNodeIndex(word * 64 + size_t(__builtin_ctzll(bits)));
            if (node < FOutline->NodeCount() && FOutline->ChildCount(node) > 0)
                nodes.push_back(node);
        }
    }
    return nodes;
}

void TOutlineRows::RestoreExpanded(const std::vector<TNodeIndex>& ANodes)
{
    if (!FOutline)
        return;
    std::fill(FExpanded.begin(), FExpanded.end(), 0);
    for (TNodeIndex node : ANodes)
        if (node < FOutline->NodeCount())
            SetBit(node, true);
    Rebuild();
}
