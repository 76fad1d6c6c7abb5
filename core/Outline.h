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

// 16 bytes a node: documents of 100 MB have about ten million of them.
struct TOutlineNode {
    uint32_t OffsetLow; // Offset: in the formatted text, the member name's token or the element's token
    uint8_t OffsetHigh; // (40 bits: texts up to a terabyte)
    TNodeType Typ;
    uint16_t Reserved;
    TNodeIndex Parent; // NoNode for the root
    uint32_t Container; // for objects and arrays: their entry in the container table

    uint64_t Offset() const { return uint64_t(OffsetHigh) << 32 | OffsetLow; }
    static TOutlineNode Make(uint64_t AOffset, TNodeType ATyp)
    {
        return {uint32_t(AOffset), uint8_t(AOffset >> 32), ATyp, 0, NoNode, 0};
    }
};

// The children of an object or array: ChildCount nodes from FirstChild on.
struct TOutlineContainer {
    TNodeIndex FirstChild;
    uint32_t ChildCount;
};

class TOutline {
public:
    bool IsEmpty() const { return FNodes.Empty(); }
    size_t NodeCount() const { return FNodes.Size(); }
    // The top-level node, or NoNode when the outline is empty.
    TNodeIndex Root() const { return FNodes.Empty() ? NoNode : 0; }
    TNodeIndex Parent(TNodeIndex ANode) const { return FNodes[ANode].Parent; }
    uint32_t ChildCount(TNodeIndex ANode) const
    {
        return IsContainer(ANode) ? FContainers[FNodes[ANode].Container].ChildCount : 0;
    }
    // The child in the given row, 0 <= row < ChildCount(node).
    TNodeIndex Child(TNodeIndex ANode, uint32_t ARow) const
    {
        return FContainers[FNodes[ANode].Container].FirstChild + ARow;
    }
    // Position among its siblings (0 for the root).
    uint32_t Row(TNodeIndex ANode) const
    {
        const TNodeIndex p = FNodes[ANode].Parent;
        return p == NoNode ? 0 : ANode - FContainers[FNodes[p].Container].FirstChild;
    }
    bool IsContainer(TNodeIndex ANode) const
    {
        return FNodes[ANode].Typ == ntObject || FNodes[ANode].Typ == ntArray;
    }
    TNodeType Typ(TNodeIndex ANode) const { return FNodes[ANode].Typ; }
    // Where the node stands in the formatted text: its member name's token, or its element's token.
    uint64_t TokenOffset(TNodeIndex ANode) const { return FNodes[ANode].Offset(); }
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
        FNodes.Release();
        FContainers.Release();
        FText.Release();
    }
    // Takes over a built outline: nodes whose offsets point into text.
    void Assign(
        TPodBuffer<TOutlineNode>&& ANodes, TPodBuffer<TOutlineContainer>&& AContainers, TByteBuffer&& AText)
    {
        FNodes = std::move(ANodes);
        FContainers = std::move(AContainers);
        FText = std::move(AText);
    }
    // Empties the outline and hands its buffers to a new build, which reuses their memory.
    void TakeBuffers(
        TPodBuffer<TOutlineNode>& ANodes, TPodBuffer<TOutlineContainer>& AContainers, TByteBuffer& AText)
    {
        FNodes.Clear();
        FContainers.Clear();
        FText.Clear();
        ANodes.Swap(FNodes);
        AContainers.Swap(FContainers);
        AText.Swap(FText);
    }

private:
    // The display text of the scalar token at offset, for numbers without a display value its text.
    std::u16string ScalarDisplay(size_t AOffset) const;

    TPodBuffer<TOutlineNode> FNodes;
    TPodBuffer<TOutlineContainer> FContainers;
    TByteBuffer FText;
    std::u16string FDecimalSeparator = u".";
};
