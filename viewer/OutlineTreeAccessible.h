#pragma once
// The accessible of the outline tree: a tree whose children are the rows on screen, each a tree item
// with the node's name and value, its place, and whether it is focused, expanded or collapsed.

#include "core/Outline.h"

class TOutlineTreeView;

// Registers the accessible for TOutlineTreeView; idempotent.
void InstallOutlineTreeAccessible();
// Tells assistive tools that the focus moved to the node (in its row on screen).
void NotifyOutlineTreeFocus(TOutlineTreeView* AView, TNodeIndex ANode);
