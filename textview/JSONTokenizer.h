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
