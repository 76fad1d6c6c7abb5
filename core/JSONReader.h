#pragma once
// The one reader of JSON texts. It walks UTF-8 bytes once, without recursion, and reports what it
// finds to a handler; the value tree (ParseJSONText) and the formatter (BuildOutline, FormatJSON)
// are both handlers, so they accept exactly the same language.
//
// The language, which is deliberately not RFC 8259's:
//  - one leading byte-order mark is skipped; whitespace is TAB, LF, CR and space only;
//  - a root object or array may be followed by whitespace; a root scalar by nothing at all;
//  - strings take every character unchanged, raw control characters included; escapes are
//    \" \\ \/ \b \f \n \r \t and \u with four hex digits (any code unit, lone surrogates too);
//  - numbers: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, and also "-" directly followed by an
//    exponent (-e5);
//  - true, false, null in lower case; no comments; at most 512 containers open at once.
//
// Handler interface (all members called in document order):
//   void BeginObject(); void EndObject(); void BeginArray(); void EndArray();
//   void Key(std::string_view contents, bool plain);     contents between the quotes, escapes raw
//   void String(std::string_view contents, bool plain);  plain: no backslash, "/" or control char
//   void Number(std::string_view text);
//   void Literal(TJSONLiteral which);
// The handler learns nothing of a refusal but the false result; it must discard what it built.

#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

enum class TJSONLiteral : uint8_t { True, False, Null };

constexpr int JSONNestingLimit = 512;

namespace quillon_detail {
using u8 = unsigned char;

inline bool IsJSONSpace(u8 c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

inline const u8* SkipSpace(const u8* p, const u8* end)
{
    while (p < end && IsJSONSpace(*p))
        ++p;
    return p;
}

inline bool IsHexDigit(u8 c)
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// p points just after the opening quote. On success returns the closing quote and sets plain.
inline const u8* ScanString(const u8* p, const u8* end, bool& plain)
{
    plain = true;
    for (;;) {
#if defined(__SSE2__)
        // Find the next byte that is a quote, a backslash, a solidus or a control character.
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i solidus = _mm_set1_epi8('/');
        const __m128i controlLimit = _mm_set1_epi8(0x1F);
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // Bytes <= 0x1F as unsigned: min(v, 0x1F) == v.
            const __m128i special = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                _mm_or_si128(_mm_cmpeq_epi8(v, solidus), _mm_cmpeq_epi8(_mm_min_epu8(v, controlLimit), v)));
            const int mask = _mm_movemask_epi8(special);
            if (mask != 0) {
                p += __builtin_ctz(unsigned(mask));
                break;
            }
            p += 16;
        }
#endif
        while (p < end && *p != '"' && *p != '\\' && *p != '/' && *p >= 0x20)
            ++p;
        if (p >= end)
            return nullptr;
        const u8 c = *p;
        if (c == '"')
            return p;
        plain = false;
        if (c != '\\') {
            ++p; // solidus or control character: taken as it is
            continue;
        }
        if (end - p < 2)
            return nullptr;
        switch (p[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            p += 2;
            break;
        case 'u':
            if (end - p < 6 || !IsHexDigit(p[2]) || !IsHexDigit(p[3]) || !IsHexDigit(p[4])
                || !IsHexDigit(p[5]))
                return nullptr;
            p += 6;
            break;
        default:
            return nullptr;
        }
    }
}

inline bool IsDigit(u8 c)
{
    return c >= '0' && c <= '9';
}

inline const u8* SkipDigits(const u8* p, const u8* end)
{
    while (p < end && IsDigit(*p))
        ++p;
    return p;
}

// p points at "-" or a digit. Returns the end of the number or nullptr.
inline const u8* ScanNumber(const u8* p, const u8* end)
{
    if (*p == '-') {
        ++p;
        if (p == end)
            return nullptr;
        if (*p == 'e' || *p == 'E')
            goto exponent; // "-e5": a minus sign directly followed by the exponent
    }
    if (p == end || !IsDigit(*p))
        return nullptr;
    if (*p == '0') {
        ++p;
        if (p < end && IsDigit(*p))
            return nullptr; // leading zero
    } else {
        p = SkipDigits(p + 1, end);
    }
    if (p < end && *p == '.') {
        ++p;
        if (p == end || !IsDigit(*p))
            return nullptr;
        p = SkipDigits(p + 1, end);
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
    exponent:
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        if (p == end || !IsDigit(*p))
            return nullptr;
        p = SkipDigits(p + 1, end);
    }
    return p;
}

inline bool Matches(const u8* p, const u8* end, std::string_view word)
{
    if (size_t(end - p) < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (p[i] != u8(word[i]))
            return false;
    return true;
}

inline std::string_view View(const u8* from, const u8* to)
{
    return {reinterpret_cast<const char*>(from), size_t(to - from)};
}

// Reads one scalar value at p into the handler; returns its end or nullptr.
template<class H> inline const u8* ReadScalar(const u8* p, const u8* end, H& h)
{
    switch (*p) {
    case '"': {
        bool plain = true;
        const u8* close = ScanString(p + 1, end, plain);
        if (!close)
            return nullptr;
        h.String(View(p + 1, close), plain);
        return close + 1;
    }
    case 't':
        if (!Matches(p, end, "true"))
            return nullptr;
        h.Literal(TJSONLiteral::True);
        return p + 4;
    case 'f':
        if (!Matches(p, end, "false"))
            return nullptr;
        h.Literal(TJSONLiteral::False);
        return p + 5;
    case 'n':
        if (!Matches(p, end, "null"))
            return nullptr;
        h.Literal(TJSONLiteral::Null);
        return p + 4;
    default: {
        if (*p != '-' && !IsDigit(*p))
            return nullptr;
        const u8* q = ScanNumber(p, end);
        if (!q)
            return nullptr;
        h.Number(View(p, q));
        return q;
    }
    }
}
} // namespace quillon_detail

// Reads a whole JSON text; true when it is accepted.
template<class H> bool ReadJSON(std::string_view text, H& h)
{
    using namespace quillon_detail;
    const u8* p = reinterpret_cast<const u8*>(text.data());
    const u8* const end = p + text.size();
    if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        p += 3;
    p = SkipSpace(p, end);
    if (p == end)
        return false;

    if (*p != '{' && *p != '[') {
        // A root scalar: nothing may follow it, not even whitespace.
        p = ReadScalar(p, end, h);
        return p == end;
    }

    // isArray[d] tells the kind of the container open at depth d + 1.
    bool isArray[JSONNestingLimit];
    int depth = 0;

    for (;;) {
        // At a value.
        if (p == end)
            return false;
        if (*p == '{' || *p == '[') {
            if (depth == JSONNestingLimit)
                return false;
            const bool array = *p == '[';
            isArray[depth++] = array;
            if (array)
                h.BeginArray();
            else
                h.BeginObject();
            p = SkipSpace(p + 1, end);
            if (p == end)
                return false;
            if (*p == (array ? ']' : '}')) {
                ++p;
                --depth;
                if (array)
                    h.EndArray();
                else
                    h.EndObject();
                goto afterValue;
            }
            if (!array)
                goto atKey;
            continue;
        }
        p = ReadScalar(p, end, h);
        if (!p)
            return false;

    afterValue:
        for (;;) {
            if (depth == 0)
                return SkipSpace(p, end) == end;
            p = SkipSpace(p, end);
            if (p == end)
                return false;
            const bool array = isArray[depth - 1];
            if (*p == ',') {
                p = SkipSpace(p + 1, end);
                if (array)
                    break; // to the next value
                goto atKey;
            }
            if (*p != (array ? ']' : '}'))
                return false;
            ++p;
            --depth;
            if (array)
                h.EndArray();
            else
                h.EndObject();
        }
        continue;

    atKey:
        if (p == end || *p != '"')
            return false;
        {
            bool plain = true;
            const u8* close = ScanString(p + 1, end, plain);
            if (!close)
                return false;
            h.Key(View(p + 1, close), plain);
            p = SkipSpace(close + 1, end);
        }
        if (p == end || *p != ':')
            return false;
        p = SkipSpace(p + 1, end);
    }
}
