#pragma once
// One walk over a JSON text that gives its formatted text, its counts and its outline.
//
// The formatted text puts one member or element per line, indented by two spaces per level, with
// scalar array elements indented twice as far; names and strings in their serialised form, numbers
// exactly as written; lines end with CR LF, the last one without. A refused text, or one whose root
// is no object or array, gives the empty text, no outline and zero counts.

#include "core/ByteBuffer.h"
#include "core/Outline.h"

#include <cstdint>
#include <string>
#include <string_view>

struct TJSONCounts {
    int32_t FObjCnt = 0; // objects, the root included
    int32_t FArrCnt = 0; // arrays, the root included
    int32_t FValCnt = 0; // strings, numbers, true, false and null

    bool operator==(const TJSONCounts&) const = default;
};

// How raw line breaks inside strings are read. Normalize reads a lone CR, a lone LF and CR LF all as
// CR LF, as in a document text made by ReadDocumentText; it lets a document be built straight from
// the checked bytes of its file (FindDocumentText) with the same result.
enum class TLineBreaks { AsWritten, Normalize };

// Builds the outline and the formatted text (kept by the outline, see TOutline::Text) and sets the
// counts. Returns the formatted text. Memory exhaustion raises std::bad_alloc with the outline cleared.
std::string_view BuildOutline(std::string_view text, TOutline& outline, TJSONCounts& counts,
                              TLineBreaks breaks = TLineBreaks::AsWritten);

// The same walk without an outline: the formatted text and the counts.
void FormatJSON(std::string_view text, TByteBuffer& formatted, TJSONCounts& counts);
std::string FormatJSON(std::string_view text, TJSONCounts& counts);
