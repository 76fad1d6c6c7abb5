#pragma once
// A node's place that survives a reload: the way from the root as member names (with the count of
// earlier members of the same name, so duplicates keep apart) and element indexes. A way taken from
// one outline finds the node at the same place in another one, when there is such a node.

#include "core/Outline.h"

#include <cstdint>
#include <string>
#include <vector>

struct TNodeWayStep {
    bool IsMember = false;
    std::string NameToken; // a member's name token, as the formatted text writes it
    uint32_t Occurrence = 0; // earlier siblings with the same name
    uint32_t Row = 0; // the row it stood in (an element's index)
};
using TNodeWay = std::vector<TNodeWayStep>;

// The way to a node; empty for the root.
TNodeWay NodeWayOf(const TOutline& AOutline, TNodeIndex ANode);
// The step from a node to one of its children.
TNodeWayStep NodeWayStepOf(const TOutline& AOutline, TNodeIndex AChild);
// The child of a node that a step leads to, or NoNode. A member is looked for in its old row first,
// so that a file that changed little is followed without searching.
TNodeIndex FollowNodeWayStep(const TOutline& AOutline, TNodeIndex ANode, const TNodeWayStep& AStep);
// The node at the end of the way, or NoNode when the outline has no such place.
TNodeIndex FindNodeWay(const TOutline& AOutline, const TNodeWay& AWay);
