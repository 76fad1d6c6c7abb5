#pragma once
// Paths of outline nodes and the short form of long values, as the tree and the path bar show them.

#include "core/Outline.h"

#include <string>
#include <string_view>
#include <vector>

// The Names of every node from the top-level node down to `node`, joined by backslashes.
std::u16string NodePath(const TOutline& AOutline, TNodeIndex ANode);

// A backslash path's segments: split at every backslash, empty segments kept.
std::vector<std::u16string_view> SplitBackslashPath(std::u16string_view APath);

// The node that a backslash path names, or NoNode. The path is split at every backslash (empty
// segments count). From the top-level node on, a node whose Name equals the next segment (ignoring
// the case of A-Z only) takes the search one level down to its first child; any other node passes it
// to its next sibling. The first match at each level wins; there is no backtracking.
TNodeIndex FindNodeByPath(const TOutline& AOutline, std::u16string_view APath);

// When n > 0 and the text is longer than n characters: its first n characters and "...". Then every
// CR LF pair is removed (lone CR and LF stay).
std::u16string ShortenText(std::u16string_view AText, int AN);

// Equality ignoring the case of the ASCII letters A-Z only.
bool SameTextAscii(std::u16string_view AA, std::u16string_view AB);
