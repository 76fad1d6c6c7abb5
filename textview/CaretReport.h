#pragma once
// The caret report of a text view: where the caret stands and how much is selected, in the units the
// user reads (UTF-16 code units) rather than the view's own (UTF-8 bytes).

#include <QString>

#include <cstdint>
#include <string_view>

struct TCaretReport {
    int64_t Row = 1; // the caret's line, from 1
    int64_t Col = 1; // the caret's character position in its line, from 1
    int Chr = 0; // the UTF-16 code the caret stands before; 0 at or after the line's end
    int64_t Sel = 0; // selected UTF-16 code units, a line break counting 2

    bool operator==(const TCaretReport&) const = default;
};

class TSourceView;

TCaretReport ReadCaretReport(const TSourceView& AView);

// "Row: %d   Col: %d   Chr: %d(%xh)   Sel: %d".
QString CaretReportText(const TCaretReport& AReport);

// UTF-16 code units of UTF-8 text, with every line break (CR LF, lone CR, lone LF) counted as 2.
int64_t SelectionLength(std::string_view AText);
