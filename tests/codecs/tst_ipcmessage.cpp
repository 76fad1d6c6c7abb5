// The hand-off record: the block a second instance builds and what the first one reads from it.
#include "codecs/IPCMessage.h"

#include <QRandomGenerator>
#include <QTest>

#include <unistd.h>

Q_DECLARE_METATYPE(TIPCMessage)

namespace {

QByteArray Header(int64_t uid, uint8_t typ, int64_t intData, uint8_t encoding)
{
    QByteArray block;
    for (int i = 0; i < 8; ++i)
        block += char(uint64_t(uid) >> (8 * i) & 0xFF);
    block += char(typ);
    for (int i = 0; i < 8; ++i)
        block += char(uint64_t(intData) >> (8 * i) & 0xFF);
    block += char(encoding);
    return block;
}

} // namespace

class TestIPCMessage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buildBlock();
    void zeroByteCodeUnits();
    void read_data();
    void read();
    void rejected_data();
    void rejected();
    void roundTripRandomText();
    void paramsText_data();
    void paramsText();
};

void TestIPCMessage::buildBlock()
{
    TIPCMessage message;
    message.UID = IPCSenderUID();
    message.Typ = ipcParams;
    message.IntData = 0x0102030405060708;
    message.StrData = QStringLiteral("a\u00e9");
    const QByteArray block = BuildIPCBlock(message);
    QCOMPARE(block.size(), 2 * 2 + 19);
    QByteArray expected = Header(int64_t(getpid()), 1, 0x0102030405060708, 2);
    expected += QByteArray("a\0\xe9\0\0", 5);
    QCOMPARE(block, expected);
    // The high 32 bits of the sender id are 0.
    QCOMPARE(block.mid(4, 4), QByteArray(4, '\0'));
}

// U+4E00 is the bytes 00 4E: a zero byte inside the text is no terminator.
void TestIPCMessage::zeroByteCodeUnits()
{
    TIPCMessage message;
    message.Typ = ipcParams;
    message.StrData = QStringLiteral("/tmp/\u4e00\u0100.json");
    TIPCMessage read;
    QVERIFY(ReadIPCMessage(BuildIPCBlock(message), read));
    QCOMPARE(read.StrData, message.StrData);
}

void TestIPCMessage::read_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<qint64>("uid");
    QTest::addColumn<int>("typ");
    QTest::addColumn<qint64>("intData");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty text") << Header(42, 1, 0, 2) + QByteArray(1, '\0') << qint64(42) << 1 << qint64(0)
                                << "";
    QTest::newRow("UTF-16 text") << Header(7, 1, -1, 2) + QByteArray("x\0y\0\0", 5) << qint64(7) << 1
                                 << qint64(-1) << "xy";
    QTest::newRow("terminator byte not checked")
        << Header(7, 1, 0, 2) + QByteArray("x\0!", 3) << qint64(7) << 1 << qint64(0) << "x";
    QTest::newRow("unknown kind kept")
        << Header(1, 200, 5, 2) + QByteArray(1, '\0') << qint64(1) << 200 << qint64(5) << "";
    QTest::newRow("8-bit text up to the zero byte")
        << Header(9, 1, 0, 1) + QByteArray("caf\xe9\x80\0junk\0", 10) << qint64(9) << 1 << qint64(0)
        << QStringLiteral("caf\u00e9\u20ac");
    QTest::newRow("8-bit text without a zero byte stops at the end") << Header(9, 1, 0, 1)
            + QByteArray("ab\x81", 3) << qint64(9) << 1 << qint64(0) << QStringLiteral("ab\u0081");
    QTest::newRow("8-bit text, odd length")
        << Header(9, 1, 0, 1) + QByteArray("abc\0", 4) << qint64(9) << 1 << qint64(0) << "abc";
    QTest::newRow("other encoding: no text")
        << Header(3, 1, 0, 7) + QByteArray("a\0\0", 3) << qint64(3) << 1 << qint64(0) << "";
}

void TestIPCMessage::read()
{
    QFETCH(QByteArray, block);
    QFETCH(qint64, uid);
    QFETCH(int, typ);
    QFETCH(qint64, intData);
    QFETCH(QString, text);
    TIPCMessage message;
    QVERIFY(ReadIPCMessage(block, message));
    QCOMPARE(message.UID, uid);
    QCOMPARE(int(message.Typ), typ);
    QCOMPARE(message.IntData, intData);
    QCOMPARE(message.StrData, text);
}

void TestIPCMessage::rejected_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::newRow("nothing") << QByteArray();
    QTest::newRow("18 bytes") << Header(1, 1, 0, 2);
    QTest::newRow("UTF-16 with an odd length") << Header(1, 1, 0, 2) + QByteArray("ab", 2);
    QTest::newRow("UTF-16 with half a code unit and terminator")
        << Header(1, 1, 0, 2) + QByteArray("a\0b\0", 4);
}

void TestIPCMessage::rejected()
{
    QFETCH(QByteArray, block);
    TIPCMessage message;
    message.StrData = QStringLiteral("kept");
    message.UID = 5;
    // The block is read from a copy exactly its size, so a read past its end shows up under the sanitizers.
    const std::unique_ptr<char[]> exact(new char[size_t(block.size())]);
    std::copy(block.cbegin(), block.cend(), exact.get());
    QVERIFY(!ReadIPCMessage(QByteArrayView(exact.get(), block.size()), message));
    QCOMPARE(message.StrData, QStringLiteral("kept"));
    QCOMPARE(message.UID, int64_t(5));
}

void TestIPCMessage::roundTripRandomText()
{
    QRandomGenerator generator(7);
    for (int round = 0; round < 300; ++round) {
        TIPCMessage message;
        message.UID = int64_t(generator.generate());
        message.Typ = TIPCType(generator.bounded(3));
        message.IntData = int64_t(generator.generate64());
        const int length = int(generator.bounded(200));
        for (int i = 0; i < length; ++i) {
            if (generator.bounded(5) == 0) {
                const char32_t cp = char32_t(generator.bounded(0x10000, 0x110000));
                message.StrData += QString::fromUcs4(&cp, 1);
            } else {
                message.StrData += QChar(char16_t(generator.bounded(0, 0xD800)));
            }
        }
        const QByteArray block = BuildIPCBlock(message);
        QCOMPARE(block.size(), 2 * message.StrData.size() + 19);
        TIPCMessage read;
        QVERIFY(ReadIPCMessage(block, read));
        QCOMPARE(read.UID, message.UID);
        QCOMPARE(read.Typ, message.Typ);
        QCOMPARE(read.IntData, message.IntData);
        QCOMPARE(read.StrData, message.StrData);
    }
}

void TestIPCMessage::paramsText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("two files") << QStringList {"a.json", "b.json"} << "a.json\r\nb.json";
    QTest::newRow("switch kept") << QStringList {"-v", "a.json"} << "-v\r\na.json";
    QTest::newRow("blanks at both ends trimmed") << QStringList {" a.json", "b.json\t"} << "a.json\r\nb.json";
    QTest::newRow("inner empty argument kept") << QStringList {"a", "", "b"} << "a\r\n\r\nb";
}

void TestIPCMessage::paramsText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QCOMPARE(BuildIPCParamsText(arguments), text);
}

QTEST_GUILESS_MAIN(TestIPCMessage)
#include "tst_ipcmessage.moc"
