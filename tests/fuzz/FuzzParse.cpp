// Any bytes: the parser must answer (a tree or nothing) without crashing, the formatter must agree
// with it on acceptance, a file's bytes must build the same document directly as decoded, and the
// error place of a refused text must be found (a reason, inside the text) exactly when it is refused,
// and every node's path must lead back to it.
#include "core/DocumentText.h"
#include "core/JSONErrorPlace.h"
#include "core/JSONValue.h"
#include "core/OutlineBuilder.h"
#include "core/PathSyntax.h"
#include "core/Utf.h"

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
    // Every node's path in every syntax leads back to it (a later duplicate's to a first one), and any
    // text given as a path gets an answer. Documents are UTF-8 (the window and the editor check it),
    // so names are compared as the formatted text writes them.
    const bool utf8 = IsValidUtf8(text);
    for (TNodeIndex i = 0; utf8 && i < outline.NodeCount(); ++i)
        for (TPathSyntax syntax : AllPathSyntaxes) {
            const TPathLookup found = FindNodeByAnyPath(outline, FormatNodePath(outline, i, syntax));
            if (!IsAmbiguousPath(outline, i) && found.Node != i)
                std::abort();
        }
    (void)FindNodeByAnyPath(outline, Utf8ToUtf16(text));
    const TJSONErrorPlace place = FindJSONErrorPlace(text);
    if (place.Reason.empty() != !formatted.empty() || place.Offset > size)
        std::abort();

    // As a file: built from the bytes directly or from their decoded text, the same result.
    TDocumentText document;
    TOutline direct;
    TJSONCounts directCounts;
    TDocumentText refused;
    const TDocumentState state = BuildDocument(text, direct, directCounts, refused);
    if (ReadDocumentText(text, document) != (state != TDocumentState::Unreadable))
        std::abort();
    if (FindUtf8ErrorPlace(text).Reason.empty() != (state != TDocumentState::Unreadable))
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
