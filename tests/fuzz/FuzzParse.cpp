// Any bytes: the parser must answer (a tree or nothing) without crashing, the formatter must agree
// with it on acceptance, and a file's bytes must build the same document directly as decoded.
#include "core/DocumentText.h"
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

    // As a file: built from the bytes directly or from their decoded text, the same result.
    TDocumentText document;
    TOutline direct;
    TJSONCounts directCounts;
    TDocumentText refused;
    const TDocumentState state = BuildDocument(text, direct, directCounts, refused);
    if (ReadDocumentText(text, document) != (state != TDocumentState::Unreadable))
        std::abort();
    if (state != TDocumentState::Unreadable) {
        TJSONCounts decodedCounts;
        if (FormatJSON(document.Text.View(), decodedCounts) != direct.Text()
            || !(decodedCounts == directCounts))
            std::abort();
        if (state == TDocumentState::NotJSON && refused.Text.View() != document.Text.View())
            std::abort();
    }
    return 0;
}
