#include "core/OutlinePath.h"

#include <vector>

std::vector<std::u16string_view> SplitBackslashPath(std::u16string_view APath)
{
    std::vector<std::u16string_view> segments;
    for (size_t start = 0;;) {
        const size_t slash = APath.find(u'\\', start);
        segments.push_back(APath.substr(
            start, slash == std::u16string_view::npos ? std::u16string_view::npos : slash - start));
        if (slash == std::u16string_view::npos)
            break;
        start = slash + 1;
    }
    return segments;
}

std::u16string NodePath(const TOutline& AOutline, TNodeIndex ANode)
{
    std::vector<TNodeIndex> chain;
    for (TNodeIndex n = ANode; n != NoNode; n = AOutline.Parent(n))
        chain.push_back(n);
    std::u16string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path.push_back(u'\\');
        path += AOutline.NodeData(*it).Name;
    }
    return path;
}

bool SameTextAscii(std::u16string_view AA, std::u16string_view AB)
{
    if (AA.size() != AB.size())
        return false;
    for (size_t i = 0; i < AA.size(); ++i) {
        char16_t x = AA[i];
        char16_t y = AB[i];
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

TNodeIndex FindNodeByPath(const TOutline& AOutline, std::u16string_view APath)
{
    const std::vector<std::u16string_view> segments = SplitBackslashPath(APath);
    size_t k = 0;
    TNodeIndex node = AOutline.Root();
    while (node != NoNode) {
        if (SameTextAscii(AOutline.NodeData(node).Name, segments[k])) {
            if (++k == segments.size())
                return node;
            node = AOutline.ChildCount(node) > 0 ? AOutline.Child(node, 0) : NoNode;
        } else {
            const TNodeIndex parent = AOutline.Parent(node);
            const uint32_t next = AOutline.Row(node) + 1;
            node = (parent != NoNode && next < AOutline.ChildCount(parent)) ? AOutline.Child(parent, next)
                                                                            : NoNode;
        }
    }
    return NoNode;
}

std::u16string ShortenText(std::u16string_view AText, int AN)
{
    std::u16string cut(AText);
    if (AN > 0 && cut.size() > size_t(AN)) {
        cut.resize(size_t(AN));
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
