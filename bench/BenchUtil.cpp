#include "bench/BenchUtil.h"

#include "codecs/Base64.h"
#include "core/Utf.h"
#include "util/FileUtils.h"
#include "util/MappedFile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string ReadStandardInput()
{
    std::string bytes;
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        bytes.append(buffer, n);
    return bytes;
}

void WriteUtf8(const QString& AText)
{
    const std::string bytes = Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(AText.utf16()), size_t(AText.size())));
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace

int DigestCommand(const char* APath)
{
    const QString file = QString::fromLocal8Bit(APath);
    if (!TMappedFile(file).IsOpen()) {
        std::fprintf(stderr, "quillon-bench: cannot read %s\n", APath);
        return 1;
    }
    // As the report writes them: chunks of 1024 bytes, upper-case hexadecimal, empty when there is none.
    QByteArray md5;
    QByteArray sha1;
    HashFile(file, CALG_MD5, 1024, md5);
    HashFile(file, CALG_SHA1, 1024, sha1);
    std::printf("MD5: %s\nSHA1: %s\n", qPrintable(BytesToHex(md5)), qPrintable(BytesToHex(sha1)));
    return 0;
}

int Base64Command(const char* AMode)
{
    const std::string input = ReadStandardInput();
    const QString text = QString::fromUtf8(input.data(), qsizetype(input.size()));
    if (std::strcmp(AMode, "encode") == 0) {
        WriteUtf8(EncodeBase64Text(text));
        return 0;
    }
    if (std::strcmp(AMode, "decode") == 0) {
        QString error;
        const std::optional<QString> decoded = DecodeBase64Text(text, &error);
        if (!decoded) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error));
            return 1;
        }
        WriteUtf8(*decoded);
        return 0;
    }
    std::fprintf(stderr, "usage: quillon-bench base64 encode|decode\n");
    return 2;
}
