// Where a refused document is broken, and why.
#include "TestDocuments.h"
#include "core/DocumentText.h"
#include "core/JSONErrorPlace.h"
#include "core/OutlineBuilder.h"

#include <QTest>

namespace {
std::string_view View(const QByteArray& AData)
{
    return {AData.constData(), size_t(AData.size())};
}

bool Accepted(std::string_view AText)
{
    TOutline outline;
    TJSONCounts counts;
    return !BuildOutline(AText, outline, counts, TLineBreaks::Normalize).empty();
}
} // namespace

class TestJSONErrorPlace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void places_data();
    void places();
    void agreesWithTheReader_data();
    void agreesWithTheReader();
    void invalidUtf8();
};

void TestJSONErrorPlace::places_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing comma") << QByteArray("{\"a\":1\r\n \"b\":2}") << 2 << 2 << "expected ',' or '}'";
    QTest::newRow("array closed by brace") << QByteArray("[1,2}") << 1 << 5 << "expected ',' or ']'";
    QTest::newRow("invalid escape") << QByteArray("{\"a\":\"x\\qy\"}") << 1 << 8 << "invalid escape";
    QTest::newRow("short \\u") << QByteArray("[\"\\u12\"]") << 1 << 3 << "invalid \\u escape";
    QTest::newRow("unclosed string") << QByteArray("[1,\n\"abc") << 2 << 1 << "the string is not closed";
    QTest::newRow("end too early") << QByteArray("{\"a\":[1,2\n\n  ") << 1 << 10 << "expected ',' or ']'";
    QTest::newRow("trailing comma in object") << QByteArray("{\"a\":1,}") << 1 << 8 << "expected a name";
    QTest::newRow("name without quotes") << QByteArray("{a:1}") << 1 << 2 << "expected a name or '}'";
    QTest::newRow("missing colon") << QByteArray("{\"a\" 1}") << 1 << 6 << "expected ':'";
    QTest::newRow("bad literal") << QByteArray("[tru]") << 1 << 2 << "invalid literal";
    QTest::newRow("leading zero") << QByteArray("[01]") << 1 << 2 << "invalid number";
    QTest::newRow("text after the end")
        << QByteArray("{}\rx") << 2 << 1 << "text after the end of the document";
    QTest::newRow("root scalar") << QByteArray("  42") << 1 << 3 << "expected '{' or '['";
    QTest::newRow("empty") << QByteArray(" \r\n") << 1 << 1 << "the document is empty";
    // Columns count UTF-16 code units: "é" is one, an emoji two.
    QTest::newRow("non-ASCII before")
        << QByteArray("[\"\xC3\xA9\xF0\x9F\x98\x80\" x]") << 1 << 8 << "expected ',' or ']'";
    QTest::newRow("too deep") << QByteArray(513, '[') << 1 << 513 << "more than 512";
}

void TestJSONErrorPlace::places()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, reason);
    QVERIFY(!Accepted(View(text)));
    const TJSONErrorPlace place = FindJSONErrorPlace(View(text));
    QVERIFY2(QString::fromStdString(place.Reason).startsWith(reason), place.Reason.c_str());
    QCOMPARE(int(place.Line), line);
    QCOMPARE(int(place.Column), column);
}

// Refused exactly when the reader refuses, at a place inside the document text; over the conformance
// files, the corpus, random documents and broken copies of them.
void TestJSONErrorPlace::agreesWithTheReader_data()
{
    QTest::addColumn<QByteArray>("input");
    const QDir suite(SharedDir().filePath("testdata/json-test-suite"));
    for (const QString& name : suite.entryList({"*.json"}, QDir::Files)) {
        QFile file(suite.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
    const QDir corpus(SharedDir().filePath("corpus"));
    for (const QString& name : corpus.entryList({"*.json"}, QDir::Files)) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
    std::mt19937 random(7);
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const QByteArray text = QByteArray::fromStdString(TRandomDocument(seed).Make());
        QTest::newRow(qPrintable(QString("random %1").arg(seed))) << text;
        QTest::newRow(qPrintable(QString("random %1 cut").arg(seed)))
            << text.left(qsizetype(random() % text.size()));
        QByteArray changed = text;
        static const char bytes[] = {'"', '\\', ',', ':', '{', ']', 'x', '0', '-', ' ', 'u', 'e'};
        changed[qsizetype(random() % text.size())] = bytes[random() % sizeof bytes];
        QTest::newRow(qPrintable(QString("random %1 changed").arg(seed))) << changed;
    }
}

void TestJSONErrorPlace::agreesWithTheReader()
{
    QFETCH(QByteArray, input);
    std::string_view text;
    if (!FindDocumentText(View(input), text)) {
        const TJSONErrorPlace place = FindUtf8ErrorPlace(View(input));
        QCOMPARE(place.Reason, std::string("invalid UTF-8"));
        QVERIFY(place.Offset < size_t(input.size()));
        return;
    }
    const bool accepted = Accepted(text);
    const TJSONErrorPlace place = FindJSONErrorPlace(text);
    QCOMPARE(place.Reason.empty(), accepted);
    if (accepted)
        return;
    QVERIFY(place.Offset <= text.size());
    QVERIFY(place.Offset == text.size() || (static_cast<unsigned char>(text[place.Offset]) & 0xC0) != 0x80);
    // The place is one the Source page shows: a line of the document text, at most one past its end.
    TDocumentText document;
    QVERIFY(ReadDocumentText(View(input), document));
    QVERIFY(place.Line >= 1 && place.Line <= std::max<size_t>(document.LineCount, 1));
    const std::string_view shown = document.Text.View();
    size_t start = 0;
    for (size_t l = 1; l < place.Line; ++l)
        start = shown.find("\r\n", start) + 2;
    const size_t lineEnd = std::min(shown.find("\r\n", start), shown.size());
    const std::u16string lineText = QString::fromUtf8(shown.substr(start, lineEnd - start)).toStdU16String();
    QVERIFY2(place.Column >= 1 && place.Column <= lineText.size() + 1,
        qPrintable(
            QString("line %1 column %2 of %3").arg(place.Line).arg(place.Column).arg(lineText.size())));
}

void TestJSONErrorPlace::invalidUtf8()
{
    const QByteArray bytes("\xEF\xBB\xBF{\"a\":\r\n\"\xC3\xA9\xED\xA0\x80\"}");
    const TJSONErrorPlace place = FindUtf8ErrorPlace(View(bytes));
    QCOMPARE(place.Reason, std::string("invalid UTF-8"));
    QCOMPARE(int(place.Line), 2);
    QCOMPARE(int(place.Column), 3);
    QCOMPARE(FindUtf8ErrorPlace("{\"a\":1}").Reason, std::string());
}

QTEST_GUILESS_MAIN(TestJSONErrorPlace)
#include "tst_jsonerrorplace.moc"
