#include "textview/JSONTokenizer.h"

#include <array>

namespace {

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
