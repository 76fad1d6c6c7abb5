// The accepted language, the value model and the two text forms of values.
#include "core/JSONValue.h"

#include <QTest>

namespace {
std::unique_ptr<TJSONValue> Parse(const QByteArray& text)
{
    return ParseJSONText(std::string_view(text.constData(), size_t(text.size())));
}
QString Q(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}
} // namespace

class TestJSONParser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void language_data();
    void language();
    void nestingLimit();
    void kindsAndOrder();
    void stringDecoding_data();
    void stringDecoding();
    void toStringEscapes_data();
    void toStringEscapes();
    void numberValue_data();
    void numberValue();
    void utf16Entry();
};

void TestJSONParser::language_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    const struct {
        const char* name;
        const char* text;
        bool accepted;
    } rows[] = {
        {"empty object", "{}", true},
        {"empty array", "[]", true},
        {"object then CR LF", "{}\r\n", true},
        {"array then CR LF", "[]\r\n", true},
        {"leading whitespace", "\t\n\r  {}", true},
        {"root string", "\"x\"", true},
        {"root number", "12", true},
        {"root true", "true", true},
        {"root null", "null", true},
        {"root string then line break", "\"x\"\r\n", false},
        {"root number then space", "12 ", false},
        {"root true then LF", "true\n", false},
        {"empty text", "", false},
        {"whitespace only", " \r\n\t", false},
        {"second root value", "{}{}", false},
        {"text after root", "[] x", false},
        {"object trailing comma", "{\"a\":1,}", false},
        {"array trailing comma", "[1,]", false},
        {"array leading comma", "[,1]", false},
        {"members without comma", "{\"a\":1 \"b\":2}", false},
        {"single-quoted name", "{'a':1}", false},
        {"unquoted name", "{a:1}", false},
        {"missing colon", "{\"a\" 1}", false},
        {"duplicate names", "{\"a\":1,\"a\":2}", true},
        {"empty name", "{\"\":1}", true},
        {"leading zero", "[01]", false},
        {"negative leading zero", "[-01]", false},
        {"zero", "[0]", true},
        {"negative zero", "[-0]", true},
        {"fraction", "[0.5]", true},
        {"exponent with plus", "[1E+2]", true},
        {"exponent with minus", "[1e-2]", true},
        {"minus exponent", "[-e5]", true},
        {"minus capital exponent", "[-E+2]", true},
        {"minus exponent negative", "[-e-10]", true},
        {"minus alone", "[-]", false},
        {"minus point", "[-.5]", false},
        {"minus e alone", "[-e]", false},
        {"point first", "[.5]", false},
        {"plus first", "[+1]", false},
        {"point last", "[1.]", false},
        {"point before exponent", "[1.e5]", false},
        {"exponent without digits", "[1e]", false},
        {"exponent sign without digits", "[1e+]", false},
        {"hexadecimal", "[0x10]", false},
        {"NaN", "[NaN]", false},
        {"Infinity", "[Infinity]", false},
        {"bad escape", "[\"a\\qb\"]", false},
        {"short unicode escape", "[\"\\u12\"]", false},
        {"unicode escape bad digit", "[\"\\u12G4\"]", false},
        {"unterminated string", "[\"abc]", false},
        {"raw TAB in string", "[\"a\tb\"]", true},
        {"raw CR LF in string", "[\"a\r\nb\"]", true},
        {"raw U+0001 in string",
            "[\"a\x01"
            "b\"]",
            true},
        {"non-ASCII in string", "[\"caf\xC3\xA9\"]", true},
        {"non-ASCII outside string", "[\xC3\xA9]", false},
        {"no-break space between tokens",
            "[1,\xC2\xA0"
            "2]",
            false},
        {"form feed between tokens", "[1,\f2]", false},
        {"capitalised True", "[True]", false},
        {"capitalised NULL", "[NULL]", false},
        {"literal followed by letter", "[truex]", false},
        {"line comment", "[1]//x", false},
        {"block comment", "[/*x*/1]", false},
        {"leading byte-order mark", "\xEF\xBB\xBF{}", true},
        {"byte-order mark after whitespace", " \xEF\xBB\xBF{}", false},
        {"byte-order mark inside",
            "[\xEF\xBB\xBF"
            "1]",
            false},
        {"unclosed array", "[1", false},
        {"unclosed object", "{\"a\":1", false},
        {"mismatched brackets", "[1}", false},
        {"nested", "{\"a\":[{\"b\":[]}],\"c\":{}}", true},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << QByteArray(row.text) << row.accepted;
}

void TestJSONParser::language()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(Parse(text) != nullptr, accepted);
}

void TestJSONParser::nestingLimit()
{
    const QByteArray ok = QByteArray(512, '[') + QByteArray(512, ']');
    const QByteArray deep = QByteArray(513, '[') + QByteArray(513, ']');
    QVERIFY(Parse(ok));
    QVERIFY(!Parse(deep));
    QByteArray objects;
    for (int i = 0; i < 513; ++i)
        objects += "{\"a\":";
    objects += "1" + QByteArray(513, '}');
    QVERIFY(!Parse(objects));
    objects = objects.mid(5, objects.size() - 6);
    QVERIFY(Parse(objects));
    // A refusal far past the limit is still only a missing result.
    QVERIFY(!Parse(QByteArray(100000, '[')));
}

void TestJSONParser::kindsAndOrder()
{
    const auto root =
        Parse("{\"a\":1,\"a\":2,\"s\":\"x\",\"t\":true,\"f\":false,\"n\":null,\"o\":{},\"l\":[3,\"4\"]}");
    QVERIFY(root && root->IsObject());
    const auto& object = static_cast<const TJSONObject&>(*root);
    QCOMPARE(object.Count(), 8);
    QCOMPARE(Q(object.Get(0).Name().Value()), QString("a"));
    QCOMPARE(Q(object.Get(1).Name().Value()), QString("a"));
    QCOMPARE(Q(object.Get(0).Value().Value()), QString("1"));
    QCOMPARE(Q(object.Get(1).Value().Value()), QString("2"));
    QVERIFY(object.Get(2).Value().IsString());
    QVERIFY(object.Get(3).Value().IsTrue() && !object.Get(3).Value().IsFalse());
    QVERIFY(object.Get(4).Value().IsFalse() && !object.Get(4).Value().IsTrue());
    QVERIFY(object.Get(5).Value().IsNull());
    QVERIFY(object.Get(6).Value().IsObject());
    QCOMPARE(Q(object.Get(6).Value().Value()), QString());
    const auto& list = static_cast<const TJSONArray&>(object.Get(7).Value());
    QCOMPARE(list.Count(), 2);
    QVERIFY(list.Get(0).IsNumber());
    QVERIFY(list.Get(1).IsString());
    QCOMPARE(Q(object.Get(7).Name().ToString()), QString("\"l\""));
}

void TestJSONParser::stringDecoding_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("u00E9") << QByteArray("[\"\\u00E9\"]") << QString(QChar(0xE9));
    QTest::newRow("lower-case hex") << QByteArray("[\"\\u00e9\"]") << QString(QChar(0xE9));
    QTest::newRow("surrogate pair") << QByteArray("[\"\\uD83D\\uDE00\"]")
                                    << QString::fromUtf16(u"\U0001F600");
    QTest::newRow("lone high surrogate") << QByteArray("[\"\\uD800\"]") << QString(QChar(0xD800));
    QTest::newRow("lone low surrogate then text")
        << QByteArray("[\"\\uDC00x\"]") << QString(QChar(0xDC00)) + "x";
    QTest::newRow("u0000") << QByteArray("[\"a\\u0000b\"]") << QString("a") + QChar(0) + "b";
    QTest::newRow("simple escapes") << QByteArray("[\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"]")
                                    << QString("\"\\/\b\f\n\r\t");
    QTest::newRow("raw control characters") << QByteArray("[\"a\tb\r\nc\x01\"]") << QString("a\tb\r\nc\x01");
    QTest::newRow("UTF-8 text") << QByteArray("[\"\xE2\x82\xAC \xF0\x9F\x98\x80\"]")
                                << QString::fromUtf16(u"\u20AC \U0001F600");
}

void TestJSONParser::stringDecoding()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, decoded);
    const auto root = Parse(text);
    QVERIFY(root);
    const auto& value = static_cast<const TJSONArray&>(*root).Get(0);
    QVERIFY(value.IsString());
    QCOMPARE(Q(value.Value()), decoded);
}

void TestJSONParser::toStringEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("serialised");
    QTest::newRow("eleven characters") << QString("a/b\"c\\") << QString("\"a\\/b\\\"c\\\\\"");
    QTest::newRow("raw TAB") << QString("\t") << QString("\"\\t\"");
    QTest::newRow("line break") << QString("a\r\nb") << QString("\"a\\r\\nb\"");
    QTest::newRow("backspace and form feed") << QString("\b\f") << QString("\"\\b\\f\"");
    QTest::newRow("web address") << QString("http://x/y") << QString("\"http:\\/\\/x\\/y\"");
    QTest::newRow("other control characters unchanged")
        << QString("\x01\x1F\x7F") << QString("\"\x01\x1F\x7F\"");
    QTest::newRow("non-ASCII unchanged")
        << QString::fromUtf16(u"\u00E9\u20AC\U0001F600") << QString::fromUtf16(u"\"\u00E9\u20AC\U0001F600\"");
}

void TestJSONParser::toStringEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, serialised);
    const TJSONString value(text.toStdU16String());
    QCOMPARE(Q(value.ToString()), serialised);
    QVERIFY(!serialised.contains('\r') && !serialised.contains('\n'));
    // What is written reads back as the same text.
    const auto again = ParseJSONText(serialised.toStdU16String());
    QVERIFY(again && again->IsString());
    QCOMPARE(Q(again->Value()), text);
}

void TestJSONParser::numberValue_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("display"); // null: the display value fails
    const auto row = [](const char* name, const char* number, const char* display,
                         const char* separator = ".") {
        QTest::newRow(name) << QByteArray(number) << QString(separator)
                            << (display ? QString(display) : QString());
    };
    row("1.50", "1.50", "1.5");
    row("1.50 with comma", "1.50", "1,5", ",");
    row("1e3", "1e3", "1000");
    row("0.0001", "0.0001", "0.0001");
    row("0.00001", "0.00001", "1E-5");
    row("2.5E-7", "2.5E-7", "2.5E-7");
    row("1E21", "1E21", "1E21");
    row("1e15", "1e15", "1E15");
    row("1e14", "1e14", "100000000000000");
    row("15 significant digits", "123456789.123456789", "123456789.123457");
    row("11-digit integer", "12345678901", "12345678901");
    row("18-digit integer", "123456789012345678", "123456789012345678");
    row("19-digit maximum", "9223372036854775807", "9223372036854775807");
    row("19-digit minimum", "-9223372036854775808", "-9223372036854775808");
    row("beyond int64", "9223372036854775808", nullptr);
    row("20-digit integer", "12345678901234567890", nullptr);
    row("12-character exponent form", "1000000000e5", nullptr);
    row("1e400", "1e400", nullptr);
    row("-1e400", "-1e400", nullptr);
    row("minus exponent form", "-e5", nullptr);
    row("underflow", "1e-400", "0");
    row("zero", "0", "0");
    row("negative zero", "-0", "0");
    row("negative zero fraction", "-0.0", "0");
    row("negative", "-1.25", "-1.25");
    row("negative scientific", "-2.5e-9", "-2.5E-9");
    row("rounds up a decade", "9.9999999999999999", "10");
    row("fixed with exponent 15", "123456789012345.6", "123456789012346");
    row("scientific with exponent 16", "1234567890123456.7", "1.23456789012346E15");
    row("exponent -3 fixed", "0.000123", "0.000123");
    row("multi-character separator", "3.25",
        "3\xD9\xAB"
        "25",
        "\xD9\xAB");
    row("large exponent with point", "1.5e100000000", nullptr);
}

void TestJSONParser::numberValue()
{
    QFETCH(QByteArray, number);
    QFETCH(QString, separator);
    QFETCH(QString, display);
    const TJSONNumber value(number.toStdString());
    QCOMPARE(Q(value.ToString()), QString::fromLatin1(number));
    if (display.isNull()) {
        QVERIFY_THROWS_EXCEPTION(EJSONNumber, value.Value(separator.toStdU16String()));
    } else {
        QCOMPARE(Q(value.Value(separator.toStdU16String())), display);
    }
}

void TestJSONParser::utf16Entry()
{
    // A leading U+FEFF is skipped; anywhere else it is an ordinary character and refuses the text.
    QVERIFY(ParseJSONText(std::u16string(u"\uFEFF{}")));
    QVERIFY(!ParseJSONText(std::u16string(u" \uFEFF{}")));
    const auto root = ParseJSONText(std::u16string(u"[\"\u4E00\"]"));
    QVERIFY(root);
    QCOMPARE(Q(static_cast<const TJSONArray&>(*root).Get(0).Value()), QString(QChar(0x4E00)));
}

QTEST_GUILESS_MAIN(TestJSONParser)
#include "tst_jsonparser.moc"
