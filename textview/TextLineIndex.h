#pragma once
// The lines of a text held elsewhere, found without an entry per line: one pass over the text keeps
// the start of every Stride-th line, and a line in between is found by scanning on from there. A
// document of 12 million lines needs 47,000 entries instead of 12 million.
//
// Lines end at LF; a CR right before the LF belongs to the line break (the texts shown end their
// lines with CR LF). The text after the last line break is one more line, empty when the text ends
// with a break, so an empty text has one empty line (as a text view counts them).

#include "textview/JSONRangeStates.h"

#include <cstddef>
#include <string_view>
#include <vector>

class TTextLineIndex final : public ITextLines {
public:
    static constexpr size_t Stride = 256;

    // Indexes AText (which must outlive the index, or be replaced by the next Assign).
    void Assign(std::string_view AText);
    // Indexes a text that is still being written: AText is all of it so far (wherever it stands now),
    // and only what was added since the last call is read. The last call gives the whole text.
    void Extend(std::string_view AText);
    // Starts an index for Extend.
    void Clear();
    std::string_view Text() const { return FText; }

    size_t LineCount() override { return FCount; }
    size_t Count() const { return FCount; }
    // Byte offset where line ALine starts; the text's size for ALine >= Count().
    size_t LineStart(size_t ALine) const;
    // Byte offset of the end of the line's text (before its line break).
    size_t LineEnd(size_t ALine) const;
    // The line's text without its line break.
    std::string_view Line(size_t ALine) const;
    // The line holding byte offset APos (the last line for APos at or past the end).
    size_t LineOf(size_t APos) const;
    // The text of lines [AFirst, ALast), line breaks included.
    std::string_view Lines(size_t AFirst, size_t ALast) override;
    // Lines as a list of lines counts them: a line break at the very end starts no further line.
    size_t ListLineCount() const;

private:
    // The start of the line after the break that ends at or after APos (the text's size when none).
    size_t NextLineStart(size_t APos) const;

    std::string_view FText;
    std::vector<size_t> FStarts {0}; // the start of lines 0, Stride, 2 * Stride, ...
    size_t FCount = 1;
    size_t FIndexed = 0; // bytes read so far
    // The last line looked up, so that consecutive lines cost one step each.
    mutable size_t FLastLine = 0;
    mutable size_t FLastStart = 0;
};
