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
    FSpans.Release();
    FLastSpan = 0;
    const size_t nodes = AOutline ? AOutline->NodeCount() : 0;
    std::vector<uint64_t>((nodes + 63) / 64, 0).swap(FExpanded);
    if (nodes > 0) {
        FSpans.PushBack({AOutline->Root(), 0});
        Close(1);
    }
}

void TOutlineRows::Close(size_t ARowCount)
{
    FSpans.PushBack({NoNode, uint32_t(ARowCount)});
}

size_t TOutlineRows::SpanOfRow(size_t ARow) const
{
    const TRowSpan* begin = FSpans.Data();
    const TRowSpan* after = std::upper_bound(begin, begin + FSpans.Size(), ARow,
        [](size_t ARowSought, const TRowSpan& ASpan) { return ARowSought < ASpan.Row; });
    return size_t(after - begin) - 1;
}

size_t TOutlineRows::SpanAfterLast(size_t ARow) const
{
    size_t span = FLastSpan + 1;
    if (span + 1 >= FSpans.Size() || ARow < FSpans[span].Row || ARow >= FSpans[span + 1].Row)
        span = SpanOfRow(ARow);
    FLastSpan = span;
    return span;
}

void TOutlineRows::PathOf(TNodeIndex ANode, std::vector<TNodeIndex>& APath) const
{
    APath.clear();
    for (TNodeIndex node = ANode; node != NoNode; node = FOutline->Parent(node))
        APath.push_back(node);
    std::reverse(APath.begin(), APath.end());
}

size_t TOutlineRows::RowOf(TNodeIndex ANode, size_t AFrom) const
{
    // A hidden node is told by its ancestors, without a search.
    if (!IsShown(ANode))
        return NoRow;
    // Every node has one row at most, so the span that holds it is the only one whose nodes do.
    const TRowSpan* spans = FSpans.Data();
    const size_t count = SpanCount();
    const auto rowIn = [&](size_t ASpan) {
        const TNodeIndex offset = ANode - spans[ASpan].First;
        return offset < spans[ASpan + 1].Row - spans[ASpan].Row ? spans[ASpan].Row + size_t(offset) : NoRow;
    };
    // The spans from AFrom's on first: the rows on screen, usually.
    const size_t from = AFrom < RowCount() ? SpanOfRow(AFrom) : 0;
    const size_t nearEnd = count <= LinearSpans ? count : std::min(count, from + NearSpans);
    for (size_t span = from; span < nearEnd; ++span)
        if (const size_t row = rowIn(span); row != NoRow)
            return row;
    if (count <= LinearSpans) {
        for (size_t span = 0; span < from; ++span)
            if (const size_t row = rowIn(span); row != NoRow)
                return row;
        return NoRow;
    }
    // The rows show the nodes in the order of their paths from the top: where two paths part, they
    // go on with siblings, and siblings are shown in node order. The node is in the last span whose
    // first node comes before it or is it.
    std::vector<TNodeIndex> path;
    PathOf(ANode, path);
    std::vector<TNodeIndex> probe;
    const auto comesAfter = [&](const TRowSpan& ASpan) {
        PathOf(ASpan.First, probe);
        const auto parted = std::mismatch(path.begin(), path.end(), probe.begin(), probe.end());
        if (parted.second == probe.end())
            return false; // the node itself or one of its ancestors
        return parted.first == path.end() || *parted.second > *parted.first;
    };
    const TRowSpan* after =
        std::partition_point(spans, spans + count, [&](const TRowSpan& ASpan) { return !comesAfter(ASpan); });
    return after == spans ? NoRow : rowIn(size_t(after - spans) - 1);
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

size_t TOutlineRows::AppendShownBelow(TNodeIndex ANode, TSpans& ASpans, size_t ARow) const
{
    std::vector<TListing> stack;
    stack.push_back({FOutline->Child(ANode, 0), FOutline->ChildCount(ANode)});
    while (!stack.empty()) {
        TListing& listing = stack.back();
        if (listing.Left == 0) {
            stack.pop_back();
            continue;
        }
        // The children up to the next expanded one go in as one span, or lengthen the last one
        // when its nodes run on into them.
        const size_t end = size_t(listing.Next) + listing.Left;
        TNodeIndex opened = NoNode;
        for (size_t node = listing.Next; node < end; ++node) {
            // Past the clear flags a word at a time.
            const uint64_t flags = FExpanded[node / 64] >> (node % 64);
            if (flags == 0) {
                node |= 63;
                continue;
            }
            node += size_t(__builtin_ctzll(flags));
            if (node < end && FOutline->ChildCount(TNodeIndex(node)) > 0) {
                opened = TNodeIndex(node);
                break;
            }
        }
        const uint32_t run = uint32_t((opened == NoNode ? end : opened + 1) - listing.Next);
        if (ASpans.Empty() || ASpans.Back().First + TNodeIndex(ARow - ASpans.Back().Row) != listing.Next)
            ASpans.PushBack({listing.Next, uint32_t(ARow)});
        ARow += run;
        listing.Next += run;
        listing.Left -= run;
        if (opened != NoNode)
            stack.push_back({FOutline->Child(opened, 0), FOutline->ChildCount(opened)});
    }
    return ARow;
}

size_t TOutlineRows::EndOfRowsBelow(size_t ARow) const
{
    // The first row after them shows the next sibling of the node or of its nearest ancestor that has
    // one; siblings are neighbours in the outline.
    for (TNodeIndex node = NodeAt(ARow); node != NoNode; node = FOutline->Parent(node)) {
        const TNodeIndex parent = FOutline->Parent(node);
        if (parent != NoNode && FOutline->Row(node) + 1 < FOutline->ChildCount(parent)) {
            const size_t row = RowOf(node + 1, ARow + 1);
            return row == NoRow ? RowCount() : row;
        }
    }
    return RowCount();
}

bool TOutlineRows::RunsOn(const TRowSpan& AFirst, const TRowSpan& ASecond)
{
    return AFirst.First + (ASecond.Row - AFirst.Row) == ASecond.First;
}

void TOutlineRows::ReplaceRows(size_t AFrom, size_t ATo, const TSpans& ANew, size_t ANewEnd)
{
    const size_t last = FSpans.Size() - 1; // the closing entry
    // Kept before: the spans that begin before AFrom (the last of them now ends there).
    const size_t kept = AFrom == 0 ? 0 : SpanOfRow(AFrom - 1) + 1;
    // Kept after: the rows from ATo on, the span that holds ATo cut to begin there, moved to ANewEnd.
    const size_t cut = ATo < RowCount() ? SpanOfRow(ATo) : last;
    TRowSpan head = FSpans[cut];
    if (cut < last)
        head.First += TNodeIndex(ATo - head.Row);
    head.Row = uint32_t(ANewEnd);
    // A new span or the cut one is left out where it runs on from the span before it. (The cut one
    // never runs on from new rows: they show the descendants of the node before it.)
    const size_t newFrom = !ANew.Empty() && kept > 0 && RunsOn(FSpans[kept - 1], ANew[0]) ? 1 : 0;
    const bool keepHead = cut == last || !ANew.Empty() || kept == 0 || !RunsOn(FSpans[kept - 1], head);
    const size_t newCount = ANew.Size() - newFrom;
    const size_t tailFrom = kept + newCount + (keepHead ? 1 : 0);
    const size_t tailCount = last - cut;
    const size_t size = tailFrom + tailCount;
    if (size > FSpans.Size())
        FSpans.ResizeUninitialized(size);
    std::memmove(FSpans.Data() + tailFrom, FSpans.Data() + cut + 1, tailCount * sizeof(TRowSpan));
    FSpans.Truncate(size);
    const uint32_t shift = uint32_t(ANewEnd - ATo); // modulo 2^32, as the rows are
    for (size_t span = tailFrom; span < size; ++span)
        FSpans[span].Row += shift;
    if (newCount > 0)
        std::memcpy(FSpans.Data() + kept, ANew.Data() + newFrom, newCount * sizeof(TRowSpan));
    if (keepHead)
        FSpans[kept + newCount] = head;
}

void TOutlineRows::RefreshBelow(TNodeIndex ANode, size_t AFrom)
{
    const size_t row = RowOf(ANode, AFrom);
    if (row == NoRow)
        return;
    const size_t end = EndOfRowsBelow(row);
    if (end == RowCount()) {
        // The last rows (the top-level node's, say): written in place, not held twice on the way.
        FSpans.Truncate(SpanOfRow(row) + 1);
        Close(IsExpanded(ANode) ? AppendShownBelow(ANode, FSpans, row + 1) : row + 1);
    } else {
        TSpans below;
        const size_t belowEnd = IsExpanded(ANode) ? AppendShownBelow(ANode, below, row + 1) : row + 1;
        ReplaceRows(row + 1, end, below, belowEnd);
    }
    ShrinkIfSparse();
}

void TOutlineRows::ShrinkIfSparse()
{
    // A list that shrank much gives its memory back.
    if (FSpans.Capacity() > 2 * FSpans.Size() + SpareSpans)
        FSpans.ShrinkToFit();
}

void TOutlineRows::Rebuild()
{
    FSpans.Clear();
    if (!FOutline || FOutline->IsEmpty())
        return;
    FSpans.PushBack({FOutline->Root(), 0});
    Close(IsExpanded(FOutline->Root()) ? AppendShownBelow(FOutline->Root(), FSpans, 1) : 1);
    // The list is complete: what it does not use goes back (untouched room costs only addresses).
    if (FSpans.Capacity() > FSpans.Size() + SpareSpans)
        FSpans.ShrinkToFit();
}

void TOutlineRows::ReserveForAll()
{
    // Every row may begin a span: room for them all at once, as growing a list of millions step by
    // step costs more than the rows themselves.
    FSpans.Reserve(FOutline->NodeCount() + 1);
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
            ReserveForAll();
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
    ReserveForAll();
    Rebuild();
}

void TOutlineRows::CollapseAll()
{
    std::fill(FExpanded.begin(), FExpanded.end(), 0);
    FSpans.Release();
    if (FOutline && !FOutline->IsEmpty()) {
        FSpans.PushBack({FOutline->Root(), 0});
        Close(1);
    }
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
