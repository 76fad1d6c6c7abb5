#include "codecs/IPCMessage.h"

#include <unistd.h>

namespace {

void PutLe64(char* p, int64_t value)
{
    for (int i = 0; i < 8; ++i)
        p[i] = char(uint64_t(value) >> (8 * i) & 0xFF);
}

int64_t GetLe64(const char* p)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= uint64_t(uint8_t(p[i])) << (8 * i);
    return int64_t(value);
}

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value,
// as the system conversion does. Every other byte is its Latin-1 character.
// clang-format off
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

QString FromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto u = uint8_t(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? Cp1252High[u - 0x80] : char16_t(u));
    }
    return text;
}

} // namespace

int64_t IPCSenderUID()
{
    static const int64_t uid = int64_t(uint32_t(getpid()));
    return uid;
}

QByteArray BuildIPCBlock(const TIPCMessage& message)
{
    const qsizetype n = message.StrData.size();
    QByteArray block(2 * n + IPCHeaderSize + 1, Qt::Uninitialized);
    char* p = block.data();
    PutLe64(p, message.UID);
    p[8] = char(message.Typ);
    PutLe64(p + 9, message.IntData);
    p[17] = char(IPCEncodingUtf16);
    char* text = p + IPCHeaderSize;
    for (const QChar c : message.StrData) {
        *text++ = char(c.unicode() & 0xFF);
        *text++ = char(c.unicode() >> 8);
    }
    *text = 0;
    return block;
}

bool ReadIPCMessage(QByteArrayView block, TIPCMessage& message)
{
    if (block.size() < IPCHeaderSize + 1)
        return false;
    const char* p = block.data();
    const int encoding = uint8_t(p[17]);
    const QByteArrayView payload = block.sliced(IPCHeaderSize, block.size() - IPCHeaderSize - 1);
    if (encoding == IPCEncodingUtf16 && payload.size() % 2 != 0)
        return false;
    TIPCMessage decoded;
    decoded.UID = GetLe64(p);
    decoded.Typ = TIPCType(uint8_t(p[8]));
    decoded.IntData = GetLe64(p + 9);
    if (encoding == IPCEncodingUtf16) {
        // Every code unit belongs to the text, also one with a zero byte (U+4E00 is 00 4E).
        QString text(payload.size() / 2, Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < payload.size(); i += 2)
            *out++ = QChar(char16_t(uint8_t(payload[i]) | uint8_t(payload[i + 1]) << 8));
        decoded.StrData = text;
    } else if (encoding == IPCEncodingAnsi) {
        // Up to the first zero byte, which may be the terminator; never beyond the block.
        const QByteArrayView bytes = block.sliced(IPCHeaderSize);
        const qsizetype end = bytes.indexOf('\0');
        decoded.StrData = FromCp1252(end < 0 ? bytes : bytes.first(end));
    }
    message = decoded;
    return true;
}

QString BuildIPCParamsText(const QStringList& arguments)
{
    QString text;
    for (const QString& argument : arguments) {
        text += argument;
        text += u"\r\n";
    }
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= u' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= u' ')
        --end;
    return text.sliced(begin, end - begin);
}
