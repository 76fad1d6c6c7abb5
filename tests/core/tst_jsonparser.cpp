#include "core/JSONValue.h"

#include <QTest>

class TestJSONParser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void accepts_data();
    void accepts();
};

void TestJSONParser::accepts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty object") << QByteArray("{}") << true;
    QTest::newRow("trailing comma") << QByteArray("[1,]") << false;
}

void TestJSONParser::accepts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(ParseJSONText(std::string_view(text.constData(), size_t(text.size()))) != nullptr, accepted);
}

QTEST_GUILESS_MAIN(TestJSONParser)
#include "tst_jsonparser.moc"
