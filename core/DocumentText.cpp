#include "core/DocumentText.h"

#include "core/Utf.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The first CR or LF at or after p, or end.
const char* FindLineBreak(const char* AP, const char* AEnd)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (AEnd - AP >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(AP));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return AP + __builtin_ctz(unsigned(mask));
        AP += 16;
    }
#endif
    while (AP < AEnd && *AP != '\r' && *AP != '\n')
        ++AP;
    return AP;
}
} // namespace

bool FindDocumentText(std::string_view ABytes, std::string_view& AText)
{
    if (!IsValidUtf8(ABytes))
        return false;
    if (ABytes.size() >= 3 && std::memcmp(ABytes.data(), "\xEF\xBB\xBF", 3) == 0)
        ABytes.remove_prefix(3);
    if (const void* nul = std::memchr(ABytes.data(), 0, ABytes.size()))
        ABytes = ABytes.substr(0, size_t(static_cast<const char*>(nul) - ABytes.data()));
    AText = ABytes;
    return true;
}

bool ReadDocumentText(std::string_view ABytes, TDocumentText& ADocument)
{
    std::string_view source;
    if (!FindDocumentText(ABytes, source))
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
    ADocument.Text = std::move(text);
    ADocument.LineCount = lines;
    return true;
}

TDocumentState BuildDocument(std::string_view ABytes, TOutline& AOutline, TJSONCounts& ACounts,
    TDocumentText& ARefusedText, TFormatObserver* AObserver)
{
    std::string_view text;
    if (!FindDocumentText(ABytes, text))
        return TDocumentState::Unreadable;
    if (!BuildOutline(text, AOutline, ACounts, TLineBreaks::Normalize, AObserver).empty())
        return TDocumentState::Formatted;
    ReadDocumentText(ABytes, ARefusedText);
    return TDocumentState::NotJSON;
}
