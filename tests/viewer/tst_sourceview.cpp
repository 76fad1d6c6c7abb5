// The document window's source view and value view: colouring as the user scrolls, the caret report,
// the shared context menu, and printing either page.
#include "controls/StatusPanels.h"
#include "tests/common/AnsweringPresenter.h"
#include "textview/CaretReport.h"
#include "textview/CustomSynEdit.h"
#include "textview/JSONTokenizer.h"
#include "textview/SynJSONSyn.h"
#include "util/MessageBoxes.h"
#include "viewer/OutlinePrinter.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Sci = QsciScintillaBase;

int StyleAt(const TCustomSynEdit& AView, long APosition)
{
    return int(AView.SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(APosition)));
}

long LineStart(const TCustomSynEdit& AView, long ALine)
{
    return AView.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(ALine));
}

// The position of the first double quote on a line.
long FirstQuote(const TCustomSynEdit& AView, long ALine)
{
    return LineStart(AView, ALine) + AView.text(int(ALine)).toUtf8().indexOf('"');
}

void SetCaret(TCustomSynEdit& AView, long APosition)
{
    AView.SendScintilla(Sci::SCI_GOTOPOS, static_cast<unsigned long>(APosition));
}

// Output of a poppler tool on a PDF file; empty when the tool is missing.
QString PdfTool(const QString& ATool, const QStringList& AArguments)
{
    QProcess process;
    process.start(ATool, AArguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& APath)
{
    const QString info = PdfTool(QStringLiteral("pdfinfo"), {APath});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}
} // namespace

class TestSourceView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void colours_data();
    void colours();
    void colouredAsShown();
    void caretReport();
    void menuTargetsThePageShown();
    void specialCharsShareOneMark();
    void copyAndSelectAll();
    void base64();
    void printSource();
    void printTree();
    void treePagination_data();
    void treePagination();
    void accessibleCountsNothing();

private:
    Tmdi_quil_Viewer* Open(const QByteArray& ABytes, const QString& AName = QStringLiteral("doc.json"));
    void ShowSource(Tmdi_quil_Viewer* AViewer);

    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
    QMainWindow* FFrame = nullptr;
    QMdiArea* FArea = nullptr;
};

void TestSourceView::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    SetMessageBoxPresenter(&FPresenter);
    Tmdi_quil_Viewer::OpenUrl = [](const QUrl&) {};
}

void TestSourceView::init()
{
    FFrame = new QMainWindow;
    FArea = new QMdiArea(FFrame);
    FFrame->setCentralWidget(FArea);
    FFrame->resize(1000, 700);
    FFrame->show();
    QVERIFY(QTest::qWaitForWindowExposed(FFrame));
}

void TestSourceView::cleanup()
{
    delete FFrame;
    FFrame = nullptr;
}

Tmdi_quil_Viewer* TestSourceView::Open(const QByteArray& ABytes, const QString& AName)
{
    const QString path = FDir.filePath(AName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(ABytes) != ABytes.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    auto* viewer = new Tmdi_quil_Viewer;
    QMdiSubWindow* sub = FArea->addSubWindow(viewer);
    sub->showMaximized();
    viewer->SetFilename(path);
    return viewer;
}

void TestSourceView::ShowSource(Tmdi_quil_Viewer* AViewer)
{
    AViewer->pc->setCurrentIndex(1);
    AViewer->Memo->viewport()->repaint();
}

void TestSourceView::colours_data()
{
    // A line of the formatted text, a piece of it, and the attribute the piece is painted with.
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<int>("attribute");
    const QByteArray member = "{\"q\": 2, \"s\": \"x\"}";
    QTest::newRow("name navy") << member << 1 << QByteArray("\"q\"") << int(saAttribute);
    QTest::newRow("colon green") << member << 1 << QByteArray(":") << int(saSymbol);
    QTest::newRow("number red") << member << 1 << QByteArray("2") << int(saNumber);
    QTest::newRow("string value blue") << member << 2 << QByteArray("\"x\"") << int(saValue);
    QTest::newRow("reserved word") << QByteArray("{\"t\":true}") << 1 << QByteArray("true")
                                   << int(saReservedWord);
    QTest::newRow("string after a nested object navy")
        << QByteArray("[{\"a\":1},\"s\"]") << 4 << QByteArray("\"s\"") << int(saAttribute);
    QTest::newRow("lone zero is a number, the next name navy")
        << QByteArray("{\"a\":0,\"b\":1}") << 2 << QByteArray("\"b\"") << int(saAttribute);
}

void TestSourceView::colours()
{
    QFETCH(QByteArray, document);
    QFETCH(int, line);
    QFETCH(QByteArray, piece);
    QFETCH(int, attribute);
    Tmdi_quil_Viewer* w = Open(document);
    ShowSource(w);
    const QByteArray text = w->Memo->text(line).toUtf8();
    const int at = int(text.indexOf(piece));
    QVERIFY2(at >= 0, text.constData());
    for (int i = 0; i < piece.size(); ++i)
        QCOMPARE(StyleAt(*w->Memo, LineStart(*w->Memo, line) + at + i),
            TSynJSONSyn::StyleOf(TSynAttributeKind(attribute)));
    // The look of the attributes.
    QCOMPARE(w->SynJSONSyn->color(TSynJSONSyn::StyleOf(saAttribute)), QColor(0, 0, 128));
    QCOMPARE(w->SynJSONSyn->color(TSynJSONSyn::StyleOf(saValue)), QColor(0, 0, 255));
    QCOMPARE(w->SynJSONSyn->color(TSynJSONSyn::StyleOf(saNumber)), QColor(255, 0, 0));
    QCOMPARE(w->SynJSONSyn->color(TSynJSONSyn::StyleOf(saSymbol)), QColor(0, 128, 0));
    QVERIFY(w->SynJSONSyn->font(TSynJSONSyn::StyleOf(saReservedWord)).bold());
}

void TestSourceView::colouredAsShown()
{
    // An object holding a long array of strings: the strings are values, and after the array the
    // member names are names again; only what is shown gets coloured.
    QByteArray document = "{\"list\":[";
    constexpr int Count = 60000;
    for (int i = 0; i < Count; ++i)
        document += (i ? ",\"v" : "\"v") + QByteArray::number(i) + "\"";
    document += "],\"last\":{\"k\":null}}";
    Tmdi_quil_Viewer* w = Open(document);
    ShowSource(w);
    TCustomSynEdit& memo = *w->Memo;
    const long lines = memo.lines();
    const long middle = lines / 2;
    long nameLine = lines - 1; // "last": {
    while (nameLine > 0 && !memo.text(int(nameLine)).contains("\"last\""))
        --nameLine;
    QVERIFY(nameLine > middle);
    QVERIFY(memo.text(int(middle)).trimmed().startsWith("\"v"));
    // The top is coloured; the middle and the end are not, until shown.
    QCOMPARE(StyleAt(memo, FirstQuote(memo, 1)), TSynJSONSyn::StyleOf(saAttribute));
    QCOMPARE(StyleAt(memo, FirstQuote(memo, 2)), TSynJSONSyn::StyleOf(saValue));
    QCOMPARE(StyleAt(memo, FirstQuote(memo, middle)), 0);
    QCOMPARE(StyleAt(memo, FirstQuote(memo, nameLine)), 0);

    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    memo.viewport()->repaint();
    QCOMPARE(StyleAt(memo, FirstQuote(memo, nameLine)), TSynJSONSyn::StyleOf(saAttribute));
    QCOMPARE(StyleAt(memo, FirstQuote(memo, nameLine - 2)), TSynJSONSyn::StyleOf(saValue));
    QCOMPARE(StyleAt(memo, FirstQuote(memo, middle)), 0);

    SetCaret(memo, LineStart(memo, middle));
    memo.ensureLineVisible(int(middle));
    memo.viewport()->repaint();
    QCOMPARE(StyleAt(memo, FirstQuote(memo, middle)), TSynJSONSyn::StyleOf(saValue));
    // Far from all three places nothing was coloured.
    QCOMPARE(StyleAt(memo, FirstQuote(memo, lines / 4)), 0);
}

void TestSourceView::caretReport()
{
    Tmdi_quil_Viewer* w = Open("{\"abcde\":\"\xF0\x9F\x98\x80\"}");
    // The formatted text: {, "abcde": "😀", }
    TCustomSynEdit& memo = *w->Memo;
    QCOMPARE(w->msb->Text(1), QString("Row: 1   Col: 1   Chr: 123(7Bh)   Sel: 0"));
    ShowSource(w);

    SetCaret(memo, 1);
    w->MemoStatusChange();
    QCOMPARE(w->msb->Text(1), QString("Row: 1   Col: 2   Chr: 0(0h)   Sel: 0"));

    // Before the emoji: its high surrogate; after it the column counts two units.
    const long emoji = LineStart(memo, 1) + memo.text(1).toUtf8().indexOf("\xF0");
    SetCaret(memo, emoji);
    w->MemoStatusChange();
    QCOMPARE(w->msb->Text(1), QString("Row: 2   Col: 13   Chr: 55357(D83Dh)   Sel: 0"));
    SetCaret(memo, emoji + 4);
    w->MemoStatusChange();
    QCOMPARE(w->msb->Text(1), QString("Row: 2   Col: 15   Chr: 34(22h)   Sel: 0"));

    // The report follows the caret by itself.
    SetCaret(memo, LineStart(memo, 2));
    memo.viewport()->repaint();
    QTRY_COMPARE(w->msb->Text(1), QString("Row: 3   Col: 1   Chr: 125(7Dh)   Sel: 0"));

    // Two whole lines of 5 characters and the line break between them.
    memo.SetTextBytes("abcde\r\nfghij\r\n");
    memo.setSelection(0, 0, 1, 5);
    w->MemoStatusChange();
    QCOMPARE(w->msb->Text(1), QString("Row: 2   Col: 6   Chr: 0(0h)   Sel: 12"));
    QCOMPARE(SelectionLength("ab\ncd\re\r\n"), 11);
}

void TestSourceView::menuTargetsThePageShown()
{
    Tmdi_quil_Viewer* w = Open("{\"a\":\"text\"}");
    QVERIFY(w->ValueView->GutterVisible());
    QVERIFY(w->Memo->GutterVisible());
    QVERIFY(!w->ValueView->WordWrap());

    // Tree page: the value view only.
    w->pc->setCurrentIndex(0);
    QCOMPARE(w->SourceMenuTarget(), w->ValueView);
    w->SourceMenuPopup();
    QVERIFY(w->acGutter->isChecked());
    w->acGutter->trigger();
    w->acWordWrap->trigger();
    QVERIFY(!w->ValueView->GutterVisible());
    QVERIFY(w->ValueView->WordWrap());
    QVERIFY(w->Memo->GutterVisible());
    QVERIFY(!w->Memo->WordWrap());

    // Source page: the menu shows the source view's own state.
    w->pc->setCurrentIndex(1);
    QCOMPARE(w->SourceMenuTarget(), w->Memo);
    w->SourceMenuPopup();
    QVERIFY(w->acGutter->isChecked());
    QVERIFY(!w->acWordWrap->isChecked());
    w->acGutter->trigger();
    QVERIFY(!w->Memo->GutterVisible());

    w->pc->setCurrentIndex(0);
    w->SourceMenuPopup();
    QVERIFY(!w->acGutter->isChecked());
    QVERIFY(w->acWordWrap->isChecked());
    w->acGutter->trigger();
    QVERIFY(w->ValueView->GutterVisible());
    QVERIFY(!w->Memo->GutterVisible());
}

void TestSourceView::specialCharsShareOneMark()
{
    Tmdi_quil_Viewer* w = Open("{\"a\":1}");
    QVERIFY(!w->acSpecChars->isChecked());
    w->pc->setCurrentIndex(0);
    w->SourceMenuPopup();
    w->acSpecChars->trigger();
    QVERIFY(w->acSpecChars->isChecked());
    QCOMPARE(w->ValueView->whitespaceVisibility(), QsciScintilla::WsVisible);
    QVERIFY(w->ValueView->eolVisibility());
    // Chosen again on the Source page: the mark goes off, the source view (which had none) stays
    // without, and the value view keeps its marks.
    w->pc->setCurrentIndex(1);
    w->SourceMenuPopup();
    QVERIFY(w->acSpecChars->isChecked());
    w->acSpecChars->trigger();
    QVERIFY(!w->acSpecChars->isChecked());
    QCOMPARE(w->Memo->whitespaceVisibility(), QsciScintilla::WsInvisible);
    QVERIFY(!w->Memo->eolVisibility());
    QCOMPARE(w->ValueView->whitespaceVisibility(), QsciScintilla::WsVisible);
}

void TestSourceView::copyAndSelectAll()
{
    Tmdi_quil_Viewer* w = Open("{\"a\":1}");
    w->pc->setCurrentIndex(1);
    w->SourceMenuPopup();
    QVERIFY(!w->acCopytoClipboard->isEnabled());
    w->acSelectAll->trigger();
    w->SourceMenuPopup();
    QVERIFY(w->acCopytoClipboard->isEnabled());
    QGuiApplication::clipboard()->clear();
    w->acCopytoClipboard->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("{\r\n  \"a\": 1\r\n}"));
    // The value view's selection is its own.
    w->pc->setCurrentIndex(0);
    w->SourceMenuPopup();
    QVERIFY(!w->acCopytoClipboard->isEnabled());
}

void TestSourceView::base64()
{
    Tmdi_quil_Viewer* w = Open("{\"a\":\"text\"}");
    w->pc->setCurrentIndex(1);
    w->SourceMenuPopup();
    QVERIFY(!w->Base641->isEnabled());
    QStringList opened;
    Tmdi_quil_Viewer::ShowBase64Dialog = [&opened](const QString& AText) { opened << AText; };
    w->SourceMenuPopup();
    QVERIFY(w->Base641->isEnabled());
    w->Base641->trigger();
    w->Memo->setSelection(1, 2, 1, 5);
    w->Base641->trigger();
    Tmdi_quil_Viewer::ShowBase64Dialog = nullptr;
    QCOMPARE(opened, QStringList({QString(), QString("\"a\"")}));
}

void TestSourceView::printSource()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed (scripts/setup.sh installs it)");
    QByteArray document = "[";
    for (int i = 0; i < 300; ++i)
        document += (i ? ",\"line " : "\"line ") + QByteArray::number(i) + "\"";
    document += "]";
    Tmdi_quil_Viewer* w = Open(document, QStringLiteral("numbers.json"));
    w->pc->setCurrentIndex(1);
    const QString pdf = FDir.filePath(QStringLiteral("source.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    w->Print(printer);
    QCOMPARE(printer.docName(), QString("numbers.json"));
    // The view is left as it was.
    QVERIFY(w->SynJSONSyn->OnScreenOnly());
    QCOMPARE(w->Memo->SendScintilla(Sci::SCI_GETTABWIDTH), 8L);

    const QString info = PdfTool(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression("Title:\\s+numbers.json")), qPrintable(info));
    const int pages = PdfPages(pdf);
    QVERIFY2(pages >= 3, qPrintable(info));
    const QStringList texts =
        PdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(texts.size(), pages);
    for (int page = 0; page < pages; ++page) {
        QVERIFY2(texts[page].trimmed().startsWith("numbers.json"), qPrintable(texts[page]));
        QVERIFY(texts[page].contains(QStringLiteral("Page %1").arg(page + 1)));
    }
    // Line numbers and the text, first and last line.
    QVERIFY(texts.first().contains(QRegularExpression("\\b1\\s+\\[")));
    QVERIFY(texts.last().contains(QRegularExpression("\\b302\\s+\\]")));
}

void TestSourceView::printTree()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed (scripts/setup.sh installs it)");
    QByteArray document = "{\"shown\":[";
    for (int i = 0; i < 200; ++i)
        document += (i ? ",\"row " : "\"row ") + QByteArray::number(i) + "\"";
    document += "],\"closed\":{\"hidden\":1}}";
    Tmdi_quil_Viewer* w = Open(document);
    w->pc->setCurrentIndex(0);
    w->Tree->ExpandAll();
    w->Tree->SetExpanded(w->Outline().Child(w->Outline().Root(), 1), false);
    const QString pdf = FDir.filePath(QStringLiteral("tree.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    w->Print(printer);

    const QStringList texts =
        PdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(texts.size() >= 2, qPrintable(texts.join("\n---\n")));
    QCOMPARE(PdfPages(pdf), texts.size());
    for (const QString& page : texts) {
        QVERIFY2(page.contains(QRegularExpression("^\\s*Tag\\s+Value", QRegularExpression::MultilineOption)),
            qPrintable(page));
    }
    const QString all = texts.join(QString());
    QVERIFY(all.contains("row 0"));
    QVERIFY(all.contains("row 199"));
    QVERIFY(all.contains("closed"));
    QVERIFY(!all.contains("hidden"));
}

void TestSourceView::treePagination_data()
{
    QTest::addColumn<double>("pageHeight");
    QTest::addColumn<int>("headerHeight");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rows");
    QTest::newRow("exact fit") << 220.0 << 20 << 20 << 10;
    QTest::newRow("a row that would be cut goes to the next page") << 239.9 << 20 << 20 << 10;
    QTest::newRow("page smaller than one row still prints a row") << 30.0 << 20 << 20 << 1;
}

void TestSourceView::treePagination()
{
    QFETCH(double, pageHeight);
    QFETCH(int, headerHeight);
    QFETCH(int, rowHeight);
    QFETCH(int, rows);
    QCOMPARE(TOutlinePrinter::RowsPerPage(pageHeight, headerHeight, rowHeight), rows);
}

void TestSourceView::accessibleCountsNothing()
{
    // The text control's own accessible counts characters from the text's start at every caret move
    // and repaint (seconds at the end of a large text); the views have a plain one.
    Tmdi_quil_Viewer* w = Open("{\"a\":1}");
    for (QWidget* view : {static_cast<QWidget*>(w->Memo), static_cast<QWidget*>(w->ValueView)}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        QVERIFY(!accessible->textInterface());
    }
}

QTEST_MAIN(TestSourceView)
#include "tst_sourceview.moc"
