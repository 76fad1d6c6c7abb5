#pragma once
// Turning a file's bytes into the text of a document, as the document window reads files.

#include "core/ByteBuffer.h"

#include <cstddef>
#include <string_view>

struct TDocumentText {
    TByteBuffer Text;     // UTF-8; every line followed by CR LF
    size_t LineCount = 0; // lines of the text
};

// Decodes bytes as strict UTF-8 (all of them; any invalid sequence fails the read and leaves
// `document` untouched), drops one leading byte-order mark, ends the text at its first U+0000,
// splits it into lines at CR LF, lone CR and lone LF, and joins the lines each followed by CR LF.
// An empty text gives no lines and no text.
bool ReadDocumentText(std::string_view bytes, TDocumentText& document);
