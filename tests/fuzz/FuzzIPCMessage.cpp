// Any bytes as a received hand-off block: the decoder reads nothing beyond them (the sanitizers watch),
// and what it accepts builds into a block that decodes to the same record.
#include "codecs/IPCMessage.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly SIZE bytes, so that a read past the end is a read past an allocation.
    std::unique_ptr<char[]> block(new char[size ? size : 1]);
    std::copy(data, data + size, block.get());
    TIPCMessage message;
    if (!ReadIPCMessage(QByteArrayView(block.get(), qsizetype(size)), message))
        return 0;
    const QByteArray rebuilt = BuildIPCBlock(message);
    if (rebuilt.size() != 2 * message.StrData.size() + 19)
        std::abort();
    // A UTF-16 block comes back byte for byte, up to its terminator.
    if (size >= 19 && data[17] == IPCEncodingUtf16
        && QByteArrayView(rebuilt).first(qsizetype(size) - 1)
            != QByteArrayView(block.get(), qsizetype(size) - 1))
        std::abort();
    TIPCMessage again;
    if (!ReadIPCMessage(rebuilt, again) || again.UID != message.UID || again.Typ != message.Typ
        || again.IntData != message.IntData || again.StrData != message.StrData)
        std::abort();
    return 0;
}
