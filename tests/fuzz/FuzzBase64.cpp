// Any text for the Base64 decoder (the bytes read once as UTF-8 and once as UTF-16 code units): it
// answers a text or the error, and whatever it decodes encodes and decodes back to the same text.
// Any text for the encoder: its output always decodes.
#include "codecs/Base64.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(const QString& input)
{
    const std::optional<QString> decoded = DecodeBase64Text(input);
    if (decoded) {
        const QString encoded = EncodeBase64Text(*decoded);
        const std::optional<QString> again = DecodeBase64Text(encoded);
        if (!again || *again != *decoded)
            std::abort();
        if (QString(encoded).remove(QStringLiteral("\r\n"))
            != QString::fromLatin1(decoded->toUtf8().toBase64()))
            std::abort();
    }
    // Lone surrogates are encoded as U+FFFD, so the encoder's output is always valid text.
    if (!DecodeBase64Text(EncodeBase64Text(input)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    Check(QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)));
    return 0;
}
