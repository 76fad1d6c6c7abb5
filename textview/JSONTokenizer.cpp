#include "textview/JSONTokenizer.h"

#include <array>

namespace {

// Byte classes for the scanner's dispatch, one table lookup per token start.
enum TByteClass : uint8_t {
    bcOther,
    bcQuote,
    bcNumber,
    bcReserved,
    bcSymbol,
    bcSpace,
    bcNull,
    bcBreak,
    bcWide
};

constexpr std::array<TByteClass, 256> MakeClasses()
{
    std::array<TByteClass, 256> classes {};
    for (int c = 0; c < 256; ++c) {
        TByteClass k = bcOther;
        if (c == 0)
            k = bcNull;
        else if (c == '\r' || c == '\n')
            k = bcBreak;
        else if (c <= 0x20)
            k = bcSpace;
        else if (c == '"')
            k = bcQuote;
        else if (c == '-' || (c >= '0' && c <= '9'))
            k = bcNumber;
        else if (c == 't' || c == 'f' || c == 'n')
            k = bcReserved;
        else if (c == '{' || c == '}' || c == '[' || c == ']' || c == ':' || c == ',')
            k = bcSymbol;
        else if (c >= 0x80)
            k = bcWide;
        classes[size_t(c)] = k;
    }
    return classes;
}
constexpr std::array<TByteClass, 256> Classes = MakeClasses();

// Bytes that end the plain part of a string: the quote, a backslash, a line break.
constexpr std::array<bool, 256> MakeStringStops()
{
    std::array<bool, 256> stops {};
    stops[size_t('"')] = stops[size_t('\\')] = stops[size_t('\r')] = stops[size_t('\n')] = true;
    return stops;
}
constexpr std::array<bool, 256> StringStops = MakeStringStops();

inline uint8_t ByteAt(std::string_view s, size_t i)
{
    return static_cast<uint8_t>(s[i]);
}

inline bool IsDigit(std::string_view s, size_t i)
{
    return i < s.size() && s[i] >= '0' && s[i] <= '9';
}

inline bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline bool IsBreak(uint8_t c)
{
    return c == '\r' || c == '\n';
}

// The length of the UTF-8 character whose lead byte is at AFrom (1 for a byte that leads nothing).
size_t CharacterLength(std::string_view s, size_t AFrom)
{
    const uint8_t lead = ByteAt(s, AFrom);
    const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    size_t length = 1;
    while (length < expected && AFrom + length < s.size() && (ByteAt(s, AFrom + length) & 0xC0) == 0x80)
        ++length;
    return length;
}

constexpr const char* AttributeNames[SynAttributeCount] = {
    "-", "Attribute", "ReservedWord", "Number", "Space", "Symbol", "Value"};
constexpr const char* KindNames[] = {
    "tkString", "tkReserved", "tkNull", "tkNumber", "tkSpace", "tkSymbol", "tkUnknown"};

} // namespace

const char* SynAttributeName(TSynAttributeKind AAttribute)
{
    return AttributeNames[AAttribute];
}

TSynAttributeLook SynAttributeDefaultLook(TSynAttributeKind AAttribute)
{
    switch (AAttribute) {
    case saAttribute:
        return {true, 0, 0, 128, false};
    case saReservedWord:
        return {false, 0, 0, 0, true};
    case saNumber:
        return {true, 255, 0, 0, false};
    case saSymbol:
        return {true, 0, 128, 0, false};
    case saValue:
        return {true, 0, 0, 255, false};
    case saNone:
    case saSpace:
        break;
    }
    return {false, 0, 0, 0, false};
}

const char* TokenKindName(TtkTokenKind AKind)
{
    return KindNames[AKind];
}

TLineTransition TLineTransition::Then(const TLineTransition& ANext) const
{
    switch (ANext.Kind) {
    case ltSet:
        return ANext;
    case ltComma:
        if (Kind == ltSet)
            return {ltSet, StateAfterSymbol(',', Target)};
        return {ltComma, rsUnknown};
    case ltKeep:
        break;
    }
    return *this;
}

size_t TJSONTokenizer::RunTo(size_t AFrom, bool AStopAtQuote, bool AStopAtComma) const
{
    size_t i = AFrom;
    for (; i < FText.size(); ++i) {
        const uint8_t c = ByteAt(FText, i);
        if ((c >= 0x01 && c <= 0x20) || (AStopAtQuote && c == '"') || (AStopAtComma && c == ','))
            break;
    }
    return i;
}

size_t TJSONTokenizer::ScanString(size_t AFrom, bool& AUnknown) const
{
    const size_t size = FText.size();
    size_t i = AFrom + 1;
    for (;;) {
        while (i < size && !StringStops[ByteAt(FText, i)])
            ++i;
        if (i >= size)
            return size;
        const char c = FText[i];
        if (c == '"')
            return i + 1;
        if (c != '\\')
            return i; // a line break ends the string
        if (i + 1 >= size) {
            ++i;
            continue;
        }
        switch (FText[i + 1]) {
        case '"':
        case '/':
        case '\\':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            i += 2;
            break;
        case 'u':
            if (i + 5 < size && IsHexDigit(FText[i + 2]) && IsHexDigit(FText[i + 3])
                && IsHexDigit(FText[i + 4]) && IsHexDigit(FText[i + 5])) {
                i += 6;
                break;
            }
            AUnknown = true;
            return RunTo(i, true, false);
        default:
            ++i; // an ordinary backslash
        }
    }
}

size_t TJSONTokenizer::ScanNumber(size_t AFrom, bool& AUnknown) const
{
    size_t i = AFrom;
    if (FText[i] == '-')
        ++i;
    auto digits = [&] {
        if (!IsDigit(FText, i))
            return false;
        while (IsDigit(FText, i))
            ++i;
        return true;
    };
    bool ok = digits();
    if (ok && i < FText.size() && FText[i] == '.') {
        ++i;
        ok = digits();
    }
    if (ok && i < FText.size() && (FText[i] == 'e' || FText[i] == 'E')) {
        ++i;
        if (i < FText.size() && (FText[i] == '+' || FText[i] == '-'))
            ++i;
        ok = digits();
    }
    if (ok)
        return i;
    AUnknown = true;
    return RunTo(AFrom, false, false);
}

size_t TJSONTokenizer::SkipLineBreaks()
{
    while (FPos < FText.size() && IsBreak(ByteAt(FText, FPos))) {
        if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n')
            ++FPos;
        ++FPos;
        ++FLine;
        FLineStart = FPos;
    }
    return FPos;
}

bool TJSONTokenizer::Next(TJSONToken& AToken)
{
    if (FPos >= FText.size())
        return false;
    if (IsBreak(ByteAt(FText, FPos)) && SkipLineBreaks() >= FText.size())
        return false;
    const size_t start = FPos;
    const TRangeState state = FState;
    TtkTokenKind kind = tkUnknown;
    size_t end = start + 1;
    bool unknown = false;
    switch (Classes[ByteAt(FText, start)]) {
    case bcQuote:
        end = ScanString(start, unknown);
        kind = unknown ? tkUnknown : tkString;
        break;
    case bcNumber:
        end = ScanNumber(start, unknown);
        kind = unknown ? tkUnknown : tkNumber;
        break;
    case bcReserved: {
        const std::string_view word = FText[start] == 't' ? std::string_view("true")
            : FText[start] == 'f'                         ? std::string_view("false")
                                                          : std::string_view("null");
        if (FText.substr(start, word.size()) == word) {
            end = start + word.size();
            kind = tkReserved;
        } else {
            end = RunTo(start, false, true);
        }
        break;
    }
    case bcSymbol:
        kind = tkSymbol;
        FState = StateAfterSymbol(FText[start], FState);
        break;
    case bcSpace:
        while (end < FText.size() && Classes[ByteAt(FText, end)] == bcSpace)
            ++end;
        kind = tkSpace;
        break;
    case bcNull:
        kind = tkNull;
        break;
    case bcWide:
        end = start + CharacterLength(FText, start);
        break;
    case bcOther:
    case bcBreak:
        break;
    }
    FPos = end;
    AToken = {start, end - start, kind, AttributeOf(kind, state)};
    return true;
}

TLineTransition TJSONTokenizer::Transition(std::string_view ALines)
{
    TLineTransition transition;
    TJSONTokenizer scanner(ALines, rsUnknown);
    TJSONToken token;
    while (scanner.Next(token)) {
        if (token.Kind != tkSymbol)
            continue;
        const char symbol = ALines[token.Start];
        if (symbol == ',')
            transition = transition.Then({TLineTransition::ltComma, rsUnknown});
        else
            transition = {TLineTransition::ltSet, StateAfterSymbol(symbol, rsUnknown)};
    }
    return transition;
}

bool IsSupplementaryCharacter(std::string_view ABytes)
{
    return ABytes.size() == 4 && static_cast<uint8_t>(ABytes[0]) >= 0xF0;
}

size_t Utf16Length(std::string_view AText)
{
    // Every byte that is no continuation byte starts a character; a four-byte character takes two
    // units. Counted without branches, so long selections are quick.
    size_t units = 0;
    for (const char c : AText) {
        const uint8_t b = static_cast<uint8_t>(c);
        units += size_t((b & 0xC0) != 0x80) + size_t(b >= 0xF0);
    }
    return units;
}
