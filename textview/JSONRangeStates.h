#pragma once
// The range state at the start of any line of a text, found without scanning the text from its top:
// a line holding { } [ ] or : sets the state whatever came before it, so the state at a line is
// settled by the lines back to the nearest such line (commas in between only turn an object value
// into a name). What was found is remembered, so scrolling on from a place costs only the new lines.
//
// Knows nothing of views: the text comes through ITextLines, so the same states serve a Scintilla
// view, a view of our own or a plain buffer.

#include "textview/JSONTokenizer.h"

#include <cstddef>
#include <map>
#include <string_view>
#include <vector>

// The lines of a text, numbered from 0.
class ITextLines {
public:
    virtual size_t LineCount() = 0;
    // The text of lines [AFirst, ALast), line breaks included; valid until the next call.
    virtual std::string_view Lines(size_t AFirst, size_t ALast) = 0;

protected:
    ~ITextLines() = default;
};

class TJSONRangeStates {
public:
    // The range state at the start of line ALine (rsUnknown at line 0).
    TRangeState StateAt(size_t ALine, ITextLines& AText);
    // The state at the start of ALine is AState (found by scanning the lines before it).
    void Remember(size_t ALine, TRangeState AState);
    // The text changed at line AFrom: nothing known from there on holds any longer.
    void Forget(size_t AFrom = 0);
    size_t KnownCount() const { return FKnown.size(); }

private:
    // Stands for "commas were passed unread, and they may matter": the look back is done again, reading all.
    static constexpr auto StateAmbiguous = TRangeState(0xFF);
    // The state at ALine, looking back from it to AFloor (whose state is AFloorState). With ASkipPlain,
    // blocks of lines without brackets or colons are passed unread (a text of millions of such lines
    // is passed at the speed of memchr); StateAmbiguous when that left the answer open.
    static TRangeState LookBack(
        size_t ALine, size_t AFloor, TRangeState AFloorState, ITextLines& AText, bool ASkipPlain);
    static bool HasStateSymbol(std::string_view ALines);

    std::map<size_t, TRangeState> FKnown;
};

// The text of a buffer as lines (tests, the bench tool).
class TBufferLines final : public ITextLines {
public:
    explicit TBufferLines(std::string_view AText);
    size_t LineCount() override { return FStarts.size(); }
    std::string_view Lines(size_t AFirst, size_t ALast) override;

private:
    std::string_view FText;
    std::vector<size_t> FStarts;
};
