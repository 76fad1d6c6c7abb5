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

// Lets another thread read the formatted text while it is being written (to fill a view with it at
// the same time). Both calls come from the writing thread.
class TFormatObserver {
public:
    virtual ~TFormatObserver() = default;
    // data[0, size) is written and stays where it is until the next BeforeMove.
    virtual void Written(const char* AData, size_t ASize) = 0;
    // The text is about to move to other memory: return only when nothing reads the old place.
    virtual void BeforeMove() = 0;
    // The build will not read the input before AUpTo again (told along with Written).
    virtual void InputPassed(const char* AUpTo) { (void)AUpTo; }
};

// Builds the outline and the formatted text (kept by the outline, see TOutline::Text) and sets the
// counts. Returns the formatted text. Memory exhaustion raises std::bad_alloc with the outline cleared.
// An observer hears of the text as it grows, a few megabytes at a time, and once more at the end of
// an accepted document; a refused document (or an error) ends with BeforeMove and no further text.
std::string_view BuildOutline(std::string_view AText, TOutline& AOutline, TJSONCounts& ACounts,
    TLineBreaks ABreaks = TLineBreaks::AsWritten, TFormatObserver* AObserver = nullptr);

// The same walk without an outline: the formatted text (empty when refused) and the counts. An
// observer hears of the text as for BuildOutline.
void FormatJSON(std::string_view AText, TByteBuffer& AFormatted, TJSONCounts& ACounts,
    TLineBreaks ABreaks = TLineBreaks::AsWritten, TFormatObserver* AObserver = nullptr);
std::string FormatJSON(std::string_view AText, TJSONCounts& ACounts);
