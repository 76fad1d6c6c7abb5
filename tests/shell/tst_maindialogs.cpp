// The main window's dialogs: the Base64 dialog (from the frame, a document window and the editor) and the
// About dialog open modal to the frame with what they were given, and are gone once closed.
#include "about/AboutDlg.h"
#include "editor/EditorWnd.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "tools/Base64Dlg.h"
#include "viewer/ViewerWnd.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

class TestMainDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void opensModalAndFrees_data();
    void opensModalAndFrees();
};

void TestMainDialogs::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    LayoutStorage = CreateLayoutStorage();
}

void TestMainDialogs::cleanupTestCase()
{
    LayoutStorage.reset();
}

void TestMainDialogs::opensModalAndFrees_data()
{
    QTest::addColumn<QString>("from");
    QTest::newRow("Base64 from the frame") << "frame";
    QTest::newRow("Base64 from a document window") << "document";
    QTest::newRow("Base64 from the editor") << "editor";
    QTest::newRow("About") << "about";
}

void TestMainDialogs::opensModalAndFrees()
{
    QFETCH(QString, from);
    Twnd_quil_Main main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    // What the dialog showed, looked at while it runs modally; then it is closed as a user would.
    QWidget* parent = nullptr;
    QString input;
    QString name;
    QTimer::singleShot(0, &main, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        parent = modal->parentWidget();
        name = QString::fromLatin1(modal->metaObject()->className());
        if (auto* base64 = qobject_cast<Tdlg_quil_Base64*>(modal)) {
            input = base64->Memo1->toPlainText();
            QTest::keyClick(base64->Memo1, Qt::Key_Escape);
        } else if (auto* about = qobject_cast<Tdlg_quil_About*>(modal)) {
            input = about->objectName();
            about->Button2->click();
        }
    });
    if (from == u"frame")
        main.ShowBase64Dialog(QStringLiteral("selected text"));
    else if (from == u"document")
        Tmdi_quil_Viewer::ShowBase64Dialog(QStringLiteral("selected text"));
    else if (from == u"editor")
        Twnd_quil_Editor::ShowBase64Dialog(QStringLiteral("selected text"));
    else
        main.ShowAboutDialog();
    QCOMPARE(parent, &main);
    QCOMPARE(name, from == u"about" ? u"Tdlg_quil_About" : u"Tdlg_quil_Base64");
    QCOMPARE(input, from == u"about" ? u"Ravek.UI.AboutDialog" : u"selected text");
    QVERIFY(main.findChildren<QDialog*>().isEmpty());
}

QTEST_MAIN(TestMainDialogs)
#include "tst_maindialogs.moc"
