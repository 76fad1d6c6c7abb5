// The frame window: opening files once, dropped and handed-over files, view options, persistent
// settings, the window-bar menu, the commands' enabled states and the changed-file check.
#include "controls/MDIButtonGroup.h"
#include "controls/MDIChildWindow.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerMRU.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "tests/common/AnsweringPresenter.h"
#include "util/MessageBoxes.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {
QStringList Captions(const Twnd_quil_Main& w)
{
    QStringList captions;
    for (Tmdi_quil_Viewer* v : w.DocumentWindows())
        captions << QFileInfo(v->Filename()).fileName();
    return captions;
}
} // namespace

class TestMainWnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void openSameFileOnce_data();
    void openSameFileOnce();
    void droppedFilesInOrder();
    void missingFileWarnsAndLeavesRecentFiles();
    void openRequestsAndHandOff();
    void gridAndTreeLines();
    void valueColumnWaitsForRefresh();
    void reloadQuestionOnFrameActivation();
    void persistentSettings();
    void windowBarMenu();
    void windowsMenuClosesActiveWindow();
    void enabledStates();
    void arrangeAndCloseAll();
    void damagedRecentFilesStillStart_data();
    void damagedRecentFilesStillStart();
    void finalSaveWhileWindowIsWhole();
    void displayChangeKeepsPersistenceOff();
    void frameStoresItsStyle();

private:
    QString Write(const QString& name, const QByteArray& bytes = "[1]");
    Twnd_quil_Main* NewMain();

    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
    std::unique_ptr<Twnd_quil_Main> FMain;
};

void TestMainWnd::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SetMessageBoxPresenter(&FPresenter);
}

void TestMainWnd::init()
{
    // Every case starts with an empty store: nothing stored, as at a first start.
    LayoutStorage.reset();
    const QString store = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir(store + QStringLiteral("/ravek")).removeRecursively();
    LayoutStorage = CreateLayoutStorage();
    FPresenter.Asked.clear();
    FPresenter.Answer = QMessageBox::No;
}

void TestMainWnd::cleanup()
{
    FMain.reset();
    LayoutStorage.reset();
}

QString TestMainWnd::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = FDir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

Twnd_quil_Main* TestMainWnd::NewMain()
{
    FMain.reset();
    FMain = std::make_unique<Twnd_quil_Main>();
    FMain->show();
    return FMain.get();
}

void TestMainWnd::openSameFileOnce_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("same");
    // Every form is built below from the document's folder, "doc.json" in it.
    QTest::newRow("same path") << "{dir}/doc.json" << true;
    QTest::newRow("dot-dot") << "{dir}/sub/../doc.json" << true;
    QTest::newRow("relative") << "doc.json" << true;
    QTest::newRow("symbolic link") << "{dir}/link.json" << true;
    QTest::newRow("hard link") << "{dir}/hard.json" << true;
    QTest::newRow("other letter case") << "{dir}/DOC.json" << false;
}

void TestMainWnd::openSameFileOnce()
{
    QFETCH(QString, other);
    QFETCH(bool, same);
    Twnd_quil_Main* w = NewMain();
    const QString path = Write(QStringLiteral("doc.json"));
    Write(QStringLiteral("DOC.json"));
    QDir(FDir.path()).mkpath(QStringLiteral("sub"));
    QFile::link(path, FDir.filePath(QStringLiteral("link.json")));
    QVERIFY(::link(QFile::encodeName(path).constData(),
                QFile::encodeName(FDir.filePath(QStringLiteral("hard.json"))).constData())
            == 0
        || QFileInfo::exists(FDir.filePath(QStringLiteral("hard.json"))));
    other.replace(QStringLiteral("{dir}"), FDir.path());

    Tmdi_quil_Viewer* first = w->OpenFile(path);
    QVERIFY(first);
    QCOMPARE(w->OpenFile(path), first);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(FDir.path());
    Tmdi_quil_Viewer* second = w->OpenFile(other);
    QDir::setCurrent(previous);
    QCOMPARE(second == first, same);
    QCOMPARE(w->DocumentWindows().size(), same ? 1 : 2);
    QCOMPARE(w->MRUMan->Count(), same ? 1 : 2);
    QCOMPARE(w->MRUMan->Items(0), path);
}

void TestMainWnd::droppedFilesInOrder()
{
    Twnd_quil_Main* w = NewMain();
    const QStringList files {
        Write(QStringLiteral("c.json")), Write(QStringLiteral("a.json")), Write(QStringLiteral("b.json"))};
    w->FormDropFiles(files);
    QCOMPARE(Captions(*w), (QStringList {"c.json", "a.json", "b.json"}));
    QCOMPARE(w->mdibg->Count(), 3);
    // A dropped folder is no file.
    w->FormDropFiles({FDir.path()});
    QCOMPARE(FPresenter.Asked, QStringList {"File does not exists."});
    QCOMPARE(w->DocumentWindows().size(), 3);
}

void TestMainWnd::missingFileWarnsAndLeavesRecentFiles()
{
    Twnd_quil_Main* w = NewMain();
    const QString path = Write(QStringLiteral("gone.json"));
    w->OpenFile(path);
    w->mdibg->CloseAll();
    QTRY_COMPARE(w->DocumentWindows().size(), 0);
    QCOMPARE(w->MRUMan->Count(), 1);
    QFile::remove(path);
    w->MRUManClick(path);
    QCOMPARE(FPresenter.Asked, QStringList {"File does not exists."});
    QCOMPARE(w->MRUMan->Count(), 0);
    QCOMPARE(w->DocumentWindows().size(), 0);
}

void TestMainWnd::openRequestsAndHandOff()
{
    Twnd_quil_Main* w = NewMain();
    const QString a = Write(QStringLiteral("a.json"));
    const QString b = Write(QStringLiteral("b.json"));
    w->PostOpenFile(b);
    w->PostOpenFile(a);
    // Requests run after the poster returned.
    QCOMPARE(w->DocumentWindows().size(), 0);
    QTRY_COMPARE(Captions(*w), (QStringList {"b.json", "a.json"}));

    // A second start's names: switches and missing files are dropped, the rest open in order.
    const QString c = Write(QStringLiteral("c.json"));
    const QString d = Write(QStringLiteral("d.json"));
    TIPCMessage message;
    message.Typ = ipcParams;
    message.StrData = c + QStringLiteral("\r\n-switch\r\n") + FDir.filePath(QStringLiteral("none.json"))
        + QStringLiteral("\r\n") + d;
    w->WMCopyData(message);
    QTRY_COMPARE(Captions(*w), (QStringList {"b.json", "a.json", "c.json", "d.json"}));
    QCOMPARE(FPresenter.Asked.size(), 0);
}

void TestMainWnd::gridAndTreeLines()
{
    Twnd_quil_Main* w = NewMain();
    QVERIFY(!w->acGrid->isChecked());
    QVERIFY(w->acTreeLines->isChecked());
    Tmdi_quil_Viewer* before = w->OpenFile(Write(QStringLiteral("a.json")));
    QVERIFY(!before->Tree->GridLines() && !before->List->GridLines());
    QVERIFY(before->Tree->TreeLines());
    w->acGrid->trigger();
    QVERIFY(before->Tree->GridLines() && before->List->GridLines());
    Tmdi_quil_Viewer* after = w->OpenFile(Write(QStringLiteral("b.json")));
    QVERIFY(after->Tree->GridLines() && after->List->GridLines());
    w->acTreeLines->trigger();
    QVERIFY(!before->Tree->TreeLines() && !after->Tree->TreeLines());
    QVERIFY(!after->List->TreeLines());
}

void TestMainWnd::valueColumnWaitsForRefresh()
{
    Twnd_quil_Main* w = NewMain();
    Tmdi_quil_Viewer* doc = w->OpenFile(Write(QStringLiteral("a.json")));
    QVERIFY(!doc->Tree->isColumnHidden(1));
    w->acValueCol->trigger();
    QVERIFY(!doc->Tree->isColumnHidden(1));
    w->acRefreshExecute();
    QVERIFY(doc->Tree->isColumnHidden(1));
}

void TestMainWnd::reloadQuestionOnFrameActivation()
{
    Twnd_quil_Main* w = NewMain();
    const QString path = Write(QStringLiteral("a.json"));
    Tmdi_quil_Viewer* doc = w->OpenFile(path);
    QCOMPARE(w->ActiveDocument(), doc);
    const auto touch = [&](int ahead) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(
            QDateTime::currentDateTimeUtc().addSecs(ahead), QFileDevice::FileModificationTime));
    };
    touch(10);
    ModalBoxCount = 1;
    w->WMNCActivate();
    ModalBoxCount = 0;
    QCOMPARE(FPresenter.Asked.size(), 0);
    w->WMNCActivate();
    QCOMPARE(FPresenter.Asked.size(), 1);
    w->WMNCActivate();
    QCOMPARE(FPresenter.Asked.size(), 1);
    Write(QStringLiteral("a.json"), "[1,2,3]");
    touch(20);
    FPresenter.Answer = QMessageBox::Yes;
    w->WMNCActivate();
    QCOMPARE(FPresenter.Asked.size(), 2);
    QCOMPARE(doc->Counts(), (TJSONCounts {0, 1, 3}));
}

void TestMainWnd::persistentSettings()
{
    const QString path = Write(QStringLiteral("a.json"));
    {
        // First start with nothing stored: the option is off, so nothing is saved at exit.
        Twnd_quil_Main* w = NewMain();
        QVERIFY(!w->acPersistent->isChecked());
        QVERIFY(w->LayoutReadOnly());
        Tmdi_quil_Viewer* doc = w->OpenFile(path);
        QVERIFY(doc->LayoutReadOnly());
        FMain.reset();
    }
    {
        Twnd_quil_Main* w = NewMain();
        QCOMPARE(w->MRUMan->Count(), 0);
        QVERIFY(!w->acPersistent->isChecked());
        // Switched on, the window, its documents and the recent files are saved.
        w->acPersistent->trigger();
        QVERIFY(!w->LayoutReadOnly());
        w->acGrid->trigger();
        Tmdi_quil_Viewer* doc = w->OpenFile(path);
        QVERIFY(!doc->LayoutReadOnly());
        FMain.reset();
    }
    Twnd_quil_Main* w = NewMain();
    QVERIFY(w->acPersistent->isChecked());
    QVERIFY(w->acGrid->isChecked());
    QVERIFY(!w->LayoutReadOnly());
    QCOMPARE(w->MRUMan->Count(), 1);
    QCOMPARE(w->MRUMan->Items(0), path);
}

void TestMainWnd::windowBarMenu()
{
    Twnd_quil_Main* w = NewMain();
    w->WindowBarMenuPopup();
    QCOMPARE(w->acTitle->text(), QString("<none>"));
    w->OpenFile(Write(QStringLiteral("a.json")));
    w->OpenFile(Write(QStringLiteral("b.json")));
    // Before any press on the bar the target is its first button.
    w->WindowBarMenuPopup();
    QCOMPARE(w->acTitle->text(), QString("a.json"));
    w->acTitleExecute();
    QCOMPARE(Captions(*w).at(w->DocumentWindows().indexOf(w->ActiveDocument())), QString("a.json"));
    w->acMinimize->trigger();
    QVERIFY(w->mdibg->GetChild(0)->isMinimized());
    w->acRestore->trigger();
    QVERIFY(!w->mdibg->GetChild(0)->isMinimized());
    w->acCloseTarget->trigger();
    QTRY_COMPARE(Captions(*w), QStringList {"b.json"});
}

void TestMainWnd::windowsMenuClosesActiveWindow()
{
    Twnd_quil_Main* w = NewMain();
    w->OpenFile(Write(QStringLiteral("a.json")));
    w->OpenFile(Write(QStringLiteral("b.json")));
    Tmdi_quil_Viewer* c = w->OpenFile(Write(QStringLiteral("c.json")));
    // The last press on the bar hit a's button; then the user picked b from the Windows list.
    QTest::mouseClick(w->mdibg, Qt::LeftButton, {}, w->mdibg->ButtonRect(0).center());
    QCOMPARE(w->mdibg->HotButtonIndex(), 0);
    w->Area->setActiveSubWindow(w->mdibg->GetChild(1));
    w->acClose->trigger();
    QTRY_COMPARE(Captions(*w), (QStringList {"a.json", "c.json"}));
    // The bar's own menu still acts on the button it was opened on.
    w->Area->setActiveSubWindow(TMDIChildWindow::Of(c));
    w->WindowBarMenuPopup();
    w->acCloseTarget->trigger();
    QTRY_COMPARE(Captions(*w), QStringList {"c.json"});
}

void TestMainWnd::enabledStates()
{
    Twnd_quil_Main* w = NewMain();
    QCOMPARE(w->windowTitle(), QString("Ravek Quillon"));
    w->UpdateCommandStates();
    for (QAction* a :
        {w->acRefresh, w->acClose, w->acCloseAll, w->acCascade, w->acTileHor, w->acTileVer, w->acMinAll})
        QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    for (QAction* a : {w->acOpen, w->acExit, w->acValueCol, w->acPersistent, w->acRestore, w->acTitle})
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    w->OpenFile(Write(QStringLiteral("a.json")));
    w->UpdateCommandStates();
    for (QAction* a :
        {w->acRefresh, w->acClose, w->acCloseAll, w->acCascade, w->acTileHor, w->acTileVer, w->acMinAll})
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    QCOMPARE(w->acOpen->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(w->acOpen->toolTip(), QString("Open"));
    QCOMPARE(w->acOpen->statusTip(), QString("Opens an existing file"));
}

void TestMainWnd::arrangeAndCloseAll()
{
    Twnd_quil_Main* w = NewMain();
    w->OpenFile(Write(QStringLiteral("a.json")));
    w->OpenFile(Write(QStringLiteral("b.json")));
    w->acTileVerExecute();
    const QRect left = w->mdibg->GetChild(0)->geometry();
    const QRect right = w->mdibg->GetChild(1)->geometry();
    QVERIFY(left.right() < right.left() || right.right() < left.left());
    w->acTileHorExecute();
    QVERIFY(w->mdibg->GetChild(0)->geometry().bottom() < w->mdibg->GetChild(1)->geometry().top()
        || w->mdibg->GetChild(1)->geometry().bottom() < w->mdibg->GetChild(0)->geometry().top());
    w->acCloseAll->trigger();
    QTRY_COMPARE(w->DocumentWindows().size(), 0);
    // Buttons go with their windows, which are deleted a moment later.
    QTRY_COMPARE(w->mdibg->Count(), 0);
}

void TestMainWnd::damagedRecentFilesStillStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("kept");
    const QByteArray text = TLayoutManagerRegistryStorage::EncodeString(QStringLiteral("3"));
    QTest::newRow("Count-text") << "Count" << quint32(REG_SZ) << text << "Invalid data type for 'Count'" << 0;
    QTest::newRow("Count-binary") << "Count" << quint32(REG_BINARY) << QByteArray(8, '\1')
                                  << "Invalid data type for 'Count'" << 0;
    QTest::newRow("Count-long-binary")
        << "Count" << quint32(REG_BINARY) << QByteArray(64, '\1') << "Failed to get data for 'Count'" << 0;
    QTest::newRow("entry-dword") << "001" << quint32(REG_DWORD) << QByteArray(4, '\0')
                                 << "Invalid data type for '001'" << 1;
    QTest::newRow("entry-qword") << "001" << quint32(REG_QWORD) << QByteArray(8, '\7')
                                 << "Invalid data type for '001'" << 1;
    QTest::newRow("entry-none") << "001" << quint32(REG_NONE) << QByteArray() << "Invalid data type for '001'"
                                << 1;
}

void TestMainWnd::damagedRecentFilesStillStart()
{
    QFETCH(QString, name);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    QFETCH(int, kept);
    const QString a = Write(QStringLiteral("a.json"));
    const QString b = Write(QStringLiteral("b.json"));
    LayoutStorage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 3);
    LayoutStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("000"), a);
    LayoutStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("001"), b);
    LayoutStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("002"), b);
    auto* storage = static_cast<TLayoutManagerRegistryStorage*>(LayoutStorage.get());
    storage->Open(true);
    QCOMPARE(storage->RootKey()->SetValue(storage->RootKeyName() + QStringLiteral("MRU"), name, type, data),
        TRegistryResult::rrOk);
    Twnd_quil_Main* w = nullptr;
    try {
        w = NewMain();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    // The error is reported, the program starts, and the list holds what was read before the damage.
    QCOMPARE(FPresenter.Asked, QStringList {error});
    QVERIFY(w->isVisible());
    QCOMPARE(w->MRUMan->Count(), kept);
    QVERIFY(w->OpenFile(a));
}

void TestMainWnd::finalSaveWhileWindowIsWhole()
{
    Twnd_quil_Main* w = NewMain();
    w->acPersistent->trigger();
    QString savedBy;
    w->LayoutManager()->OnAfterSave = [&savedBy](TLayoutManager* ASender) {
        savedBy = QString::fromLatin1(ASender->Owner()->metaObject()->className());
    };
    FMain.reset();
    // Saved at exit by the main window itself, not by what is left of it after its destructor.
    QCOMPARE(savedBy, QString("Twnd_quil_Main"));
}

void TestMainWnd::displayChangeKeepsPersistenceOff()
{
    Twnd_quil_Main* w = NewMain();
    w->acPersistent->trigger();
    // Saved once while on: the window's stored read-only flag now reads "writable".
    w->ExitSizeMove();
    QCOMPARE(
        LayoutStorage->ReadBoolean(QStringLiteral("Twnd_quil_Main"), QStringLiteral("LayoutReadOnly"), true),
        false);
    w->acPersistent->trigger();
    QVERIFY(w->LayoutReadOnly());
    w->DisplayChanged();
    // Off stays off until the user turns it on.
    QVERIFY(w->LayoutReadOnly());
    w->move(w->x() + 17, w->y());
    w->ExitSizeMove();
    QCOMPARE(LayoutStorage->ReadBoolean(
                 QStringLiteral("Twnd_quil_Main\\acPersistent"), QStringLiteral("Checked"), false),
        true);
}

void TestMainWnd::frameStoresItsStyle()
{
    Twnd_quil_Main* w = NewMain();
    w->acPersistent->trigger();
    w->ExitSizeMove();
    // A multiple-document frame, although its client area sits beside the window bar.
    QCOMPARE(LayoutStorage->ReadInteger(QStringLiteral("Twnd_quil_Main"), QStringLiteral("Style"), -1), 2);
}

QTEST_MAIN(TestMainWnd)
#include "tst_mainwnd.moc"
