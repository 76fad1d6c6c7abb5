#include "core/JSONErrorPlace.h"

#include "core/JSONReader.h"
#include "core/SourceSearch.h"

#include <cstring>

namespace {
using namespace quillon_detail;

// The walk of ReadJSON, with a reason at every refusal instead of a plain false.
class TErrorWalk {
public:
    explicit TErrorWalk(std::string_view AText)
        : FBegin(reinterpret_cast<const u8*>(AText.data()))
        , FEnd(FBegin + AText.size())
    {
    }

    TJSONErrorPlace Run()
    {
        const u8* p = FBegin;
        if (FEnd - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
            p += 3;
        p = SkipSpace(p, FEnd);
        if (p == FEnd)
            return At(FBegin, "the document is empty");
        if (*p != '{' && *p != '[')
            return At(p, "expected '{' or '['");

        bool isArray[JSONNestingLimit];
        int depth = 0;
        for (;;) {
            // At a value.
            if (p == FEnd)
                return AtEnd("expected a value");
            if (*p == '{' || *p == '[') {
                if (depth == JSONNestingLimit)
                    return At(p, "more than 512 objects and arrays open at once");
                const bool array = *p == '[';
                isArray[depth++] = array;
                p = SkipSpace(p + 1, FEnd);
                if (p == FEnd)
                    return AtEnd(array ? "expected a value or ']'" : "expected a name or '}'");
                if (*p == (array ? ']' : '}')) {
                    ++p;
                    --depth;
                    goto afterValue;
                }
                if (!array) {
                    if (*p != '"')
                        return At(p, "expected a name or '}'");
                    goto atKey;
                }
                continue;
            }
            {
                TJSONErrorPlace error;
                p = Scalar(p, error);
                if (!p)
                    return error;
            }

        afterValue:
            for (;;) {
                if (depth == 0) {
                    p = SkipSpace(p, FEnd);
                    if (p != FEnd)
                        return At(p, "text after the end of the document");
                    return {size_t(FEnd - FBegin), 1, 1, {}};
                }
                const bool array = isArray[depth - 1];
                const char* expected = array ? "expected ',' or ']'" : "expected ',' or '}'";
                p = SkipSpace(p, FEnd);
                if (p == FEnd)
                    return AtEnd(expected);
                if (*p == ',') {
                    p = SkipSpace(p + 1, FEnd);
                    if (array)
                        break;
                    if (p == FEnd)
                        return AtEnd("expected a name");
                    if (*p != '"')
                        return At(p, "expected a name");
                    goto atKey;
                }
                if (*p != (array ? ']' : '}'))
                    return At(p, expected);
                ++p;
                --depth;
            }
            continue;

        atKey : {
            TJSONErrorPlace error;
            p = String(p, error);
            if (!p)
                return error;
            p = SkipSpace(p, FEnd);
            if (p == FEnd)
                return AtEnd("expected ':'");
            if (*p != ':')
                return At(p, "expected ':'");
            p = SkipSpace(p + 1, FEnd);
        }
        }
    }

private:
    TJSONErrorPlace At(const u8* AP, const char* AReason) const
    {
        return {size_t(AP - FBegin), 1, 1, AReason};
    }

    // The text ended too early: the place is just after the last character that is not whitespace.
    TJSONErrorPlace AtEnd(const char* AReason) const
    {
        const u8* p = FEnd;
        while (p > FBegin && IsJSONSpace(p[-1]))
            --p;
        return At(p, AReason);
    }

    // p at the opening quote; returns the byte after the closing quote, or nullptr with the error.
    const u8* String(const u8* AP, TJSONErrorPlace& AError) const
    {
        bool plain = true;
        if (const u8* close = ScanString(AP + 1, FEnd, plain))
            return close + 1;
        // Refused: find out why, one byte at a time (this runs once, for the error).
        for (const u8* q = AP + 1; q < FEnd; ++q) {
            if (*q == '"')
                break;
            if (*q != '\\')
                continue;
            if (FEnd - q < 2)
                break;
            const u8 letter = q[1];
            if (letter == 'u') {
                if (FEnd - q < 6 || !IsHexDigit(q[2]) || !IsHexDigit(q[3]) || !IsHexDigit(q[4])
                    || !IsHexDigit(q[5])) {
                    AError = At(q, "invalid \\u escape: four hexadecimal digits expected");
                    return nullptr;
                }
                q += 5;
                continue;
            }
            if (std::strchr("\"\\/bfnrt", letter) == nullptr || letter == 0) {
                AError = At(q, "invalid escape");
                return nullptr;
            }
            ++q;
        }
        AError = At(AP, "the string is not closed");
        return nullptr;
    }

    const u8* Scalar(const u8* AP, TJSONErrorPlace& AError) const
    {
        switch (*AP) {
        case '"':
            return String(AP, AError);
        case 't':
        case 'f':
        case 'n': {
            const char* word = *AP == 't' ? "true" : *AP == 'f' ? "false" : "null";
            if (Matches(AP, FEnd, word))
                return AP + std::strlen(word);
            AError = At(AP, "invalid literal: true, false or null expected");
            return nullptr;
        }
        default:
            if (*AP == '-' || IsDigit(*AP)) {
                if (const u8* q = ScanNumber(AP, FEnd))
                    return q;
                AError = At(AP, "invalid number");
                return nullptr;
            }
            AError = At(AP, "expected a value");
            return nullptr;
        }
    }

    const u8* const FBegin;
    const u8* const FEnd;
};

// The length of the strict UTF-8 sequence at p, or 0 when none starts there.
size_t Utf8SequenceLength(const unsigned char* AP, const unsigned char* AEnd)
{
    const unsigned char c = AP[0];
    if (c < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (size_t(AEnd - AP) < length || AP[1] < low || AP[1] > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (AP[i] < 0x80 || AP[i] > 0xBF)
            return 0;
    return length;
}
} // namespace

void SetLineColumn(std::string_view AText, TJSONErrorPlace& APlace)
{
    TLineColumnCounter counter(AText);
    const TLineColumn place = counter.At(APlace.Offset);
    APlace.Line = place.Line;
    APlace.Column = place.Column;
}

TJSONErrorPlace FindJSONErrorPlace(std::string_view AText)
{
    TJSONErrorPlace place = TErrorWalk(AText).Run();
    SetLineColumn(AText, place);
    return place;
}

TJSONErrorPlace FindUtf8ErrorPlace(std::string_view ABytes)
{
    if (ABytes.size() >= 3 && std::memcmp(ABytes.data(), "\xEF\xBB\xBF", 3) == 0)
        ABytes.remove_prefix(3);
    const auto* begin = reinterpret_cast<const unsigned char*>(ABytes.data());
    const auto* end = begin + ABytes.size();
    const unsigned char* p = begin;
    while (p < end) {
        const size_t length = Utf8SequenceLength(p, end);
        if (length == 0)
            break;
        p += length;
    }
    TJSONErrorPlace place {size_t(p - begin), 1, 1, p < end ? "invalid UTF-8" : ""};
    SetLineColumn(ABytes, place);
    return place;
}
