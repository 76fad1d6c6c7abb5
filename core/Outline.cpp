#include "core/Outline.h"

#include "core/JSONText.h"
#include "core/NumberText.h"
#include "core/Utf.h"

#include <algorithm>
#include <string>

TRunIndex TOutline::FarRun(TNodeIndex ANode) const
{
    const TFarRun* first = FStore.FarRuns.Data();
    const TFarRun* last = first + FStore.FarRuns.Size();
    const TFarRun* found = std::lower_bound(
        first, last, ANode, [](const TFarRun& AFar, TNodeIndex ANode2) { return AFar.Node < ANode2; });
    return found != last && found->Node == ANode ? found->Run : NoRun;
}

uint64_t TOutline::FarOffset(TNodeIndex ANode) const
{
    const TFarOffset* first = FStore.FarOffsets.Data();
    const TFarOffset* last = first + FStore.FarOffsets.Size();
    const TFarOffset* found = std::lower_bound(
        first, last, ANode, [](const TFarOffset& AFar, TNodeIndex ANode2) { return AFar.Node < ANode2; });
    return found != last && found->Node == ANode ? found->Offset : 0;
}

int TOutline::Level(TNodeIndex ANode) const
{
    int level = 0;
    for (TNodeIndex p = Parent(ANode); p != NoNode; p = Parent(p))
        ++level;
    return level;
}

std::u16string TOutline::ScalarDisplay(size_t AOffset) const
{
    const std::string_view text = FText.View();
    switch (text[AOffset]) {
    case '"': {
        const size_t len = StringTokenLength(text, AOffset);
        return DecodeStringContents(text.substr(AOffset + 1, len >= 2 ? len - 2 : 0));
    }
    case 't':
        return u"true";
    case 'f':
        return u"false";
    case 'n':
        return u"null";
    default: {
        size_t end = AOffset;
        while (end < text.size() && text[end] != ',' && text[end] != '\r')
            ++end;
        const std::string_view number = text.substr(AOffset, end - AOffset);
        std::u16string out;
        if (!TryNumberDisplayValue(number, FDecimalSeparator, out))
            out.assign(number.begin(), number.end());
        return out;
    }
    }
}

TNodeData TOutline::NodeData(TNodeIndex ANode) const
{
    TNodeData data;
    data.Typ = Typ(ANode);
    const TNodeIndex parent = Parent(ANode);
    if (parent == NoNode) {
        data.Name = data.Typ == ntArray ? u"<array>" : u"<object>";
        return data;
    }
    const bool container = IsContainer(ANode);
    if (Typ(parent) == ntArray) {
        if (container) {
            const std::string name = "<element #" + std::to_string(Row(ANode)) + ">";
            data.Name.assign(name.begin(), name.end());
        } else {
            data.Name = ScalarDisplay(TokenOffset(ANode));
        }
        return data;
    }
    // A member: its name token, ": ", then the value's token.
    const std::string_view text = FText.View();
    const size_t offset = TokenOffset(ANode);
    const size_t nameLen = StringTokenLength(text, offset);
    data.Name = DecodeStringContents(text.substr(offset + 1, nameLen >= 2 ? nameLen - 2 : 0));
    if (!container)
        data.Value = ScalarDisplay(offset + nameLen + 2);
    return data;
}
