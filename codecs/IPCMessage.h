#pragma once
// The record a second instance of the program hands to the first one, and its wire form:
//
//   offset  size  content
//   0       8     UID, little-endian (the sender's process id)
//   8       1     Typ
//   9       8     IntData, little-endian
//   17      1     text encoding: 1 = 8-bit text in the system code page, 2 = UTF-16LE (always sent)
//   18      2n    StrData as UTF-16LE code units, no byte-order mark
//   18+2n   1     terminator 0
//
// so that a block of a text of n code units is exactly 2n + 19 bytes long.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>

enum TIPCType : uint8_t { ipcUnknown = 0, ipcParams = 1, ipcData = 2 };

struct TIPCMessage {
    int64_t UID = 0; // process id of the sender
    TIPCType Typ = ipcUnknown; // a received block may carry any byte here
    int64_t IntData = 0;
    QString StrData; // for ipcParams: the sender's arguments, one per line
};

inline constexpr int IPCHeaderSize = 18;
inline constexpr int IPCEncodingAnsi = 1;
inline constexpr int IPCEncodingUtf16 = 2;

// The sender id of this process (its process id), taken once.
int64_t IPCSenderUID();

// The block that carries MESSAGE: 2n + 19 bytes for a text of n code units.
QByteArray BuildIPCBlock(const TIPCMessage& message);

// Decodes a received block, reading nothing beyond BLOCK. False (MESSAGE untouched) for a block shorter
// than 19 bytes or one whose length does not fit its encoding (UTF-16: 2n + 19). An unknown encoding
// decodes with an empty StrData; the 8-bit encoding is read as Windows-1252 up to the first zero byte.
bool ReadIPCMessage(QByteArrayView block, TIPCMessage& message);

// The text a second instance sends for its arguments: each followed by CR LF, the whole trimmed of
// blanks and control characters at both ends.
QString BuildIPCParamsText(const QStringList& arguments);
