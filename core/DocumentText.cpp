#include "core/DocumentText.h"

#include "core/Utf.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The first CR or LF at or after p, or end.
const char* FindLineBreak(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}
} // namespace

bool FindDocumentText(std::string_view bytes, std::string_view& text)
{
    if (!IsValidUtf8(bytes))
        return false;
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0)
        bytes.remove_prefix(3);
    if (const void* nul = std::memchr(bytes.data(), 0, bytes.size()))
        bytes = bytes.substr(0, size_t(static_cast<const char*>(nul) - bytes.data()));
    text = bytes;
    return true;
}

bool ReadDocumentText(std::string_view bytes, TDocumentText& document)
{
    std::string_view source;
    if (!FindDocumentText(bytes, source))
        return false;
    const char* p = source.data();
    const char* end = p + source.size();

    // Each lone CR or LF grows by one byte, and a last line without a break gets one: the text
    // needs at most twice the input. Only the pages written are touched.
    TByteBuffer text;
    text.Reserve(size_t(end - p) * 2 + 2);
    size_t lines = 0;
    char* w = text.Data();
    for (;;) {
        const char* brk = FindLineBreak(p, end);
        std::memcpy(w, p, size_t(brk - p));
        w += brk - p;
        if (brk == end) {
            if (brk != p) {
                // The last line had no break of its own.
                *w++ = '\r';
                *w++ = '\n';
                ++lines;
            }
            break;
        }
        *w++ = '\r';
        *w++ = '\n';
        ++lines;
        p = brk + ((*brk == '\r' && brk + 1 < end && brk[1] == '\n') ? 2 : 1);
        if (p == end)
            break;
    }
    text.ResizeUninitialized(size_t(w - text.Data()));
    text.ShrinkToFit();
    document.Text = std::move(text);
    document.LineCount = lines;
    return true;
}

TDocumentState BuildDocument(std::string_view bytes, TOutline& outline, TJSONCounts& counts,
    TDocumentText& refusedText, TFormatObserver* observer)
{
    std::string_view text;
    if (!FindDocumentText(bytes, text))
        return TDocumentState::Unreadable;
    if (!BuildOutline(text, outline, counts, TLineBreaks::Normalize, observer).empty())
        return TDocumentState::Formatted;
    ReadDocumentText(bytes, refusedText);
    return TDocumentState::NotJSON;
}
