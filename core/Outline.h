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

// 8 bytes a node: documents of 100 MB have ten to twenty million of them. The node holds where its
// token stands in the formatted text (40 bits: texts up to a terabyte), its kind, and for an object or
// array the run of its children, as a distance from a run its block of nodes names.
struct TOutlineNode {
    uint32_t OffsetLow; // Offset: in the formatted text, the member name's token or the element's token
    uint32_t OffsetHigh : 8;
    uint32_t Kind : 3;
    uint32_t RunCode : 21; // RunCodeEmpty, RunCodeFar, or RunCodeBias + the distance

    static constexpr uint32_t RunCodeFar = 0; // the run is in the outline's list of far runs
    static constexpr uint32_t RunCodeEmpty = 1; // no children
    static constexpr uint32_t RunCodeBias = 1u << 20;
    static constexpr int64_t NearestRun = 2 - int64_t(RunCodeBias);
    static constexpr int64_t FarthestRun = int64_t(RunCodeBias) - 1;

    // Tells a run by its distance from another; false (RunCodeFar set) when it is too far for that.
    bool SetRunDistance(int64_t ADistance)
    {
        const bool near = ADistance >= NearestRun && ADistance <= FarthestRun;
        RunCode = near ? uint32_t(ADistance + RunCodeBias) : RunCodeFar;
        return near;
    }
    int64_t RunDistance() const { return int64_t(RunCode) - RunCodeBias; }

    uint64_t Offset() const { return uint64_t(OffsetHigh) << 32 | OffsetLow; }
    TNodeType Typ() const { return TNodeType(Kind); }
    static TOutlineNode Make(uint64_t AOffset, TNodeType ATyp)
    {
        return {uint32_t(AOffset), uint32_t(AOffset >> 32) & 0xFFu, ATyp, RunCodeEmpty};
    }
};

static_assert(sizeof(TOutlineNode) == 8);

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
};

// An object's or array's run too far from its block's to be told by a distance.
struct TFarRun {
    TNodeIndex Node;
    TRunIndex Run;
};

// What an outline is made of, handed between a build and the outline that keeps it.
struct TOutlineStore {
    TPodBuffer<TOutlineNode> Nodes;
    TPodBuffer<TOutlineRun> Runs;
    TPodBuffer<TOutlineBlock> Blocks;
    TPodBuffer<TFarRun> FarRuns; // in node order
    TRunIndex RootRun = NoRun; // the top-level node's, which is placed last

    void Clear()
    {
        Nodes.Clear();
        Runs.Clear();
        Blocks.Clear();
        FarRuns.Clear();
        RootRun = NoRun;
    }
    void Release()
    {
        Nodes.Release();
        Runs.Release();
        Blocks.Release();
        FarRuns.Release();
        RootRun = NoRun;
    }
    void Swap(TOutlineStore& AOther)
    {
        Nodes.Swap(AOther.Nodes);
        Runs.Swap(AOther.Runs);
        Blocks.Swap(AOther.Blocks);
        FarRuns.Swap(AOther.FarRuns);
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
    uint64_t TokenOffset(TNodeIndex ANode) const { return FStore.Nodes[ANode].Offset(); }
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
        const uint32_t code = FStore.Nodes[ANode].RunCode;
        if (code == TOutlineNode::RunCodeEmpty)
            return NoRun;
        if (code == TOutlineNode::RunCodeFar)
            return FarRun(ANode);
        return TRunIndex(
            int64_t(FStore.Blocks[ANode >> OutlineBlockShift].RunBase) + FStore.Nodes[ANode].RunDistance());
    }
    TRunIndex FarRun(TNodeIndex ANode) const;
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
