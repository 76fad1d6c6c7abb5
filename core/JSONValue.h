#pragma once
// The parsed form of a JSON text: a tree of values owned by its root.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

enum class TJSONKind : uint8_t { Object, Array, String, Number, True, False, Null };

// Raised by TJSONNumber::Value when the number has no display value.
class EJSONNumber : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TJSONValue {
public:
    explicit TJSONValue(TJSONKind AKind)
        : FKind(AKind)
    {
    }
    virtual ~TJSONValue() = default;
    TJSONValue(const TJSONValue&) = delete;
    TJSONValue& operator=(const TJSONValue&) = delete;

    TJSONKind Kind() const { return FKind; }
    bool IsObject() const { return FKind == TJSONKind::Object; }
    bool IsArray() const { return FKind == TJSONKind::Array; }
    bool IsString() const { return FKind == TJSONKind::String; }
    bool IsNumber() const { return FKind == TJSONKind::Number; }
    bool IsTrue() const { return FKind == TJSONKind::True; }
    bool IsFalse() const { return FKind == TJSONKind::False; }
    bool IsNull() const { return FKind == TJSONKind::Null; }

    // The display text: decoded text of a string, display value of a number (may throw
    // EJSONNumber), "true"/"false"/"null", empty for containers.
    virtual std::u16string Value(std::u16string_view ADecimalSeparator = u".") const;
    // The serialised text of a scalar: quoted and escaped string, number as written, literal.
    // Empty for containers, whose serialised text the program never uses.
    virtual std::u16string ToString() const;

private:
    TJSONKind FKind;
};

class TJSONString : public TJSONValue {
public:
    explicit TJSONString(std::u16string AText)
        : TJSONValue(TJSONKind::String)
        , FText(std::move(AText))
    {
    }
    const std::u16string& Text() const { return FText; }
    std::u16string Value(std::u16string_view ADecimalSeparator = u".") const override;
    std::u16string ToString() const override;

private:
    std::u16string FText;
};

class TJSONNumber : public TJSONValue {
public:
    explicit TJSONNumber(std::string AText)
        : TJSONValue(TJSONKind::Number)
        , FText(std::move(AText))
    {
    }
    // The characters as written in the text.
    const std::string& Text() const { return FText; }
    std::u16string Value(std::u16string_view ADecimalSeparator = u".") const override;
    std::u16string ToString() const override;

private:
    std::string FText;
};

class TJSONTrue : public TJSONValue {
public:
    TJSONTrue()
        : TJSONValue(TJSONKind::True)
    {
    }
};

class TJSONFalse : public TJSONValue {
public:
    TJSONFalse()
        : TJSONValue(TJSONKind::False)
    {
    }
};

class TJSONNull : public TJSONValue {
public:
    TJSONNull()
        : TJSONValue(TJSONKind::Null)
    {
    }
};

// A member of an object: a name (a string value) and a value.
class TJSONPair {
public:
    TJSONPair(std::unique_ptr<TJSONString> AName, std::unique_ptr<TJSONValue> AValue)
        : FName(std::move(AName))
        , FValue(std::move(AValue))
    {
    }
    const TJSONString& Name() const { return *FName; }
    const TJSONValue& Value() const { return *FValue; }

private:
    std::unique_ptr<TJSONString> FName;
    std::unique_ptr<TJSONValue> FValue;
};

class TJSONObject : public TJSONValue {
public:
    TJSONObject()
        : TJSONValue(TJSONKind::Object)
    {
    }
    int Count() const { return int(FMembers.size()); }
    // The i-th member in text order, 0 <= i < Count(); names may repeat.
    const TJSONPair& Get(int AI) const { return FMembers.at(size_t(AI)); }
    void Add(std::unique_ptr<TJSONString> AName, std::unique_ptr<TJSONValue> AValue)
    {
        FMembers.emplace_back(std::move(AName), std::move(AValue));
    }

private:
    std::vector<TJSONPair> FMembers;
};

class TJSONArray : public TJSONValue {
public:
    TJSONArray()
        : TJSONValue(TJSONKind::Array)
    {
    }
    int Count() const { return int(FItems.size()); }
    const TJSONValue& Get(int AI) const { return *FItems.at(size_t(AI)); }
    void Add(std::unique_ptr<TJSONValue> AValue) { FItems.push_back(std::move(AValue)); }

private:
    std::vector<std::unique_ptr<TJSONValue>> FItems;
};

// Parses a JSON text given as UTF-8 bytes; nullptr when the text is refused. Never throws for bad
// input (memory exhaustion still raises std::bad_alloc).
std::unique_ptr<TJSONValue> ParseJSONText(std::string_view AUtf8);
// The same for a UTF-16 text (lone surrogates outside escapes become U+FFFD on the way to UTF-8).
std::unique_ptr<TJSONValue> ParseJSONText(std::u16string_view AText);
