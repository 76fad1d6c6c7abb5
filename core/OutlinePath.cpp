#include "core/OutlinePath.h"

#include <vector>

std::u16string NodePath(const TOutline& outline, TNodeIndex node)
{
    std::vector<TNodeIndex> chain;
    for (TNodeIndex n = node; n != NoNode; n = outline.Parent(n))
        chain.push_back(n);
    std::u16string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path.push_back(u'\\');
        path += outline.NodeData(*it).Name;
    }
    return path;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

TNodeIndex FindNodeByPath(const TOutline& outline, std::u16string_view path)
{
    std::vector<std::u16string_view> segments;
    for (size_t start = 0;;) {
        const size_t slash = path.find(u'\\', start);
        segments.push_back(path.substr(
            start, slash == std::u16string_view::npos ? std::u16string_view::npos : slash - start));
        if (slash == std::u16string_view::npos)
            break;
        start = slash + 1;
    }
    size_t k = 0;
    TNodeIndex node = outline.Root();
    while (node != NoNode) {
        if (SameTextAscii(outline.NodeData(node).Name, segments[k])) {
            if (++k == segments.size())
                return node;
            node = outline.ChildCount(node) > 0 ? outline.Child(node, 0) : NoNode;
        } else {
            const TNodeIndex parent = outline.Parent(node);
            const uint32_t next = outline.Row(node) + 1;
            node = (parent != NoNode && next < outline.ChildCount(parent)) ? outline.Child(parent, next)
                                                                           : NoNode;
        }
    }
    return NoNode;
}

std::u16string ShortenText(std::u16string_view text, int n)
{
    std::u16string cut(text);
    if (n > 0 && cut.size() > size_t(n)) {
        cut.resize(size_t(n));
        cut += u"...";
    }
    std::u16string out;
    out.reserve(cut.size());
    for (size_t i = 0; i < cut.size(); ++i) {
        if (cut[i] == u'\r' && i + 1 < cut.size() && cut[i + 1] == u'\n') {
            ++i;
            continue;
        }
        out.push_back(cut[i]);
    }
    return out;
}
