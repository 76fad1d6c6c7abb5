// The date format the program shows dates with. (The start-up sequence itself runs in the process
// tests, through the helper program.)
#include "about/VersionInfo.h"
#include "shell/Startup.h"

#include <QDateTime>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void adjustDateFormat_data();
    void adjustDateFormat();
    void locales_data();
    void locales();
    void informationSwitches_data();
    void informationSwitches();
};

void TestStartup::adjustDateFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("slovak");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("adjusted");
    QTest::newRow("slashes") << "M/d/yy" << false << "/"
                             << "M/d/yy";
    QTest::newRow("dots") << "dd.MM.yyyy" << false << "."
                          << "dd.MM.yyyy";
    QTest::newRow("a dot anywhere wins") << "yyyy-MM-dd." << false << "."
                                         << "yyyy-MM-dd.";
    QTest::newRow("slovak without separator") << "dMyyyy" << true << "."
                                              << "d.M.yyyy";
    QTest::newRow("slovak with separator") << "d. M. yyyy" << true << "."
                                           << "d. M. yyyy";
    QTest::newRow("others keep a format without separator") << "dMyyyy" << false << ""
                                                            << "dMyyyy";
    QTest::newRow("quoted words are no separator") << "d 'de' MMMM 'de' yyyy" << false << ""
                                                   << "d 'de' MMMM 'de' yyyy";
}

void TestStartup::adjustDateFormat()
{
    QFETCH(QString, format);
    QFETCH(bool, slovak);
    TFormatSettings settings;
    settings.ShortDateFormat = format;
    AdjustDateFormat(settings, slovak);
    QTEST(settings.DateSeparator, "separator");
    QTEST(settings.ShortDateFormat, "adjusted");
}

void TestStartup::locales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::newRow("Slovak") << QLocale(QLocale::Slovak, QLocale::Slovakia) << "."
                            << "21. 8. 2019 8:30:41";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "."
                            << "21.08.19 08:30:41";
    QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates) << "/"
                                << "8/21/19 8:30:41 AM";
}

void TestStartup::locales()
{
    QFETCH(QLocale, locale);
    const TFormatSettings saved = FormatSettings;
    FormatSettings = MakeFormatSettings(locale);
    QTEST(FormatSettings.DateSeparator, "separator");
    QVERIFY(!FormatSettings.LongTimeFormat.contains(u't'));
    QString text = FormatDateTimeText(QDateTime(QDate(2019, 8, 21), QTime(8, 30, 41)));
    text.replace(QChar(0x202F), u' '); // some locale data put a narrow no-break space before AM
    QTEST(text, "text");
    FormatSettings = saved;
}

void TestStartup::informationSwitches_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("starts"); // empty: nothing to print, the program starts
    QTest::newRow("none") << QStringList {} << "";
    QTest::newRow("files and other switches") << QStringList {"a.json", "-v", "/help", "--Help"} << "";
    QTest::newRow("version") << QStringList {"a.json", "--version"} << "Ravek Quillon 1.2.3.4\n";
    QTest::newRow("help") << QStringList {"--help"} << "Usage: ravek-quillon [FILE...]\n";
    QTest::newRow("first of both wins") << QStringList {"--version", "--help"} << "Ravek Quillon 1.2.3.4\n";
}

void TestStartup::informationSwitches()
{
    QFETCH(QStringList, items);
    QFETCH(QString, starts);
    TVersionInfo info;
    info.FileVersion = QStringLiteral("1.2.3.4");
    const QString text = InformationSwitchText(items, info);
    QVERIFY2(starts.isEmpty() ? text.isEmpty() : text.startsWith(starts), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
