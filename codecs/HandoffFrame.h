#pragma once
// The frame that carries one hand-off record over the instance socket, and its incremental reader.
//
//   offset  size  content
//   0       4     "QLHO"
//   4       4     length of the record block, little-endian; 0: only "raise your window"
//   8       len   the record block (codecs/IPCMessage.h), byte for byte
//
// The first instance answers a frame it has acted on with the four bytes "QLOK"; the second instance
// waits for them, so that its send is synchronous. A frame is read with a size cap: a header that
// announces more than MaxHandoffBlock bytes, a wrong magic or bytes after the frame make it invalid.

#include <QByteArray>
#include <QByteArrayView>

inline constexpr qsizetype HandoffHeaderSize = 8;
inline constexpr qsizetype MaxHandoffBlock = 8 * 1024 * 1024;
inline constexpr QByteArrayView HandoffMagic("QLHO", 4);
inline constexpr QByteArrayView HandoffReply("QLOK", 4);

// The frame around BLOCK (which may be empty). Empty when BLOCK is larger than the cap.
QByteArray BuildHandoffFrame(QByteArrayView block);

class THandoffFrameReader {
public:
    enum TState { frsIncomplete, frsComplete, frsInvalid };

    // Takes the next received bytes; returns the state after them. Once invalid it stays invalid.
    TState Append(QByteArrayView bytes);
    TState State() const { return FState; }
    // The record block of a complete frame (empty for a "raise only" frame).
    QByteArray Block() const;

private:
    QByteArray FBuffer;
    qsizetype FBlockSize = -1; // known once the header is in
    TState FState = frsIncomplete;
};
