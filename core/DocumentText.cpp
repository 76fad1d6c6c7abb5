#include "core/DocumentText.h"

#include "core/Utf.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The first CR, LF or NUL at or after p, or end.
const char* FindLineBreakOrNul(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, nul));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n' && *p != '\0')
        ++p;
    return p;
}
} // namespace

bool ReadDocumentText(std::string_view bytes, TDocumentText& document)
{
    if (!IsValidUtf8(bytes))
        return false;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (bytes.size() >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        p += 3;

    // Each lone CR or LF grows by one byte, and a last line without a break gets one: the text
    // needs at most twice the input. Only the pages written are touched.
    TByteBuffer text;
    text.Reserve(size_t(end - p) * 2 + 2);
    size_t lines = 0;
    char* w = text.Data();
    for (;;) {
        const char* brk = FindLineBreakOrNul(p, end);
        std::memcpy(w, p, size_t(brk - p));
        w += brk - p;
        if (brk == end || *brk == '\0') {
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
        if (p == end || *p == '\0')
            break;
    }
    text.ResizeUninitialized(size_t(w - text.Data()));
    text.ShrinkToFit();
    document.Text = std::move(text);
    document.LineCount = lines;
    return true;
}
