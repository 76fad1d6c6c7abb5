#pragma once
// The outline builder and formatter written the slow, literal way over the value tree: each
// container's text built on its own, trimmed and appended to its parent's line. The fast builder
// must give the same characters, counts and nodes.

#include "core/JSONValue.h"
#include "core/Outline.h"
#include "core/OutlineBuilder.h"

#include <string>
#include <vector>

struct TReferenceNode {
    int Depth;
    TNodeData Data;
};

struct TReferenceResult {
    std::u16string Text;
    TJSONCounts Counts;
    std::vector<TReferenceNode> Nodes; // pre-order
};

class TReferenceWalk {
public:
    explicit TReferenceWalk(std::u16string separator)
        : FSeparator(std::move(separator))
    {
    }

    TReferenceResult Build(std::string_view utf8)
    {
        FResult = {};
        FDepth = 0;
        const auto root = ParseJSONText(utf8);
        std::u16string out;
        if (root && root->IsObject())
            WalkObject(static_cast<const TJSONObject&>(*root), out, -1);
        else if (root && root->IsArray())
            WalkArray(static_cast<const TJSONArray&>(*root), out, -1);
        FResult.Text = Trim(out, true);
        return std::move(FResult);
    }

private:
    static bool Blank(char16_t c) { return c <= u' '; }
    static std::u16string Trim(std::u16string s, bool leading)
    {
        while (!s.empty() && Blank(s.back()))
            s.pop_back();
        size_t i = 0;
        while (leading && i < s.size() && Blank(s[i]))
            ++i;
        return s.substr(i);
    }
    std::u16string Display(const TJSONValue& v)
    {
        try {
            return v.Value(FSeparator);
        } catch (const EJSONNumber&) {
            return v.ToString();
        }
    }
    int AddNode(int parentDepth, std::u16string name, std::u16string value, TNodeType typ)
    {
        FResult.Nodes.push_back({parentDepth + 1, {std::move(name), std::move(value), typ}});
        return parentDepth + 1;
    }
    static std::u16string Spaces(int n) { return std::u16string(size_t(n), u' '); }
    static std::u16string Number(int i)
    {
        const std::string s = std::to_string(i);
        return std::u16string(s.begin(), s.end());
    }

    void WalkObject(const TJSONObject& object, std::u16string& out, int parentDepth)
    {
        const int d = ++FDepth;
        if (parentDepth < 0)
            parentDepth = AddNode(-1, u"<object>", u"", ntObject);
        ++FResult.Counts.FObjCnt;
        out += u"{\r\n";
        for (int i = 0; i < object.Count(); ++i) {
            const std::u16string sep = i + 1 < object.Count() ? u"," : u"";
            const TJSONPair& member = object.Get(i);
            const TJSONValue& value = member.Value();
            const std::u16string name = member.Name().Value();
            std::u16string item;
            if (value.IsArray()) {
                const int depth = AddNode(parentDepth, name, u"", ntArray);
                WalkArray(static_cast<const TJSONArray&>(value), item, depth);
            } else if (value.IsObject()) {
                const int depth = AddNode(parentDepth, name, u"", ntObject);
                WalkObject(static_cast<const TJSONObject&>(value), item, depth);
            } else {
                const TNodeType typ = value.IsNumber() ? ntNumber
                    : value.IsString()                 ? ntString
                    : value.IsNull()                   ? ntNull
                    : value.IsFalse()                  ? ntFalse
                                                       : ntTrue;
                AddNode(parentDepth, name, Display(value), typ);
                item = value.ToString();
                ++FResult.Counts.FValCnt;
            }
            out += Spaces(2 * d) + member.Name().ToString() + u": " + Trim(item, false) + sep + u"\r\n";
        }
        out += Spaces(2 * (d - 1)) + u"}\r\n";
        --FDepth;
    }

    void WalkArray(const TJSONArray& array, std::u16string& out, int parentDepth)
    {
        ++FResult.Counts.FArrCnt;
        const int d = ++FDepth;
        if (parentDepth < 0)
            parentDepth = AddNode(-1, u"<array>", u"", ntArray);
        out += u"[\r\n";
        for (int i = 0; i < array.Count(); ++i) {
            const std::u16string sep = i + 1 < array.Count() ? u"," : u"";
            const TJSONValue& element = array.Get(i);
            std::u16string item;
            if (element.IsArray()) {
                const int depth = AddNode(parentDepth, u"<element #" + Number(i) + u">", u"", ntArray);
                WalkArray(static_cast<const TJSONArray&>(element), item, depth);
            } else if (element.IsObject()) {
                const int depth = AddNode(parentDepth, u"<element #" + Number(i) + u">", u"", ntObject);
                WalkObject(static_cast<const TJSONObject&>(element), item, depth);
            } else {
                AddNode(parentDepth, Display(element), u"", ntString);
                item = Spaces(2 * d) + element.ToString();
                ++FResult.Counts.FValCnt;
            }
            out += Spaces(2 * d) + Trim(item, false) + sep + u"\r\n";
        }
        out += Spaces(2 * (d - 1)) + u"]\r\n";
        --FDepth;
    }

    std::u16string FSeparator;
    TReferenceResult FResult;
    int FDepth = 0;
};
