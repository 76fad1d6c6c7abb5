// The command-line parser: items in order and the switch records, from arguments and from lines.
#include "codecs/CmdLine.h"

#include <QTest>

namespace {

// One switch record as text: "name|parameter|part,part,..." for compact rows.
QString Describe(const TSwitch& record)
{
    return record.Switch + u'|' + record.Parameter + u'|' + record.Parameters.join(u',');
}

QStringList DescribeAll(const TCommandLine& cmd)
{
    QStringList records;
    for (const TSwitch& record : cmd.FSwitches) {
        if (!record.Present)
            records += QStringLiteral("(not present)");
        records += Describe(record);
    }
    return records;
}

} // namespace

class TestCmdLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void arguments_data();
    void arguments();
    void lines_data();
    void lines();
    void longTexts();
    void processArguments();
    void clear();
};

void TestCmdLine::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("switches");
    QTest::newRow("files around a switch") << QStringList {"a.json", "-v", "b.json"} << QStringList {"v||"};
    QTest::newRow("no arguments") << QStringList() << QStringList();
    QTest::newRow("apostrophes and ; split") << QStringList {"/mode:'x;y'"} << QStringList {"mode|x;y|x,y"};
    QTest::newRow("apostrophes without ;") << QStringList {"/out:'abc'"} << QStringList {"out|abc|"};
    QTest::newRow("colon only") << QStringList {"-:"} << QStringList {"||"};
    QTest::newRow("single hyphen") << QStringList {"-"} << QStringList {"||"};
    QTest::newRow("single slash") << QStringList {"/"} << QStringList {"||"};
    QTest::newRow("first colon splits") << QStringList {"-a:b:c"} << QStringList {"a|b:c|"};
    QTest::newRow("one apostrophe stays") << QStringList {"-a:'"} << QStringList {"a|'|"};
    QTest::newRow("two apostrophes give empty") << QStringList {"-a:''"} << QStringList {"a||"};
    QTest::newRow("only one apostrophe pair removed") << QStringList {"-a:''x''"} << QStringList {"a|'x'|"};
    QTest::newRow("empty parts") << QStringList {"-p:;a;;b;"} << QStringList {"p|;a;;b;|,a,,b,"};
    QTest::newRow("quoted part") << QStringList {"-p:\"a\"\"b\";c"} << QStringList {"p|\"a\"\"b\";c|a\"b,c"};
    QTest::newRow("quoted part holds ;") << QStringList {"-p:\"x;y\";z"} << QStringList {"p|\"x;y\";z|x;y,z"};
    QTest::newRow("unclosed quote") << QStringList {"-p:a;\"b;c"} << QStringList {"p|a;\"b;c|a,b;c"};
    QTest::newRow("quote inside a part is kept")
        << QStringList {"-p:a\"b;c"} << QStringList {"p|a\"b;c|a\"b,c"};
    QTest::newRow("empty item is no switch") << QStringList {""} << QStringList();
    QTest::newRow("hyphen inside is no switch") << QStringList {"a-b", "x/y"} << QStringList();
    QTest::newRow("duplicates kept") << QStringList {"-v", "-v"} << QStringList {"v||", "v||"};
}

void TestCmdLine::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, switches);
    const TCommandLine cmd(arguments);
    QCOMPARE(cmd.FSL, arguments);
    QCOMPARE(DescribeAll(cmd), switches);
}

void TestCmdLine::lines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty line between") << "a\r\n\r\nb\r\n" << QStringList {"a", "", "b"};
    QTest::newRow("no final break") << "a\r\nb" << QStringList {"a", "b"};
    QTest::newRow("LF only") << "a\nb\n" << QStringList {"a", "b"};
    QTest::newRow("CR only") << "a\rb\r" << QStringList {"a", "b"};
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList {"a", "", "b"};
    QTest::newRow("empty text") << "" << QStringList();
    QTest::newRow("one break") << "\r\n" << QStringList {""};
    QTest::newRow("two breaks") << "\n\n" << QStringList {"", ""};
    QTest::newRow("NUL ends the text")
        << QStringLiteral("a\r\nb") + QChar(0) + QStringLiteral("\r\nc") << QStringList {"a", "b"};
    QTest::newRow("blanks kept") << " a \r\n" << QStringList {" a "};
    QTest::newRow("switch line") << "x.json\r\n/mode:'x;y'" << QStringList {"x.json", "/mode:'x;y'"};
}

void TestCmdLine::lines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    const TCommandLine cmd(text);
    QCOMPARE(cmd.FSL, items);
    // Lines are parsed like arguments.
    QCOMPARE(DescribeAll(cmd), DescribeAll(TCommandLine(items)));
}

void TestCmdLine::longTexts()
{
    const QString parameter = QString(300, u'p');
    TCommandLine cmd(QStringList {QStringLiteral("-x:") + parameter, QStringLiteral("-") + QString(300, u'n'),
        QStringLiteral("-y:'") + QString(300, u'q') + u'\'',
        QStringLiteral("-") + QString(100, u'l') + u':' + u'v'});
    QCOMPARE(cmd.FSwitches.size(), 4);
    QCOMPARE(cmd.FSwitches[0].Parameter, QString(260, u'p'));
    QCOMPARE(cmd.FSwitches[1].Switch, QString(260, u'n'));
    // The cut comes first, so the closing apostrophe is gone and the opening one stays.
    QCOMPARE(cmd.FSwitches[2].Parameter, u'\'' + QString(259, u'q'));
    // A name before a colon is not cut.
    QCOMPARE(cmd.FSwitches[3].Switch, QString(100, u'l'));
    // A cut never splits a surrogate pair.
    const QString emoji = QStringLiteral("\U0001F600");
    TCommandLine pairs(QStringList {QStringLiteral("-z:") + QString(259, u'a') + emoji});
    QCOMPARE(pairs.FSwitches[0].Parameter, QString(259, u'a'));
}

void TestCmdLine::processArguments()
{
    const TCommandLine cmd;
    QCOMPARE(cmd.FSL, QCoreApplication::arguments().mid(1));
    QCOMPARE(TCommandLine::ProcessArguments(), QCoreApplication::arguments().mid(1));
}

void TestCmdLine::clear()
{
    TCommandLine cmd(QStringList {"-a:x;y", "b"});
    QCOMPARE(cmd.FSwitches.size(), 1);
    cmd.Clear();
    QVERIFY(cmd.FSwitches.isEmpty());
    QCOMPARE(cmd.FSL, (QStringList {"-a:x;y", "b"}));
}

QTEST_GUILESS_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
