// The document window: loading and its report, the reload question, the details of focused nodes,
// navigation and the clipboard commands.
#include "controls/HeaderPanel.h"
#include "controls/MDIChildWindow.h"
#include "controls/PathBar.h"
#include "controls/SearchEdit.h"
#include "controls/StatusPanels.h"
#include "tests/common/AnsweringPresenter.h"
#include "textview/CustomSynEdit.h"
#include "textview/SourceView.h"
#include "util/MessageBoxes.h"
#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr int SmallIconSide = 16;

// The resident memory of this process.
long ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (getpagesize() / 1024) : 0;
}

// The whole text the source view shows.
QString MemoText(const Tmdi_quil_Viewer& w)
{
    const std::string_view text = w.Memo->Text();
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QStringList BoxRows(const Tmdi_quil_Viewer& w)
{
    QStringList rows;
    for (int i = 0; i < w.Box->count(); ++i)
        rows << w.Box->item(i)->text();
    return rows;
}

QString Hex(const QByteArray& bytes, QCryptographicHash::Algorithm algorithm)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, algorithm).toHex().toUpper());
}
} // namespace

class TestViewerWnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void report_data();
    void report();
    void unreadableKeepsWhatWasShown();
    void refusedLateShowsTheWholeFile();
    void reloadReplacesReport();
    void reloadQuestion();
    void details();
    void reloadShowsFocusedNode_data();
    void reloadShowsFocusedNode();
    void sizeInLines_data();
    void sizeInLines();
    void navigation_data();
    void navigation();
    void clipboard();
    void treeMenu();
    void expandAndCollapse();
    void treeKeys_data();
    void treeKeys();
    void treeMouse();
    void treeAccessible();
    void treeToolTips_data();
    void treeToolTips();
    void treeScrollsAndMessagesGiveWay();
    void listNameAndValueLevel();
    void listKeys_data();
    void listKeys();
    void listDoubleClick_data();
    void listDoubleClick();
    void listRowHeights();
    void listAccessible();
    void listToolTips_data();
    void listToolTips();
    void listGridLines_data();
    void listGridLines();
    void listOfAMillionCostsNoMemory();
    void valueColumn();
    void checkOnSwitchingWindows();
    void noCheckWhileLoading();
    void memoryFollowsWhatIsKept_data();
    void memoryFollowsWhatIsKept();
    void treeSearch_data();
    void treeSearch();
    void backgroundSearchStops_data();
    void backgroundSearchStops();
    void sourceSearch();
    void searchKeys();

private:
    QString Write(const QString& name, const QByteArray& bytes);
    Tmdi_quil_Viewer* Open(const QString& path);
    // Runs the tree search as a click does and waits for it to end.
    static void Search(Tmdi_quil_Viewer* AViewer);

    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
    QMainWindow* FFrame = nullptr;
    QMdiArea* FArea = nullptr;
};

void TestViewerWnd::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SetMessageBoxPresenter(&FPresenter);
    Tmdi_quil_Viewer::OpenUrl = [](const QUrl&) {};
}

void TestViewerWnd::init()
{
    FFrame = new QMainWindow;
    FArea = new QMdiArea(FFrame);
    FFrame->setCentralWidget(FArea);
    FFrame->resize(1000, 700);
    FFrame->show();
    FPresenter.Asked.clear();
    FPresenter.Answer = QMessageBox::No;
    Tmdi_quil_Viewer::ValueColumnOption = nullptr;
}

void TestViewerWnd::cleanup()
{
    delete FFrame;
    FFrame = nullptr;
}

QString TestViewerWnd::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = FDir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestViewerWnd::Search(Tmdi_quil_Viewer* AViewer)
{
    AViewer->eTreeSearchLeftButtonClick();
    QTRY_COMPARE(AViewer->sb->Text(0), QString("Ready"));
}

Tmdi_quil_Viewer* TestViewerWnd::Open(const QString& path)
{
    auto* viewer = new Tmdi_quil_Viewer;
    QMdiSubWindow* sub = FArea->addSubWindow(viewer);
    sub->show();
    viewer->SetFilename(path);
    return viewer;
}

void TestViewerWnd::report_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("middle"); // the rows after the digests, before the time
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("source"); // the Source page's text, null when left as it was
    QTest::addColumn<int>("nodes");

    const auto padded = [](int size) {
        QByteArray b = "{\"a\":[1,2]}";
        return b + QByteArray(size - b.size(), ' ');
    };
    const QStringList counts {"Object count: 1", "Array count: 1", "Value count: 2"};
    const QStringList invalid {"File is not valid JSON."};
    QTest::newRow("1023 bytes") << padded(1023) << counts << "File size: 1,023 B" << QString() << 4;
    QTest::newRow("1024 bytes") << padded(1024) << counts << "File size: 1 KB" << QString() << 4;
    QTest::newRow("1,500,000 bytes") << padded(1500000) << counts << "File size: 1,464 KB" << QString() << 4;
    const auto broken = [&invalid](const char* place) { return invalid + QStringList {place}; };
    QTest::newRow("empty file") << QByteArray() << broken("Line 1, column 1: the document is empty")
                                << "File size: 0 B"
                                << "" << 0;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF{\"a\":[1,2]}") << counts << "File size: 14 B"
                                     << QString() << 4;
    QTest::newRow("UTF-16 with byte-order mark")
        << QByteArray("\xFF\xFE{\0}\0", 6) << broken("Line 1, column 1: invalid UTF-8") << "File size: 6 B"
        << "" << 0;
    QTest::newRow("invalid with lone CR and LF")
        << QByteArray("{\rx\n}") << broken("Line 2, column 1: expected a name or '}'") << "File size: 5 B"
        << "{\r\nx\r\n}\r\n"
        << 0;
    QTest::newRow("valid with lone CR and LF")
        << QByteArray("{\r\"a\":\n1}") << QStringList {"Object count: 1", "Array count: 0", "Value count: 1"}
        << "File size: 9 B"
        << "{\r\n  \"a\": 1\r\n}" << 2;
    QTest::newRow("number root") << QByteArray("42") << broken("Line 1, column 1: expected '{' or '['")
                                 << "File size: 2 B"
                                 << "42\r\n"
                                 << 0;
    QByteArray many = "[";
    for (int i = 0; i < 10000; ++i)
        many += i ? ",{}" : "{}";
    many += "]";
    QTest::newRow("10,000 objects") << many
                                    << QStringList {"Object count: 10,000", "Array count: 1",
                                           "Value count: 0"}
                                    << "File size: 29 KB" << QString() << 10001;
}

void TestViewerWnd::report()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, middle);
    QFETCH(QString, size);
    QFETCH(QString, source);
    QFETCH(int, nodes);
    const QString path = Write(QStringLiteral("doc.json"), bytes);
    Tmdi_quil_Viewer* w = Open(path);

    QStringList rows = BoxRows(*w);
    QCOMPARE(rows.size(), 3 + middle.size() + 1);
    QCOMPARE(rows[0], size);
    // An empty file has no digest at all, not the digest of nothing.
    QCOMPARE(rows[1], bytes.isEmpty() ? QString("MD5: ") : "MD5: " + Hex(bytes, QCryptographicHash::Md5));
    QCOMPARE(rows[2], bytes.isEmpty() ? QString("SHA1: ") : "SHA1: " + Hex(bytes, QCryptographicHash::Sha1));
    QCOMPARE(rows.mid(3, middle.size()), middle);
    QVERIFY2(QRegularExpression("^Parsing time: \\d+\\.\\d\\d s$").match(rows.last()).hasMatch(),
        qPrintable(rows.last()));
    QCOMPARE(w->Box->item(0)->icon().isNull(), false);

    QCOMPARE(int(w->Outline().NodeCount()), nodes);
    const QString shown = MemoText(*w);
    if (source.isNull())
        QVERIFY(shown.startsWith(bytes.startsWith('[') ? "[" : "{"));
    else
        QCOMPARE(shown, source);
    const bool invalidFile = middle.first() == "File is not valid JSON.";
    QCOMPARE(
        w->msb->Text(0), invalidFile && bytes.size() != 6 ? QString("File is not valid JSON.") : QString());
    QCOMPARE(w->sb->Text(0), QString("Ready"));
    QCOMPARE(w->sb->Text(1), QFileInfo(path).absoluteFilePath());
    QCOMPARE(w->TreePanel->Caption(), QString("doc"));
    QCOMPARE(w->pc->currentIndex(), 0);
}

void TestViewerWnd::unreadableKeepsWhatWasShown()
{
    const QString path = Write(QStringLiteral("doc.json"), "{\"k\":true}");
    Tmdi_quil_Viewer* w = Open(path);
    const QString before = MemoText(*w);
    QCOMPARE(w->msb->Text(2), QString("Size: 3 lines"));
    Write(QStringLiteral("doc.json"), QByteArray("{\"k\":\"\xFF\"}"));
    w->Reread();
    QCOMPARE(BoxRows(*w).at(3), QString("File is not valid JSON."));
    QCOMPARE(MemoText(*w), before);
    QCOMPARE(w->msb->Text(2), QString("Size: 3 lines"));
    QCOMPARE(w->Outline().NodeCount(), size_t(2));
}

void TestViewerWnd::refusedLateShowsTheWholeFile()
{
    // Megabytes of numbers without the closing bracket: the build gives the bytes it has passed back
    // to the system before it meets the end, so the file's text is read again for the Source page.
    QByteArray bytes = "[0";
    for (int i = 1; i < 600000; ++i)
        bytes += "," + QByteArray::number(i);
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), bytes));
    QCOMPARE(BoxRows(*w).at(3), QString("File is not valid JSON."));
    QCOMPARE(w->Memo->Text().size(), size_t(bytes.size() + 2));
    QVERIFY(MemoText(*w) == QString::fromLatin1(bytes + "\r\n"));
    QCOMPARE(w->msb->Text(2), QString("Size: 1 lines"));
}

void TestViewerWnd::reloadReplacesReport()
{
    const QString path = Write(QStringLiteral("doc.json"), "[1,2,3]");
    Tmdi_quil_Viewer* w = Open(path);
    QCOMPARE(w->Box->count(), 7);
    Write(QStringLiteral("doc.json"), "[1,2,3,4]");
    w->Reread();
    QCOMPARE(w->Box->count(), 7);
    QCOMPARE(BoxRows(*w).at(5), QString("Value count: 4"));
    QCOMPARE(w->Counts(), (TJSONCounts {0, 1, 4}));
}

void TestViewerWnd::reloadQuestion()
{
    const QString path = Write(QStringLiteral("doc.json"), "[1]");
    Tmdi_quil_Viewer* w = Open(path);
    const auto touch = [&](int secondsAhead) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(
            QDateTime::currentDateTimeUtc().addSecs(secondsAhead), QFileDevice::FileModificationTime));
    };
    // Unchanged: nothing asked.
    w->FormActivate();
    QCOMPARE(FPresenter.Asked.size(), 0);

    touch(10);
    w->FormActivate();
    QCOMPARE(
        FPresenter.Asked, QStringList {"File " + QFileInfo(path).absoluteFilePath() + " changed. Reload?"});
    // Answered No: the same change is not asked about again.
    w->FormActivate();
    QCOMPARE(FPresenter.Asked.size(), 1);

    // Never while a message box is open.
    touch(20);
    ModalBoxCount = 1;
    w->FormActivate();
    ModalBoxCount = 0;
    QCOMPARE(FPresenter.Asked.size(), 1);

    // Yes reloads.
    Write(QStringLiteral("doc.json"), "[1,2]");
    touch(30);
    FPresenter.Answer = QMessageBox::Yes;
    w->FormActivate();
    QCOMPARE(FPresenter.Asked.size(), 2);
    QCOMPARE(w->Counts(), (TJSONCounts {0, 1, 2}));
    w->FormActivate();
    QCOMPARE(FPresenter.Asked.size(), 2);

    // A file that vanished is not asked about.
    QFile::remove(path);
    w->FormActivate();
    QCOMPARE(FPresenter.Asked.size(), 2);
}

void TestViewerWnd::details()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":1,"b":[2,3],"s":"x\r\ny"})"));
    const TOutline& o = w->Outline();
    // A load focuses the top-level node.
    QCOMPARE(w->FocusedNode(), o.Root());
    QVERIFY(w->List->isVisibleTo(w));
    QVERIFY(!w->ValueView->isVisibleTo(w));
    TChildListModel* list = w->List->Model();
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->CellText(0, 0) + "|" + list->CellText(0, 1), QString("a|1"));
    QCOMPARE(list->CellText(1, 0) + "|" + list->CellText(1, 1), QString("b|(array)"));
    QCOMPARE(NodePicture(o.Typ(list->NodeOf(list->index(0, 0)))), TMenuPicture::JSONNumber);
    QCOMPARE(NodePicture(o.Typ(list->NodeOf(list->index(1, 0)))), TMenuPicture::JSONArray);
    QCOMPARE(w->DetailPanel->Caption(), QString("Children: 3   Level: 0"));
    QCOMPARE(w->obPC->Caption(), QString("<object>"));

    const TNodeIndex a = o.Child(o.Root(), 0);
    w->FocusNode(a);
    QVERIFY(!w->List->isVisibleTo(w));
    QVERIFY(w->ValueView->isVisibleTo(w));
    QCOMPARE(w->ValueView->text(), QString("1"));
    QCOMPARE(w->DetailPanel->Caption(), QString("Children: 0   Level: 1"));
    QCOMPARE(w->obPC->Caption(), QString::fromUtf16(u"<object> \u25BA a"));
    QCOMPARE(w->obPC->Hint(), QString("<object>\\a"));

    // Array elements keep their text in the name: the value view is empty.
    w->FocusNode(o.Child(o.Child(o.Root(), 1), 0));
    QCOMPARE(w->ValueView->text(), QString());
    QCOMPARE(w->DetailPanel->Caption(), QString("Children: 0   Level: 2"));

    // A value with line breaks shows as several lines.
    w->FocusNode(o.Child(o.Root(), 2));
    QCOMPARE(w->ValueView->lines(), 2);

    // A reload keeps the focused node where the document still has it.
    w->Reread();
    QCOMPARE(w->FocusedNode(), o.Child(o.Root(), 2));
    QCOMPARE(w->ValueView->lines(), 2);
    QCOMPARE(w->obPC->Hint(), QString("<object>\\s"));
}

void TestViewerWnd::reloadShowsFocusedNode_data()
{
    QTest::addColumn<QByteArray>("reloaded");
    QTest::addColumn<bool>("listShows");
    QTest::newRow("children list") << QByteArray(R"({"a":1,"b":2})") << true;
    QTest::newRow("root without children") << QByteArray("[]") << false;
    QTest::newRow("not JSON any more") << QByteArray("{") << false;
}

void TestViewerWnd::reloadShowsFocusedNode()
{
    QFETCH(QByteArray, reloaded);
    QFETCH(bool, listShows);
    const QString path = Write(QStringLiteral("doc.json"), R"({"a":[1],"b":{}})");
    Tmdi_quil_Viewer* w = Open(path);
    QVERIFY(w->List->isVisibleTo(w));
    Write(QStringLiteral("doc.json"), reloaded);
    w->Reread();
    const bool valid = !w->Outline().IsEmpty();
    QCOMPARE(w->FocusedNode(), valid ? w->Outline().Root() : NoNode);
    QCOMPARE(w->List->isVisibleTo(w), listShows);
    // Something fills the details under the path bar: the list, the value, or the blank area
    // while no node is focused (never an empty value view with a line number).
    QCOMPARE(w->ValueView->isVisibleTo(w), valid && !listShows);
    QCOMPARE(w->findChild<QWidget*>(QStringLiteral("NoDetails"))->isVisibleTo(w), !valid);
}

void TestViewerWnd::sizeInLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lines");
    QTest::newRow("one invalid line") << QByteArray("nope") << 1;
    QTest::newRow("one invalid line with its break") << QByteArray("nope\n") << 1;
    QTest::newRow("two invalid lines") << QByteArray("a\r\nb") << 2;
    QTest::newRow("number root") << QByteArray("42") << 1;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("formatted") << QByteArray("[1]") << 3;
}

void TestViewerWnd::sizeInLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, lines);
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), bytes));
    QCOMPARE(w->msb->Text(2), QStringLiteral("Size: %1 lines").arg(lines));
}

void TestViewerWnd::navigation_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("array b") << 1;
    QTest::newRow("second of two named a") << 2;
    QTest::newRow("name differing only in case") << 3;
    QTest::newRow("name with a backslash") << 4;
}

void TestViewerWnd::navigation()
{
    QFETCH(int, row);
    Tmdi_quil_Viewer* w =
        Open(Write(QStringLiteral("doc.json"), R"({"a":1,"b":[2,3],"a":{"x":0},"A":2,"p\\q":{"r":4}})"));
    const TOutline& o = w->Outline();
    w->sbCollapseClick();
    w->FocusNode(o.Root());
    // Double-clicking a row focuses the row's own node in the tree, opening its parent.
    w->List->SetCurrentRow(row);
    w->ListDblClick();
    QCOMPARE(w->FocusedNode(), o.Child(o.Root(), uint32_t(row)));
    QVERIFY(w->Tree->IsExpanded(o.Root()));
}

void TestViewerWnd::clipboard()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":[1,2,3,{}]})"));
    const TOutline& o = w->Outline();
    w->FocusNode(o.Child(o.Child(o.Root(), 0), 3));
    w->acCopyNameClick();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("<element #3>"));
    w->Copytoclipboard1Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("<object>\\a\\<element #3>"));
    // A report row goes to the clipboard exactly.
    w->Box->setCurrentRow(5);
    w->BoxDblClick();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Value count: 3"));
}

void TestViewerWnd::treeMenu()
{
    // No node to focus in a file that is not JSON.
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), "[,"));
    w->TreeMenuPopup();
    QVERIFY(!w->acCopyName->isEnabled());
    QVERIFY(!w->acExpandNode->isEnabled());
    QVERIFY(!w->acCollapseNode->isEnabled());
    Write(QStringLiteral("doc.json"), "[]");
    w->Reread();
    w->TreeMenuPopup();
    QVERIFY(w->acCopyName->isEnabled() && w->acExpandNode->isEnabled() && w->acCollapseNode->isEnabled());
}

void TestViewerWnd::expandAndCollapse()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":{"b":{"c":[1]}},"d":[2]})"));
    const TOutline& o = w->Outline();
    const TNodeIndex root = o.Root();
    const TNodeIndex a = o.Child(root, 0);
    const TNodeIndex c = o.Child(o.Child(a, 0), 0);
    const TNodeIndex d = o.Child(root, 1);
    // After a load only the root is open.
    QVERIFY(w->Tree->IsExpanded(root));
    QVERIFY(!w->Tree->IsExpanded(a));
    QCOMPARE(w->Tree->Rows().RowCount(), size_t(3));
    w->FocusNode(a);
    w->acExpandNodeClick();
    QVERIFY(w->Tree->IsExpanded(a) && w->Tree->IsExpanded(c));
    QVERIFY(!w->Tree->IsExpanded(d));
    QCOMPARE(w->Tree->Rows().RowCount(), size_t(6));
    w->acCollapseNodeClick();
    QVERIFY(!w->Tree->IsExpanded(a) && !w->Tree->IsExpanded(c));
    w->sbExpandClick();
    QVERIFY(w->Tree->IsExpanded(d) && w->Tree->IsExpanded(c));
    QCOMPARE(w->Tree->Rows().RowCount(), o.NodeCount());
    // The expanded set can be read and given back.
    const std::vector<TNodeIndex> expanded = w->Tree->ExpandedNodes();
    QCOMPARE(expanded.size(), size_t(5));
    w->sbCollapseClick();
    QVERIFY(!w->Tree->IsExpanded(root));
    QCOMPARE(w->Tree->Rows().RowCount(), size_t(1));
    w->Tree->RestoreExpanded(expanded);
    QCOMPARE(w->Tree->Rows().RowCount(), o.NodeCount());
    // Leaves keep no expanded state.
    w->Tree->SetExpanded(o.Child(d, 0), true);
    QVERIFY(!w->Tree->IsExpanded(o.Child(d, 0)));
}

// The keys, sent to the real tree.
void TestViewerWnd::treeKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("rows");
    // {"a":{"x":1,"y":[2,3]},"b":[4],"c":5}: after a load the root and its three children show.
    QTest::newRow("down twice") << QList<int> {Qt::Key_Down, Qt::Key_Down} << "b" << 4;
    QTest::newRow("end, up") << QList<int> {Qt::Key_End, Qt::Key_Up} << "b" << 4;
    QTest::newRow("right opens, right again enters")
        << QList<int> {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right} << "x" << 6;
    QTest::newRow("left closes, left again goes to the parent")
        << QList<int> {Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left} << "<object>" << 4;
    QTest::newRow("left on a child goes to its parent")
        << QList<int> {Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left} << "a" << 6;
    QTest::newRow("plus and minus") << QList<int> {Qt::Key_Down, Qt::Key_Plus, Qt::Key_Minus} << "a" << 4;
    QTest::newRow("asterisk opens all below") << QList<int> {Qt::Key_Down, Qt::Key_Asterisk} << "a" << 8;
    QTest::newRow("home after end") << QList<int> {Qt::Key_End, Qt::Key_Home} << "<object>" << 4;
    QTest::newRow("page down stops at the last row")
        << QList<int> {Qt::Key_PageDown, Qt::Key_PageDown} << "c" << 4;
    QTest::newRow("page up stops at the first row")
        << QList<int> {Qt::Key_End, Qt::Key_PageUp} << "<object>" << 4;
    QTest::newRow("typing the start of a name") << QList<int> {Qt::Key_C} << "c" << 4;
    QTest::newRow("typing wraps around to the top") << QList<int> {Qt::Key_End, Qt::Key_A} << "a" << 4;
    QTest::newRow("minus on the root closes everything")
        << QList<int> {Qt::Key_Minus, Qt::Key_Down} << "<object>" << 1;
}

void TestViewerWnd::treeKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, focused);
    QFETCH(int, rows);
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":{"x":1,"y":[2,3]},"b":[4],"c":5})"));
    const TOutline& o = w->Outline();
    w->Tree->setFocus();
    for (int key : keys)
        QTest::keyClick(w->Tree, Qt::Key(key));
    QCOMPARE(QString::fromStdU16String(o.NodeData(w->FocusedNode()).Name), focused);
    QCOMPARE(int(w->Tree->Rows().RowCount()), rows);
    // The details follow the focus.
    QVERIFY(w->obPC->Hint().endsWith(focused));
}

void TestViewerWnd::treeMouse()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":{"x":1,"y":[2,3]},"b":[4],"c":5})"));
    const TOutline& o = w->Outline();
    TOutlineTreeView* tree = w->Tree;
    QApplication::processEvents();
    const int h = tree->RowHeight();
    const auto at = [&](int row, int x) { return QPoint(x, row * h + h / 2); };
    const int indent = tree->indentation();
    // A click on a row's name focuses it; one on its expander opens it and keeps the focus.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at(1, 2 * indent + 30));
    QCOMPARE(w->FocusedNode(), o.Child(o.Root(), 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at(2, indent + indent / 2));
    QVERIFY(tree->IsExpanded(o.Child(o.Root(), 1)));
    QCOMPARE(w->FocusedNode(), o.Child(o.Root(), 0));
    // A double click on a row opens or closes it; a right click focuses the row under the mouse.
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at(1, 2 * indent + 30));
    QVERIFY(tree->IsExpanded(o.Child(o.Root(), 0)));
    QCOMPARE(tree->Rows().RowCount(), size_t(7));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, at(2, 3 * indent + 30));
    QCOMPARE(QString::fromStdU16String(o.NodeData(w->FocusedNode()).Name), QString("x"));
    // A click below the last row changes nothing.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at(30, 40));
    QCOMPARE(QString::fromStdU16String(o.NodeData(w->FocusedNode()).Name), QString("x"));
}

void TestViewerWnd::treeAccessible()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":{"x":1},"b":"text"})"));
    const TOutline& o = w->Outline();
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(w->Tree);
    QVERIFY(tree);
    QCOMPARE(tree->role(), QAccessible::Tree);
    // The rows on screen, each with its name, value and state.
    QCOMPARE(tree->childCount(), 3);
    QAccessibleInterface* root = tree->child(0);
    QCOMPARE(root->role(), QAccessible::TreeItem);
    QCOMPARE(root->text(QAccessible::Name), QString("<object>"));
    QVERIFY(root->state().expanded && root->state().selected);
    QVERIFY(tree->child(1)->state().collapsed);
    QCOMPARE(tree->child(2)->text(QAccessible::Value), QString("text"));
    QCOMPARE(tree->indexOfChild(tree->child(2)), 2);
    QCOMPARE(root->parent(), tree);
    w->FocusNode(o.Child(o.Child(o.Root(), 0), 0));
    QCOMPARE(tree->childCount(), 4);
    QVERIFY(tree->child(2)->state().selected && !root->state().selected);
}

void TestViewerWnd::treeToolTips_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("tip");
    QTest::newRow("a value that fits shows none") << 1 << 1 << QString();
    QTest::newRow("a value cut by the column shows whole") << 2 << 1 << QString(60, QChar('w'));
    QTest::newRow("a value shortened without its line breaks shows them") << 3 << 1 << QString("one\r\ntwo");
    QTest::newRow("a name cut by the column shows whole") << 4 << 0 << QString(60, QChar('n'));
}

void TestViewerWnd::treeToolTips()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, tip);
    const QByteArray json = "{\"short\":1,\"long\":\"" + QByteArray(60, 'w')
        + "\",\"lines\":\"one\\r\\ntwo\",\"" + QByteArray(60, 'n') + "\":0}";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), json));
    FFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FFrame));
    TOutlineTreeView* tree = w->Tree;
    tree->header()->resizeSection(1, 100);
    tree->header()->resizeSection(0, 150);
    QApplication::processEvents();
    const int x = tree->header()->sectionViewportPosition(column) + tree->header()->sectionSize(column) - 10;
    const QPoint at(x, row * tree->RowHeight() + tree->RowHeight() / 2);
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &help);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
    QToolTip::hideText();
}

void TestViewerWnd::treeScrollsAndMessagesGiveWay()
{
    QByteArray deep = R"({"leaf":"at the bottom"})";
    for (int level = 0; level < 14; ++level)
        deep = "{\"n\":" + QByteArray::number(level) + ",\"next\":" + deep + "}";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), deep));
    QWidget* sub = w->parentWidget();
    const auto settle = [&](QSize size) {
        sub->resize(size);
        QApplication::processEvents();
        w->Tree->viewport()->repaint();
        QApplication::processEvents();
    };
    settle(QSize(800, 600));
    QCOMPARE(w->MsgPanel->height(), 150);

    // Rows fifteen levels deep are not cut off: the Tag column widens and the tree scrolls sideways.
    w->sbExpandClick();
    w->Tree->ScrollToBottom();
    settle(QSize(800, 600));
    QVERIFY(w->Tree->header()->sectionSize(0) > 15 * w->Tree->indentation());
    QVERIFY(w->Tree->horizontalScrollBar()->maximum() > 0);
    // A narrow window leaves the Tag column readable.
    w->sbCollapseClick();
    settle(QSize(240, 600));
    QVERIFY(w->Tree->header()->sectionSize(0) >= 120);

    // A low window: the messages give way to the outline, and come back when there is room.
    settle(QSize(800, 300));
    QVERIFY(w->MsgPanel->height() < 150);
    settle(QSize(800, 600));
    QCOMPARE(w->MsgPanel->height(), 150);
    // The height the layout keeps (also the one the user drags to) is the one it comes back to.
    w->MsgPanel->setProperty("Height", 90);
    settle(QSize(800, 601));
    QCOMPARE(w->MsgPanel->height(), 90);
}

void TestViewerWnd::listNameAndValueLevel()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"abc":123,"def":"hold\nlines"})"));
    w->parentWidget()->resize(800, 600);
    QApplication::processEvents();
    QVERIFY(w->List->isVisibleTo(w));
    const QImage image = w->List->viewport()->grab().toImage();
    // The first row of a cell's area whose pixels are text-dark: the top of its text.
    const auto textTop = [&](int row, int column, int skip) {
        const QRect cell = w->List->CellRect(row, column);
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left() + skip; x < cell.right() - 1; ++x)
                if (image.pixelColor(x, y).lightness() < 128)
                    return y;
        return -1;
    };
    const int iconRoom = SmallIconSide + 8;
    for (int row = 0; row < 2; ++row) {
        const int name = textTop(row, 0, iconRoom);
        const int value = textTop(row, 1, 2);
        QVERIFY(name >= 0 && value >= 0);
        QVERIFY2(qAbs(name - value) <= 1,
            qPrintable(QStringLiteral("row %1: name at %2, value at %3").arg(row).arg(name).arg(value)));
    }
}

// {"k0":0,...,"k27":27,"zeta":28,"zoo":29}, sent keys to the list of the root's children.
void TestViewerWnd::listKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("current");
    QTest::newRow("down from none takes the first") << QList<int> {Qt::Key_Down} << 0;
    QTest::newRow("down twice") << QList<int> {Qt::Key_Down, Qt::Key_Down} << 1;
    QTest::newRow("up stops at the top") << QList<int> {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up} << 0;
    QTest::newRow("end scrolls to the last") << QList<int> {Qt::Key_End} << 29;
    QTest::newRow("end, up") << QList<int> {Qt::Key_End, Qt::Key_Up} << 28;
    QTest::newRow("home after end") << QList<int> {Qt::Key_End, Qt::Key_Home} << 0;
    QTest::newRow("page down stops at the last row") << QList<int>(12, Qt::Key_PageDown) << 29;
    QTest::newRow("page up stops at the first row")
        << QList<int> {Qt::Key_End} + QList<int>(12, Qt::Key_PageUp) << 0;
    QTest::newRow("typing the start of a name") << QList<int> {Qt::Key_Z} << 28;
    QTest::newRow("the same letter again goes on") << QList<int> {Qt::Key_Z, Qt::Key_Z} << 29;
    QTest::newRow("typing more of a name") << QList<int> {Qt::Key_Z, Qt::Key_O} << 29;
    QTest::newRow("typing wraps around to the top") << QList<int> {Qt::Key_End, Qt::Key_K} << 0;
}

void TestViewerWnd::listKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, current);
    QByteArray json = "{";
    for (int i = 0; i < 28; ++i)
        json += "\"k" + QByteArray::number(i) + "\":" + QByteArray::number(i) + ",";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), json + R"("zeta":28,"zoo":29})"));
    w->parentWidget()->resize(800, 400);
    QApplication::processEvents();
    TChildListView* list = w->List;
    QCOMPARE(list->CurrentRow(), TChildListView::NoRow);
    list->setFocus();
    for (int key : keys)
        QTest::keyClick(list, Qt::Key(key));
    QCOMPARE(list->CurrentRow(), current);
    QCOMPARE(list->CurrentNode(), w->Outline().Child(w->Outline().Root(), uint32_t(current)));
    // The current row is wholly in view.
    QVERIFY(list->viewport()->rect().contains(list->CellRect(current, 0)));
    // A new list of children has no current row and starts at the top.
    w->FocusNode(w->Outline().Child(w->Outline().Root(), 0));
    w->FocusNode(w->Outline().Root());
    QCOMPARE(list->CurrentRow(), TChildListView::NoRow);
    QCOMPARE(list->TopRow(), 0);
}

void TestViewerWnd::listDoubleClick_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("name of the first") << 0 << 0;
    QTest::newRow("value of the third") << 2 << 1;
}

void TestViewerWnd::listDoubleClick()
{
    QFETCH(int, row);
    QFETCH(int, column);
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":"one\ntwo","b":[1],"a":{"x":0}})"));
    w->parentWidget()->resize(800, 600);
    QApplication::processEvents();
    const TOutline& o = w->Outline();
    QTest::mouseClick(w->List->viewport(), Qt::LeftButton, {}, w->List->CellRect(1, 0).center());
    QCOMPARE(w->List->CurrentRow(), 1);
    QTest::mouseDClick(w->List->viewport(), Qt::LeftButton, {}, w->List->CellRect(row, column).center());
    QCOMPARE(w->FocusedNode(), o.Child(o.Root(), uint32_t(row)));
}

void TestViewerWnd::listRowHeights()
{
    QByteArray json = R"({"one":"x","three":"a\nb\nc")";
    const QByteArray words = QByteArray("word ").repeated(60);
    for (int i = 0; i < 40; ++i)
        json += ",\"w" + QByteArray::number(i) + "\":\"" + words + "\"";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), json + "}"));
    w->parentWidget()->resize(800, 600);
    QApplication::processEvents();
    TChildListView* list = w->List;
    const int one = list->RowHeight(0);
    // Inner line breaks are kept: three lines make a row about three times as tall.
    QVERIFY2(
        list->RowHeight(1) >= 3 * one - 8, qPrintable(QString("%1 vs %2").arg(list->RowHeight(1)).arg(one)));
    QCOMPARE(list->CellRect(1, 1).height(), list->RowHeight(1));
    // The long values wrap: a narrower value column makes their rows taller and fewer fit.
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->resizeSection(1, 2000);
    QApplication::processEvents();
    const int wideHeight = list->RowHeight(2);
    const int wideLastTop = list->verticalScrollBar()->maximum();
    header->resizeSection(1, 100);
    QApplication::processEvents();
    QVERIFY2(list->RowHeight(2) > wideHeight,
        qPrintable(QStringLiteral("%1 at %2").arg(list->RowHeight(2)).arg(header->sectionSize(1))));
    QVERIFY(list->verticalScrollBar()->maximum() > wideLastTop);
    // Scrolled per row: the scroll bar's value is the top row.
    list->verticalScrollBar()->setValue(5);
    QCOMPARE(list->TopRow(), 5);
    QCOMPARE(list->RowAt(1), 5);
}

void TestViewerWnd::listAccessible()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":1,"b":[2]})"));
    w->parentWidget()->resize(800, 600);
    QApplication::processEvents();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w->List);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 2);
    QAccessibleInterface* b = list->child(1);
    QCOMPARE(b->role(), QAccessible::ListItem);
    QCOMPARE(b->text(QAccessible::Name) + "|" + list->child(0)->text(QAccessible::Value), QString("b|1"));
    QVERIFY(!b->state().selected && !b->state().expandable);
    w->List->SetCurrentRow(1);
    QVERIFY(b->state().selected);
    QCOMPARE(list->childAt(b->rect().center().x(), b->rect().center().y()), b);
    QCOMPARE(b->rect().height(), w->List->RowHeight(1));
}

void TestViewerWnd::listToolTips_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("tip");
    QTest::newRow("short name") << 0 << 0 << QString();
    QTest::newRow("name cut") << 1 << 0 << QString(60, 'n');
    QTest::newRow("wrapped lines shown whole") << 2 << 1 << QString();
}

void TestViewerWnd::listToolTips()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, tip);
    const QByteArray json = "{\"short\":1,\"" + QByteArray(60, 'n') + "\":0,\"lines\":\"one\\ntwo\"}";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), json));
    w->parentWidget()->resize(800, 600);
    FFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FFrame));
    const QPoint at = w->List->CellRect(row, column).center();
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, at, w->List->viewport()->mapToGlobal(at));
    QApplication::sendEvent(w->List->viewport(), &help);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
    QToolTip::hideText();
}

void TestViewerWnd::listGridLines_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("off") << false;
    QTest::newRow("on") << true;
}

void TestViewerWnd::listGridLines()
{
    QFETCH(bool, on);
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"a":1,"b":2})"));
    w->parentWidget()->resize(800, 600);
    w->SetGridLines(on);
    QApplication::processEvents();
    QCOMPARE(w->List->GridLines(), on);
    const QImage image = w->List->viewport()->grab().toImage();
    const QRect value = w->List->CellRect(0, 1);
    // Below the text of the first value, at the row's bottom edge.
    const QColor edge = image.pixelColor(value.left() + 40, value.bottom());
    QCOMPARE(edge != w->List->palette().color(QPalette::Base), on);
}

void TestViewerWnd::listOfAMillionCostsNoMemory()
{
    constexpr int Children = 1000000;
    constexpr long AllowedKiB = 4096;
    QByteArray json = "{\"big\":[0";
    json += QByteArray(",0").repeated(Children - 1) + "]}";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("big.json"), json));
    w->parentWidget()->resize(800, 600);
    QApplication::processEvents();
    const TNodeIndex big = w->Outline().Child(w->Outline().Root(), 0);
    const long before = ResidentKiB();
    w->FocusNode(big);
    w->List->repaint();
    QApplication::processEvents();
    QTest::keyClick(w->List, Qt::Key_End);
    w->List->repaint();
    const long after = ResidentKiB();
    QCOMPARE(w->List->Model()->rowCount(), Children);
    QCOMPARE(w->List->CurrentRow(), Children - 1);
    QVERIFY2(after - before < AllowedKiB, qPrintable(QStringLiteral("%1 KiB more").arg(after - before)));
    // Assistive tools see the list without a child per row.
    QCOMPARE(QAccessible::queryAccessibleInterface(w->List)->childCount(), w->List->ShownRowCount());
    QVERIFY(w->List->ShownRowCount() < 100);
}

void TestViewerWnd::valueColumn()
{
    bool show = false;
    Tmdi_quil_Viewer::ValueColumnOption = [&show] { return show; };
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), "[1]"));
    QVERIFY(w->Tree->isColumnHidden(1));
    // The option is read at the next refresh, not pushed.
    show = true;
    QVERIFY(w->Tree->isColumnHidden(1));
    w->RefreshView();
    QVERIFY(!w->Tree->isColumnHidden(1));
}

void TestViewerWnd::checkOnSwitchingWindows()
{
    const QString first = Write(QStringLiteral("first.json"), "[1]");
    const QString second = Write(QStringLiteral("second.json"), "[2]");
    QList<TMDIChildWindow*> frames;
    for (const QString& path : {first, second}) {
        auto* frame = new TMDIChildWindow(FArea);
        auto* viewer = new Tmdi_quil_Viewer;
        frame->setWidget(viewer);
        frame->OnActivate = [viewer](QObject*) { viewer->FormActivate(); };
        FArea->addSubWindow(frame);
        frame->show();
        viewer->SetFilename(path);
        frames << frame;
    }
    FArea->setActiveSubWindow(frames[1]);
    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60), QFileDevice::FileModificationTime));
    file.close();
    FArea->setActiveSubWindow(frames[0]);
    QTRY_COMPARE(FPresenter.Asked.size(), 1);
    QVERIFY(FPresenter.Asked[0].contains("first.json"));
    // Answered No: switching away and back does not ask again.
    FArea->setActiveSubWindow(frames[1]);
    FArea->setActiveSubWindow(frames[0]);
    QCoreApplication::processEvents();
    QCOMPARE(FPresenter.Asked.size(), 1);
}

void TestViewerWnd::noCheckWhileLoading()
{
    // The events let through while "Loading..." shows may activate the window: a window that has
    // not read its file yet must not ask whether to reload it.
    const QString path = Write(QStringLiteral("doc.json"), "[1]");
    auto* frame = new TMDIChildWindow(FArea);
    auto* viewer = new Tmdi_quil_Viewer;
    frame->setWidget(viewer);
    frame->OnActivate = [viewer](QObject*) { viewer->FormActivate(); };
    FArea->addSubWindow(frame);
    frame->show();
    auto* other = new TMDIChildWindow(FArea);
    other->setWidget(new QWidget);
    FArea->addSubWindow(other);
    other->show();
    FArea->setActiveSubWindow(other);
    // Activation arrives during the load.
    QTimer::singleShot(0, FArea, [this, frame] { FArea->setActiveSubWindow(frame); });
    viewer->SetFilename(path);
    QCoreApplication::processEvents();
    QCOMPARE(FPresenter.Asked.size(), 0);
    QCOMPARE(viewer->Counts(), (TJSONCounts {0, 1, 1}));
}

namespace {
// Limits the address space of the process to what it uses now plus AHeadroom, for the life of the object.
class TMemoryLimit {
public:
    explicit TMemoryLimit(qint64 AHeadroom)
    {
        ::getrlimit(RLIMIT_AS, &FOld);
        QFile status(QStringLiteral("/proc/self/status"));
        qint64 used = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmSize:"))
                    used = line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
        rlimit limit = FOld;
        limit.rlim_cur = rlim_t(used + AHeadroom);
        FOk = used > 0 && ::setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~TMemoryLimit() { ::setrlimit(RLIMIT_AS, &FOld); }
    bool Ok() const { return FOk; }

private:
    rlimit FOld {};
    bool FOk = false;
};
} // namespace

void TestViewerWnd::memoryFollowsWhatIsKept_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("fits");
    constexpr qint64 MiB = 1024 * 1024;
    // Larger than the memory there is (the limit below leaves 512 MiB).
    QTest::newRow("too-large") << QByteArray("[") << 640 * MiB << false;
    // Seven bytes of JSON, then zeros: the text ends at the first zero, the rest takes no memory.
    QTest::newRow("text-then-zeros") << QByteArray("{\"a\":1}") << 256 * MiB << true;
}

void TestViewerWnd::memoryFollowsWhatIsKept()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer reserves more address space than any limit allows");
#endif
    QFETCH(QByteArray, head);
    QFETCH(qint64, size);
    QFETCH(bool, fits);
    const QString path = FDir.filePath(QStringLiteral("big.json"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(head);
        if (fits) {
            QVERIFY(file.resize(size));
        } else {
            const QByteArray spaces(1024 * 1024, ' ');
            while (file.size() + spaces.size() < size)
                QCOMPARE(file.write(spaces), spaces.size());
            file.write(QByteArray(size - file.size() - 1, ' ') + ']');
            QCOMPARE(file.size(), size);
        }
    }
    Tmdi_quil_Viewer* viewer = nullptr;
    {
        TMemoryLimit limit(512LL * 1024 * 1024);
        QVERIFY(limit.Ok());
        try {
            viewer = Open(path);
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
    QFile::remove(path);
    const QStringList rows = BoxRows(*viewer);
    QCOMPARE(viewer->sb->Text(0), QString("Ready"));
    QVERIFY2(rows.size() >= 5, qPrintable(rows.join(QLatin1Char('\n'))));
    if (fits) {
        QCOMPARE(rows.at(3), QString("Object count: 1"));
        QCOMPARE(FPresenter.Asked, QStringList());
        return;
    }
    const QString message =
        QStringLiteral("Not enough memory to open %1 (640.00 MiB).").arg(QDir::toNativeSeparators(path));
    QCOMPARE(FPresenter.Asked, QStringList {message});
    // The report: size, digests, the error, the time.
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(0), QString("File size: 655,360 KB"));
    QCOMPARE(rows.at(3), message);
    // The window goes on working.
    viewer->SetFilename(Write(QStringLiteral("small.json"), "[1,2]"));
    QCOMPARE(viewer->Counts(), (TJSONCounts {0, 1, 2}));
}

QTEST_MAIN(TestViewerWnd)
#include "tst_viewerwnd.moc"

// The same searches on the window's thread and, as on the largest outlines, on a worker thread.
void TestViewerWnd::treeSearch_data()
{
    QTest::addColumn<bool>("background");
    QTest::newRow("on the window's thread") << false;
    QTest::newRow("on a worker thread") << true;
}

void TestViewerWnd::treeSearch()
{
    QFETCH(bool, background);
    const size_t usual = Tmdi_quil_Viewer::BackgroundSearchNodes;
    Tmdi_quil_Viewer::BackgroundSearchNodes = background ? 0 : usual;
    const auto restore = qScopeGuard([usual] { Tmdi_quil_Viewer::BackgroundSearchNodes = usual; });
    Tmdi_quil_Viewer* w =
        Open(Write(QStringLiteral("doc.json"), R"({"a":{"b":{"c":"deep"}},"z":"Deep2","y":"a","_":0})"));
    const TOutline& o = w->Outline();
    const TNodeIndex c = o.Child(o.Child(o.Child(o.Root(), 0), 0), 0);
    w->sbCollapseClick();
    w->eTreeSearch->setText("DEEP");
    Search(w);
    // Found inside the collapsed part: focused, selected, its ancestors opened.
    QCOMPARE(w->FocusedNode(), c);
    QCOMPARE(w->Tree->CurrentNode(), c);
    QVERIFY(w->Tree->IsExpanded(o.Parent(c)) && w->Tree->Rows().IsShown(c));
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::SearchAgain);
    QCOMPARE(w->sb->Text(0), QString("Ready"));
    QCOMPARE(QString::fromStdU16String(o.NodeData(w->FocusedNode()).Name), QString("c"));

    // New text shows the search picture again but goes on after the last hit: a is above it.
    w->eTreeSearch->setText("a");
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::Search);
    Search(w);
    QCOMPARE(QString::fromStdU16String(o.NodeData(w->FocusedNode()).Name), QString("y"));

    // A miss: the box says so, selects its text and starts at the top next time.
    w->eTreeSearch->setText("deep");
    Search(w);
    QCOMPARE(FPresenter.Asked, QStringList {"Text not found"});
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::Search);
    QCOMPARE(w->eTreeSearch->selectedText(), QString("deep"));
    Search(w);
    QCOMPARE(w->FocusedNode(), c);

    // Clearing empties the box; an empty text finds nothing; a load starts at the top again.
    w->eTreeSearch->RightButton()->trigger();
    QCOMPARE(w->eTreeSearch->text(), QString());
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::Search);
    Search(w);
    QCOMPARE(FPresenter.Asked.size(), 2);
    w->eTreeSearch->setText("deep");
    Search(w);
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::SearchAgain);
    w->Reread();
    QCOMPARE(w->eTreeSearch->LeftPicture(), TMenuPicture::Search);
    Search(w);
    QCOMPARE(w->FocusedNode(), c);
}

// A reload or closing the window while a search runs on its worker thread stops it: its result never
// arrives, and nothing reads the outline once it is gone.
void TestViewerWnd::backgroundSearchStops_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("reload") << false;
    QTest::newRow("close") << true;
}

void TestViewerWnd::backgroundSearchStops()
{
    QFETCH(bool, close);
    const size_t usual = Tmdi_quil_Viewer::BackgroundSearchNodes;
    Tmdi_quil_Viewer::BackgroundSearchNodes = 0;
    const auto restore = qScopeGuard([usual] { Tmdi_quil_Viewer::BackgroundSearchNodes = usual; });
    QPointer<Tmdi_quil_Viewer> w = Open(Write(QStringLiteral("doc.json"), R"({"a":1,"b":{"c":"needle"}})"));
    w->eTreeSearch->setText("nothing like it");
    w->eTreeSearchLeftButtonClick();
    if (close)
        delete w->parentWidget();
    else
        w->Reread();
    QTest::qWait(50);
    QVERIFY(FPresenter.Asked.isEmpty());
    if (!close) {
        QCOMPARE(w->FocusedNode(), w->Outline().Root());
        QCOMPARE(w->sb->Text(0), QString("Ready"));
    }
}

void TestViewerWnd::sourceSearch()
{
    QByteArray json = "[";
    for (int i = 0; i < 500; ++i)
        json += (i ? ",\"v" : "\"v") + QByteArray::number(i) + "\"";
    json += ",\"x\\/y\"]";
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), json));
    FFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FFrame));
    w->pc->setCurrentIndex(1);
    TSourceView* m = w->Memo;
    m->SetCaret(0, 0);
    w->eMemoSearch->setText("V400");
    w->eMemoSearchLeftButtonClick();
    // Line 402 (from 1) holds "v400": selected, the caret at its end, the line in the middle.
    QCOMPARE(m->CaretLine(), size_t(401));
    QCOMPARE(m->SelectedText(), QString("v400"));
    QCOMPARE(qsizetype(m->CaretColumn()), m->LineText(401).indexOf("v400") + 4);
    const int onScreen = m->LinesOnScreen();
    QVERIFY(onScreen > 2);
    QCOMPARE(m->FirstVisibleLine(), size_t(401 - onScreen / 2));
    QCOMPARE(w->eMemoSearch->LeftPicture(), TMenuPicture::SearchAgain);
    QCOMPARE(w->sb->Text(0), QString("Ready"));

    // The source shows the solidus escaped, so x/y is not there: a miss puts the caret at the top.
    w->eMemoSearch->setText("x/y");
    QCOMPARE(w->eMemoSearch->LeftPicture(), TMenuPicture::Search);
    w->eMemoSearchLeftButtonClick();
    QCOMPARE(FPresenter.Asked, QStringList {"Text not found"});
    QCOMPARE(m->CaretPosition(), size_t(0));
    QCOMPARE(w->eMemoSearch->selectedText(), QString("x/y"));
    QVERIFY(w->Memo->hasFocus());

    // An empty box too.
    m->SetCaret(10, 3);
    QCOMPARE(m->CaretColumn(), size_t(3));
    w->eMemoSearch->clear();
    w->eMemoSearchLeftButtonClick();
    QCOMPARE(FPresenter.Asked.size(), 2);
    QCOMPARE(m->CaretPosition(), size_t(0));
}

// The keys, sent to the real widgets of an active window.
void TestViewerWnd::searchKeys()
{
    Tmdi_quil_Viewer* w = Open(Write(QStringLiteral("doc.json"), R"({"k":"find me","l":"find me"})"));
    FFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FFrame));
    const TOutline& o = w->Outline();
    const TNodeIndex k = o.Child(o.Root(), 0);
    const TNodeIndex l = o.Child(o.Root(), 1);

    // Tree page: Ctrl+F (on release) to the box, Enter searches, Esc back to the tree, F3 goes on.
    w->Tree->setFocus();
    QTest::keyClick(w->Tree, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w->eTreeSearch->hasFocus());
    QTest::keyClicks(w->eTreeSearch, "FIND");
    QTest::keyClick(w->eTreeSearch, Qt::Key_Return);
    QCOMPARE(w->FocusedNode(), k);
    QVERIFY(w->Tree->hasFocus());
    QTest::keyClick(w->Tree, Qt::Key_F3);
    QCOMPARE(w->FocusedNode(), l);
    // With a modifier F3 does nothing.
    QTest::keyClick(w->Tree, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(w->FocusedNode(), l);
    w->eTreeSearch->setFocus();
    QTest::keyClick(w->eTreeSearch, Qt::Key_F3);
    QCOMPARE(w->FocusedNode(), k);
    w->eTreeSearch->setFocus();
    QTest::keyClick(w->eTreeSearch, Qt::Key_Escape);
    QVERIFY(w->Tree->hasFocus());

    // Source page: the same keys for the source view and its box.
    w->pc->setCurrentIndex(1);
    w->Memo->setFocus();
    w->Memo->SetCaret(0, 0);
    QTest::keyClick(w->Memo, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w->eMemoSearch->hasFocus());
    QTest::keyClicks(w->eMemoSearch, "me");
    QTest::keyClick(w->eMemoSearch, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(w->Memo->CaretLine(), size_t(1));
    QTest::keyClick(w->eMemoSearch, Qt::Key_F3);
    QCOMPARE(w->Memo->CaretLine(), size_t(2));
    QTest::keyClick(w->eMemoSearch, Qt::Key_Escape);
    QVERIFY(w->Memo->hasFocus());
    w->Memo->SetCaret(0, 0);
    QTest::keyClick(w->Memo, Qt::Key_F3);
    QCOMPARE(w->Memo->CaretLine(), size_t(1));
    QCOMPARE(FPresenter.Asked.size(), 0);
}
