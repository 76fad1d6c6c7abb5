#pragma once
// The Base64 codec of the encoder/decoder tool: text in, text out.

#include <QString>
#include <QStringView>

#include <optional>

// The text's UTF-8 bytes (no byte-order mark) in the RFC 4648 alphabet with "=" padding, with CR LF
// after every 76 output characters, also after a full last line. An empty text gives "".
QString EncodeBase64Text(QStringView text);

// Decodes leniently: every character outside the alphabet ("=", blanks and line breaks included) is
// skipped, bits left over at the end that fill no byte are dropped. The bytes must be strict UTF-8;
// otherwise there is no result and ERRORTEXT (when given) receives Base64DecodeErrorText().
std::optional<QString> DecodeBase64Text(QStringView input, QString* errorText = nullptr);

// "No mapping for the Unicode character exists in the target multi-byte code page"
QString Base64DecodeErrorText();
