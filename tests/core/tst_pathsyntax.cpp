// A node's path in five syntaxes, and the way back from every form of path to the node.
#include "TestDocuments.h"
#include "core/DocumentText.h"
#include "core/OutlineBuilder.h"
#include "core/OutlinePath.h"
#include "core/PathSyntax.h"
#include "core/TreeSearch.h"

#include <QTest>

namespace {
QString Q(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

// Each syntax's path of every sampled node leads back to it, unless the path is ambiguous (a later
// duplicate), where it leads to the first member of that name; the backslash path agrees with
// FindNodeByPath.
void CheckRoundTrips(const TOutline& outline, size_t step)
{
    size_t i = 0;
    for (TNodeIndex node = outline.Root(); node != NoNode; node = NextInPreOrder(outline, node), ++i) {
        if (i % step != 0)
            continue;
        const bool ambiguous = IsAmbiguousPath(outline, node);
        for (TPathSyntax syntax : AllPathSyntaxes) {
            const std::u16string path = FormatNodePath(outline, node, syntax);
            const TPathLookup found = FindNodeByAnyPath(outline, path);
            if (ambiguous) {
                // It leads to the first members of the names, or stops where they have no such child.
                QVERIFY(found.Node == NoNode || !IsAmbiguousPath(outline, found.Node));
                continue;
            }
            QVERIFY2(found.Error.empty(), qPrintable(Q(path) + " : " + Q(found.Error)));
            QVERIFY2(found.Node == node, qPrintable(Q(PathSyntaxName(syntax)) + " " + Q(path)));
        }
        const std::u16string backslash = NodePath(outline, node);
        QCOMPARE(FindNodeByAnyPath(outline, backslash).Node, FindNodeByPath(outline, backslash));
    }
}
} // namespace

class TestPathSyntax : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formats_data();
    void formats();
    void roundTrips_data();
    void roundTrips();
    void lookups_data();
    void lookups();
    void ambiguity();
};

// One member (or element) below the root, whose name is the test's; its path in every syntax.
void TestPathSyntax::formats_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("paths"); // JSONPath, JSON Pointer, jq, JavaScript, Python
    QTest::newRow("identifier") << QByteArray(R"({"store":{"book":[{"title":1}]}})")
                                << QStringList {"$.store.book[0].title", "/store/book/0/title",
                                       ".store.book[0].title", "store.book[0].title",
                                       R"(["store"]["book"][0]["title"])"};
    QTest::newRow("root element") << QByteArray(R"([{}])")
                                  << QStringList {"$[0]", "/0", ".[0]", "[0]", "[0]"};
    QTest::newRow("space") << QByteArray(R"({"a b":1})")
                           << QStringList {"$['a b']", "/a b", R"(."a b")", R"(["a b"])", R"(["a b"])"};
    QTest::newRow("empty name") << QByteArray(R"({"":1})")
                                << QStringList {"$['']", "/", R"(."")", R"([""])", R"([""])"};
    QTest::newRow("number-like") << QByteArray(R"({"0":1})")
                                 << QStringList {"$['0']", "/0", R"(."0")", R"(["0"])", R"(["0"])"};
    QTest::newRow("quotes") << QByteArray(R"({"it's \"q\"":1})")
                            << QStringList {R"($['it\'s "q"'])", R"(/it's "q")", R"(."it's \"q\"")",
                                   R"(["it's \"q\""])", R"(["it's \"q\""])"};
    QTest::newRow("backslash, slash, tilde") << QByteArray(R"({"a\\b/~c":1})")
                                             << QStringList {R"($['a\\b/~c'])", R"(/a\b~1~0c)",
                                                    R"(."a\\b/~c")", R"(["a\\b/~c"])", R"(["a\\b/~c"])"};
    QTest::newRow("control characters")
        << QByteArray("{\"\\b\\t\\n\\f\\r\\u0001\\u000b\x7f\":1}")
        << QStringList {QString(R"($['\b\t\n\f\r\u0001\u000b)") + QChar(0x7F) + "']",
               QString("/\b\t\n\f\r\x01\x0b\x7f"), R"(."\b\t\n\f\r\u0001\u000b\u007f")",
               R"(["\b\t\n\f\r\u0001\v\u007f"])", R"(["\x08\t\n\x0c\r\x01\x0b\x7f"])"};
    QTest::newRow("non-ASCII") << QByteArray("{\"caf\xC3\xA9 \xF0\x9F\x98\x80\":1}")
                               << QStringList {QString::fromUtf8("$['caf\xC3\xA9 \xF0\x9F\x98\x80']"),
                                      QString::fromUtf8("/caf\xC3\xA9 \xF0\x9F\x98\x80"),
                                      QString::fromUtf8(".\"caf\xC3\xA9 \xF0\x9F\x98\x80\""),
                                      QString::fromUtf8("[\"caf\xC3\xA9 \xF0\x9F\x98\x80\"]"),
                                      QString::fromUtf8("[\"caf\xC3\xA9 \xF0\x9F\x98\x80\"]")};
    QTest::newRow("lone surrogate, line separator")
        << QByteArray(R"({"\ud800\u2028":1})")
        << QStringList {R"($['\ud800)" + QString(QChar(0x2028)) + "']",
               QString("/") + QChar(0xD800) + QChar(0x2028), R"(."\ud800)" + QString(QChar(0x2028)) + "\"",
               R"(["\ud800\u2028"])", R"(["\ud800)" + QString(QChar(0x2028)) + "\"]"};
    QTest::newRow("dollar and jq keyword")
        << QByteArray(R"({"$ref":{"if":{"a$":1}}})")
        << QStringList {"$['$ref'].if['a$']", "/$ref/if/a$", R"(."$ref"."if"."a$")", R"(["$ref"].if.a$)",
               R"(["$ref"]["if"]["a$"])"};
}

void TestPathSyntax::formats()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, paths);
    TOutline outline;
    TJSONCounts counts;
    QVERIFY(!BuildOutline(std::string_view(document.constData(), size_t(document.size())), outline, counts)
                 .empty());
    TNodeIndex node = outline.Root();
    while (outline.ChildCount(node) > 0)
        node = outline.Child(node, 0);
    for (int i = 0; i < 5; ++i) {
        const std::u16string path = FormatNodePath(outline, node, AllPathSyntaxes[i]);
        QCOMPARE(Q(path), paths[i]);
        QCOMPARE(FindNodeByAnyPath(outline, path).Node, node);
    }
    for (TPathSyntax syntax : AllPathSyntaxes)
        QCOMPARE(
            FindNodeByAnyPath(outline, FormatNodePath(outline, outline.Root(), syntax)).Node, outline.Root());
}

void TestPathSyntax::roundTrips_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("step"); // every step-th node in pre-order
    for (unsigned seed = 1; seed <= 150; ++seed)
        QTest::newRow(qPrintable(QString("random %1").arg(seed)))
            << QByteArray::fromStdString(TRandomDocument(seed).Make()) << 1;
    const QDir corpus(SharedDir().filePath("corpus"));
    for (const QString& name : corpus.entryList({"*.json"}, QDir::Files)) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll() << 97;
    }
}

void TestPathSyntax::roundTrips()
{
    QFETCH(QByteArray, document);
    QFETCH(int, step);
    std::string_view text;
    QVERIFY(FindDocumentText(std::string_view(document.constData(), size_t(document.size())), text));
    TOutline outline;
    TJSONCounts counts;
    if (BuildOutline(text, outline, counts, TLineBreaks::Normalize).empty())
        QSKIP("refused");
    CheckRoundTrips(outline, size_t(step));
}

void TestPathSyntax::lookups_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("rows"); // the node as rows from the root; empty with an error
    QTest::addColumn<QString>("error"); // a part of the message
    // {"a":[10,{"b c":true}],"a":2,"n":null}
    QTest::newRow("JSONPath double quotes") << R"($["a"][1]['b c'])" << QList<int> {0, 1, 0} << "";
    QTest::newRow("negative index") << "$.a[-1]" << QList<int> {0, 1} << "";
    QTest::newRow("jq bracket name") << R"(.["a"][0])" << QList<int> {0, 0} << "";
    QTest::newRow("Python single quotes") << "['a'][1]['b c']" << QList<int> {0, 1, 0} << "";
    QTest::newRow("JavaScript escapes") << R"(a[1]["\x62\u{20}\u0063"])" << QList<int> {0, 1, 0} << "";
    QTest::newRow("backslash path, case") << R"(<OBJECT>\A\<element #1>\b c)" << QList<int> {0, 1, 0} << "";
    QTest::newRow("JSONPath shorthand") << "$.n" << QList<int> {2} << "";
    QTest::newRow("duplicate: first") << "/a" << QList<int> {0} << "";
    QTest::newRow("no member") << "$.a[1].x" << QList<int> {}
                               << "Step 3 of 3, \"x\": the object has no member";
    QTest::newRow("out of range") << ".a[5]" << QList<int> {} << "Step 2 of 2, [5]: the array has 2 elements";
    QTest::newRow("name in array") << "/a/x" << QList<int> {} << "Step 2 of 2, \"x\": not an array index";
    QTest::newRow("pointer leading zero") << "/a/01" << QList<int> {} << "not an array index";
    QTest::newRow("below a scalar") << "n.x" << QList<int> {}
                                    << "Step 2 of 2, \"x\": the node before it is null";
    QTest::newRow("index in object") << "[0]" << QList<int> {} << "an object has no elements";
    QTest::newRow("unclosed bracket")
        << "$.a[1" << QList<int> {} << "JSONPath path at character 6: expected ']'";
    QTest::newRow("unclosed quote") << R"(["a)" << QList<int> {} << "the quoted name is not closed";
    QTest::newRow("bad pointer escape")
        << "/a~2" << QList<int> {} << "character 3: '~' must be followed by 0 or 1";
    QTest::newRow("jq double dot") << "..a" << QList<int> {} << "jq path at character 2: expected a name";
    QTest::newRow("backslash path, missing")
        << R"(<object>\a\zz)" << QList<int> {} << "Step 3 of 3, \"zz\": no node of that name";
    QTest::newRow("backslash path, root") << R"(<array>\a)" << QList<int> {} << "named <object>";
}

void TestPathSyntax::lookups()
{
    QFETCH(QString, path);
    QFETCH(QList<int>, rows);
    QFETCH(QString, error);
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(R"({"a":[10,{"b c":true}],"a":2,"n":null})", outline, counts);
    const TPathLookup found = FindNodeByAnyPath(outline, path.toStdU16String());
    if (error.isEmpty()) {
        TNodeIndex node = outline.Root();
        for (int row : rows)
            node = outline.Child(node, uint32_t(row));
        QCOMPARE(Q(found.Error), QString());
        QCOMPARE(found.Node, node);
    } else {
        QCOMPARE(found.Node, NoNode);
        QVERIFY2(Q(found.Error).contains(error), qPrintable(Q(found.Error)));
    }
}

void TestPathSyntax::ambiguity()
{
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(R"({"a":{"x":1},"b":2,"a":{"x":3}})", outline, counts);
    const TNodeIndex root = outline.Root();
    QVERIFY(!IsAmbiguousPath(outline, outline.Child(outline.Child(root, 0), 0)));
    QVERIFY(!IsAmbiguousPath(outline, outline.Child(root, 1)));
    QVERIFY(IsAmbiguousPath(outline, outline.Child(root, 2)));
    QVERIFY(IsAmbiguousPath(outline, outline.Child(outline.Child(root, 2), 0)));
}

QTEST_GUILESS_MAIN(TestPathSyntax)
#include "tst_pathsyntax.moc"
