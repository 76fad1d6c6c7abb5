// The formatted text, the counts and the outline of a document.
#include "ReferenceWalk.h"
#include "TestDocuments.h"

#include "core/DocumentText.h"
#include "core/OutlineBuilder.h"
#include "core/Utf.h"

#include <QFile>
#include <QTest>

namespace {
QString Q(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}
QString Q(std::string_view utf8)
{
    return Q(Utf8ToUtf16(utf8));
}
std::string_view View(const QByteArray& b)
{
    return {b.constData(), size_t(b.size())};
}

// One line per node in pre-order: depth, Name, Value, Typ.
QStringList OutlineRows(const TOutline& outline)
{
    QStringList rows;
    if (outline.IsEmpty())
        return rows;
    std::vector<std::pair<TNodeIndex, int>> stack {{outline.Root(), 0}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        const TNodeData data = outline.NodeData(node);
        rows << QString("%1|%2|%3|%4").arg(depth).arg(Q(data.Name), Q(data.Value)).arg(int(data.Typ));
        for (uint32_t row = outline.ChildCount(node); row-- > 0;)
            stack.emplace_back(outline.Child(node, row), depth + 1);
    }
    return rows;
}

QStringList ReferenceRows(const TReferenceResult& ref)
{
    QStringList rows;
    for (const TReferenceNode& n : ref.Nodes)
        rows << QString("%1|%2|%3|%4").arg(n.Depth).arg(Q(n.Data.Name), Q(n.Data.Value)).arg(int(n.Data.Typ));
    return rows;
}

// What an observer heard: "written N" and "move", in order.
class TRecordingObserver final : public TFormatObserver {
public:
    QStringList Heard;
    void Written(const char*, size_t ASize) override { Heard << QString("written %1").arg(ASize); }
    void BeforeMove() override { Heard << "move"; }
};

QString Lines(std::initializer_list<const char*> lines)
{
    QStringList list;
    for (const char* l : lines)
        list << QString::fromUtf8(l);
    return list.join("\r\n");
}
} // namespace

class TestOutline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample();
    void formatting_data();
    void formatting();
    void refusedGivesNothing_data();
    void refusedGivesNothing();
    void deepestNesting();
    void decimalSeparator();
    void matchesReference_data();
    void matchesReference();
    void largeInputs();
    void structureLinks();
    void structureOfShapes_data();
    void structureOfShapes();
    void observerHearsTheEnd_data();
    void observerHearsTheEnd();
};

void TestOutline::workedExample()
{
    const QByteArray input =
        R"({"name":"x/y","n":1.50,"t":true,"f":false,"z":null,"o":{"k":"v"},"a":[1,"s",{"q":2},[]],"e":{}})";
    TOutline outline;
    TJSONCounts counts;
    const std::string_view text = BuildOutline(View(input), outline, counts);
    const QString expected = Lines({"{", R"(  "name": "x\/y",)", R"(  "n": 1.50,)", R"(  "t": true,)",
        R"(  "f": false,)", R"(  "z": null,)", R"(  "o": {)", R"(    "k": "v")", "  },", R"(  "a": [)",
        "        1,", R"(        "s",)", "    {", R"(      "q": 2)", "    },", "    [", "    ]", "  ],",
        R"(  "e": {)", "  }", "}"});
    QCOMPARE(Q(text), expected);
    QCOMPARE(counts, (TJSONCounts {4, 2, 9}));
    const QStringList rows = {"0|<object>||0", "1|name|x/y|2", "1|n|1.5|3", "1|t|true|5", "1|f|false|4",
        "1|z|null|6", "1|o||0", "2|k|v|2", "1|a||1", "2|1||2", "2|s||2", "2|<element #2>||0", "3|q|2|3",
        "2|<element #3>||1", "1|e||0"};
    QCOMPARE(OutlineRows(outline), rows);

    TJSONCounts plain;
    QCOMPARE(Q(FormatJSON(View(input), plain)), expected);
    QCOMPARE(plain, counts);
}

void TestOutline::formatting_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("objects");
    QTest::addColumn<int>("arrays");
    QTest::addColumn<int>("values");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("empty object") << QByteArray("{}") << Lines({"{", "}"}) << 1 << 0 << 0
                                  << QStringList {"0|<object>||0"};
    QTest::newRow("empty array") << QByteArray("[]") << Lines({"[", "]"}) << 0 << 1 << 0
                                 << QStringList {"0|<array>||1"};
    QTest::newRow("nested arrays") << QByteArray("[[1,2],[3],{}]")
                                   << Lines({"[", "  [", "        1,", "        2", "  ],", "  [",
                                          "        3", "  ],", "  {", "  }", "]"})
                                   << 1 << 3 << 3
                                   << QStringList {"0|<array>||1", "1|<element #0>||1", "2|1||2", "2|2||2",
                                          "1|<element #1>||1", "2|3||2", "1|<element #2>||0"};
    QTest::newRow("duplicate names") << QByteArray(R"({"a":1,"a":2})")
                                     << Lines({"{", R"(  "a": 1,)", R"(  "a": 2)", "}"}) << 1 << 0 << 2
                                     << QStringList {"0|<object>||0", "1|a|1|3", "1|a|2|3"};
    QTest::newRow("name with solidus, quote and line break")
        << QByteArray("{\"a/b\\\"c\\nd\":0}") << Lines({"{", R"(  "a\/b\"c\nd": 0)", "}"}) << 1 << 0 << 1
        << QStringList {"0|<object>||0", "1|a/b\"c\nd|0|3"};
    QTest::newRow("20-digit integer element")
        << QByteArray("[12345678901234567890,1]") << Lines({"[", "    12345678901234567890,", "    1", "]"})
        << 0 << 1 << 2 << QStringList {"0|<array>||1", "1|12345678901234567890||2", "1|1||2"};
    QTest::newRow("literals in an array")
        << QByteArray("[true,false,null]") << Lines({"[", "    true,", "    false,", "    null", "]"}) << 0
        << 1 << 3 << QStringList {"0|<array>||1", "1|true||2", "1|false||2", "1|null||2"};
    QTest::newRow("number without display value as member")
        << QByteArray(R"({"big":12345678901234567890,"inf":1e400,"m":-e5})")
        << Lines({"{", R"(  "big": 12345678901234567890,)", R"(  "inf": 1e400,)", R"(  "m": -e5)", "}"}) << 1
        << 0 << 3
        << QStringList {"0|<object>||0", "1|big|12345678901234567890|3", "1|inf|1e400|3", "1|m|-e5|3"};
    QTest::newRow("escapes in values")
        << QByteArray(R"(["\u002f\u0041\t", "\uD83D\uDE00"])")
        << Lines({"[", R"(    "\/A\t",)", "    \"\xF0\x9F\x98\x80\"", "]"}) << 0 << 1 << 2
        << QStringList {"0|<array>||1", "1|/A\t||2", QString::fromUtf16(u"1|\U0001F600||2")};
    QTest::newRow("object in object in array")
        << QByteArray(R"([{"a":{"b":[]}}])")
        << Lines({"[", "  {", R"(    "a": {)", R"(      "b": [)", "      ]", "    }", "  }", "]"}) << 2 << 2
        << 0 << QStringList {"0|<array>||1", "1|<element #0>||0", "2|a||0", "3|b||1"};
}

void TestOutline::formatting()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    QFETCH(int, objects);
    QFETCH(int, arrays);
    QFETCH(int, values);
    QFETCH(QStringList, rows);
    TOutline outline;
    TJSONCounts counts;
    QCOMPARE(Q(BuildOutline(View(input), outline, counts)), text);
    QCOMPARE(counts, (TJSONCounts {objects, arrays, values}));
    QCOMPARE(OutlineRows(outline), rows);
}

void TestOutline::refusedGivesNothing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("root string") << QByteArray("\"s\"");
    QTest::newRow("root number") << QByteArray("1");
    QTest::newRow("root true") << QByteArray("true");
    QTest::newRow("root false") << QByteArray("false");
    QTest::newRow("root null") << QByteArray("null");
    QTest::newRow("refused text") << QByteArray("[1,]");
    QTest::newRow("refused late") << QByteArray(R"({"a":[1,2,3],"b":{"c":x}})");
    QTest::newRow("empty") << QByteArray();
}

void TestOutline::refusedGivesNothing()
{
    QFETCH(QByteArray, input);
    TOutline outline;
    TJSONCounts counts {5, 5, 5};
    // A previous build is replaced, not extended.
    BuildOutline("{\"x\":[1]}", outline, counts);
    QVERIFY(!outline.IsEmpty());
    QVERIFY(BuildOutline(View(input), outline, counts).empty());
    QVERIFY(outline.IsEmpty());
    QCOMPARE(outline.Root(), NoNode);
    QCOMPARE(counts, TJSONCounts {});
    TJSONCounts plain {1, 1, 1};
    QVERIFY(FormatJSON(View(input), plain).empty());
    QCOMPARE(plain, TJSONCounts {});
}

void TestOutline::deepestNesting()
{
    const QByteArray input = QByteArray(512, '[') + QByteArray(512, ']');
    TOutline outline;
    TJSONCounts counts;
    const QString text = Q(BuildOutline(View(input), outline, counts));
    const QStringList lines = text.split("\r\n");
    QCOMPARE(lines.size(), 1024);
    // The innermost array opens and closes after 1022 spaces.
    QCOMPARE(lines[511], QString(1022, ' ') + "[");
    QCOMPARE(lines[512], QString(1022, ' ') + "]");
    QCOMPARE(counts, (TJSONCounts {0, 512, 0}));
    QCOMPARE(outline.NodeCount(), size_t(512));
    TNodeIndex node = outline.Root();
    for (int level = 0; level < 511; ++level)
        node = outline.Child(node, 0);
    QCOMPARE(outline.Level(node), 511);
    QCOMPARE(outline.ChildCount(node), 0u);
    QVERIFY(BuildOutline(View(QByteArray(513, '[') + QByteArray(513, ']')), outline, counts).empty());
}

void TestOutline::decimalSeparator()
{
    TOutline outline;
    outline.SetDecimalSeparator(u",");
    TJSONCounts counts;
    BuildOutline(R"({"n":1.50,"l":[2.25,1e-5]})", outline, counts);
    QCOMPARE(OutlineRows(outline),
        (QStringList {"0|<object>||0", "1|n|1,5|3", "1|l||1", "2|2,25||2", "2|1E-5||2"}));
    // The formatted text keeps the numbers as written.
    QVERIFY(Q(outline.Text()).contains("1.50"));
}

void TestOutline::matchesReference_data()
{
    QTest::addColumn<QByteArray>("input");
    for (unsigned seed = 1; seed <= 400; ++seed)
        QTest::newRow(qPrintable(QString("random %1").arg(seed)))
            << QByteArray::fromStdString(TRandomDocument(seed).Make());
    const QDir corpus(SharedDir().filePath("corpus"));
    for (const QString& name : corpus.entryList({"*.json"}, QDir::Files)) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
    const QDir suite(SharedDir().filePath("testdata/json-test-suite"));
    for (const QString& name : suite.entryList({"*.json"}, QDir::Files)) {
        QFile file(suite.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
    QTest::newRow("line breaks in strings") << QByteArray("{\"a\r\nb\":\"c\rd\ne\n\rf\",\r\"g\":[\"\r\"]}\n");
    QTest::newRow("sample") << [] {
        QFile file(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/samples/sample.json");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
}

void TestOutline::matchesReference()
{
    QFETCH(QByteArray, input);
    TDocumentText document;
    const bool readable = ReadDocumentText(View(input), document);
    for (const std::string_view text : {View(input), document.Text.View()}) {
        if (!readable && text.data() == document.Text.View().data())
            continue;
        const TReferenceResult ref = TReferenceWalk(u",").Build(text);
        TOutline outline;
        outline.SetDecimalSeparator(u",");
        TJSONCounts counts;
        const std::string formatted(BuildOutline(text, outline, counts));
        QCOMPARE(Q(formatted), Q(ref.Text));
        QCOMPARE(counts, ref.Counts);
        QCOMPARE(OutlineRows(outline), ReferenceRows(ref));

        TJSONCounts plain;
        QCOMPARE(FormatJSON(text, plain), formatted);
        QCOMPARE(plain, counts);

        // The formatted text is a document too, and formats to itself.
        if (!formatted.empty()) {
            TJSONCounts again;
            QCOMPARE(FormatJSON(formatted, again), formatted);
            QCOMPARE(again, counts);
        }
    }

    // Built straight from the file's bytes, the document gives what its decoded text gives.
    TOutline direct;
    TJSONCounts directCounts;
    TDocumentText refused;
    const TDocumentState state = BuildDocument(View(input), direct, directCounts, refused);
    if (!readable) {
        QCOMPARE(state, TDocumentState::Unreadable);
        return;
    }
    TOutline decoded;
    TJSONCounts decodedCounts;
    const std::string formatted(BuildOutline(document.Text.View(), decoded, decodedCounts));
    QCOMPARE(state, formatted.empty() ? TDocumentState::NotJSON : TDocumentState::Formatted);
    QCOMPARE(std::string(direct.Text()), formatted);
    QCOMPARE(directCounts, decodedCounts);
    QCOMPARE(OutlineRows(direct), OutlineRows(decoded));
    if (state == TDocumentState::NotJSON)
        QCOMPARE(refused.Text.View(), document.Text.View());
}

void TestOutline::largeInputs()
{
    // 100,000 opening brackets are refused, not a crash.
    TOutline outline;
    TJSONCounts counts;
    QVERIFY(BuildOutline(View(QByteArray(100000, '[')), outline, counts).empty());

    // A 100 MB string reads cleanly.
    std::string big = "[\"";
    big.append(100u << 20, 'x');
    big += "\"]";
    const std::string_view text = BuildOutline(big, outline, counts);
    QCOMPARE(text.size(), big.size() + 8);
    QCOMPARE(counts, (TJSONCounts {0, 1, 1}));
    QCOMPARE(outline.NodeData(outline.Child(outline.Root(), 0)).Name.size(), size_t(100u << 20));

    // A flat array of a million elements: every child reachable in constant time.
    std::string flat = "[0";
    for (int i = 1; i < 1000000; ++i)
        flat += "," + std::to_string(i);
    flat += "]";
    BuildOutline(flat, outline, counts);
    QCOMPARE(outline.ChildCount(outline.Root()), 1000000u);
    const TNodeIndex last = outline.Child(outline.Root(), 999999);
    QCOMPARE(outline.NodeData(last).Name, std::u16string(u"999999"));
    QCOMPARE(outline.Row(last), 999999u);
    QCOMPARE(outline.Parent(last), outline.Root());
}

void TestOutline::structureLinks()
{
    TOutline outline;
    TJSONCounts counts;
    for (unsigned seed = 1000; seed < 1100; ++seed) {
        BuildOutline(TRandomDocument(seed).Make(), outline, counts);
        size_t reached = 0;
        for (TNodeIndex node = 0; node < outline.NodeCount(); ++node) {
            const TNodeIndex parent = outline.Parent(node);
            if (parent == NoNode) {
                QCOMPARE(node, outline.Root());
                continue;
            }
            QCOMPARE(outline.Child(parent, outline.Row(node)), node);
            QCOMPARE(outline.Level(node), outline.Level(parent) + 1);
            ++reached;
        }
        QCOMPARE(reached + (outline.IsEmpty() ? 0 : 1), outline.NodeCount());
        QCOMPARE(outline.NodeCount(), size_t(counts.FObjCnt + counts.FArrCnt + counts.FValCnt));
    }
}

// Shapes whose runs of children and blocks of 64 nodes meet in awkward ways: empty containers between
// runs, blocks full of containers, runs of one node, deep chains.
void TestOutline::structureOfShapes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("empty"); // objects and arrays without children
    auto repeat = [](const QByteArray& AItem, int ACount) {
        QByteArray items;
        for (int i = 0; i < ACount; ++i)
            items += (i ? "," : "") + AItem;
        return items;
    };
    QByteArray deep;
    for (int i = 0; i < 300; ++i)
        deep += "[" + QByteArray::number(i) + ",";
    deep += "{}" + QByteArray(300, ']');
    QTest::newRow("empty containers between runs")
        << "[" + repeat("[],{},[[]],{\"a\":[]},[1]", 100) + "]" << 400;
    QTest::newRow("blocks of containers only") << "[" + repeat("[[0]]", 200) + "]" << 0;
    QTest::newRow("root empty") << QByteArray("{}") << 1;
    QTest::newRow("deep chain") << deep << 1;
    // The second element's run comes more than a million runs after the first's.
    QTest::newRow("far runs") << "[[0],[" + repeat("[0]", 1100000) + "]]" << 0;
    // Tokens more than 8 MB from their block's first node, after it and before it: a long string
    // between members, and the inner array's run opening a block after the outer runs' start.
    const QByteArray longString = "\"" + QByteArray(9 << 20, 'x') + "\"";
    QTest::newRow("far offsets") << "[{\"k\":" + longString + ",\"z\":1},[" + repeat("0", 63)
            + "],{\"k\":" + longString
            + ",\"z\":[5]}]" << 0;
    QTest::newRow("wide and nested") << "{\"a\":[" + repeat("0", 1000) + "],\"b\":[" + repeat("{}", 130)
            + "]}" << 130;
}

void TestOutline::structureOfShapes()
{
    QFETCH(QByteArray, json);
    QFETCH(int, empty);
    TOutline outline;
    TJSONCounts counts;
    QVERIFY(!BuildOutline(View(json), outline, counts).empty());
    QCOMPARE(outline.NodeCount(), size_t(counts.FObjCnt + counts.FArrCnt + counts.FValCnt));
    size_t children = 0;
    int emptyContainers = 0;
    for (TNodeIndex node = 0; node < outline.NodeCount(); ++node) {
        const uint32_t count = outline.ChildCount(node);
        children += count;
        emptyContainers += outline.IsContainer(node) && count == 0;
        for (uint32_t row = 0; row < count; ++row) {
            const TNodeIndex child = outline.Child(node, row);
            QCOMPARE(outline.Parent(child), node);
            QCOMPARE(outline.Row(child), row);
            if (row > 0)
                QVERIFY(outline.TokenOffset(child) > outline.TokenOffset(outline.Child(node, row - 1)));
        }
    }
    QCOMPARE(children + 1, outline.NodeCount());
    QCOMPARE(emptyContainers, empty);
    // Every token but the root's begins its line after the indentation.
    const std::string_view text = outline.Text();
    for (TNodeIndex node = 1; node < outline.NodeCount(); ++node) {
        const size_t offset = outline.TokenOffset(node);
        const size_t lineStart = text.rfind('\n', offset) + 1;
        QVERIFY2(offset > lineStart && text.find_first_not_of(' ', lineStart) == offset,
            qPrintable(QString::number(node)));
    }
}

// Both walks end what an observer hears the same way: the whole text of an accepted document, or a
// last BeforeMove for a refused one (its buffer is freed next).
void TestOutline::observerHearsTheEnd_data()
{
    QTest::addColumn<bool>("withOutline");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    const QByteArray big = "[" + QByteArray(6 << 20, '1') + "]";
    for (const bool withOutline : {true, false}) {
        const char* walk = withOutline ? "outline" : "format";
        QTest::addRow("%s: accepted", walk) << withOutline << QByteArray("{\"a\":[1]}") << true;
        QTest::addRow("%s: accepted, reported on the way", walk) << withOutline << big << true;
        QTest::addRow("%s: refused", walk) << withOutline << QByteArray("{\"a\":") << false;
        QTest::addRow("%s: refused after a report", walk) << withOutline << big + "," << false;
    }
}

void TestOutline::observerHearsTheEnd()
{
    QFETCH(bool, withOutline);
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    TRecordingObserver observer;
    TJSONCounts counts;
    size_t size = 0;
    if (withOutline) {
        TOutline outline;
        size = BuildOutline(View(json), outline, counts, TLineBreaks::Normalize, &observer).size();
    } else {
        TByteBuffer formatted;
        FormatJSON(View(json), formatted, counts, TLineBreaks::Normalize, &observer);
        size = formatted.Size();
    }
    QCOMPARE(size > 0, accepted);
    QVERIFY(!observer.Heard.isEmpty());
    QCOMPARE(observer.Heard.last(), accepted ? QString("written %1").arg(size) : QString("move"));
}

QTEST_GUILESS_MAIN(TestOutline)
#include "tst_outline.moc"
