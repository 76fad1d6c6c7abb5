// The main window's tool commands: "Default Quillon" follows the registration across restarts of the
// window, and the commands' enabled states follow the document windows.
#include "about/VersionInfo.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/DesktopAssociation.h"
#include "shell/FileTypeRegistration.h"
#include "shell/MainWnd.h"
#include "tests/common/AnsweringPresenter.h"
#include "util/MessageBoxes.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QTest>
#include <stdexcept>

class TestMainTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void registerOptionAtCreation_data();
    void registerOptionAtCreation();
    void registerOptionSurvivesRestart();
    void newOpensSavedFile_data();
    void newOpensSavedFile();
    void editorRereadsSavedDocument_data();
    void editorRereadsSavedDocument();
    void documentCommandsNeedActiveDocument();
    void printsThroughDialogAndExport();

private:
    QString Write(const QString& AName, const QByteArray& AText);
    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
};

QString TestMainTools::Write(const QString& AName, const QByteArray& AText)
{
    const QString path = FDir.filePath(AName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(AText) != AText.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestMainTools::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    LayoutStorage = CreateLayoutStorage();
    SetMessageBoxPresenter(&FPresenter);
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

void TestMainTools::newOpensSavedFile_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("name"); // relative to the test folder; empty: none
    QTest::addColumn<int>("windows");
    QTest::newRow("saved") << true << QStringLiteral("new.json") << 1;
    QTest::newRow("closed without saving") << false << QString() << 0;
    QTest::newRow("saved file gone") << true << QStringLiteral("missing.json") << 0;
}

void TestMainTools::newOpensSavedFile()
{
    QFETCH(bool, saved);
    QFETCH(QString, name);
    QFETCH(int, windows);
    if (name == QStringLiteral("new.json"))
        Write(name, "{\"a\": 1}");
    Twnd_quil_Main::RunNewFile = [&](QString& AFilename) {
        AFilename = name.isEmpty() ? QString() : FDir.filePath(name);
        return saved;
    };
    Twnd_quil_Main main;
    main.acNew->trigger();
    QCOMPARE(main.DocumentWindows().size(), windows);
    if (windows > 0)
        QCOMPARE(main.DocumentWindows().first()->Filename(), FDir.filePath(name));
}

void TestMainTools::editorRereadsSavedDocument_data()
{
    QTest::addColumn<int>("outcome"); // 0 closed without saving, 1 saved, 2 the file could not be loaded
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("reports");
    QTest::newRow("closed without saving") << 0 << 2 << 0;
    QTest::newRow("saved") << 1 << 3 << 0;
    QTest::newRow("not loadable") << 2 << 2 << 1;
}

void TestMainTools::editorRereadsSavedDocument()
{
    QFETCH(int, outcome);
    QFETCH(int, nodes);
    QFETCH(int, reports);
    const QString path = Write(QStringLiteral("doc.json"), "{\"a\": 1}");
    FPresenter.Asked.clear();
    Twnd_quil_Main::RunEditFile = [&](const QString& AFilename) {
        if (AFilename != path)
            return false;
        if (outcome == 2)
            throw std::runtime_error("Cannot open file");
        // The editor writes the file whether or not it reports a save; only a report re-reads it.
        Write(QStringLiteral("doc.json"), "{\"a\": 1, \"b\": 2}");
        return outcome == 1;
    };
    Twnd_quil_Main main;
    main.show();
    Tmdi_quil_Viewer* viewer = main.OpenFile(path);
    QVERIFY(viewer);
    QCOMPARE(int(viewer->Outline().NodeCount()), 2);
    main.UpdateCommandStates();
    main.acEdit->trigger();
    QCOMPARE(int(viewer->Outline().NodeCount()), nodes);
    QCOMPARE(FPresenter.Asked.size(), reports);
}

void TestMainTools::documentCommandsNeedActiveDocument()
{
    Twnd_quil_Main main;
    main.show();
    main.UpdateCommandStates();
    for (QAction* action : {main.acPrint, main.acPrintPreview, main.acExportPdf, main.acEdit})
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    QVERIFY(main.acNew->isEnabled());
    main.OpenFile(Write(QStringLiteral("on.json"), "[1, 2]"));
    main.UpdateCommandStates();
    for (QAction* action : {main.acPrint, main.acPrintPreview, main.acExportPdf, main.acEdit})
        QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
}

void TestMainTools::printsThroughDialogAndExport()
{
    const QString printed = FDir.filePath(QStringLiteral("printed.pdf"));
    const QString exported = FDir.filePath(QStringLiteral("exported.pdf"));
    Twnd_quil_Main::ChoosePrinter = [&](QPrinter& APrinter, QWidget*) {
        APrinter.setOutputFormat(QPrinter::PdfFormat);
        APrinter.setOutputFileName(printed);
        return true;
    };
    QString proposed;
    Twnd_quil_Main::ChoosePdfName = [&](QWidget*, const QString& AProposed) {
        proposed = AProposed;
        return exported;
    };
    Twnd_quil_Main main;
    main.show();
    const QString path = Write(QStringLiteral("print me.json"), "{\"a\": [1, 2, 3]}");
    QVERIFY(main.OpenFile(path));
    main.UpdateCommandStates();
    main.acPrint->trigger();
    main.acExportPdf->trigger();
    QCOMPARE(proposed, FDir.filePath(QStringLiteral("print me.pdf")));
    for (const QString& pdf : {printed, exported}) {
        QFile file(pdf);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(pdf));
        QVERIFY(file.read(5) == "%PDF-");
    }
}

QTEST_MAIN(TestMainTools)
#include "tst_maintools.moc"
