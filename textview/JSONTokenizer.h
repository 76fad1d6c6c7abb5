#pragma once
// The JSON highlighter's scanner, without widgets: it splits UTF-8 text into coloured tokens for the
// source view, the value view, the editor and `quillon-bench highlight`.
//
// The text is read line by line; lines end at CR LF, a lone CR or a lone LF. A line break is no
// token, and the range state (where in an object or array the scan is) carries over it. Tokens never
// span lines, so the token boundaries of a line do not depend on the lines before it: only the
// attributes (the colours) of strings do, through the range state.
//
// Tokens, from the start of a line:
//   - a double quote starts a string, ending after the next unescaped double quote or at the line
//     end; a backslash passes over a following ", /, \, b, f, n, r or t; a backslash before any other
//     character is an ordinary character, except before "u" without four hexadecimal digits: then
//     the token is unknown and runs on to the next space, double quote or line end;
//   - "-" or a digit starts a number: optional "-", digits, optional "." and digits, optional "e" or
//     "E", optional sign and digits (a leading 0 is an ordinary digit, so 0, -0 and 0e5 are numbers);
//     where a digit is missing the token is unknown and runs on to the next space or line end;
//   - "t", "f", "n" starting true, false, null give a reserved word of that length; otherwise the
//     token is unknown and runs on to the next space, comma or line end;
//   - { } [ ] : , are one-character symbols, and change the range state;
//   - a run of U+0001..U+0020 is a space; U+0000 is a null token (strings run on through it);
//   - any other character is a one-character unknown token.
// "Space" is every character from U+0001 to U+0020.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

enum TtkTokenKind : uint8_t { tkString, tkReserved, tkNull, tkNumber, tkSpace, tkSymbol, tkUnknown };

// Carried from the end of one line to the start of the next; rsUnknown at the first line.
enum TRangeState : uint8_t { rsUnknown, rsAttribute, rsObjectValue, rsArrayValue };

// The highlighter's attributes; saNone paints in the view's plain text colour.
enum TSynAttributeKind : uint8_t {
    saNone,
    saAttribute,
    saReservedWord,
    saNumber,
    saSpace,
    saSymbol,
    saValue
};
inline constexpr int SynAttributeCount = saValue + 1;

// The look of an attribute: a foreground colour (or the default one) and boldness.
struct TSynAttributeLook {
    bool HasColor;
    uint8_t Red, Green, Blue;
    bool Bold;
};

// "Attribute", "ReservedWord", ... ; "-" for saNone.
const char* SynAttributeName(TSynAttributeKind AAttribute);
// The default look: names navy, reserved words bold, numbers red, symbols green, values blue.
TSynAttributeLook SynAttributeDefaultLook(TSynAttributeKind AAttribute);
// "tkString", "tkReserved", ...
const char* TokenKindName(TtkTokenKind AKind);

struct TJSONToken {
    size_t Start; // byte offset in the scanned text
    size_t Length; // in bytes
    TtkTokenKind Kind;
    TSynAttributeKind Attribute;
};

// The attribute of a token of AKind that starts while the range state is AState.
constexpr TSynAttributeKind AttributeOf(TtkTokenKind AKind, TRangeState AState)
{
    switch (AKind) {
    case tkString:
        return (AState == rsObjectValue || AState == rsArrayValue) ? saValue : saAttribute;
    case tkUnknown:
        return saAttribute;
    case tkReserved:
        return saReservedWord;
    case tkNumber:
        return saNumber;
    case tkSpace:
        return saSpace;
    case tkSymbol:
        return saSymbol;
    case tkNull:
        return saNone;
    }
    return saNone;
}

// The range state after the symbol ASymbol ({ } [ ] : ,) in state AState.
constexpr TRangeState StateAfterSymbol(char ASymbol, TRangeState AState)
{
    switch (ASymbol) {
    case '{':
        return rsAttribute;
    case ':':
        return rsObjectValue;
    case ',':
        return AState == rsObjectValue ? rsAttribute : AState;
    case '[':
        return rsArrayValue;
    default: // } ]
        return rsUnknown;
    }
}

// What one line does to the range state: keeps it, applies a comma to it, or sets it.
struct TLineTransition {
    enum TKind : uint8_t { ltKeep, ltComma, ltSet } Kind = ltKeep;
    TRangeState Target = rsUnknown; // for ltSet

    TRangeState Apply(TRangeState AState) const
    {
        return Kind == ltSet ? Target : Kind == ltComma ? StateAfterSymbol(',', AState) : AState;
    }
    // This line's effect followed by ANext's.
    TLineTransition Then(const TLineTransition& ANext) const;
};

class TJSONTokenizer {
public:
    // Scans AText (one or more lines; a line break may end it) from the start of a line in AState.
    TJSONTokenizer(std::string_view AText, TRangeState AState)
        : FText(AText)
        , FState(AState)
    {
    }

    // The next token; false at the end of the text. Line breaks are skipped (see Line).
    bool Next(TJSONToken& AToken);

    // The range state after the tokens read so far.
    TRangeState State() const { return FState; }
    // Line breaks passed so far, and where the current line starts.
    size_t Line() const { return FLine; }
    size_t LineStart() const { return FLineStart; }
    // Byte offset of the scan.
    size_t Position() const { return FPos; }

    // The effect of a run of whole lines on the range state.
    static TLineTransition Transition(std::string_view ALines);

private:
    size_t SkipLineBreaks();
    size_t RunTo(size_t AFrom, bool AStopAtQuote, bool AStopAtComma) const;
    size_t ScanString(size_t AFrom, bool& AUnknown) const;
    size_t ScanNumber(size_t AFrom, bool& AUnknown) const;

    std::string_view FText;
    TRangeState FState;
    size_t FPos = 0;
    size_t FLine = 0;
    size_t FLineStart = 0;
};

// The scanner runs once per token over texts of hundreds of megabytes: it is inline, so that the
// loops that drive it (counting, styling) compile into one.
namespace JSONTokenizerDetail {
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
inline constexpr std::array<TByteClass, 256> Classes = MakeClasses();

// Bytes that end the plain part of a string: the quote, a backslash, a line break.
constexpr std::array<bool, 256> MakeStringStops()
{
    std::array<bool, 256> stops {};
    stops[size_t('"')] = stops[size_t('\\')] = stops[size_t('\r')] = stops[size_t('\n')] = true;
    return stops;
}
inline constexpr std::array<bool, 256> StringStops = MakeStringStops();

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
inline size_t CharacterLength(std::string_view s, size_t AFrom)
{
    const uint8_t lead = ByteAt(s, AFrom);
    const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    size_t length = 1;
    while (length < expected && AFrom + length < s.size() && (ByteAt(s, AFrom + length) & 0xC0) == 0x80)
        ++length;
    return length;
}

} // namespace JSONTokenizerDetail

inline size_t TJSONTokenizer::RunTo(size_t AFrom, bool AStopAtQuote, bool AStopAtComma) const
{
    size_t i = AFrom;
    for (; i < FText.size(); ++i) {
        const uint8_t c = JSONTokenizerDetail::ByteAt(FText, i);
        if ((c >= 0x01 && c <= 0x20) || (AStopAtQuote && c == '"') || (AStopAtComma && c == ','))
            break;
    }
    return i;
}

inline size_t TJSONTokenizer::ScanString(size_t AFrom, bool& AUnknown) const
{
    const size_t size = FText.size();
    size_t i = AFrom + 1;
    for (;;) {
        while (i < size && !JSONTokenizerDetail::StringStops[JSONTokenizerDetail::ByteAt(FText, i)])
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
            if (i + 5 < size && JSONTokenizerDetail::IsHexDigit(FText[i + 2])
                && JSONTokenizerDetail::IsHexDigit(FText[i + 3])
                && JSONTokenizerDetail::IsHexDigit(FText[i + 4])
                && JSONTokenizerDetail::IsHexDigit(FText[i + 5])) {
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

inline size_t TJSONTokenizer::ScanNumber(size_t AFrom, bool& AUnknown) const
{
    size_t i = AFrom;
    if (FText[i] == '-')
        ++i;
    auto digits = [&] {
        if (!JSONTokenizerDetail::IsDigit(FText, i))
            return false;
        while (JSONTokenizerDetail::IsDigit(FText, i))
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

inline size_t TJSONTokenizer::SkipLineBreaks()
{
    while (FPos < FText.size() && JSONTokenizerDetail::IsBreak(JSONTokenizerDetail::ByteAt(FText, FPos))) {
        if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n')
            ++FPos;
        ++FPos;
        ++FLine;
        FLineStart = FPos;
    }
    return FPos;
}

inline bool TJSONTokenizer::Next(TJSONToken& AToken)
{
    if (FPos >= FText.size())
        return false;
    if (JSONTokenizerDetail::IsBreak(JSONTokenizerDetail::ByteAt(FText, FPos))
        && SkipLineBreaks() >= FText.size())
        return false;
    const size_t start = FPos;
    const TRangeState state = FState;
    TtkTokenKind kind = tkUnknown;
    size_t end = start + 1;
    bool unknown = false;
    switch (JSONTokenizerDetail::Classes[JSONTokenizerDetail::ByteAt(FText, start)]) {
    case JSONTokenizerDetail::bcQuote:
        end = ScanString(start, unknown);
        kind = unknown ? tkUnknown : tkString;
        break;
    case JSONTokenizerDetail::bcNumber:
        end = ScanNumber(start, unknown);
        kind = unknown ? tkUnknown : tkNumber;
        break;
    case JSONTokenizerDetail::bcReserved: {
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
    case JSONTokenizerDetail::bcSymbol:
        kind = tkSymbol;
        FState = StateAfterSymbol(FText[start], FState);
        break;
    case JSONTokenizerDetail::bcSpace:
        while (end < FText.size()
            && JSONTokenizerDetail::Classes[JSONTokenizerDetail::ByteAt(FText, end)]
                == JSONTokenizerDetail::bcSpace)
            ++end;
        kind = tkSpace;
        break;
    case JSONTokenizerDetail::bcNull:
        kind = tkNull;
        break;
    case JSONTokenizerDetail::bcWide:
        end = start + JSONTokenizerDetail::CharacterLength(FText, start);
        break;
    case JSONTokenizerDetail::bcOther:
    case JSONTokenizerDetail::bcBreak:
        break;
    }
    FPos = end;
    AToken = {start, end - start, kind, AttributeOf(kind, state)};
    return true;
}

// Whether ABytes is one UTF-8 character above U+FFFF: reported in UTF-16 as two one-unit tokens.
bool IsSupplementaryCharacter(std::string_view ABytes);

// UTF-16 code units of UTF-8 text (a byte that starts no valid sequence counts as one unit).
size_t Utf16Length(std::string_view AText);

// A token as reports list it: line and column from 1, column and length in UTF-16 code units.
struct TJSONTokenReport {
    size_t Line;
    size_t Column;
    size_t Length;
    TtkTokenKind Kind;
    TSynAttributeKind Attribute;
};

// Calls ASink(const TJSONTokenReport&) for every token of AText, scanned from rsUnknown.
template<typename TSink> void ReportTokens(std::string_view AText, TSink&& ASink)
{
    TJSONTokenizer scanner(AText, rsUnknown);
    TJSONToken token;
    size_t line = size_t(-1);
    size_t column = 1;
    size_t columnAt = 0; // byte offset that `column` stands for
    while (scanner.Next(token)) {
        if (scanner.Line() != line) {
            line = scanner.Line();
            column = 1;
            columnAt = scanner.LineStart();
        }
        column += Utf16Length(AText.substr(columnAt, token.Start - columnAt));
        columnAt = token.Start;
        const std::string_view bytes = AText.substr(token.Start, token.Length);
        if (token.Kind == tkUnknown && IsSupplementaryCharacter(bytes)) {
            ASink(TJSONTokenReport {line + 1, column, 1, token.Kind, token.Attribute});
            ASink(TJSONTokenReport {line + 1, column + 1, 1, token.Kind, token.Attribute});
        } else {
            ASink(TJSONTokenReport {line + 1, column, Utf16Length(bytes), token.Kind, token.Attribute});
        }
    }
}
