#pragma once
// A node's path in the syntaxes of other JSON tools, and the way back from such a path to the node.
//
// Formats, for the member "title" of the first element of the member "book" of the member "store":
//   JSONPath      $.store.book[0].title        names that are not identifiers as ['a b']
//   JSON Pointer  /store/book/0/title          "~" as "~0", "/" as "~1" (RFC 6901)
//   jq            .store.book[0].title         names that are not identifiers as ."a b"
//   JavaScript    store.book[0].title          names that are not identifiers as ["a b"]
//   Python        ["store"]["book"][0]["title"]
// The root is "$", "" (pointer), ".", "" (JavaScript) and "" (Python).

#include "core/Outline.h"

#include <string>
#include <string_view>

enum class TPathSyntax { JSONPath, JSONPointer, Jq, JavaScript, Python };
constexpr TPathSyntax AllPathSyntaxes[] = {TPathSyntax::JSONPath, TPathSyntax::JSONPointer, TPathSyntax::Jq,
    TPathSyntax::JavaScript, TPathSyntax::Python};

// The name users know the syntax by ("JSONPath", "JSON Pointer", "jq", "JavaScript", "Python").
const char16_t* PathSyntaxName(TPathSyntax ASyntax);

// The node's path in the syntax, quoted by that syntax's rules.
std::u16string FormatNodePath(const TOutline& AOutline, TNodeIndex ANode, TPathSyntax ASyntax);

// True when a member on the way to the node has an earlier sibling of the same name: every syntax
// names that earlier member, so the path leads elsewhere.
bool IsAmbiguousPath(const TOutline& AOutline, TNodeIndex ANode);

// Where a path leads: a node, or why it leads nowhere.
struct TPathLookup {
    TNodeIndex Node = NoNode;
    std::u16string Error; // empty when a node was found
};

// Follows a path given in any of the syntaxes above, or as the backslash path of the path bar
// (starting with the root's name, "<object>" or "<array>"). The syntax is told by the first character:
// "$" JSONPath, "/" JSON Pointer, "." jq, "<" backslash path, "[" a bracketed JavaScript or Python
// path, anything else a JavaScript path; the empty path is the root. A member name leads to the first
// member of that name. The error says which step failed.
TPathLookup FindNodeByAnyPath(const TOutline& AOutline, std::u16string_view APath);
