#pragma once
// The rows a tree shows of an outline: which nodes are expanded, and the nodes of the visible rows
// in display order.
//
// A document of 100 MB has seven to twenty million nodes, all of them rows once everything is
// expanded. The expanded state is one bit per node. The visible rows are kept as spans of rows that
// show consecutive nodes: the children of a container are consecutive nodes, so the rows between two
// expanded containers form one span, and a top-level array of millions of elements shows as two spans
// (its own row and its children). A span is its first node and first row (8 bytes); the rows below a
// node are rebuilt in one pass over its expanded descendants whenever it is expanded or collapsed.
// The node of a row is found by a binary search over the spans' first rows (neighbouring rows, as
// painted, hit the span found last or the next one); the row of a node by the span whose nodes hold
// it, looked for near a given row first, then by halves in the order the rows show the nodes in.

#include "core/ByteBuffer.h"
#include "core/Outline.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TOutlineRows {
public:
    static constexpr size_t NoRow = SIZE_MAX;

    // Shows an outline with nothing expanded: the top-level node alone (no row for an empty or
    // absent outline). The outline must outlive its use here.
    void Reset(const TOutline* AOutline);
    const TOutline* Outline() const { return FOutline; }

    size_t RowCount() const { return FSpans.Empty() ? 0 : FSpans[FSpans.Size() - 1].Row; }
    // 0 <= ARow < RowCount().
    TNodeIndex NodeAt(size_t ARow) const
    {
        size_t span = FLastSpan;
        if (span + 1 >= FSpans.Size() || ARow < FSpans[span].Row || ARow >= FSpans[span + 1].Row)
            span = SpanAfterLast(ARow);
        return FSpans[span].First + TNodeIndex(ARow - FSpans[span].Row);
    }
    // The row that shows the node, NoRow when a collapsed ancestor hides it. Looks at the rows from
    // AFrom on first.
    size_t RowOf(TNodeIndex ANode, size_t AFrom = 0) const;

    // Only nodes with children are ever expanded.
    bool IsExpanded(TNodeIndex ANode) const;
    // True when every ancestor of the node is expanded (so that it has a row).
    bool IsShown(TNodeIndex ANode) const;
    // Expands or collapses one node; what was expanded below it stays so, as it comes back into view.
    // AFrom: where its row is looked for first (the rows on screen, say).
    void SetExpanded(TNodeIndex ANode, bool AExpanded, size_t AFrom = 0);
    // Expands or collapses the node and every node below it.
    void SetSubtreeExpanded(TNodeIndex ANode, bool AExpanded, size_t AFrom = 0);
    void ExpandAll();
    void CollapseAll();
    // Expands every ancestor of the node, so that it is shown.
    void ExpandAncestors(TNodeIndex ANode, size_t AFrom = 0);

    // The expanded nodes in ascending order, and a set of them to go back to (other nodes collapse;
    // nodes that are out of range or have no children are skipped).
    std::vector<TNodeIndex> ExpandedNodes() const;
    void RestoreExpanded(const std::vector<TNodeIndex>& ANodes);

    // How many spans of consecutive nodes the rows make: rows that show consecutive nodes share one.
    size_t SpanCount() const { return FSpans.Empty() ? 0 : FSpans.Size() - 1; }
    // Bytes held by the expanded flags and the spans of rows.
    size_t MemoryUsed() const
    {
        return FExpanded.capacity() * sizeof(uint64_t) + FSpans.Capacity() * sizeof(TRowSpan);
    }

private:
    // Rows from Row on show First, First + 1, ... up to the next span's first row.
    struct TRowSpan {
        TNodeIndex First;
        uint32_t Row;
    };
    static_assert(sizeof(TRowSpan) == 8);
    using TSpans = TPodBuffer<TRowSpan>;
    // Unused room a list of spans may keep.
    static constexpr size_t SpareSpans = 1024;
    // RowOf looks at this many spans from its starting row before it searches; lists of up to
    // LinearSpans are searched span by span, longer ones by halves.
    static constexpr size_t NearSpans = 64;
    static constexpr size_t LinearSpans = 4096;

    bool Bit(TNodeIndex ANode) const { return FExpanded[ANode >> 6] >> (ANode & 63) & 1; }
    void SetBit(TNodeIndex ANode, bool AOn)
    {
        const uint64_t mask = uint64_t(1) << (ANode & 63);
        FExpanded[ANode >> 6] = AOn ? FExpanded[ANode >> 6] | mask : FExpanded[ANode >> 6] & ~mask;
    }
    // The span that holds a row, RowCount() > ARow.
    size_t SpanOfRow(size_t ARow) const;
    // The same, the span after the one found last tried first; remembers the span found.
    size_t SpanAfterLast(size_t ARow) const;
    // The ancestors of a node from the top-level one down, and the node.
    void PathOf(TNodeIndex ANode, std::vector<TNodeIndex>& APath) const;
    // Appends the rows shown below an expanded node, in display order, to spans whose rows end at
    // ARow (the first new row); returns the row past the last one appended.
    size_t AppendShownBelow(TNodeIndex ANode, TSpans& ASpans, size_t ARow) const;
    // The row just past the rows shown below the node of a row.
    size_t EndOfRowsBelow(size_t ARow) const;
    // True when the rows of the second span, which begin where the first's end, show the nodes that
    // follow the first's, so that the two are one span.
    static bool RunsOn(const TRowSpan& AFirst, const TRowSpan& ASecond);
    // Replaces rows [AFrom, ATo) with the rows of spans that begin at AFrom and end at ANewEnd: the
    // rows shown below the node of row AFrom - 1, ATo the row past its old ones.
    void ReplaceRows(size_t AFrom, size_t ATo, const TSpans& ANew, size_t ANewEnd);
    // Replaces the rows below a shown node with what its expanded state shows now.
    void RefreshBelow(TNodeIndex ANode, size_t AFrom);
    void ShrinkIfSparse();
    // Ends the spans at a row count: the closing entry (no node) whose first row is that count.
    void Close(size_t ARowCount);
    // All rows anew.
    void Rebuild();
    // Room for as many spans as all rows could make, before a rebuild that may show them all.
    void ReserveForAll();

    const TOutline* FOutline = nullptr;
    std::vector<uint64_t> FExpanded;
    // Empty, or the spans in row order and a closing entry whose Row is the row count.
    TSpans FSpans;
    // The span NodeAt found last.
    mutable size_t FLastSpan = 0;
};
