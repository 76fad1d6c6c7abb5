// Any bytes as a version block: the reader accepts or refuses them without reading beyond them, and
// what it refuses leaves nothing but the file name behind.
#include "codecs/VersionBlock.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly SIZE bytes, so that a read past the end is a read past an allocation.
    std::unique_ptr<char[]> block(new char[size ? size : 1]);
    std::copy(data, data + size, block.get());
    TVersionInfo info;
    info.FileName = QStringLiteral("f");
    info.Comments = QStringLiteral("stale");
    if (!ReadVersionBlock(QByteArrayView(block.get(), qsizetype(size)), info)) {
        if (info.FileName != u"f" || !info.Comments.isEmpty() || !info.FileVersion.isEmpty())
            std::abort();
        return 0;
    }
    if (info.FileVersion.isEmpty() || info.ProductVersion.isEmpty() || info.Translation.size() != 8)
        std::abort();
    return 0;
}
