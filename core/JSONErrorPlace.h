#pragma once
// Where a refused document is broken and why. The reader that builds documents (ReadJSON) only says
// yes or no, so that valid documents pay nothing for error reporting; when it says no, this walks the
// text again, by the same rules, up to the first error.

#include <cstddef>
#include <string>
#include <string_view>

struct TJSONErrorPlace {
    size_t Offset = 0; // the byte the error was found at, in the text given
    size_t Line = 1; // from 1; lines end at CR LF, a lone CR or a lone LF
    size_t Column = 1; // from 1, in UTF-16 code units, as a text view shows the line
    std::string Reason; // short and lower case: "expected ',' or '}'", "invalid escape", ...
};

// The first error of a text that BuildOutline refuses (UTF-8, as FindDocumentText gives it: no
// byte-order mark, no U+0000): a place inside the text and a reason that is never empty. A text whose
// root is a scalar is broken at that scalar ("expected '{' or '['"); an end of text that comes too
// early is placed just after the last character that is not whitespace. For a text that BuildOutline
// accepts the result is the end of the text with an empty reason.
TJSONErrorPlace FindJSONErrorPlace(std::string_view AText);

// The first byte that is no strict UTF-8 in a file's bytes (after one leading byte-order mark), as
// a place in the text decoded up to it, with the reason "invalid UTF-8"; the reason is empty when all
// bytes are UTF-8.
TJSONErrorPlace FindUtf8ErrorPlace(std::string_view ABytes);

// Line and column of a byte offset (the start of a character) in UTF-8 text.
void SetLineColumn(std::string_view AText, TJSONErrorPlace& APlace);
