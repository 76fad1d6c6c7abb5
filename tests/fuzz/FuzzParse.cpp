// Any bytes: the parser must answer (a tree or nothing) without crashing, and the formatter must
// agree with it on acceptance.
#include "core/JSONValue.h"
#include "core/OutlineBuilder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto root = ParseJSONText(text);
    TOutline outline;
    TJSONCounts counts;
    const std::string_view formatted = BuildOutline(text, outline, counts);
    const bool container = root && (root->IsObject() || root->IsArray());
    if (container == formatted.empty())
        std::abort();
    for (TNodeIndex i = 0; i < outline.NodeCount(); ++i)
        (void)outline.NodeData(i);
    return 0;
}
