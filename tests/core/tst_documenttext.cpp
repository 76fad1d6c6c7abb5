// Reading a file's bytes as the document window does, and the conformance verdicts that follow.
#include "TestDocuments.h"

#include "core/DocumentText.h"
#include "core/OutlineBuilder.h"

#include <QFile>
#include <QTest>

namespace {
std::string_view View(const QByteArray& b)
{
    return {b.constData(), size_t(b.size())};
}
} // namespace

class TestDocumentText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lines_data();
    void lines();
    void invalidUtf8_data();
    void invalidUtf8();
    void conformance_data();
    void conformance();
};

void TestDocumentText::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
    QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << QByteArray() << 0;
    QTest::newRow("one line without break") << QByteArray("{}") << QByteArray("{}\r\n") << 1;
    QTest::newRow("CR LF kept") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n") << 2;
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << 2;
    QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\r\nb\r\n") << 2;
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb\r\n") << 3;
    QTest::newRow("empty lines kept") << QByteArray("a\n\n") << QByteArray("a\r\n\r\n") << 2;
    QTest::newRow("only a break") << QByteArray("\n") << QByteArray("\r\n") << 1;
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBF{}") << QByteArray("{}\r\n") << 1;
    QTest::newRow("second byte-order mark kept")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF{}") << QByteArray("\xEF\xBB\xBF{}\r\n") << 1;
    QTest::newRow("ends at NUL") << QByteArray("{}\r\n[]\0tail", 11) << QByteArray("{}\r\n[]\r\n") << 2;
    QTest::newRow("NUL after break") << QByteArray("a\n\0b", 4) << QByteArray("a\r\n") << 1;
    QTest::newRow("NUL first") << QByteArray("\0{}", 3) << QByteArray() << 0;
    QTest::newRow("file of NUL bytes") << QByteArray(4096, '\0') << QByteArray() << 0;
    QTest::newRow("breaks in a string") << QByteArray("[\"a\nb\"]") << QByteArray("[\"a\r\nb\"]\r\n") << 2;
    QTest::newRow("non-ASCII") << QByteArray("\xE4\xB8\x80\xF0\x9F\x98\x80")
                               << QByteArray("\xE4\xB8\x80\xF0\x9F\x98\x80\r\n") << 1;
    QTest::newRow("long line crossing block edges")
        << QByteArray(70, 'x') + "\r" + QByteArray(33, 'y')
        << QByteArray(70, 'x') + "\r\n" + QByteArray(33, 'y') + "\r\n"
        << 2;
}

void TestDocumentText::lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QFETCH(int, lines);
    TDocumentText document;
    QVERIFY(ReadDocumentText(View(bytes), document));
    QCOMPARE(QByteArray(document.Text.Data(), qsizetype(document.Text.Size())), text);
    QCOMPARE(document.LineCount, size_t(lines));
}

void TestDocumentText::invalidUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lone continuation byte") << QByteArray("[\"\x80\"]");
    QTest::newRow("overlong slash") << QByteArray("[\"\xC0\xAF\"]");
    QTest::newRow("overlong three bytes") << QByteArray("[\"\xE0\x80\xAF\"]");
    QTest::newRow("overlong four bytes") << QByteArray("[\"\xF0\x80\x80\xAF\"]");
    QTest::newRow("encoded surrogate") << QByteArray("[\"\xED\xA0\x80\"]");
    QTest::newRow("above U+10FFFF") << QByteArray("[\"\xF4\x90\x80\x80\"]");
    QTest::newRow("F5 lead byte") << QByteArray("[\"\xF5\x80\x80\x80\"]");
    QTest::newRow("truncated at end") << QByteArray("[\"\xE4\xB8");
    QTest::newRow("Latin-1 text") << QByteArray("[\"caf\xE9\"]");
    QTest::newRow("UTF-16 with byte-order mark") << QByteArray("\xFF\xFE{\0}\0", 6);
    QTest::newRow("invalid after NUL") << QByteArray("{}\0\xFF", 4);
}

void TestDocumentText::invalidUtf8()
{
    QFETCH(QByteArray, bytes);
    TDocumentText document;
    document.Text.Append(std::string_view("kept"));
    QVERIFY(!ReadDocumentText(View(bytes), document));
    QCOMPARE(document.Text.View(), std::string_view("kept"));
}

void TestDocumentText::conformance_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("verdict");
    QFile expected(SharedDir().filePath("testdata/json-test-suite-expected.tsv"));
    if (!expected.open(QIODevice::ReadOnly))
        QSKIP("the shared conformance files are not beside the repository");
    int rows = 0;
    while (!expected.atEnd()) {
        const QString line = QString::fromUtf8(expected.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split('\t');
        QCOMPARE(fields.size(), 2);
        QTest::newRow(qPrintable(fields[0]))
            << SharedDir().filePath("testdata/json-test-suite/" + fields[0]) << fields[1];
        ++rows;
    }
    QVERIFY(rows > 300);
}

void TestDocumentText::conformance()
{
    QFETCH(QString, path);
    QFETCH(QString, verdict);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();
    TDocumentText document;
    QString got = "unreadable";
    if (ReadDocumentText(View(bytes), document)) {
        TOutline outline;
        TJSONCounts counts;
        got = BuildOutline(document.Text.View(), outline, counts).empty() ? "refuse" : "accept";
    }
    QCOMPARE(got, verdict);
}

QTEST_GUILESS_MAIN(TestDocumentText)
#include "tst_documenttext.moc"
