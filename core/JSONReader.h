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

inline bool IsJSONSpace(u8 AC)
{
    return AC == ' ' || AC == '\n' || AC == '\r' || AC == '\t';
}

inline const u8* SkipSpace(const u8* AP, const u8* AEnd)
{
    while (AP < AEnd && IsJSONSpace(*AP))
        ++AP;
    return AP;
}

inline bool IsHexDigit(u8 AC)
{
    return (AC >= '0' && AC <= '9') || ((AC | 0x20) >= 'a' && (AC | 0x20) <= 'f');
}

// p points just after the opening quote. On success returns the closing quote and sets plain.
inline const u8* ScanString(const u8* AP, const u8* AEnd, bool& APlain)
{
    APlain = true;
    for (;;) {
#if defined(__SSE2__)
        // Find the next byte that is a quote, a backslash, a solidus or a control character.
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i solidus = _mm_set1_epi8('/');
        const __m128i controlLimit = _mm_set1_epi8(0x1F);
        while (AEnd - AP >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(AP));
            // Bytes <= 0x1F as unsigned: min(v, 0x1F) == v.
            const __m128i special = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                _mm_or_si128(_mm_cmpeq_epi8(v, solidus), _mm_cmpeq_epi8(_mm_min_epu8(v, controlLimit), v)));
            const int mask = _mm_movemask_epi8(special);
            if (mask != 0) {
                AP += __builtin_ctz(unsigned(mask));
                break;
            }
            AP += 16;
        }
#endif
        while (AP < AEnd && *AP != '"' && *AP != '\\' && *AP != '/' && *AP >= 0x20)
            ++AP;
        if (AP >= AEnd)
            return nullptr;
        const u8 c = *AP;
        if (c == '"')
            return AP;
        APlain = false;
        if (c != '\\') {
            ++AP; // solidus or control character: taken as it is
            continue;
        }
        if (AEnd - AP < 2)
            return nullptr;
        switch (AP[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            AP += 2;
            break;
        case 'u':
            if (AEnd - AP < 6 || !IsHexDigit(AP[2]) || !IsHexDigit(AP[3]) || !IsHexDigit(AP[4])
                || !IsHexDigit(AP[5]))
                return nullptr;
            AP += 6;
            break;
        default:
            return nullptr;
        }
    }
}

inline bool IsDigit(u8 AC)
{
    return AC >= '0' && AC <= '9';
}

inline const u8* SkipDigits(const u8* AP, const u8* AEnd)
{
    while (AP < AEnd && IsDigit(*AP))
        ++AP;
    return AP;
}

// p points at "-" or a digit. Returns the end of the number or nullptr.
inline const u8* ScanNumber(const u8* AP, const u8* AEnd)
{
    if (*AP == '-') {
        ++AP;
        if (AP == AEnd)
            return nullptr;
        if (*AP == 'e' || *AP == 'E')
            goto exponent; // "-e5": a minus sign directly followed by the exponent
    }
    if (AP == AEnd || !IsDigit(*AP))
        return nullptr;
    if (*AP == '0') {
        ++AP;
        if (AP < AEnd && IsDigit(*AP))
            return nullptr; // leading zero
    } else {
        AP = SkipDigits(AP + 1, AEnd);
    }
    if (AP < AEnd && *AP == '.') {
        ++AP;
        if (AP == AEnd || !IsDigit(*AP))
            return nullptr;
        AP = SkipDigits(AP + 1, AEnd);
    }
    if (AP < AEnd && (*AP == 'e' || *AP == 'E')) {
    exponent:
        ++AP;
        if (AP < AEnd && (*AP == '+' || *AP == '-'))
            ++AP;
        if (AP == AEnd || !IsDigit(*AP))
            return nullptr;
        AP = SkipDigits(AP + 1, AEnd);
    }
    return AP;
}

inline bool Matches(const u8* AP, const u8* AEnd, std::string_view AWord)
{
    if (size_t(AEnd - AP) < AWord.size())
        return false;
    for (size_t i = 0; i < AWord.size(); ++i)
        if (AP[i] != u8(AWord[i]))
            return false;
    return true;
}

inline std::string_view View(const u8* AFrom, const u8* ATo)
{
    return {reinterpret_cast<const char*>(AFrom), size_t(ATo - AFrom)};
}

// Reads one scalar value at p into the handler; returns its end or nullptr.
template<class H> inline const u8* ReadScalar(const u8* AP, const u8* AEnd, H& AH)
{
    switch (*AP) {
    case '"': {
        bool plain = true;
        const u8* close = ScanString(AP + 1, AEnd, plain);
        if (!close)
            return nullptr;
        AH.String(View(AP + 1, close), plain);
        return close + 1;
    }
    case 't':
        if (!Matches(AP, AEnd, "true"))
            return nullptr;
        AH.Literal(TJSONLiteral::True);
        return AP + 4;
    case 'f':
        if (!Matches(AP, AEnd, "false"))
            return nullptr;
        AH.Literal(TJSONLiteral::False);
        return AP + 5;
    case 'n':
        if (!Matches(AP, AEnd, "null"))
            return nullptr;
        AH.Literal(TJSONLiteral::Null);
        return AP + 4;
    default: {
        if (*AP != '-' && !IsDigit(*AP))
            return nullptr;
        const u8* q = ScanNumber(AP, AEnd);
        if (!q)
            return nullptr;
        AH.Number(View(AP, q));
        return q;
    }
    }
}
} // namespace quillon_detail

// Reads a whole JSON text; true when it is accepted.
template<class H> bool ReadJSON(std::string_view AText, H& AH)
{
    using namespace quillon_detail;
    const u8* p = reinterpret_cast<const u8*>(AText.data());
    const u8* const end = p + AText.size();
    if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        p += 3;
    p = SkipSpace(p, end);
    if (p == end)
        return false;

    if (*p != '{' && *p != '[') {
        // A root scalar: nothing may follow it, not even whitespace.
        p = ReadScalar(p, end, AH);
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
                AH.BeginArray();
            else
                AH.BeginObject();
            p = SkipSpace(p + 1, end);
            if (p == end)
                return false;
            if (*p == (array ? ']' : '}')) {
                ++p;
                --depth;
                if (array)
                    AH.EndArray();
                else
                    AH.EndObject();
                goto afterValue;
            }
            if (!array)
                goto atKey;
            continue;
        }
        p = ReadScalar(p, end, AH);
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
                AH.EndArray();
            else
                AH.EndObject();
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
            AH.Key(View(p + 1, close), plain);
            p = SkipSpace(close + 1, end);
        }
        if (p == end || *p != ':')
            return false;
        p = SkipSpace(p + 1, end);
    }
}
