#include "core/JSONText.h"

#include "core/Utf.h"

#include <cstdint>

namespace {
// The escape letter for one of the eight characters that the serialised text escapes, or 0.
inline char EscapeLetter(uint32_t AC)
{
    switch (AC) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '/':
        return '/';
    case 0x08:
        return 'b';
    case 0x09:
        return 't';
    case 0x0A:
        return 'n';
    case 0x0C:
        return 'f';
    case 0x0D:
        return 'r';
    default:
        return 0;
    }
}

inline int HexValue(char AC)
{
    if (AC >= '0' && AC <= '9')
        return AC - '0';
    if (AC >= 'a' && AC <= 'f')
        return AC - 'a' + 10;
    if (AC >= 'A' && AC <= 'F')
        return AC - 'A' + 10;
    return -1;
}

// Reads the four hex digits after "\u" at s[i]; returns -1 when they are not there.
inline int32_t ReadHex4(std::string_view AS, size_t AI)
{
    if (AI + 4 > AS.size())
        return -1;
    int32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
        const int h = HexValue(AS[AI + k]);
        if (h < 0)
            return -1;
        v = (v << 4) | h;
    }
    return v;
}

// The code unit named by the escape letter, or -1 for 'u' and unknown letters.
inline int32_t SimpleEscape(char AC)
{
    switch (AC) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '/':
        return '/';
    case 'b':
        return 0x08;
    case 'f':
        return 0x0C;
    case 'n':
        return 0x0A;
    case 'r':
        return 0x0D;
    case 't':
        return 0x09;
    default:
        return -1;
    }
}
} // namespace

std::u16string JSONQuote(std::u16string_view AText)
{
    std::u16string out;
    out.reserve(AText.size() + 2);
    out.push_back(u'"');
    for (char16_t c : AText) {
        if (const char e = EscapeLetter(c)) {
            out.push_back(u'\\');
            out.push_back(char16_t(e));
        } else {
            out.push_back(c);
        }
    }
    out.push_back(u'"');
    return out;
}

void AppendQuotedToken(TByteBuffer& AOut, std::string_view AS, bool APlain, bool ANormalizeBreaks)
{
    // Each input byte gives at most four output bytes (a raw "/" or control character gets a
    // backslash, a lone line break becomes two escapes; an escape never grows), plus the quotes.
    AOut.EnsureSpare(AS.size() * (ANormalizeBreaks ? 4 : 2) + 2);
    char* w = AOut.Data() + AOut.Size();
    *w++ = '"';
    if (APlain) {
        std::memcpy(w, AS.data(), AS.size());
        w += AS.size();
    } else {
        const size_t n = AS.size();
        for (size_t i = 0; i < n; ++i) {
            const char c = AS[i];
            if (ANormalizeBreaks && (c == '\r' || c == '\n')) {
                std::memcpy(w, "\\r\\n", 4);
                w += 4;
                if (c == '\r' && i + 1 < n && AS[i + 1] == '\n')
                    ++i;
                continue;
            }
            if (c != '\\') {
                if (const char e = EscapeLetter(static_cast<unsigned char>(c))) {
                    *w++ = '\\';
                    *w++ = e;
                } else {
                    *w++ = c;
                }
                continue;
            }
            if (i + 1 >= n) {
                *w++ = c;
                continue;
            }
            const char letter = AS[i + 1];
            if (letter != 'u') {
                // A two-character escape is already in its serialised form.
                *w++ = '\\';
                *w++ = letter;
                ++i;
                continue;
            }
            int32_t unit = ReadHex4(AS, i + 2);
            if (unit < 0) {
                *w++ = c;
                continue;
            }
            i += 5;
            if (const char e = EscapeLetter(uint32_t(unit))) {
                *w++ = '\\';
                *w++ = e;
                continue;
            }
            uint32_t cp = uint32_t(unit);
            if (IsHighSurrogate(cp) && i + 2 < n && AS[i + 1] == '\\' && AS[i + 2] == 'u') {
                const int32_t low = ReadHex4(AS, i + 3);
                if (low >= 0 && IsLowSurrogate(uint32_t(low))) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (uint32_t(low) - 0xDC00);
                    i += 6;
                }
            }
            // Six escape bytes give at most four output bytes, so the reserve above holds.
            w += EncodeUtf8(cp, w);
        }
    }
    *w++ = '"';
    AOut.ResizeUninitialized(size_t(w - AOut.Data()));
}

std::u16string DecodeStringContents(std::string_view AS)
{
    std::u16string out;
    out.reserve(AS.size());
    size_t runStart = 0;
    const size_t n = AS.size();
    for (size_t i = 0; i < n; ++i) {
        if (AS[i] != '\\' || i + 1 >= n)
            continue;
        AppendUtf8ToUtf16(out, AS.substr(runStart, i - runStart));
        const char letter = AS[i + 1];
        const int32_t simple = SimpleEscape(letter);
        if (simple >= 0) {
            out.push_back(char16_t(simple));
            ++i;
        } else if (letter == 'u' && ReadHex4(AS, i + 2) >= 0) {
            out.push_back(char16_t(ReadHex4(AS, i + 2)));
            i += 5;
        } else {
            out.push_back(u'\\');
        }
        runStart = i + 1;
    }
    AppendUtf8ToUtf16(out, AS.substr(runStart < n ? runStart : n));
    return out;
}

size_t StringTokenLength(std::string_view AText, size_t AOffset)
{
    size_t i = AOffset + 1;
    while (i < AText.size()) {
        const char c = AText[i];
        if (c == '"')
            return i + 1 - AOffset;
        i += (c == '\\') ? 2 : 1;
    }
    return AText.size() - AOffset;
}
