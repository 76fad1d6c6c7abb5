#pragma once
// The serialised and decoded forms of JSON strings.

#include "core/ByteBuffer.h"

#include <string>
#include <string_view>

// The serialised text of a string: in double quotes, with exactly eight characters escaped
// (" \ / BS TAB LF FF CR); every other character, control characters and non-ASCII included,
// is written unchanged and no \u escape is ever produced.
std::u16string JSONQuote(std::u16string_view AText);

// Appends the serialised text of a string given as it stood between its quotes in a JSON text
// (escapes already validated by the parser). plain says that the contents hold no backslash,
// no "/" and no control character, so they can be copied as they are. \u escapes become the code
// unit they name; lone surrogates are kept in their three-byte form. With normalizeBreaks, a raw lone
// CR, lone LF or CR LF is written as the escapes of CR LF.
void AppendQuotedToken(
    TByteBuffer& AOut, std::string_view AContents, bool APlain, bool ANormalizeBreaks = false);

// Decodes the contents of a string token (between its quotes; escapes as a JSON text or a
// serialised text writes them) to UTF-16. An escape the parser would refuse is taken literally.
std::u16string DecodeStringContents(std::string_view AContents);

// Length of the string token starting with the double quote at text[offset], both quotes
// included; stops at the end of text when the token is not closed.
size_t StringTokenLength(std::string_view AText, size_t AOffset);
