#pragma once
// The tree search: outline nodes whose name or value contains a text, ignoring case, visited in
// depth-first pre-order over the whole outline (collapsed or not: the search never asks a view).
//
// Names and values are compared as the tree shows them (decoded strings, display values of numbers
// with the outline's decimal separator, "<element #i>" names), but read straight from the formatted
// text: a node's record is made only for the few tokens whose shown text differs from their bytes.

#include "core/Outline.h"
#include "core/TextFinder.h"

#include <atomic>
#include <string>

// The node after ANode in pre-order: its first child, else its next sibling, else the next sibling
// of its nearest ancestor that has one; NoNode after the last node.
TNodeIndex NextInPreOrder(const TOutline& AOutline, TNodeIndex ANode);

class TTreeSearch {
public:
    // Both must outlive the search.
    TTreeSearch(const TOutline& AOutline, const TTextFinder& AFinder);

    // The first node from AFrom on (AFrom itself included, NoNode: the top-level node) whose name or
    // value contains the text; NoNode when no node up to the last one does, or when ACancel is set
    // while it searches (checked every few thousand nodes).
    TNodeIndex FindFrom(TNodeIndex AFrom, const std::atomic<bool>* ACancel = nullptr);
    // Whether the node's name or value contains the text.
    bool Matches(TNodeIndex ANode);

private:
    // The string token at AOffset (its decoded contents).
    bool StringMatches(size_t AOffset);
    // The scalar token at AOffset as the tree shows it.
    bool ScalarMatches(size_t AOffset);

    const TOutline& FOutline;
    const TTextFinder& FFinder;
    std::string_view FText;
    // Which kinds of shown text can hold the pattern at all; the others are never read.
    bool FInTrue = false;
    bool FInFalse = false;
    bool FInNull = false;
    bool FInNumbers = false;
    bool FInElementNames = false;
    // The decimal separator in UTF-8.
    bool FPointSeparator = true;
    std::string FSeparatorBytes;
    // Reused for the texts that must be made (escaped strings, numbers, element names).
    std::string FBytes;
    std::u16string FUnits;
};
