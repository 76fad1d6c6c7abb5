#pragma once
// The editor's texts without widgets: how a file's bytes become the editor's text, which line breaks a
// save writes, the caret facts, and the trips through the locale's 8-bit encoding that Paste from
// clipboard and dropped files take.

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

// The line breaks a save writes. A U+2028 is never one: inside a JSON string it is an ordinary
// character, and as a break it would make the file invalid JSON.
enum class TLineBreakStyle { CRLF, LF, CR };

// The style of a text placed whole into the editor: CR alone when it holds CR but no LF, LF alone when
// it holds LF but no CR, CR LF in every other case (a text without line breaks included).
TLineBreakStyle DetectLineBreakStyle(std::string_view AText);
// "CRLF", "LF" or "CR".
const char* LineBreakName(TLineBreakStyle AStyle);
std::string_view LineBreakChars(TLineBreakStyle AStyle);
// Whether every line break of AText (CR LF, lone CR, lone LF) already is AStyle.
bool HasOnlyLineBreaks(std::string_view AText, TLineBreakStyle AStyle);
// AText with every line break (CR LF, lone CR, lone LF) written as AStyle, appended to AOut.
void AppendJoinedLines(std::string& AOut, std::string_view AText, TLineBreakStyle AStyle);

// A text as the editor holds it: UTF-8 whose line breaks all follow Breaks.
struct TEditorText {
    std::string_view Text; // into the bytes it was read from, or into Storage
    std::string Storage; // filled only when the line breaks had to be unified
    TLineBreakStyle Breaks = TLineBreakStyle::CRLF;
};

// A text placed whole into the editor: its style is detected and mixed breaks are unified to it.
// AText must outlive the result when no copy was needed.
void PlaceEditorText(std::string_view AText, TEditorText& AResult);

// A file's bytes as the editor loads them: strict UTF-8 after one leading UTF-8 byte-order mark.
// False (AResult untouched) when the bytes are no UTF-8.
bool ReadEditorText(std::string_view ABytes, TEditorText& AResult);

// The bytes a save writes for the editor's text: the UTF-8 byte-order mark, then the text with its
// lines joined by AStyle; nothing is added after the last line.
std::string SaveBytes(std::string_view AText, TLineBreakStyle AStyle);

// The UTF-16 code unit at the start of the UTF-8 character at AUtf8 (the high surrogate of a
// character beyond U+FFFF); 0 for an empty view.
uint32_t FirstUtf16Unit(std::string_view AUtf8);

// "Row: %d   Col: %d   Chr: %d(%xh)   Cnt: %d   Sel: %d".
QString CaretFactsText(qint64 ARow, qint64 ACol, uint32_t AChr, qint64 ACount, qint64 ASelected);

// The 8-bit encoding of the user's locale (LC_CTYPE), by its iconv name. The plain C/POSIX locale
// (ASCII) counts as UTF-8, as the desktop and Qt treat it: an ASCII-only trip would destroy every
// other character for users who never chose a legacy encoding.
QByteArray LocaleCodeset();
bool IsUtf8Codeset(const QByteArray& ACodeset);

// AText in ACodeset; characters the encoding lacks become "?".
QByteArray ToCodeset(const QString& AText, const QByteArray& ACodeset);
// ABytes decoded from ACodeset; false (AText untouched) when they do not decode.
bool FromCodeset(const QByteArray& ABytes, const QByteArray& ACodeset, QString& AText);

// Paste from clipboard: the clipboard's text through the locale's 8-bit encoding, read back as UTF-8
// (invalid sequences become U+FFFD). Text whose UTF-8 bytes reached the clipboard as 8-bit characters
// so becomes the characters those bytes encode; on a UTF-8 locale the text is unchanged.
QString ClipboardTextThroughCodeset(const QString& AClipboard, const QByteArray& ACodeset);

// A dropped file's bytes as text: a byte-order mark chooses UTF-8, UTF-16 LE or UTF-16 BE, otherwise
// ACodeset. False with the encoding's name in AEncoding when the bytes do not decode.
bool DecodeDroppedBytes(
    const QByteArray& ABytes, const QByteArray& ACodeset, QString& AText, QString& AEncoding);
