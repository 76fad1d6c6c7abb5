#include "textview/JSONRangeStates.h"

#include <algorithm>
#include <cstring>

namespace {
// Lines read at once when looking back; formatted JSON rarely needs more than one line.
constexpr size_t LookBackBlock = 4096;
// Remembered states are few (one per far jump); past this many they start afresh.
constexpr size_t MostKnown = 65536;

} // namespace

TRangeState TJSONRangeStates::StateAt(size_t ALine, ITextLines& AText)
{
    if (ALine == 0)
        return rsUnknown;
    auto known = FKnown.lower_bound(ALine);
    if (known != FKnown.end() && known->first == ALine)
        return known->second;
    // Where the look back may stop: the nearest remembered line before ALine, else the text's start.
    size_t floor = 0;
    TRangeState floorState = rsUnknown;
    if (known != FKnown.begin()) {
        --known;
        floor = known->first;
        floorState = known->second;
    }
    TRangeState state = LookBack(ALine, floor, floorState, AText, true);
    // Lines passed unread may have held commas, which only matter to an object's value.
    if (state == StateAmbiguous)
        state = LookBack(ALine, floor, floorState, AText, false);
    Remember(ALine, state);
    return state;
}

TRangeState TJSONRangeStates::LookBack(
    size_t ALine, size_t AFloor, TRangeState AFloorState, ITextLines& AText, bool ASkipPlain)
{
    TLineTransition after; // what lines [line, ALine) do
    bool skipped = false;
    size_t line = ALine;
    while (line > AFloor && after.Kind != TLineTransition::ltSet) {
        const size_t first = line - std::min(LookBackBlock, line - AFloor);
        const std::string_view lines = AText.Lines(first, line);
        // Lines without a bracket or colon anywhere set nothing: at most a comma of theirs counts.
        if (ASkipPlain && !HasStateSymbol(lines)) {
            skipped = true;
        } else {
            const TLineTransition transition = TJSONTokenizer::Transition(lines);
            after = skipped && transition.Kind == TLineTransition::ltSet && transition.Target == rsObjectValue
                ? TLineTransition {TLineTransition::ltSet, StateAmbiguous}
                : transition.Then(after);
        }
        line = first;
    }
    if (after.Kind == TLineTransition::ltSet)
        return after.Target;
    if (skipped && AFloorState == rsObjectValue)
        return StateAmbiguous;
    return after.Apply(AFloorState);
}

bool TJSONRangeStates::HasStateSymbol(std::string_view ALines)
{
    for (const char symbol : {'{', '}', '[', ']', ':'})
        if (std::memchr(ALines.data(), symbol, ALines.size()))
            return true;
    return false;
}

void TJSONRangeStates::Remember(size_t ALine, TRangeState AState)
{
    if (ALine == 0)
        return;
    if (FKnown.size() >= MostKnown)
        FKnown.clear();
    FKnown[ALine] = AState;
}

void TJSONRangeStates::Forget(size_t AFrom)
{
    FKnown.erase(FKnown.lower_bound(AFrom), FKnown.end());
}

TBufferLines::TBufferLines(std::string_view AText)
    : FText(AText)
{
    FStarts.push_back(0);
    for (size_t i = 0; i < AText.size(); ++i) {
        if (AText[i] == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')
            ++i;
        if (AText[i] == '\r' || AText[i] == '\n')
            FStarts.push_back(i + 1);
    }
}

std::string_view TBufferLines::Lines(size_t AFirst, size_t ALast)
{
    const size_t from = FStarts[std::min(AFirst, FStarts.size() - 1)];
    const size_t to = ALast < FStarts.size() ? FStarts[ALast] : FText.size();
    return FText.substr(from, to - from);
}
