#include "core/JSONValue.h"

#include "core/JSONReader.h"
#include "core/JSONText.h"
#include "core/NumberText.h"
#include "core/Utf.h"

std::u16string TJSONValue::Value(std::u16string_view) const
{
    switch (FKind) {
    case TJSONKind::True:
        return u"true";
    case TJSONKind::False:
        return u"false";
    case TJSONKind::Null:
        return u"null";
    default:
        return {};
    }
}

std::u16string TJSONValue::ToString() const
{
    return Value();
}

std::u16string TJSONString::Value(std::u16string_view) const
{
    return FText;
}

std::u16string TJSONString::ToString() const
{
    return JSONQuote(FText);
}

std::u16string TJSONNumber::Value(std::u16string_view ADecimalSeparator) const
{
    std::u16string out;
    if (!TryNumberDisplayValue(FText, ADecimalSeparator, out))
        throw EJSONNumber("'" + FText + "' is not a valid number value");
    return out;
}

std::u16string TJSONNumber::ToString() const
{
    return std::u16string(FText.begin(), FText.end());
}

namespace {
// Builds the value tree from the reader's events.
class TTreeBuilder {
public:
    std::unique_ptr<TJSONValue> Root;

    void BeginObject() { Open(std::make_unique<TJSONObject>()); }
    void BeginArray() { Open(std::make_unique<TJSONArray>()); }
    void EndObject() { FStack.pop_back(); }
    void EndArray() { FStack.pop_back(); }
    void Key(std::string_view AContents, bool)
    {
        FName = std::make_unique<TJSONString>(DecodeStringContents(AContents));
    }
    void String(std::string_view AContents, bool)
    {
        Place(std::make_unique<TJSONString>(DecodeStringContents(AContents)));
    }
    void Number(std::string_view AText) { Place(std::make_unique<TJSONNumber>(std::string(AText))); }
    void Literal(TJSONLiteral AWhich)
    {
        switch (AWhich) {
        case TJSONLiteral::True:
            Place(std::make_unique<TJSONTrue>());
            break;
        case TJSONLiteral::False:
            Place(std::make_unique<TJSONFalse>());
            break;
        case TJSONLiteral::Null:
            Place(std::make_unique<TJSONNull>());
            break;
        }
    }

private:
    // Puts a finished value into the open container (or makes it the root); returns a pointer to it.
    TJSONValue* Place(std::unique_ptr<TJSONValue> AValue)
    {
        TJSONValue* raw = AValue.get();
        if (FStack.empty()) {
            Root = std::move(AValue);
        } else if (FStack.back()->IsArray()) {
            static_cast<TJSONArray*>(FStack.back())->Add(std::move(AValue));
        } else {
            static_cast<TJSONObject*>(FStack.back())->Add(std::move(FName), std::move(AValue));
        }
        return raw;
    }
    void Open(std::unique_ptr<TJSONValue> AContainer) { FStack.push_back(Place(std::move(AContainer))); }

    std::vector<TJSONValue*> FStack;
    std::unique_ptr<TJSONString> FName;
};
} // namespace

std::unique_ptr<TJSONValue> ParseJSONText(std::string_view AUtf8)
{
    TTreeBuilder builder;
    if (!ReadJSON(AUtf8, builder))
        return nullptr;
    return std::move(builder.Root);
}

std::unique_ptr<TJSONValue> ParseJSONText(std::u16string_view AText)
{
    return ParseJSONText(Utf16ToUtf8(AText));
}
