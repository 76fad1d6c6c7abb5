// The Base64 codec: the tool's line layout, lenient decoding, the UTF-8 check and round trips.
#include "codecs/Base64.h"

#include <QRandomGenerator>
#include <QTest>

class TestBase64 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void invalidUtf8_data();
    void invalidUtf8();
    void roundTripRandomText();
};

void TestBase64::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("base64");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("three characters, no padding") << "abc"
                                                  << "YWJj";
    QTest::newRow("two characters, one =") << "ab"
                                           << "YWI=";
    QTest::newRow("one character, ==") << "a"
                                       << "YQ==";
    QTest::newRow("e acute as UTF-8") << QStringLiteral("\u00e9") << "w6k=";
    QTest::newRow("non-BMP") << QStringLiteral("\U0001F600") << "8J+YgA==";
    QTest::newRow("CR LF kept") << "a\r\nb"
                                << "YQ0KYg==";
    QTest::newRow("57 characters: one full line and its break")
        << QString(57, u'x') << QString::fromLatin1(QByteArray(57, 'x').toBase64()) + QStringLiteral("\r\n");
    QTest::newRow("58 characters: a second line of four") << QString(
        58, u'x') << QString::fromLatin1(QByteArray(57, 'x').toBase64()) + QStringLiteral("\r\neA==");
    QTest::newRow("lone surrogate as U+FFFD") << QString(QChar(0xD800)) << "77+9";
}

void TestBase64::encode()
{
    QFETCH(QString, text);
    QFETCH(QString, base64);
    QCOMPARE(EncodeBase64Text(text), base64);
}

void TestBase64::decode_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "YWJj"
                           << "abc";
    QTest::newRow("padding") << "YQ=="
                             << "a";
    QTest::newRow("blanks, breaks and = between") << " Y W\r\nJ=j= "
                                                  << "abc";
    QTest::newRow("padding missing") << "YQ"
                                     << "a";
    QTest::newRow("one character gives nothing") << "Y"
                                                 << "";
    QTest::newRow("three characters give two bytes") << "YWJ"
                                                     << "ab";
    QTest::newRow("no alphabet character") << " =\r\n-_"
                                           << "";
    QTest::newRow("non-ASCII skipped") << QStringLiteral("Y\u00e9W\U0001F600Jj") << "abc";
    QTest::newRow("e acute") << "w6k=" << QStringLiteral("\u00e9");
    QTest::newRow("byte-order mark kept") << "77u/YQ==" << QStringLiteral("\ufeffa");
    QTest::newRow("58 characters over two lines")
        << QString::fromLatin1(QByteArray(58, 'q').toBase64()).insert(76, QStringLiteral("\r\n"))
        << QString(58, u'q');
}

void TestBase64::decode()
{
    QFETCH(QString, input);
    QFETCH(QString, text);
    QString error = QStringLiteral("untouched");
    const std::optional<QString> decoded = DecodeBase64Text(input, &error);
    QVERIFY(decoded.has_value());
    QCOMPARE(*decoded, text);
    QCOMPARE(error, QStringLiteral("untouched"));
}

void TestBase64::invalidUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lone continuation byte") << QByteArray("\x80");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80");
    QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
    QTest::newRow("truncated sequence") << QByteArray("a\xe2\x82");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\x00\xff", 10);
}

void TestBase64::invalidUtf8()
{
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!DecodeBase64Text(QString::fromLatin1(bytes.toBase64()), &error).has_value());
    QCOMPARE(error,
        QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page"));
}

void TestBase64::roundTripRandomText()
{
    QRandomGenerator generator(42);
    for (int round = 0; round < 500; ++round) {
        QString text;
        const int length = int(generator.bounded(300));
        for (int i = 0; i < length; ++i) {
            switch (generator.bounded(4)) {
            case 0:
                text += QChar(char16_t(generator.bounded(0x20, 0x7F)));
                break;
            case 1:
                text += QChar(char16_t(generator.bounded(0x80, 0xD800)));
                break;
            case 2: {
                const char32_t cp = char32_t(generator.bounded(0x10000, 0x110000));
                text += QString::fromUcs4(&cp, 1);
                break;
            }
            default:
                text += QStringLiteral("\r\n");
            }
        }
        const QString encoded = EncodeBase64Text(text);
        const std::optional<QString> decoded = DecodeBase64Text(encoded);
        QVERIFY2(decoded.has_value(), qPrintable(text));
        QCOMPARE(*decoded, text);
        // Matches the standard encoding once the line breaks are taken out.
        QCOMPARE(
            QString(encoded).remove(QStringLiteral("\r\n")), QString::fromLatin1(text.toUtf8().toBase64()));
    }
}

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_base64.moc"
