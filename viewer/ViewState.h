#pragma once
// What a reload keeps of the document window's view: the expanded nodes, the focused node and the
// scroll positions of the tree and the source view. Nodes are kept by their place in the document
// (NodeWay), so they come back wherever the reloaded document has the same place.

#include "core/NodeWay.h"

#include <vector>

class Tmdi_quil_Viewer;

// Where the source view stood: its first visible line, its sideways scroll and the caret.
struct TSourceScroll {
    long FirstLine = 0; // from 0, in document lines
    int XOffset = 0; // pixels
    long CaretLine = 0; // from 0
    long CaretIndex = 0; // bytes into the line
};

struct TViewState {
    // The expanded nodes in pre-order: each entry's step leads from the entry Parent (-1: the root
    // itself, whose step is unused) to it, so a node is found from its parent without starting over.
    struct TExpanded {
        int Parent;
        TNodeWayStep Step;
    };
    bool HasOutline = false;
    std::vector<TExpanded> Expanded;
    TNodeWay Focused;
    bool HasFocused = false;
    TNodeWay TopNode;
    bool HasTopNode = false;
    TSourceScroll Source;
};

TViewState CaptureViewState(const Tmdi_quil_Viewer& AWindow);
// Expands, focuses and scrolls as far as the window's new outline has the same places. When the
// document was shown formatted before and after, and ARestoreSource says so (no error place is
// shown), the source view comes back to its scroll position and caret.
void RestoreViewState(Tmdi_quil_Viewer& AWindow, const TViewState& AState, bool ARestoreSource);
