// The highlighter's scanner: colours of formatted documents, the awkward runs, positions in UTF-16
// units, a literal reference on random text, and range states found by looking back.
#include "core/OutlineBuilder.h"
#include "tests/textview/ReferenceHighlighter.h"
#include "textview/JSONRangeStates.h"
#include "textview/JSONTokenizer.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {
// Tokens as "text/kind", strings as "text/name" or "text/value" (their attribute); spaces shown as
// "·", tabs "→", U+0000 "∅"; "¶" where a line ends.
QString Render(const QByteArray& AUtf8)
{
    QStringList parts;
    TJSONTokenizer scanner(std::string_view(AUtf8.constData(), size_t(AUtf8.size())), rsUnknown);
    TJSONToken token;
    size_t line = 0;
    while (scanner.Next(token)) {
        for (; line < scanner.Line(); ++line)
            parts << QStringLiteral("¶");
        QString text = QString::fromUtf8(AUtf8.mid(qsizetype(token.Start), qsizetype(token.Length)));
        text.replace(QLatin1Char(' '), QStringLiteral("·"))
            .replace(QLatin1Char('\t'), QStringLiteral("→"))
            .replace(QChar(0), QStringLiteral("∅"));
        static const char* const kinds[] = {"", "res", "nul", "num", "sp", "sym", "unk"};
        const QString kind = token.Kind == tkString
            ? QString::fromLatin1(token.Attribute == saValue ? "value" : "name")
            : QString::fromLatin1(kinds[token.Kind]);
        parts << text + QLatin1Char('/') + kind;
    }
    return parts.join(QLatin1Char(' '));
}

std::vector<TJSONTokenReport> FastReport(const std::u16string& AText)
{
    const QByteArray utf8 = QString::fromStdU16String(AText).toUtf8();
    std::vector<TJSONTokenReport> tokens;
    ReportTokens(std::string_view(utf8.constData(), size_t(utf8.size())),
        [&](const TJSONTokenReport& AToken) { tokens.push_back(AToken); });
    return tokens;
}

QString Describe(const TJSONTokenReport& t)
{
    return QStringLiteral("%1:%2+%3 %4 %5")
        .arg(t.Line)
        .arg(t.Column)
        .arg(t.Length)
        .arg(QLatin1String(TokenKindName(t.Kind)), QLatin1String(SynAttributeName(t.Attribute)));
}

// The range state at the start of every line, scanning from the top.
std::vector<TRangeState> ForwardStates(std::string_view AText, size_t ALines)
{
    std::vector<TRangeState> states(ALines, rsUnknown);
    TJSONTokenizer scanner(AText, rsUnknown);
    TJSONToken token;
    size_t line = 0;
    TRangeState before = rsUnknown; // state before the token just read
    while (scanner.Next(token)) {
        for (; line < scanner.Line(); ++line)
            states[line + 1] = before;
        before = scanner.State();
    }
    for (; line + 1 < ALines; ++line)
        states[line + 1] = before;
    return states;
}

// Random text over the characters the rules care about.
std::u16string RandomText(QRandomGenerator& ARandom, int ALength)
{
    static const std::u16string pieces[] = {u"\"", u"\\", u"u", u"0", u"7", u"a", u"F", u"-", u".", u"e",
        u"E", u"+", u"t", u"true", u"f", u"false", u"n", u"null", u"{", u"}", u"[", u"]", u":", u",", u" ",
        u"\t", u"\r", u"\n", u"\r\n", std::u16string(1, u'\0'), u"\x01", u"/", u"x", u"\u00e9", u"\U0001F600",
        u"\\u00e9", u"\\\"", u"12", u"\"k\": ", u"\x7f"};
    std::u16string text;
    for (int i = 0; i < ALength; ++i)
        text += pieces[ARandom.bounded(int(std::size(pieces)))];
    return text;
}
} // namespace

class TestJSONTokenizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tokens_data();
    void tokens();
    void positions_data();
    void positions();
    void sameAsReference();
    void rangeStatesLookBack();
    void transitionsCompose();
};

void TestJSONTokenizer::tokens_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("member q with value 2")
        << QByteArray("{\r\n  \"q\": 2,\r\n  \"s\": \"x\"\r\n}")
        << "{/sym ¶ ··/sp \"q\"/name :/sym ·/sp 2/num ,/sym ¶ ··/sp \"s\"/name "
           ":/sym ·/sp \"x\"/value ¶ }/sym";
    QTest::newRow("string after a nested object is a name")
        << QByteArray("[{\"a\":1},\"s\",\"t\"]")
        << "[/sym {/sym \"a\"/name :/sym 1/num }/sym ,/sym \"s\"/name ,/sym \"t\"/name ]/sym";
    QTest::newRow("array strings are values")
        << QByteArray("[\"a\", \"b\"]") << "[/sym \"a\"/value ,/sym ·/sp \"b\"/value ]/sym";
    QTest::newRow("top-level string") << QByteArray("\"x\"") << "\"x\"/name";
    QTest::newRow("state carries over a line break")
        << QByteArray("{\"a\":\r\n\"v\"}") << "{/sym \"a\"/name :/sym ¶ \"v\"/value }/sym";
    QTest::newRow("lone zeros are numbers")
        << QByteArray("{\"a\":0,\"b\":-0,\"c\":0.5,\"d\":0e5}")
        << "{/sym \"a\"/name :/sym 0/num ,/sym \"b\"/name :/sym -0/num ,/sym \"c\"/name :/sym 0.5/num ,/sym "
           "\"d\"/name :/sym 0e5/num }/sym";
    QTest::newRow("number forms") << QByteArray("-12.5e+3 1E-2 007")
                                  << "-12.5e+3/num ·/sp 1E-2/num ·/sp 007/num";
    QTest::newRow("missing digit runs to a space")
        << QByteArray("1.,2 -x, 1e+ -") << "1.,2/unk ·/sp -x,/unk ·/sp 1e+/unk ·/sp -/unk";
    QTest::newRow("number then letters") << QByteArray("12ab") << "12/num a/unk b/unk";
    QTest::newRow("reserved words") << QByteArray("true false null")
                                    << "true/res ·/sp false/res ·/sp null/res";
    QTest::newRow("truex") << QByteArray("truex") << "true/res x/unk";
    QTest::newRow("bad word runs to a comma")
        << QByteArray("tru,nul} fals\tx") << "tru/unk ,/sym nul}/unk ·/sp fals/unk →/sp x/unk";
    QTest::newRow("escapes") << QByteArray(R"("a\"b\\\/\b\f\n\r\t" "\u00e9" "\q")")
                             << R"("a\"b\\\/\b\f\n\r\t"/name ·/sp "\u00e9"/name ·/sp "\q"/name)";
    QTest::newRow("bad unicode escape runs to the quote")
        << QByteArray(R"("ab\u12x" next)") << R"("ab\u12x/unk "·next/name)";
    QTest::newRow("bad unicode escape runs to a space")
        << QByteArray("\"\\uZZ a\"") << "\"\\uZZ/unk ·/sp a/unk \"/name";
    QTest::newRow("backslash at the line end") << QByteArray("\"a\\\n1") << "\"a\\/name ¶ 1/num";
    QTest::newRow("unterminated string ends at the line end")
        << QByteArray("\"abc\r\n\"d\"") << "\"abc/name ¶ \"d\"/name";
    QTest::newRow("lone CR and lone LF end lines")
        << QByteArray("[1\r2\n3\r\n4]") << "[/sym 1/num ¶ 2/num ¶ 3/num ¶ 4/num ]/sym";
    QTest::newRow("control characters are space") << QByteArray("\x01\x1f \t1", 5) << "\x01\x1f·→/sp 1/num";
    QTest::newRow("null outside a string") << QByteArray("1\0 2", 4) << "1/num ∅/nul ·/sp 2/num";
    QTest::newRow("strings run through null") << QByteArray("\"a\0b\"", 5) << "\"a∅b\"/name";
    QTest::newRow("other characters one by one") << QByteArray("x\xC3\xA9/") << "x/unk é/unk //unk";
}

void TestJSONTokenizer::tokens()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QCOMPARE(Render(text), expected);
}

void TestJSONTokenizer::positions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("non-ASCII in a string")
        << QStringLiteral("\"\u00e9\":1")
        << QStringList {"1:1+3 tkString Attribute", "1:4+1 tkSymbol Symbol", "1:5+1 tkNumber Number"};
    QTest::newRow("character above U+FFFF gives two tokens")
        << QStringLiteral("x\U0001F600y")
        << QStringList {"1:1+1 tkUnknown Attribute", "1:2+1 tkUnknown Attribute", "1:3+1 tkUnknown Attribute",
               "1:4+1 tkUnknown Attribute"};
    QTest::newRow("above U+FFFF inside a run")
        << QStringLiteral("t\U0001F600 \"\U0001F600\"")
        << QStringList {"1:1+3 tkUnknown Attribute", "1:4+1 tkSpace Space", "1:5+4 tkString Attribute"};
    QTest::newRow("lines and columns")
        << QStringLiteral("[\r\n  1,\n  null\r]")
        << QStringList {"1:1+1 tkSymbol Symbol", "2:1+2 tkSpace Space", "2:3+1 tkNumber Number",
               "2:4+1 tkSymbol Symbol", "3:1+2 tkSpace Space", "3:3+4 tkReserved ReservedWord",
               "4:1+1 tkSymbol Symbol"};
    QTest::newRow("null has no attribute") << QString(QChar(0)) << QStringList {"1:1+1 tkNull -"};
}

void TestJSONTokenizer::positions()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QStringList actual;
    for (const TJSONTokenReport& token : FastReport(text.toStdU16String()))
        actual << Describe(token);
    QCOMPARE(actual, expected);
}

void TestJSONTokenizer::sameAsReference()
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 3000; ++round) {
        const std::u16string text = RandomText(random, 1 + int(random.bounded(40)));
        const auto expected = TReferenceHighlighter::Tokens(text);
        const auto actual = FastReport(text);
        QStringList want, got;
        for (const auto& t : expected)
            want << Describe(t);
        for (const auto& t : actual)
            got << Describe(t);
        if (want != got)
            qWarning() << "text:" << QString::fromStdU16String(text);
        QCOMPARE(got, want);
    }
}

void TestJSONTokenizer::rangeStatesLookBack()
{
    // Formatted documents (with long arrays of strings, where only commas separate the lines) and
    // random text, asked in an order that jumps back and forth.
    std::vector<std::string> texts;
    TJSONCounts counts;
    texts.push_back(FormatJSON(R"({"a":[{"b":1},"c","d"],"e":{"f":["g",{"h":"i"},"j"]},"k":"l"})", counts));
    std::string strings = "[";
    for (int i = 0; i < 9000; ++i)
        strings += (i ? ",\"s" : "\"s") + std::to_string(i) + "\"";
    texts.push_back(FormatJSON(strings + "]", counts));
    texts.push_back(FormatJSON("{\"x\":" + strings + "],\"y\":\"z\"}", counts));
    QRandomGenerator random(7);
    for (int i = 0; i < 20; ++i)
        texts.push_back(QString::fromStdU16String(RandomText(random, 300)).toStdString());
    const QString corpus = qEnvironmentVariable("QUILLON_SHARED_DIR") + QStringLiteral("/corpus");
    for (const QString& name : QDir(corpus).entryList({QStringLiteral("*.json")})) {
        QFile file(corpus + QLatin1Char('/') + name);
        if (file.open(QIODevice::ReadOnly))
            texts.push_back(FormatJSON(file.readAll().toStdString(), counts));
    }
    for (const std::string& text : texts) {
        QVERIFY(!text.empty());
        TBufferLines lines(text);
        const std::vector<TRangeState> expected = ForwardStates(text, lines.LineCount());
        TJSONRangeStates states;
        for (int probe = 0; probe < 400; ++probe) {
            const size_t line = random.bounded(quint32(lines.LineCount()));
            QCOMPARE(int(states.StateAt(line, lines)), int(expected[line]));
        }
        // From the top with what was remembered on the way, as styling a view would.
        for (size_t line = 0; line < lines.LineCount(); line += 1 + random.bounded(50))
            QCOMPARE(int(states.StateAt(line, lines)), int(expected[line]));
        states.Forget(lines.LineCount() / 2);
        const size_t last = lines.LineCount() - 1;
        QCOMPARE(int(states.StateAt(last, lines)), int(expected[last]));
    }
}

void TestJSONTokenizer::transitionsCompose()
{
    // Composing what lines do equals running them one after another, for every start state.
    const char* const lines[] = {"", ",", "{", "}", "[", "]", ":", "\"a\",", "[,", ",:", "1,2,", "\",\""};
    for (const char* a : lines) {
        for (const char* b : lines) {
            const TLineTransition first = TJSONTokenizer::Transition(a);
            const TLineTransition second = TJSONTokenizer::Transition(b);
            const TLineTransition both = TJSONTokenizer::Transition(std::string(a) + "\n" + b);
            for (const TRangeState start : {rsUnknown, rsAttribute, rsObjectValue, rsArrayValue}) {
                QCOMPARE(int(first.Then(second).Apply(start)), int(second.Apply(first.Apply(start))));
                QCOMPARE(int(both.Apply(start)), int(second.Apply(first.Apply(start))));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestJSONTokenizer)
#include "tst_jsontokenizer.moc"
