// The editor's text rules without a window: the line breaks a save writes, loading a file's bytes, the
// caret facts, and the trips through the locale's encoding of Paste from clipboard and dropped files.
#include "editor/EditorText.h"
#include "textview/JSONTokenizer.h"

#include <QTest>

namespace {
const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");

std::string_view View(const QByteArray& AData)
{
    return {AData.constData(), size_t(AData.size())};
}
} // namespace

class TestEditorText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineBreakStyle_data();
    void lineBreakStyle();
    void saveBytes_data();
    void saveBytes();
    void readFileBytes();
    void utf16Counts();
    void caretFacts();
    void codesetTrips();
    void droppedBytes_data();
    void droppedBytes();
};

void TestEditorText::lineBreakStyle_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("style");
    QTest::newRow("no break") << QByteArray("[1]") << "CRLF";
    QTest::newRow("empty") << QByteArray() << "CRLF";
    QTest::newRow("LF") << QByteArray("[\n1\n]") << "LF";
    QTest::newRow("CR") << QByteArray("[\r1\r]") << "CR";
    QTest::newRow("CRLF") << QByteArray("[\r\n1\r\n]") << "CRLF";
    QTest::newRow("mixed") << QByteArray("[\n1\r\n]") << "CRLF";
    // A line separator inside a string is a character, never the style.
    QTest::newRow("U+2028 with LF") << QByteArray("[\"a\xE2\x80\xA8z\"\n]") << "LF";
    QTest::newRow("U+2028 alone") << QByteArray("[\"a\xE2\x80\xA8z\"]") << "CRLF";
}

void TestEditorText::lineBreakStyle()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, style);
    QCOMPARE(QString::fromLatin1(LineBreakName(DetectLineBreakStyle(View(text)))), style);
}

void TestEditorText::saveBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("style");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("LF kept, nothing added")
        << QByteArray("{\n}") << int(TLineBreakStyle::LF) << QByteArray("{\n}");
    QTest::newRow("ends with an empty line")
        << QByteArray("{\n}\n") << int(TLineBreakStyle::LF) << QByteArray("{\n}\n");
    QTest::newRow("all breaks as CR LF")
        << QByteArray("a\nb\rc\r\nd") << int(TLineBreakStyle::CRLF) << QByteArray("a\r\nb\r\nc\r\nd");
    QTest::newRow("as CR") << QByteArray("a\r\nb\n") << int(TLineBreakStyle::CR) << QByteArray("a\rb\r");
    QTest::newRow("U+2028 stays a character")
        << QByteArray("[\"\xE2\x80\xA8\"\n]") << int(TLineBreakStyle::LF)
        << QByteArray("[\"\xE2\x80\xA8\"\n]");
    QTest::newRow("empty") << QByteArray() << int(TLineBreakStyle::CRLF) << QByteArray();
}

void TestEditorText::saveBytes()
{
    QFETCH(QByteArray, text);
    QFETCH(int, style);
    QFETCH(QByteArray, saved);
    const std::string bytes = SaveBytes(View(text), TLineBreakStyle(style));
    QCOMPARE(QByteArray::fromStdString(bytes), Bom + saved);
}

void TestEditorText::readFileBytes()
{
    TEditorText text;
    // One byte-order mark is skipped, a second one is text.
    const QByteArray withBom = Bom + Bom + "[\n1]";
    QVERIFY(ReadEditorText(View(withBom), text));
    QCOMPARE(QByteArray::fromStdString(std::string(text.Text)), Bom + "[\n1]");
    QCOMPARE(text.Breaks, TLineBreakStyle::LF);
    QVERIFY(text.Storage.empty());
    // Mixed breaks are unified to the style a save writes.
    const QByteArray mixed("[\n1,\r2\r\n]");
    QVERIFY(ReadEditorText(View(mixed), text));
    QCOMPARE(std::string(text.Text), std::string("[\r\n1,\r\n2\r\n]"));
    // Bytes that are no UTF-8 leave the result alone.
    const QByteArray latin1("[\"\xE9\"]");
    QVERIFY(!ReadEditorText(View(latin1), text));
    QCOMPARE(std::string(text.Text), std::string("[\r\n1,\r\n2\r\n]"));
}

void TestEditorText::utf16Counts()
{
    // a, e acute, euro sign, a face beyond U+FFFF.
    const QByteArray text("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    QCOMPARE(Utf16Length(View(text)), size_t(5));
    QCOMPARE(FirstUtf16Unit(View(text).substr(1)), uint32_t(0xE9));
    QCOMPARE(FirstUtf16Unit(View(text).substr(6)), uint32_t(0xD83D));
    QCOMPARE(FirstUtf16Unit({}), uint32_t(0));
}

void TestEditorText::caretFacts()
{
    QCOMPARE(
        CaretFactsText(1, 1, '{', 3, 0), QStringLiteral("Row: 1   Col: 1   Chr: 123(7Bh)   Cnt: 3   Sel: 0"));
    QCOMPARE(
        CaretFactsText(2, 5, 0, 3, 12), QStringLiteral("Row: 2   Col: 5   Chr: 0(0h)   Cnt: 3   Sel: 12"));
}

void TestEditorText::codesetTrips()
{
    // The plain C locale counts as UTF-8 (the suite runs in it).
    QVERIFY(IsUtf8Codeset(LocaleCodeset()));
    const QString text = QStringLiteral("a\u00E9\u20AC");
    QCOMPARE(ClipboardTextThroughCodeset(text, "UTF-8"), text);
    // Characters a Latin-1 locale lacks become "?"; its bytes read as UTF-8 give U+FFFD.
    QCOMPARE(ToCodeset(text, "ISO-8859-1"), QByteArray("a\xE9?"));
    QCOMPARE(ClipboardTextThroughCodeset(text, "ISO-8859-1"), QStringLiteral("a\uFFFD?"));
    // UTF-8 bytes that reached the clipboard as Latin-1 characters turn back into their characters.
    QCOMPARE(
        ClipboardTextThroughCodeset(QStringLiteral("\u00C3\u00A9"), "ISO-8859-1"), QStringLiteral("\u00E9"));
}

void TestEditorText::droppedBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("codeset");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoding");
    QTest::newRow("UTF-8 mark") << Bom + "[\"\xC3\xA9\"]" << QByteArray("ISO-8859-1") << true
                                << "[\"\u00E9\"]"
                                << "UTF-8";
    QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFE[\0\xE9\0]\0", 8) << QByteArray("UTF-8") << true
                                    << "[\u00E9]"
                                    << "UTF-16 LE";
    QTest::newRow("UTF-16 BE mark") << QByteArray("\xFE\xFF\0[\xD8\x3D\xDE\x00\0]", 10) << QByteArray("UTF-8")
                                    << true << "[\U0001F600]"
                                    << "UTF-16 BE";
    QTest::newRow("UTF-16 odd length") << QByteArray("\xFF\xFE[\0]", 5) << QByteArray("UTF-8") << false << ""
                                       << "UTF-16 LE";
    QTest::newRow("UTF-16 lone surrogate")
        << QByteArray("\xFF\xFE\x3D\xD8[\0", 6) << QByteArray("UTF-8") << false << ""
        << "UTF-16 LE";
    QTest::newRow("locale UTF-8") << QByteArray("[\"\xC3\xA9\"]") << QByteArray("UTF-8") << true
                                  << "[\"\u00E9\"]"
                                  << "UTF-8";
    QTest::newRow("locale UTF-8, Latin-1 bytes")
        << QByteArray("[\"\xE9\"]") << QByteArray("UTF-8") << false << ""
        << "UTF-8";
    QTest::newRow("locale Latin-1") << QByteArray("[\"\xE9\"]") << QByteArray("ISO-8859-1") << true
                                    << "[\"\u00E9\"]"
                                    << "ISO-8859-1";
    QTest::newRow("UTF-8 mark, bad bytes") << Bom + "\xFF" << QByteArray("ISO-8859-1") << false << ""
                                           << "UTF-8";
}

void TestEditorText::droppedBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, codeset);
    QFETCH(bool, decodes);
    QFETCH(QString, text);
    QFETCH(QString, encoding);
    QString result = QStringLiteral("unchanged");
    QString used;
    QCOMPARE(DecodeDroppedBytes(bytes, codeset, result, used), decodes);
    QCOMPARE(result, decodes ? text : QStringLiteral("unchanged"));
    QCOMPARE(used, encoding);
}

QTEST_GUILESS_MAIN(TestEditorText)
#include "tst_editortext.moc"
