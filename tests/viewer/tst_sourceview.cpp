// The document window's source view and value view: colouring as the user scrolls, the caret report,
// the shared context menu, and printing either page.
#include "controls/StatusPanels.h"
#include "tests/common/AnsweringPresenter.h"
#include "textview/CaretReport.h"
#include "textview/CustomSynEdit.h"
#include "textview/JSONTokenizer.h"
#include "textview/SourceView.h"
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
size_t LineStart(const TSourceView& AView, size_t ALine)
{
    return AView.Lines().LineStart(ALine);
}

// The position of the first double quote on a line.
size_t FirstQuote(const TSourceView& AView, size_t ALine)
{
    return LineStart(AView, ALine) + size_t(AView.LineText(ALine).toUtf8().indexOf('"'));
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
    const QByteArray text = w->Memo->LineText(size_t(line)).toUtf8();
    const int at = int(text.indexOf(piece));
    QVERIFY2(at >= 0, text.constData());
    for (int i = 0; i < piece.size(); ++i)
        QCOMPARE(int(w->Memo->AttributeAt(LineStart(*w->Memo, size_t(line)) + size_t(at + i))), attribute);
    // The look of the attributes.
    QCOMPARE(TSourceView::AttributeColor(saAttribute), QColor(0, 0, 128));
    QCOMPARE(TSourceView::AttributeColor(saValue), QColor(0, 0, 255));
    QCOMPARE(TSourceView::AttributeColor(saNumber), QColor(255, 0, 0));
    QCOMPARE(TSourceView::AttributeColor(saSymbol), QColor(0, 128, 0));
    QVERIFY(TSourceView::AttributeBold(saReservedWord));
    QVERIFY(!TSourceView::AttributeBold(saAttribute));
}

void TestSourceView::colouredAsShown()
{
    // An object holding a long array of strings: the strings are values, and after the array the
    // member names are names again, wherever the view is sent.
    QByteArray document = "{\"list\":[";
    constexpr int Count = 60000;
    for (int i = 0; i < Count; ++i)
        document += (i ? ",\"v" : "\"v") + QByteArray::number(i) + "\"";
    document += "],\"last\":{\"k\":null}}";
    Tmdi_quil_Viewer* w = Open(document);
    ShowSource(w);
    TSourceView& memo = *w->Memo;
    const size_t lines = memo.LineCount();
    const size_t middle = lines / 2;
    size_t nameLine = lines - 1; // "last": {
    while (nameLine > 0 && !memo.LineText(nameLine).contains("\"last\""))
        --nameLine;
    QVERIFY(nameLine > middle);
    QVERIFY(memo.LineText(middle).trimmed().startsWith("\"v"));
    QCOMPARE(memo.AttributeAt(FirstQuote(memo, 1)), saAttribute);
    QCOMPARE(memo.AttributeAt(FirstQuote(memo, 2)), saValue);

    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    memo.viewport()->repaint();
    QCOMPARE(memo.CaretPosition(), memo.Text().size());
    QVERIFY(memo.IsLineVisible(lines - 1));
    QVERIFY(!memo.IsLineVisible(middle));
    QCOMPARE(memo.AttributeAt(FirstQuote(memo, nameLine)), saAttribute);
    QCOMPARE(memo.AttributeAt(FirstQuote(memo, nameLine - 2)), saValue);
    QCOMPARE(memo.AttributeAt(FirstQuote(memo, middle)), saValue);
    QTest::keyClick(&memo, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(memo.CaretPosition(), size_t(0));
    QCOMPARE(memo.FirstVisibleLine(), size_t(0));
}

void TestSourceView::caretReport()
{
    Tmdi_quil_Viewer* w = Open("{\"abcde\":\"\xF0\x9F\x98\x80\"}");
    // The formatted text: {, "abcde": "😀", }
    TSourceView& memo = *w->Memo;
    QCOMPARE(w->msb->Text(1), QString("Row: 1   Col: 1   Chr: 123(7Bh)   Sel: 0"));
    ShowSource(w);

    memo.SetCaretPosition(1);
    QCOMPARE(w->msb->Text(1), QString("Row: 1   Col: 2   Chr: 0(0h)   Sel: 0"));

    // Before the emoji: its high surrogate; after it the column counts two units.
    const size_t emoji = LineStart(memo, 1) + size_t(memo.LineText(1).toUtf8().indexOf("\xF0"));
    memo.SetCaretPosition(emoji);
    QCOMPARE(w->msb->Text(1), QString("Row: 2   Col: 13   Chr: 55357(D83Dh)   Sel: 0"));
    // The middle of the character is no place for the caret.
    memo.SetCaretPosition(emoji + 2);
    QCOMPARE(memo.CaretPosition(), emoji);
    memo.SetCaretPosition(emoji + 4);
    QCOMPARE(w->msb->Text(1), QString("Row: 2   Col: 15   Chr: 34(22h)   Sel: 0"));

    // The report follows the keys.
    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_Down);
    QTest::keyClick(&memo, Qt::Key_Home);
    QCOMPARE(w->msb->Text(1), QString("Row: 3   Col: 1   Chr: 125(7Dh)   Sel: 0"));

    // Two whole lines of 5 characters and the line break between them.
    memo.SetText("abcde\r\nfghij\r\n");
    memo.SetSelection(0, LineStart(memo, 1) + 5);
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
    QVERIFY(!w->Memo->SpecialChars());
    w->acSpecChars->trigger();
    QVERIFY(w->Memo->SpecialChars());
    w->Memo->viewport()->repaint();
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
    w->Memo->SetSelection(LineStart(*w->Memo, 1) + 2, LineStart(*w->Memo, 1) + 5);
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
