// The tree search and the source search without widgets: the documented cases as rows, and both
// searches checked against a slow literal search on random documents.
#include "core/OutlineBuilder.h"
#include "core/SourceSearch.h"
#include "core/TreeSearch.h"
#include "core/Utf.h"
#include "tests/core/TestDocuments.h"
#include "viewer/UpperCaseMap.h"

#include <QTest>

#include <random>

namespace {
std::u16string Upper(std::u16string_view AText)
{
    std::u16string out(AText);
    for (char16_t& unit : out)
        unit = QChar(unit).toUpper().unicode();
    return out;
}

// The names of the nodes that F3 after F3 finds, "MISS" at the first miss (at most AMax hits).
QStringList TreeHits(
    const std::string& AJson, const QString& AText, int AMax, std::u16string ASeparator = u".")
{
    TOutline outline;
    outline.SetDecimalSeparator(ASeparator);
    TJSONCounts counts;
    BuildOutline(AJson, outline, counts);
    const TTextFinder finder(AText.toStdU16String(), UpperCaseMap());
    TTreeSearch search(outline, finder);
    QStringList hits;
    TNodeIndex from = NoNode;
    for (int i = 0; i < AMax; ++i) {
        const TNodeIndex hit = search.FindFrom(from);
        if (hit == NoNode)
            return hits << "MISS";
        hits << QString::fromStdU16String(outline.NodeData(hit).Name);
        from = NextInPreOrder(outline, hit);
    }
    return hits;
}

// The first occurrence of APattern (upper case) in AText at or after AFrom, taking whole characters.
size_t FindWhole(const std::u16string& AText, const std::u16string& APattern, size_t AFrom = 0)
{
    for (size_t at = AFrom; (at = AText.find(APattern, at)) != std::u16string::npos; ++at) {
        const size_t end = at + APattern.size();
        const bool splitsStart = at > 0 && IsLowSurrogate(AText[at]) && IsHighSurrogate(AText[at - 1]);
        const bool splitsEnd =
            end < AText.size() && IsHighSurrogate(AText[end - 1]) && IsLowSurrogate(AText[end]);
        if (!splitsStart && !splitsEnd)
            return at;
    }
    return std::u16string::npos;
}

// The nodes whose name or value holds the text, in pre-order, found one node at a time.
std::vector<TNodeIndex> SlowTreeHits(const TOutline& AOutline, std::u16string_view AText)
{
    std::vector<TNodeIndex> hits;
    const std::u16string text = Upper(AText);
    if (text.empty() || AOutline.IsEmpty())
        return hits;
    std::vector<TNodeIndex> stack {AOutline.Root()};
    while (!stack.empty()) {
        const TNodeIndex node = stack.back();
        stack.pop_back();
        const TNodeData data = AOutline.NodeData(node);
        if (FindWhole(Upper(data.Name), text) != std::u16string::npos
            || FindWhole(Upper(data.Value), text) != std::u16string::npos)
            hits.push_back(node);
        for (uint32_t row = AOutline.ChildCount(node); row-- > 0;)
            stack.push_back(AOutline.Child(node, row));
    }
    return hits;
}

// Every hit of the source search from the start, as UTF-16 positions [start, end).
std::vector<std::pair<size_t, size_t>> SourceHits(std::string_view AText, std::u16string_view APattern)
{
    const TTextFinder finder(APattern, UpperCaseMap());
    std::vector<std::pair<size_t, size_t>> hits;
    for (size_t caret = 0;;) {
        const std::optional<TSourceMatch> hit = FindInSource(AText, caret, finder);
        if (!hit)
            return hits;
        const size_t start = Utf8ToUtf16(AText.substr(0, hit->Start)).size();
        hits.emplace_back(start, start + Utf8ToUtf16(AText.substr(hit->Start, hit->End - hit->Start)).size());
        caret = hit->End;
    }
}

// The same, slowly: the text decoded and upper-cased unit by unit, searched line by line.
std::vector<std::pair<size_t, size_t>> SlowSourceHits(std::string_view AText, std::u16string_view APattern)
{
    std::vector<std::pair<size_t, size_t>> hits;
    const std::u16string text = Upper(Utf8ToUtf16(AText));
    const std::u16string pattern = Upper(APattern);
    if (pattern.empty() || pattern.find_first_of(u"\r\n") != std::u16string::npos)
        return hits;
    for (size_t at = 0; (at = FindWhole(text, pattern, at)) != std::u16string::npos;) {
        hits.emplace_back(at, at + pattern.size());
        at += pattern.size();
    }
    return hits;
}
} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void treeSearch_data();
    void treeSearch();
    void sourceSearch_data();
    void sourceSearch();
    void lineColumn_data();
    void lineColumn();
    void treeSearchMatchesSlowSearch();
    void sourceSearchMatchesSlowSearch();
};

void TestSearch::treeSearch_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("hits");
    QTest::addColumn<QString>("separator"); // the decimal separator of display values
    // The root's name "<object>" holds a b: it comes first.
    QTest::newRow("b among a, b, c") << QByteArray(R"({"a":1,"b":2,"c":3})") << "b"
                                     << QStringList {"<object>", "b", "MISS"} << ".";
    QTest::newRow("<element") << QByteArray(R"([{"x":1},[2],3,"<elementary>",0])") << "<element"
                              << QStringList {"<element #0>", "<element #1>", "<elementary>", "MISS"} << ".";
    QTest::newRow("element number") << QByteArray("[[],[],[],0]") << "#2"
                                    << QStringList {"<element #2>", "MISS"} << ".";
    QTest::newRow("object finds the root first")
        << QByteArray(R"({"object":{"o":"my object"},"_":0})") << "object"
        << QStringList {"<object>", "object", "o", "MISS"} << ".";
    QTest::newRow("array root") << QByteArray("[1]") << "ARRAY" << QStringList {"<array>", "MISS"} << ".";
    QTest::newRow("decoded solidus") << QByteArray(R"({"p":"x\/y","q":"x/y","_":0})") << "x/y"
                                     << QStringList {"p", "q", "MISS"} << ".";
    QTest::newRow("escaped quote in a name")
        << QByteArray(R"({"a\"b":0,"_":0})") << "A\"B" << QStringList {"a\"b", "MISS"} << ".";
    QTest::newRow("line break in a value")
        << QByteArray(R"({"m":"one\r\ntwo","_":0})") << "e\r\nt" << QStringList {"m", "MISS"} << ".";
    QTest::newRow("TRUE in capitals")
        << QByteArray(R"({"t":true,"f":false,"n":null})") << "TRUE" << QStringList {"t", "MISS"} << ".";
    QTest::newRow("literal elements")
        << QByteArray(R"(["x",null,false])") << "ul" << QStringList {"null", "MISS"} << ".";
    QTest::newRow("number display value")
        << QByteArray(R"({"n":1.50,"m":150})") << "1.5" << QStringList {"n", "MISS"} << ".";
    QTest::newRow("number as written is not shown")
        << QByteArray(R"({"n":1.50})") << "1.50" << QStringList {"MISS"} << ".";
    QTest::newRow("exponent shown in full")
        << QByteArray(R"([874e-3,0])") << "0.874" << QStringList {"0.874", "MISS"} << ".";
    // Numbers whose display value is their text are read in place: the same results.
    QTest::newRow("numbers shown as written") << QByteArray(
        "[0.0001,0.00001,12345678901234.5,123456789012345.5,-0,-0.5,2.50,1234567890123456789,0]")
                                              << "0"
                                              << QStringList {"0.0001", "12345678901234.5", "123456789012346",
                                                     "0", "-0.5", "1234567890123456789", "0", "0.0001"}
                                              << ".";
    QTest::newRow("decimal comma in place")
        << QByteArray("[-0.5,7]") << "-0,5" << QStringList {"-0,5", "MISS"} << ",";
    QTest::newRow("decimal comma") << QByteArray(R"({"n":1.5,"m":"1.5"})") << "1,5"
                                   << QStringList {"n", "MISS"} << ",";
    QTest::newRow("no display value: as written")
        << QByteArray(R"([1e400,0])") << "1E4" << QStringList {"1e400", "MISS"} << ".";
    QTest::newRow("nested value in a collapsed part")
        << QByteArray(R"({"a":{"b":{"c":"deep"}},"z":"deeper","_":0})") << "deep"
        << QStringList {"c", "z", "MISS"} << ".";
    // A hit on the last node: the next search starts at the first node, without a miss (the other
    // rows end with a node that does not match, so that their last search misses).
    QTest::newRow("wrap after the last node")
        << QByteArray("[1,2]") << "2" << QStringList {"2", "2", "2"} << ".";
    QTest::newRow("empty text") << QByteArray(R"({"a":1})") << "" << QStringList {"MISS"} << ".";
    QTest::newRow("accented letters")
        << QByteArray(R"({"caf\u00e9":1,"_":0})") << "CAFÉ" << QStringList {"café", "MISS"} << ".";
    // One unit to one unit: the sharp s has no one-unit upper case, the dotless i's is I.
    QTest::newRow("sharp s stays") << QByteArray(R"({"straße":1})") << "STRASSE" << QStringList {"MISS"}
                                   << ".";
    QTest::newRow("dotless i") << QByteArray(R"({"k":"ı","_":0})") << "I" << QStringList {"k", "MISS"} << ".";
    QTest::newRow("long s") << QByteArray(R"({"k":"ſ","_":0})") << "s" << QStringList {"k", "MISS"} << ".";
    QTest::newRow("beyond U+FFFF") << QByteArray(R"({"k":"😀","l":"\ud83d"})") << "😀"
                                   << QStringList {"k", "MISS"} << ".";
}

void TestSearch::treeSearch()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, text);
    QFETCH(QStringList, hits);
    QFETCH(QString, separator);
    QCOMPARE(TreeHits(json.toStdString(), text, int(hits.size()), separator.toStdU16String()), hits);
}

void TestSearch::sourceSearch_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("start"); // -1: not found
    QTest::addColumn<int>("end");
    QTest::newRow("TRUE in capitals") << QByteArray("{\r\n  \"t\": true\r\n}") << 0 << "TRUE" << 10 << 14;
    QTest::newRow("from the caret") << QByteArray("ab ab") << 1 << "AB" << 3 << 5;
    QTest::newRow("at the caret") << QByteArray("ab ab") << 3 << "ab" << 3 << 5;
    QTest::newRow("after the last") << QByteArray("ab ab") << 4 << "ab" << -1 << -1;
    // The source shows the solidus escaped.
    QTest::newRow("x/y not in the source") << QByteArray(R"("p": "x\/y")") << 0 << "x/y" << -1 << -1;
    QTest::newRow("empty pattern") << QByteArray("abc") << 0 << "" << -1 << -1;
    QTest::newRow("never across a line break") << QByteArray("ab\r\ncd") << 0 << "b\r\nc" << -1 << -1;
    QTest::newRow("line break pattern") << QByteArray("ab\r\ncd") << 0 << "\n" << -1 << -1;
    QTest::newRow("two-byte characters") << QByteArray("x caf\xC3\xA9!") << 0 << "É!" << 5 << 8;
    QTest::newRow("dotless i") << QByteArray("x\xC4\xB1y") << 0 << "IY" << 1 << 4;
    QTest::newRow("long s") << QByteArray("\xC5\xBF") << 0 << "s" << 0 << 2;
    QTest::newRow("sharp s stays") << QByteArray("stra\xC3\x9F") << 0 << "STRASS" << -1 << -1;
    QTest::newRow("four-byte character") << QByteArray("a\xF0\x9F\x98\x80z") << 0 << "😀Z" << 1 << 6;
    QTest::newRow("half a character")
        << QByteArray("a\xF0\x9F\x98\x80z") << 0 << QString(QChar(0xD83D)) << -1 << -1;
    QTest::newRow("long pattern") << QByteArray("0123456789abcdefghij0123456789abcdefghijKLMN") << 0
                                  << "ghijklm" << 36 << 43;
    QTest::newRow("long plain pattern")
        << QByteArray("0123456789abcdefghij0123456789abcdefghijKLMN") << 0 << "JKLMN" << 39 << 44;
}

void TestSearch::sourceSearch()
{
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(QString, pattern);
    QFETCH(int, start);
    QFETCH(int, end);
    const TTextFinder finder(pattern.toStdU16String(), UpperCaseMap());
    const std::optional<TSourceMatch> hit = FindInSource(text.toStdString(), size_t(caret), finder);
    QCOMPARE(hit.has_value(), start >= 0);
    if (hit)
        QCOMPARE(*hit, (TSourceMatch {size_t(start), size_t(end)}));
}

void TestSearch::lineColumn_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<QList<int>>("places"); // line and column of each offset
    QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n\r\nx") << QList<int> {0, 1, 4, 5, 10}
                           << QList<int> {1, 1, 1, 2, 2, 1, 2, 2, 4, 1};
    QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc") << QList<int> {2, 4} << QList<int> {2, 1, 3, 1};
    // Columns count UTF-16 units: é one, the emoji two.
    QTest::newRow("wide characters") << QByteArray("\xC3\xA9\xF0\x9F\x98\x80z") << QList<int> {2, 6}
                                     << QList<int> {1, 2, 1, 4};
}

void TestSearch::lineColumn()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, offsets);
    QFETCH(QList<int>, places);
    const std::string bytes = text.toStdString();
    TLineColumnCounter counter(bytes);
    for (int i = 0; i < offsets.size(); ++i) {
        const TLineColumn place = counter.At(size_t(offsets[i]));
        QCOMPARE(int(place.Line), places[2 * i]);
        QCOMPARE(int(place.Column), places[2 * i + 1]);
    }
}

// Patterns cut from the documents' own names and values (with their case changed), and a few fixed ones.
void TestSearch::treeSearchMatchesSlowSearch()
{
    std::mt19937 random(7);
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TOutline outline;
        outline.SetDecimalSeparator(seed % 2 ? u"." : u",");
        TJSONCounts counts;
        BuildOutline(TRandomDocument(seed).Make(), outline, counts);
        if (outline.IsEmpty())
            continue;
        std::vector<std::u16string> patterns {
            u"a", u"Z", u"<ELEMENT #1", u"1,5", u"E+", u"TRU", u"\\", u"/", u"\r\n"};
        for (int i = 0; i < 6; ++i) {
            const TNodeData data = outline.NodeData(TNodeIndex(random() % outline.NodeCount()));
            const std::u16string& source = random() % 2 ? data.Name : data.Value;
            if (source.empty())
                continue;
            const size_t from = random() % source.size();
            std::u16string piece = source.substr(from, 1 + random() % 4);
            for (char16_t& unit : piece)
                unit = random() % 2 ? QChar(unit).toLower().unicode() : QChar(unit).toUpper().unicode();
            patterns.push_back(piece);
        }
        for (const std::u16string& pattern : patterns) {
            const TTextFinder finder(pattern, UpperCaseMap());
            TTreeSearch search(outline, finder);
            std::vector<TNodeIndex> fast;
            for (TNodeIndex node = search.FindFrom(NoNode); node != NoNode;) {
                fast.push_back(node);
                const TNodeIndex next = NextInPreOrder(outline, node);
                node = next == NoNode ? NoNode : search.FindFrom(next);
            }
            if (fast != SlowTreeHits(outline, pattern))
                QFAIL(qPrintable(QStringLiteral("seed %1, pattern \"%2\"")
                                     .arg(seed)
                                     .arg(QString::fromStdU16String(pattern))));
        }
    }
}

void TestSearch::sourceSearchMatchesSlowSearch()
{
    std::mt19937 random(11);
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TOutline outline;
        TJSONCounts counts;
        const std::string text(BuildOutline(TRandomDocument(seed).Make(), outline, counts));
        if (text.empty())
            continue;
        const std::u16string units = Utf8ToUtf16(text);
        std::vector<std::u16string> patterns {u"a", u"\"ZZ", u"\": ", u"É", u"I", u"S", u"\u0131"};
        for (int i = 0; i < 6; ++i) {
            size_t from = random() % units.size();
            size_t to = std::min(units.size(), from + 1 + random() % 12);
            // Whole characters only.
            if (IsLowSurrogate(units[from]))
                --from;
            if (to < units.size() && IsLowSurrogate(units[to]))
                ++to;
            std::u16string piece = units.substr(from, to - from);
            for (char16_t& unit : piece)
                unit = random() % 2 ? QChar(unit).toLower().unicode() : unit;
            patterns.push_back(piece);
        }
        for (const std::u16string& pattern : patterns) {
            if (SourceHits(text, pattern) != SlowSourceHits(text, pattern))
                QFAIL(qPrintable(QStringLiteral("seed %1, pattern \"%2\"")
                                     .arg(seed)
                                     .arg(QString::fromStdU16String(pattern))));
        }
    }
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
