#pragma once
// Turning a file's bytes into the text of a document, as the document window reads files.

#include "core/ByteBuffer.h"
#include "core/Outline.h"
#include "core/OutlineBuilder.h"

#include <cstddef>
#include <string_view>

struct TDocumentText {
    TByteBuffer Text; // UTF-8; every line followed by CR LF
    size_t LineCount = 0; // lines of the text
};

// Decodes bytes as strict UTF-8 (all of them; any invalid sequence fails the read and leaves
// `document` untouched), drops one leading byte-order mark, ends the text at its first U+0000,
// splits it into lines at CR LF, lone CR and lone LF, and joins the lines each followed by CR LF.
// An empty text gives no lines and no text.
bool ReadDocumentText(std::string_view ABytes, TDocumentText& ADocument);

// The same checks without making the text: the part of `bytes` that holds the document (strict UTF-8
// checked over all bytes, one leading byte-order mark dropped, cut at the first U+0000), line breaks
// left as written. BuildOutline with TLineBreaks::Normalize gives from it exactly what it gives from
// the text of ReadDocumentText, without a copy of the file. False when the bytes are no UTF-8.
bool FindDocumentText(std::string_view ABytes, std::string_view& AText);

enum class TDocumentState {
    Unreadable, // the bytes are no UTF-8: nothing was built
    NotJSON, // refused, or its root is no object or array: the document text was made instead
    Formatted, // the outline holds the document and its formatted text
};

// Loads a file's bytes as the document window does, touching as little memory as it can: the
// outline is built straight from the bytes, and the document text (with CR LF line breaks) is made
// only when the document is refused, for showing the file as it is.
TDocumentState BuildDocument(std::string_view ABytes, TOutline& AOutline, TJSONCounts& ACounts,
    TDocumentText& ARefusedText, TFormatObserver* AObserver = nullptr);
