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

struct TOutlineNode {
    uint64_t Offset;      // in the formatted text: the member name's token, or an array element's token
    TNodeIndex Parent;    // NoNode for the root
    TNodeIndex FirstChild;
    uint32_t ChildCount;
    TNodeType Typ;
};

class TOutline {
public:
    bool IsEmpty() const { return FNodes.Empty(); }
    size_t NodeCount() const { return FNodes.Size(); }
    // The top-level node, or NoNode when the outline is empty.
    TNodeIndex Root() const { return FNodes.Empty() ? NoNode : 0; }
    TNodeIndex Parent(TNodeIndex node) const { return FNodes[node].Parent; }
    uint32_t ChildCount(TNodeIndex node) const { return FNodes[node].ChildCount; }
    TNodeIndex Child(TNodeIndex node, uint32_t row) const { return FNodes[node].FirstChild + row; }
    // Position among its siblings (0 for the root).
    uint32_t Row(TNodeIndex node) const
    {
        const TNodeIndex p = FNodes[node].Parent;
        return p == NoNode ? 0 : node - FNodes[p].FirstChild;
    }
    TNodeType Typ(TNodeIndex node) const { return FNodes[node].Typ; }
    // 0 for the root, 1 for its children, ...
    int Level(TNodeIndex node) const;

    // The node's record, made from the formatted text. Numbers use the decimal separator below.
    TNodeData NodeData(TNodeIndex node) const;

    // The formatted text of the last build: empty when the document was refused.
    std::string_view Text() const { return FText.View(); }
    // Hands the formatted text over (the outline keeps using its own copy-free view only while it
    // still owns it, so callers take it only when they are done with the nodes).
    TByteBuffer TakeText() { return std::move(FText); }

    void SetDecimalSeparator(std::u16string separator) { FDecimalSeparator = std::move(separator); }
    const std::u16string& DecimalSeparator() const { return FDecimalSeparator; }

    void Clear()
    {
        FNodes.Release();
        FText.Release();
    }
    // Takes over a built outline: nodes whose offsets point into text.
    void Assign(TPodBuffer<TOutlineNode>&& nodes, TByteBuffer&& text)
    {
        FNodes = std::move(nodes);
        FText = std::move(text);
    }

private:
    // The display text of the scalar token at offset, for numbers without a display value its text.
    std::u16string ScalarDisplay(size_t offset) const;

    TPodBuffer<TOutlineNode> FNodes;
    TByteBuffer FText;
    std::u16string FDecimalSeparator = u".";
};
