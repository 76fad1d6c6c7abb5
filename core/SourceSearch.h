#pragma once
// The source search: a text in the source view's text from the caret on, ignoring case, within one
// line (an occurrence never spans a line break). Positions are byte offsets into the UTF-8 text.

#include "core/TextFinder.h"

#include <cstddef>
#include <optional>
#include <string_view>

struct TSourceMatch {
    size_t Start; // the occurrence's first byte
    size_t End; // the byte after it
    bool operator==(const TSourceMatch&) const = default;
};

// The first occurrence that starts at or after ACaret; none for an empty text, for a text that holds a
// line break, and when there is no occurrence up to the end.
std::optional<TSourceMatch> FindInSource(std::string_view AText, size_t ACaret, const TTextFinder& AFinder);

// A place in a text as a view reports it: Line from 1 and Column from 1, the column in UTF-16 code
// units. Lines end at CR LF, a lone CR or a lone LF.
struct TLineColumn {
    size_t Line = 1;
    size_t Column = 1;
    bool operator==(const TLineColumn&) const = default;
};

// Turns byte offsets into lines and columns, moving forward only (each offset at or after the last,
// at the start of a character), so that a run of hits through a large text is counted once.
class TLineColumnCounter {
public:
    explicit TLineColumnCounter(std::string_view AText)
        : FText(AText)
    {
    }
    TLineColumn At(size_t AOffset);

private:
    std::string_view FText;
    size_t FOffset = 0; // where counting stopped, and its place
    size_t FLine = 1;
    size_t FColumn = 1;
};
