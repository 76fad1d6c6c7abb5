#pragma once
// The accessible of the outline tree and of the children list: a tree (a list) whose children are the
// rows on screen, each an item with the node's name and value, its place, and whether it is focused,
// expanded or collapsed.

#include "core/Outline.h"

class TItemScrollView;

// Registers the accessible for TOutlineTreeView and TChildListView; idempotent.
void InstallOutlineTreeAccessible();
// Tells assistive tools that the focus moved to the node (in its row on screen).
void NotifyOutlineTreeFocus(TItemScrollView* AView, TNodeIndex ANode);
