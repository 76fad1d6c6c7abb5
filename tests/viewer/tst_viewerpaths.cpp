// The document window's paths and places: "Copy path as", "Go to path...", the place where a refused
// document breaks, and a reload that keeps the view where the document still has the same places.
#include "controls/StatusPanels.h"
#include "tests/common/AnsweringPresenter.h"
#include "tests/common/TestFiles.h"
#include "textview/CustomSynEdit.h"
#include "util/MessageBoxes.h"
#include "viewer/GoToPathBar.h"
#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The node reached by following rows from the root.
TNodeIndex At(const TOutline& outline, std::initializer_list<uint32_t> rows)
{
    TNodeIndex node = outline.Root();
    for (uint32_t row : rows)
        node = outline.Child(node, row);
    return node;
}
} // namespace

class TestViewerPaths : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void copyPathAs();
    void goToPath_data();
    void goToPath();
    void goToPathBox();
    void errorPlace();
    void reloadKeepsView();

private:
    Tmdi_quil_Viewer* Open(const QByteArray& bytes);

    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
    QMainWindow* FFrame = nullptr;
    QMdiArea* FArea = nullptr;
    QString FPath;
};

void TestViewerPaths::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    SetMessageBoxPresenter(&FPresenter);
    FPath = FDir.filePath(QStringLiteral("doc.json"));
}

void TestViewerPaths::init()
{
    FFrame = new QMainWindow;
    FArea = new QMdiArea(FFrame);
    FFrame->setCentralWidget(FArea);
    FFrame->resize(1000, 700);
    FFrame->show();
}

void TestViewerPaths::cleanup()
{
    delete FFrame;
    FFrame = nullptr;
}

Tmdi_quil_Viewer* TestViewerPaths::Open(const QByteArray& bytes)
{
    WriteFile(FPath, bytes);
    auto* viewer = new Tmdi_quil_Viewer;
    FArea->addSubWindow(viewer)->show();
    viewer->SetFilename(FPath);
    return viewer;
}

void TestViewerPaths::copyPathAs()
{
    Tmdi_quil_Viewer* w = Open(R"({"a b":[{"x":1}],"a b":2})");
    const TOutline& o = w->Outline();
    // In both menus, right after the entries that copy a name or the backslash path.
    QCOMPARE(w->TreeMenu->actions().value(1), w->CopyPathMenu->menuAction());
    QVERIFY(w->PathMenu->actions().contains(w->CopyPathMenu->menuAction()));
    QVERIFY(w->TreeMenu->actions().contains(w->acGoToPath));

    w->FocusNode(At(o, {0, 0, 0}));
    const QList<QPair<QAction*, QString>> copies {{w->acCopyPathJSONPath, "$['a b'][0].x"},
        {w->acCopyPathPointer, "/a b/0/x"}, {w->acCopyPathJq, ".\"a b\"[0].x"},
        {w->acCopyPathJavaScript, "[\"a b\"][0].x"}, {w->acCopyPathPython, "[\"a b\"][0][\"x\"]"}};
    for (const auto& [action, path] : copies) {
        action->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), path);
        QCOMPARE(w->sb->Text(0), QString("Ready"));
    }
    // The second "a b": every syntax names the first one, and the status bar says so.
    w->FocusNode(At(o, {1}));
    w->acCopyPathPointer->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("/a b"));
    QCOMPARE(w->sb->Text(0), QString("Ambiguous path"));
    // Until another node is focused.
    w->FocusNode(At(o, {0}));
    QCOMPARE(w->sb->Text(0), QString("Ready"));

    // Nothing to copy without a focused node.
    Tmdi_quil_Viewer* broken = Open("[");
    broken->TreeMenuPopup();
    QVERIFY(!broken->CopyPathMenu->isEnabled());
}

void TestViewerPaths::goToPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("rows"); // the node as rows from the root; empty with an error
    QTest::addColumn<QString>("error");
    QTest::newRow("JSONPath") << "$.list[1].deep" << QList<int> {1, 1, 0} << "";
    QTest::newRow("pointer") << "/list/1/deep" << QList<int> {1, 1, 0} << "";
    QTest::newRow("jq") << ".list[1].deep" << QList<int> {1, 1, 0} << "";
    QTest::newRow("JavaScript") << "list[1].deep" << QList<int> {1, 1, 0} << "";
    QTest::newRow("Python") << R"(["list"][1]["deep"])" << QList<int> {1, 1, 0} << "";
    QTest::newRow("backslash path") << R"(<object>\list\<element #1>\deep)" << QList<int> {1, 1, 0} << "";
    QTest::newRow("unknown member") << "$.list[1].shallow" << QList<int> {}
                                    << "Step 3 of 3, \"shallow\": the object has no member of that name.";
    QTest::newRow("malformed") << "$.list[1" << QList<int> {}
                               << "Not a valid JSONPath path at character 9: expected ']'.";
}

void TestViewerPaths::goToPath()
{
    QFETCH(QString, path);
    QFETCH(QList<int>, rows);
    QFETCH(QString, error);
    Tmdi_quil_Viewer* w = Open(R"({"n":0,"list":[1,{"deep":true}]})");
    w->sbCollapseClick();
    const TOutline& o = w->Outline();
    const TNodeIndex before = w->FocusedNode();
    w->acGoToPathExecute();
    QVERIFY(w->GoToPathBar->isVisibleTo(w));
    w->GoToPathBar->Edit()->setText(path);
    QTest::keyClick(w->GoToPathBar->Edit(), Qt::Key_Return);
    if (!error.isEmpty()) {
        QCOMPARE(w->GoToPathBar->ErrorText(), error);
        QVERIFY(w->GoToPathBar->isVisibleTo(w));
        QCOMPARE(w->FocusedNode(), before);
        return;
    }
    TNodeIndex node = o.Root();
    for (int row : rows)
        node = o.Child(node, uint32_t(row));
    QCOMPARE(w->FocusedNode(), node);
    // Its ancestors opened, the box closed.
    QVERIFY(w->Tree->Rows().IsShown(node) && w->Tree->CurrentNode() == node);
    QVERIFY(!w->GoToPathBar->isVisibleTo(w));
}

void TestViewerPaths::goToPathBox()
{
    Tmdi_quil_Viewer* w = Open(R"({"a":1})");
    w->Tree->setFocus();
    QCOMPARE(w->acGoToPath->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    w->FocusNode(w->Outline().Child(w->Outline().Root(), 0));
    w->acGoToPath->trigger();
    QVERIFY(w->GoToPathBar->isVisibleTo(w));
    // It starts from the focused node's path, selected to be typed over.
    QCOMPARE(w->GoToPathBar->Edit()->text(), QString("$.a"));
    QCOMPARE(w->GoToPathBar->Edit()->selectedText(), QString("$.a"));
    w->GoToPathBar->Edit()->setText("$.b");
    QTest::keyClick(w->GoToPathBar->Edit(), Qt::Key_Return);
    QVERIFY(!w->GoToPathBar->ErrorText().isEmpty());
    // Typing clears the message; Escape closes the box.
    QTest::keyClick(w->GoToPathBar->Edit(), Qt::Key_Backspace);
    QCOMPARE(w->GoToPathBar->ErrorText(), QString());
    QTest::keyClick(w->GoToPathBar->Edit(), Qt::Key_Escape);
    QVERIFY(!w->GoToPathBar->isVisibleTo(w));
}

void TestViewerPaths::errorPlace()
{
    Tmdi_quil_Viewer* w = Open("{\"a\": 1,\n \"\xC3\xA9\": [1\n 2]}");
    QStringList rows;
    for (int i = 0; i < w->Box->count(); ++i)
        rows << w->Box->item(i)->text();
    QCOMPARE(
        rows.mid(3, 2), (QStringList {"File is not valid JSON.", "Line 3, column 2: expected ',' or ']'"}));
    // The Source page: the caret on the place, its line marked.
    const TSourceScroll caret = w->SourceScroll();
    QCOMPARE(caret.CaretLine, 2L);
    QCOMPARE(caret.CaretIndex, 1L);
    QCOMPARE(w->MarkedSourceLine(), 3L);
    QCOMPARE(w->pc->currentIndex(), 0);

    // Columns count UTF-16 units: column 6 of ` "é": [1` is the space after the colon, byte 6.
    w->SetSourceCaret(2, 6);
    QCOMPARE(w->SourceScroll().CaretIndex, 6L);

    // A reload that mends the file takes the mark away.
    WriteFile(FPath, "{\"a\": 1}");
    w->Reread();
    QCOMPARE(w->MarkedSourceLine(), 0L);
}

void TestViewerPaths::reloadKeepsView()
{
    QByteArray big = R"({"keep":{"inner":{"x":[1,2]},"other":{"y":1}},"list":[)";
    for (int i = 0; i < 300; ++i)
        big += (i ? ",{\"i\":" : "{\"i\":") + QByteArray::number(i) + "}";
    big += "]}";
    Tmdi_quil_Viewer* w = Open(big);
    const TOutline& o = w->Outline();
    w->FocusNode(At(o, {0, 0, 0, 1})); // keep.inner.x[1]
    w->FocusNode(At(o, {1, 250})); // list[250], expanding list
    w->Tree->SetExpanded(At(o, {0, 1}), false);
    std::vector<std::u16string> before;
    for (TNodeIndex node : w->ExpandedTreeNodes())
        before.push_back(FormatNodePath(o, node, TPathSyntax::JSONPath));
    const TNodeIndex top = w->TopTreeNode();
    const std::u16string topPath = FormatNodePath(o, top, TPathSyntax::JSONPath);
    w->SetSourceScroll({40, 0, 45, 3});

    // Changed elsewhere: a member before them all, so every node has a new index.
    WriteFile(FPath, QByteArray(R"({"new":0,)") + big.mid(1));
    w->Reread();
    QCOMPARE(FormatNodePath(o, w->FocusedNode(), TPathSyntax::JSONPath), std::u16string(u"$.list[250]"));
    std::vector<std::u16string> after;
    for (TNodeIndex node : w->ExpandedTreeNodes())
        after.push_back(FormatNodePath(o, node, TPathSyntax::JSONPath));
    QVERIFY(std::find(after.begin(), after.end(), u"$.keep.inner.x") != after.end());
    QVERIFY(std::find(after.begin(), after.end(), u"$.keep.other") == after.end());
    QCOMPARE(after, before);
    QCOMPARE(FormatNodePath(o, w->TopTreeNode(), TPathSyntax::JSONPath), topPath);
    const TSourceScroll source = w->SourceScroll();
    QCOMPARE(source.FirstLine, 40L);
    QCOMPARE(source.CaretLine, 45L);

    // A node that is gone: the focus stays on the top-level node.
    WriteFile(FPath, R"({"keep":{}})");
    w->Reread();
    QCOMPARE(w->FocusedNode(), o.Root());
}

QTEST_MAIN(TestViewerPaths)
#include "tst_viewerpaths.moc"
