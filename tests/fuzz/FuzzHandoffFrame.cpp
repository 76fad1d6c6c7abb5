// Any bytes as what a connection sends to the first instance: read in one piece and in pieces of the
// size the first byte gives, both readings agree, nothing is read beyond the bytes, and a complete
// frame's record goes through the decoder and the line parser as the first instance would take it.
#include "codecs/CmdLine.h"
#include "codecs/HandoffFrame.h"
#include "codecs/IPCMessage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = data[0] % 64 + 1;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    THandoffFrameReader whole;
    whole.Append(bytes);
    THandoffFrameReader pieces;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        pieces.Append(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    if (whole.State() != pieces.State() || whole.Block() != pieces.Block())
        std::abort();
    if (whole.State() != THandoffFrameReader::frsComplete)
        return 0;
    const QByteArray block = whole.Block();
    if (block.size() > MaxHandoffBlock || BuildHandoffFrame(block) != bytes.toByteArray())
        std::abort();
    TIPCMessage message;
    if (!block.isEmpty() && ReadIPCMessage(block, message) && message.Typ == ipcParams) {
        const TCommandLine lines(message.StrData);
        if (lines.FSL.size() > message.StrData.size() + 1)
            std::abort();
    }
    return 0;
}
