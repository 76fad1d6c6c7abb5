#pragma once
// The rows a tree shows of an outline: which nodes are expanded, and the nodes of the visible rows
// in display order.
//
// A document of 100 MB has about seven million nodes, all of them rows once everything is expanded.
// The expanded state is one bit per node, and the visible rows are one node index (4 bytes) per row,
// rebuilt below a node in one pass over the rows it shows whenever the node is expanded or
// collapsed. The row of a node is its position in that list; the node of a row is read directly.

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

    size_t RowCount() const { return FRows.Size(); }
    TNodeIndex NodeAt(size_t ARow) const { return FRows[ARow]; }
    // The row that shows the node, NoRow when a collapsed ancestor hides it. Searches the rows from
    // AFrom on first, then those before it.
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

    // Bytes held by the expanded flags and the rows.
    size_t MemoryUsed() const { return FExpanded.capacity() * sizeof(uint64_t) + FRows.Capacity() * 4; }

private:
    bool Bit(TNodeIndex ANode) const { return FExpanded[ANode >> 6] >> (ANode & 63) & 1; }
    void SetBit(TNodeIndex ANode, bool AOn)
    {
        const uint64_t mask = uint64_t(1) << (ANode & 63);
        FExpanded[ANode >> 6] = AOn ? FExpanded[ANode >> 6] | mask : FExpanded[ANode >> 6] & ~mask;
    }
    // Appends the rows shown below an expanded node, in display order.
    void AppendShownBelow(TNodeIndex ANode, TPodBuffer<TNodeIndex>& ARows) const;
    // The row just past the rows shown below the node of a row.
    size_t EndOfRowsBelow(size_t ARow) const;
    // Replaces the rows below a shown node with what its expanded state shows now.
    void RefreshBelow(TNodeIndex ANode, size_t AFrom);
    // All rows anew.
    void Rebuild();

    const TOutline* FOutline = nullptr;
    std::vector<uint64_t> FExpanded;
    TPodBuffer<TNodeIndex> FRows;
};
