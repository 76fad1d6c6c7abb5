#pragma once
// The outline of a document: one node for the root and one for every object member and array
// element, kept compactly so that documents of millions of nodes stay small and fast.
//
// Nodes live in one array linked by indices. The children of a node are contiguous, so the n-th child
// is found in constant time and a node's row is its distance from its parent's first child. A node
// holds no text of its own: its name and value are read on demand from the formatted text, where
// every member name and scalar stands in its serialised form.

#include "core/ByteBuffer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

enum TNodeType : uint8_t { ntObject, ntArray, ntString, ntNumber, ntFalse, ntTrue, ntNull };

// What a node shows. Name: "<object>"/"<array>" for the root, the decoded member name, "<element #i>"
// for a container inside an array, or the display text of a scalar array element. Value: the display
// text of a scalar member, else empty. Typ: the node's kind; ntString for every scalar array element.
struct TNodeData {
    std::u16string Name;
    std::u16string Value;
    TNodeType Typ = ntObject;
};

using TNodeIndex = uint32_t;
constexpr TNodeIndex NoNode = UINT32_MAX;

using TRunIndex = uint32_t;
constexpr TRunIndex NoRun = UINT32_MAX;

// A distance told in ABits bits: the codes below AReserved mean something else (code 0 is always "too
// far to tell"), the others the distance plus a bias, as far on either side as they reach.
template<unsigned ABits, uint32_t AReserved> struct TDistanceCode {
    static constexpr uint32_t Far = 0;
    static constexpr uint32_t Bias = 1u << (ABits - 1);
    static constexpr int64_t Nearest = int64_t(AReserved) - int64_t(Bias);
    static constexpr int64_t Farthest = int64_t(Bias) - 1;

    // The code of a distance; Far when it is too far for that.
    static uint32_t Of(int64_t ADistance)
    {
        return ADistance >= Nearest && ADistance <= Farthest ? uint32_t(ADistance + Bias) : Far;
    }
    static int64_t Distance(uint32_t ACode) { return int64_t(ACode) - Bias; }
};

// How an object or array tells the run of its children: as a distance from another run. Far: the run
// is in the outline's list of far runs.
struct TRunCode : TDistanceCode<21, 2> {
    static constexpr uint32_t Empty = 1; // no children
};

// How a node tells its token's offset: as a distance from its block's base. Far: the offset is in the
// outline's list of far offsets.
using TOffsetCode = TDistanceCode<24, 1>;

// 6 bytes a node: documents of 100 MB have ten to twenty million of them. The node holds its kind,
// where its token stands in the formatted text as a distance from where its block of nodes begins
// (the rare farther ones are in a short list), and for an object or array the run of its children as
// a distance from a run its block names. The 48 bits: offset code 0-23, kind 24-26, run code 27-47.
struct TOutlineNode {
    uint16_t Words[3];

    static TOutlineNode Make(TNodeType ATyp)
    {
        TOutlineNode node {};
        node.SetBits(uint64_t(ATyp) << KindShift | uint64_t(TRunCode::Empty) << RunShift);
        return node;
    }

    TNodeType Typ() const { return TNodeType(Bits() >> KindShift & 7); }
    uint32_t OffsetCode() const { return uint32_t(Bits() & OffsetMask); }
    // False (TOffsetCode::Far set) when the distance is too far to tell.
    bool SetOffsetDistance(int64_t ADistance)
    {
        const uint32_t code = TOffsetCode::Of(ADistance);
        SetBits((Bits() & ~OffsetMask) | code);
        return code != TOffsetCode::Far;
    }
    uint32_t RunCode() const { return uint32_t(Bits() >> RunShift); }
    // False (TRunCode::Far set) when the distance is too far to tell.
    bool SetRunDistance(int64_t ADistance)
    {
        const uint32_t code = TRunCode::Of(ADistance);
        SetBits((Bits() & ~(~uint64_t(0) << RunShift)) | uint64_t(code) << RunShift);
        return code != TRunCode::Far;
    }

private:
    static constexpr unsigned KindShift = 24;
    static constexpr unsigned RunShift = 27;
    static constexpr uint64_t OffsetMask = (uint64_t(1) << KindShift) - 1;

    uint64_t Bits() const { return uint64_t(Words[0]) | uint64_t(Words[1]) << 16 | uint64_t(Words[2]) << 32; }
    void SetBits(uint64_t ABits)
    {
        Words[0] = uint16_t(ABits);
        Words[1] = uint16_t(ABits >> 16);
        Words[2] = uint16_t(ABits >> 32);
    }
};

static_assert(sizeof(TOutlineNode) == 6);

// The children of one object or array stand side by side, from FirstChild up to the next run's first
// child (the last run's end at the last node). Runs are stored in the order of their first children,
// so the run of any node, and with it its parent, is found from the run of its block's first node.
struct TOutlineRun {
    TNodeIndex FirstChild;
    TNodeIndex Owner; // the object or array whose children these are
};

// Nodes are grouped in blocks of 64 for the lookups above.
constexpr unsigned OutlineBlockShift = 6;
struct TOutlineBlock {
    TRunIndex Run; // the run of the block's first node (0 for the first block, whose first node is the root)
    TRunIndex RunBase; // what the distances of the block's objects and arrays count from
    uint64_t Base; // what the distances of the block's offsets count from: its first node's offset
};

// An object's or array's run too far from its block's to be told by a distance.
struct TFarRun {
    TNodeIndex Node;
    TRunIndex Run;
};

// A node's offset too far from its block's base to be told by a distance.
struct TFarOffset {
    uint64_t Offset;
    TNodeIndex Node;
};

// What an outline is made of, handed between a build and the outline that keeps it.
struct TOutlineStore {
    TPodBuffer<TOutlineNode> Nodes;
    TPodBuffer<TOutlineRun> Runs;
    TPodBuffer<TOutlineBlock> Blocks;
    TPodBuffer<TFarRun> FarRuns; // in node order
    TPodBuffer<TFarOffset> FarOffsets; // in node order
    TRunIndex RootRun = NoRun; // the top-level node's, which is placed last

    void Clear()
    {
        Nodes.Clear();
        Runs.Clear();
        Blocks.Clear();
        FarRuns.Clear();
        FarOffsets.Clear();
        RootRun = NoRun;
    }
    void Release()
    {
        Nodes.Release();
        Runs.Release();
        Blocks.Release();
        FarRuns.Release();
        FarOffsets.Release();
        RootRun = NoRun;
    }
    void Swap(TOutlineStore& AOther)
    {
        Nodes.Swap(AOther.Nodes);
        Runs.Swap(AOther.Runs);
        Blocks.Swap(AOther.Blocks);
        FarRuns.Swap(AOther.FarRuns);
        FarOffsets.Swap(AOther.FarOffsets);
        std::swap(RootRun, AOther.RootRun);
    }
};

class TOutline {
public:
    bool IsEmpty() const { return FStore.Nodes.Empty(); }
    size_t NodeCount() const { return FStore.Nodes.Size(); }
    // The top-level node, or NoNode when the outline is empty.
    TNodeIndex Root() const { return FStore.Nodes.Empty() ? NoNode : 0; }
    TNodeIndex Parent(TNodeIndex ANode) const
    {
        return ANode == 0 ? NoNode : FStore.Runs[RunOf(ANode)].Owner;
    }
    uint32_t ChildCount(TNodeIndex ANode) const
    {
        if (!IsContainer(ANode))
            return 0;
        const TRunIndex run = ChildRun(ANode);
        return run == NoRun ? 0 : RunEnd(run) - FStore.Runs[run].FirstChild;
    }
    // The child in the given row, 0 <= row < ChildCount(node).
    TNodeIndex Child(TNodeIndex ANode, uint32_t ARow) const
    {
        return FStore.Runs[ChildRun(ANode)].FirstChild + ARow;
    }
    // Position among its siblings (0 for the root).
    uint32_t Row(TNodeIndex ANode) const
    {
        return ANode == 0 ? 0 : ANode - FStore.Runs[RunOf(ANode)].FirstChild;
    }
    bool IsContainer(TNodeIndex ANode) const
    {
        const TNodeType typ = Typ(ANode);
        return typ == ntObject || typ == ntArray;
    }
    TNodeType Typ(TNodeIndex ANode) const { return FStore.Nodes[ANode].Typ(); }
    // Where the node stands in the formatted text: its member name's token, or its element's token.
    uint64_t TokenOffset(TNodeIndex ANode) const
    {
        const uint32_t code = FStore.Nodes[ANode].OffsetCode();
        if (code == TOffsetCode::Far)
            return FarOffset(ANode);
        return uint64_t(
            int64_t(FStore.Blocks[ANode >> OutlineBlockShift].Base) + TOffsetCode::Distance(code));
    }
    // 0 for the root, 1 for its children, ...
    int Level(TNodeIndex ANode) const;

    // The node's record, made from the formatted text. Numbers use the decimal separator below.
    TNodeData NodeData(TNodeIndex ANode) const;

    // The formatted text of the last build: empty when the document was refused.
    std::string_view Text() const { return FText.View(); }
    // Hands the formatted text over (the outline keeps using its own copy-free view only while it
    // still owns it, so callers take it only when they are done with the nodes).
    TByteBuffer TakeText() { return std::move(FText); }

    void SetDecimalSeparator(std::u16string ASeparator) { FDecimalSeparator = std::move(ASeparator); }
    const std::u16string& DecimalSeparator() const { return FDecimalSeparator; }

    // Empties the outline and gives its memory back.
    void Clear()
    {
        FStore.Release();
        FText.Release();
    }
    // Takes over a built outline: nodes whose offsets point into text.
    void Assign(TOutlineStore&& AStore, TByteBuffer&& AText)
    {
        FStore.Swap(AStore);
        AStore.Release();
        FText = std::move(AText);
    }
    // Empties the outline and hands its buffers to a new build, which reuses their memory.
    void TakeBuffers(TOutlineStore& AStore, TByteBuffer& AText)
    {
        FStore.Clear();
        FText.Clear();
        AStore.Swap(FStore);
        AText.Swap(FText);
    }

private:
    // The run a node other than the root belongs to: from its block's first node's run, onwards
    // over the runs that begin before it (at most the 63 nodes before it in the block).
    TRunIndex RunOf(TNodeIndex ANode) const
    {
        TRunIndex run = FStore.Blocks[ANode >> OutlineBlockShift].Run;
        while (run + 1 < FStore.Runs.Size() && FStore.Runs[run + 1].FirstChild <= ANode)
            ++run;
        return run;
    }
    // The run of an object's or array's children.
    TRunIndex ChildRun(TNodeIndex ANode) const
    {
        if (ANode == 0)
            return FStore.RootRun;
        const uint32_t code = FStore.Nodes[ANode].RunCode();
        if (code == TRunCode::Empty)
            return NoRun;
        if (code == TRunCode::Far)
            return FarRun(ANode);
        return TRunIndex(
            int64_t(FStore.Blocks[ANode >> OutlineBlockShift].RunBase) + TRunCode::Distance(code));
    }
    TRunIndex FarRun(TNodeIndex ANode) const;
    uint64_t FarOffset(TNodeIndex ANode) const;
    TNodeIndex RunEnd(TRunIndex ARun) const
    {
        return ARun + 1 < FStore.Runs.Size() ? FStore.Runs[ARun + 1].FirstChild : TNodeIndex(NodeCount());
    }
    // The display text of the scalar token at offset, for numbers without a display value its text.
    std::u16string ScalarDisplay(size_t AOffset) const;

    TOutlineStore FStore;
    TByteBuffer FText;
    std::u16string FDecimalSeparator = u".";
};
