#include "codecs/HandoffFrame.h"

QByteArray BuildHandoffFrame(QByteArrayView block)
{
    if (block.size() > MaxHandoffBlock)
        return {};
    QByteArray frame;
    frame.reserve(HandoffHeaderSize + block.size());
    frame.append(HandoffMagic);
    const auto size = uint32_t(block.size());
    for (int i = 0; i < 4; ++i)
        frame.append(char(size >> (8 * i) & 0xFF));
    frame.append(block);
    return frame;
}

THandoffFrameReader::TState THandoffFrameReader::Append(QByteArrayView bytes)
{
    if (FState != frsIncomplete) {
        if (!bytes.isEmpty())
            FState = frsInvalid; // bytes after a complete frame
        return FState;
    }
    while (!bytes.isEmpty()) {
        const qsizetype wanted =
            (FBlockSize < 0 ? HandoffHeaderSize : HandoffHeaderSize + FBlockSize) - FBuffer.size();
        if (wanted == 0)
            return FState = frsInvalid; // bytes after a complete frame
        const qsizetype take = qMin(wanted, bytes.size());
        FBuffer.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (FBlockSize < 0 && FBuffer.size() == HandoffHeaderSize) {
            if (QByteArrayView(FBuffer).first(4) != HandoffMagic)
                return FState = frsInvalid;
            uint32_t size = 0;
            for (int i = 0; i < 4; ++i)
                size |= uint32_t(uint8_t(FBuffer.at(4 + i))) << (8 * i);
            if (size > uint32_t(MaxHandoffBlock))
                return FState = frsInvalid;
            FBlockSize = qsizetype(size);
        }
    }
    if (FBlockSize >= 0 && FBuffer.size() == HandoffHeaderSize + FBlockSize)
        FState = frsComplete;
    return FState;
}

QByteArray THandoffFrameReader::Block() const
{
    return FState == frsComplete ? FBuffer.sliced(HandoffHeaderSize) : QByteArray();
}
