// Node paths, finding a node by its path, and the shortened values of the tree.
#include "core/OutlineBuilder.h"
#include "core/OutlinePath.h"

#include <QTest>

namespace {
QString Q(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}
std::u16string U(const QString& s)
{
    return s.toStdU16String();
}

// The node reached by following rows from the root.
TNodeIndex At(const TOutline& outline, std::initializer_list<uint32_t> rows)
{
    TNodeIndex node = outline.Root();
    for (uint32_t row : rows)
        node = outline.Child(node, row);
    return node;
}
} // namespace

class TestOutlinePath : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void paths();
    void findByPath_data();
    void findByPath();
    void shortenText_data();
    void shortenText();
};

void TestOutlinePath::paths()
{
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(R"({"a":1,"b":[2,{"c":[]}],"":0})", outline, counts);
    QCOMPARE(Q(NodePath(outline, outline.Root())), QString("<object>"));
    QCOMPARE(Q(NodePath(outline, At(outline, {0}))), QString("<object>\\a"));
    QCOMPARE(Q(NodePath(outline, At(outline, {1, 0}))), QString("<object>\\b\\2"));
    QCOMPARE(Q(NodePath(outline, At(outline, {1, 1, 0}))), QString("<object>\\b\\<element #1>\\c"));
    QCOMPARE(Q(NodePath(outline, At(outline, {2}))), QString("<object>\\"));
}

void TestOutlinePath::findByPath_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("rows"); // the expected node as rows from the root; {-1}: none
    const QString doc =
        R"({"a":1,"b":[2,3],"a":{"x":true},"A\\B":4,"A":{"B":5},"caf\u00e9":6,"":{"":7},"p\\q":8,"p":{"q":9}})";
    QTest::newRow("root") << doc << "<object>" << QList<int> {};
    QTest::newRow("member") << doc << "<object>\\b" << QList<int> {1};
    QTest::newRow("array element") << doc << "<object>\\b\\3" << QList<int> {1, 1};
    QTest::newRow("duplicate name finds the first") << doc << "<object>\\a" << QList<int> {0};
    QTest::newRow("no backtracking to the second a") << doc << "<object>\\a\\x" << QList<int> {-1};
    QTest::newRow("ASCII case ignored") << doc << "<OBJECT>\\B" << QList<int> {1};
    QTest::newRow("non-ASCII case kept")
        << doc << QString::fromUtf16(u"<object>\\CAF\u00C9") << QList<int> {-1};
    QTest::newRow("non-ASCII name") << doc << QString::fromUtf16(u"<object>\\caf\u00e9") << QList<int> {5};
    QTest::newRow("first case-blind match wins") << doc << "<object>\\A\\B" << QList<int> {-1};
    QTest::newRow("backslash in a name splits the path") << doc << "<object>\\p\\q" << QList<int> {8, 0};
    QTest::newRow("empty segments") << doc << "<object>\\\\" << QList<int> {6, 0};
    QTest::newRow("unknown") << doc << "<object>\\zz" << QList<int> {-1};
    QTest::newRow("wrong root") << doc << "<array>" << QList<int> {-1};
    QTest::newRow("deeper than the tree") << doc << "<object>\\b\\2\\x" << QList<int> {-1};
}

void TestOutlinePath::findByPath()
{
    QFETCH(QString, document);
    QFETCH(QString, path);
    QFETCH(QList<int>, rows);
    TOutline outline;
    TJSONCounts counts;
    const std::string text = document.toStdString();
    QVERIFY(!BuildOutline(text, outline, counts).empty());
    TNodeIndex expected = outline.Root();
    if (rows == QList<int> {-1}) {
        expected = NoNode;
    } else {
        for (int row : rows)
            expected = outline.Child(expected, uint32_t(row));
    }
    QCOMPARE(FindNodeByPath(outline, U(path)), expected);
}

void TestOutlinePath::shortenText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("shortened");
    QTest::newRow("short") << "abc" << 100 << "abc";
    QTest::newRow("exactly n") << QString(100, 'x') << 100 << QString(100, 'x');
    QTest::newRow("cut") << QString(101, 'x') << 100 << QString(100, 'x') + "...";
    QTest::newRow("no cut for n 0") << QString(200, 'x') << 0 << QString(200, 'x');
    QTest::newRow("CR LF removed") << "a\r\nb" << 100 << "ab";
    QTest::newRow("lone CR and LF stay") << "a\rb\nc" << 100 << "a\rb\nc";
    QTest::newRow("LF CR stays") << "a\n\rb" << 100 << "a\n\rb";
    QTest::newRow("cut first, then CR LF removed")
        << QString(98, 'x') + "\r\n\r\nyy" << 100 << QString(98, 'x') + "...";
    QTest::newRow("CR LF cut apart keeps the CR")
        << QString(99, 'x') + "\r\nzz" << 100 << QString(99, 'x') + "\r...";
}

void TestOutlinePath::shortenText()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, shortened);
    QCOMPARE(Q(ShortenText(U(text), n)), shortened);
}

QTEST_GUILESS_MAIN(TestOutlinePath)
#include "tst_outlinepath.moc"
