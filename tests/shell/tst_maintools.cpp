// The main window's tool commands: "Default Quillon" follows the registration across restarts of the
// window, and the commands' enabled states follow the document windows.
#include "about/VersionInfo.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/DesktopAssociation.h"
#include "shell/FileTypeRegistration.h"
#include "shell/MainWnd.h"

#include <QAction>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

class TestMainTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void registerOptionAtCreation_data();
    void registerOptionAtCreation();
    void registerOptionSurvivesRestart();
};

void TestMainTools::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    LayoutStorage = CreateLayoutStorage();
}

void TestMainTools::cleanupTestCase()
{
    LayoutStorage.reset();
}

void TestMainTools::init()
{
    UnregisterFileType(QStringLiteral(".json"), QStringLiteral("JSON"));
}

void TestMainTools::registerOptionAtCreation_data()
{
    QTest::addColumn<QString>("command"); // empty: not registered
    QTest::addColumn<bool>("checked");
    const QString self = ProgramFilePath();
    QTest::newRow("not registered") << QString() << false;
    QTest::newRow("this program") << self + QStringLiteral(" \"%1\"") << true;
    QTest::newRow("this program, quoted")
        << QStringLiteral("\"%1\" \"%2\"").arg(self, QStringLiteral("%1")) << true;
    QTest::newRow("other letter case") << self.toUpper() + QStringLiteral(" \"%1\"") << true;
    QTest::newRow("without quotes") << self << false;
    QTest::newRow("another program") << QStringLiteral("/usr/bin/other \"%1\"") << false;
}

void TestMainTools::registerOptionAtCreation()
{
    QFETCH(QString, command);
    QFETCH(bool, checked);
    if (!command.isEmpty())
        TRegistryHive::CurrentUser()->SetValue(
            QStringLiteral("Software\\Classes\\JSON\\shell\\open\\command"), QString(), REG_SZ,
            TLayoutManagerRegistryStorage::EncodeString(command));
    Twnd_quil_Main main;
    QCOMPARE(main.acRegister->isChecked(), checked);
}

void TestMainTools::registerOptionSurvivesRestart()
{
    const QString entry =
        UserApplicationsFolder() + QStringLiteral("/") + DesktopEntryId(QStringLiteral("JSON"));
    {
        Twnd_quil_Main main;
        QVERIFY(!main.acRegister->isChecked());
        main.acRegister->trigger();
        QVERIFY(main.acRegister->isChecked());
    }
    QCOMPARE(GetFileTypeCommand(QStringLiteral("json"), QStringLiteral("JSON")), ProgramFilePath());
    QVERIFY(QFile::exists(entry));
    {
        Twnd_quil_Main main;
        QVERIFY(main.acRegister->isChecked());
        main.acRegister->trigger();
        QVERIFY(!main.acRegister->isChecked());
    }
    QCOMPARE(GetFileTypeCommand(QStringLiteral("json"), QStringLiteral("JSON")), QString());
    QVERIFY(!QFile::exists(entry));
    Twnd_quil_Main main;
    QVERIFY(!main.acRegister->isChecked());
}

QTEST_MAIN(TestMainTools)
#include "tst_maintools.moc"
