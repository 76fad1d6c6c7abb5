// The source view's own logic: finding lines through the sparse index, range states at far lines,
// caret movement and selection by keys and mouse, the copied text, rows of wrapped lines, the gutter.
#include "core/OutlineBuilder.h"
#include "textview/SourceView.h"
#include "textview/TextLineIndex.h"

#include <QApplication>
#include <QClipboard>
#include <QStandardPaths>
#include <QTest>

#include <random>
#include <string>
#include <vector>

namespace {
// Line starts as a plain split at LF finds them.
std::vector<size_t> ReferenceStarts(std::string_view AText)
{
    std::vector<size_t> starts {0};
    for (size_t i = 0; i < AText.size(); ++i)
        if (AText[i] == '\n')
            starts.push_back(i + 1);
    return starts;
}

// A text of ACount lines of varied lengths (some empty, some with multi-byte characters).
std::string VariedLines(size_t ACount)
{
    std::string text;
    for (size_t i = 0; i < ACount; ++i) {
        text.append(i % 7, 'x');
        if (i % 5 == 0)
            text += "\xC3\xA9\xF0\x9F\x98\x80";
        if (i + 1 < ACount)
            text += "\r\n";
    }
    return text;
}
} // namespace

class TestSourceTextView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void lineIndex_data();
    void lineIndex();
    void farStateEqualsSequential();
    void farStateAfterPlainLines_data();
    void farStateAfterPlainLines();
    void keys_data();
    void keys();
    void mouse();
    void copiedText();
    void wrapRows_data();
    void wrapRows();
    void wrapRowStarts_data();
    void wrapRowStarts();
    void wrappedCaret();
    void gutterText_data();
    void gutterText();
    void setCaretByColumn();
};

void TestSourceTextView::lineIndex_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one line") << QByteArray("abc");
    QTest::newRow("break at the end") << QByteArray("abc\r\n");
    QTest::newRow("two lines") << QByteArray("abc\r\nde");
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("lone LF") << QByteArray("a\nb\n");
    const std::string many = VariedLines(3 * TTextLineIndex::Stride + 17);
    QTest::newRow("several strides") << QByteArray(many.data(), qsizetype(many.size()));
    const std::string exact = VariedLines(2 * TTextLineIndex::Stride) + "\r\n";
    QTest::newRow("a stride exactly") << QByteArray(exact.data(), qsizetype(exact.size()));
}

void TestSourceTextView::lineIndex()
{
    QFETCH(QByteArray, text);
    const std::string_view view(text.constData(), size_t(text.size()));
    const std::vector<size_t> starts = ReferenceStarts(view);
    TTextLineIndex index;
    index.Assign(view);
    QCOMPARE(index.Count(), starts.size());
    QCOMPARE(index.ListLineCount(),
        view.empty()              ? 0
            : view.back() == '\n' ? starts.size() - 1
                                  : starts.size());
    // Forwards, backwards and by position: the cache of the last line must never mislead.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t k = 0; k < starts.size(); ++k) {
            const size_t line = pass == 0 ? k : starts.size() - 1 - k;
            const size_t next = line + 1 < starts.size() ? starts[line + 1] : view.size();
            size_t end = line + 1 < starts.size() ? next - 1 : next;
            if (line + 1 < starts.size() && end > starts[line] && view[end - 1] == '\r')
                --end;
            QCOMPARE(index.LineStart(line), starts[line]);
            QCOMPARE(index.LineEnd(line), end);
            for (size_t position = starts[line]; position < next; position += 3)
                QCOMPARE(index.LineOf(position), line);
        }
    }
    QCOMPARE(index.LineOf(view.size()), starts.size() - 1);
    QCOMPARE(index.LineStart(starts.size()), view.size());
    QCOMPARE(index.Lines(0, starts.size()), view);

    // Indexed piece by piece while written (pieces of any length, from a moving copy): the same lines.
    TTextLineIndex pieces;
    pieces.Clear();
    std::string written;
    for (const size_t cut : {view.size() / 3, view.size() / 3 + 1, view.size() * 2 / 3, view.size()}) {
        written.assign(view.substr(0, cut));
        written.shrink_to_fit();
        pieces.Extend(written);
    }
    pieces.Extend(view);
    QCOMPARE(pieces.Count(), starts.size());
    for (size_t line = 0; line < starts.size(); ++line)
        QCOMPARE(pieces.LineStart(line), starts[line]);
}

void TestSourceTextView::farStateEqualsSequential()
{
    // A formatted document with nesting, long arrays of strings and objects after arrays.
    std::string json = "{\"a\":[";
    for (int i = 0; i < 3000; ++i)
        json += (i ? "," : "") + std::string(i % 3 == 0 ? "{\"k\":[1,\"s\"],\"m\":\"v\"}" : "\"x\"");
    json += "],\"b\":{\"c\":[[\"d\"],\"e\"]}}";
    TJSONCounts counts;
    const std::string text = FormatJSON(json, counts);
    TTextLineIndex lines;
    lines.Assign(text);
    // The states line by line, scanning from the top.
    std::vector<TRangeState> sequential {rsUnknown};
    TJSONTokenizer scanner(text, rsUnknown);
    TJSONToken token;
    size_t line = 0;
    while (scanner.Next(token)) {
        while (scanner.Line() > line) {
            ++line;
            sequential.push_back(scanner.State());
        }
    }
    QCOMPARE(sequential.size(), lines.Count());
    // Asked in a random order from one view, and each far line alone from a fresh one.
    TSourceView view;
    view.SetText(text);
    std::vector<size_t> order(lines.Count());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    for (const size_t at : order)
        QCOMPARE(view.StateAtLine(at), sequential[at]);
    for (const size_t far : {lines.Count() - 1, lines.Count() / 2, size_t(7)}) {
        TSourceView fresh;
        fresh.SetText(text);
        QCOMPARE(fresh.StateAtLine(far), sequential[far]);
    }
}

namespace {
// The range state at the start of every line, scanning from the top.
std::vector<TRangeState> SequentialStates(std::string_view AText)
{
    std::vector<TRangeState> states {rsUnknown};
    TJSONTokenizer scanner(AText, rsUnknown);
    TJSONToken token;
    while (scanner.Next(token))
        while (scanner.Line() >= states.size())
            states.push_back(scanner.State());
    return states;
}
} // namespace

void TestSourceTextView::farStateAfterPlainLines_data()
{
    // Texts of refused files: long runs of lines without brackets or colons, whose commas matter only
    // after an object's colon.
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("first"); // 5,000 lines of this
    QTest::addColumn<QByteArray>("line"); // then 20,000 of this
    QTest::addColumn<QByteArray>("tail");
    const QByteArray colon = "{\"a\":";
    const QByteArray string = "\"s\"";
    QTest::newRow("numbers only") << QByteArray() << QByteArray("1,") << QByteArray("12,") << QByteArray("7");
    QTest::newRow("in an array") << QByteArray("[") << QByteArray("1") << QByteArray("12,") << string;
    QTest::newRow("commas after a colon") << colon << QByteArray("1,") << QByteArray("12,") << string;
    QTest::newRow("no commas after a colon") << colon << QByteArray("1") << QByteArray("12") << string;
    QTest::newRow("commas far after a colon") << colon << QByteArray("1") << QByteArray("12,") << string;
    QTest::newRow("commas in strings after a colon")
        << colon << QByteArray("1") << QByteArray("\"x,y\"") << string;
}

void TestSourceTextView::farStateAfterPlainLines()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, tail);
    std::string text(head.constData(), size_t(head.size()));
    for (int i = 0; i < 5000; ++i)
        text += "\r\n" + first.toStdString();
    for (int i = 0; i < 20000; ++i)
        text += "\r\n" + line.toStdString();
    text += "\r\n" + tail.toStdString();
    const std::vector<TRangeState> states = SequentialStates(text);
    TSourceView view;
    view.SetText(text);
    QCOMPARE(view.StateAtLine(states.size() - 1), states.back());
    QCOMPARE(view.StateAtLine(states.size() / 2), states[states.size() / 2]);
    QCOMPARE(view.StateAtLine(1), states[1]);
}

void TestSourceTextView::keys_data()
{
    // The text, the caret (and anchor) before, a key, and the anchor and caret after.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("anchorAfter");
    QTest::addColumn<int>("caretAfter");
    const QByteArray text = "{\r\n  \"ab\": 1,\r\n  \"\xC3\xA9\": true\r\n}";
    // Offsets: line 1 starts at 3, line 2 at 15, line 3 at 29 (the text ends at 30); é takes bytes 18-19.
    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int control = Qt::ControlModifier;
    QTest::newRow("right over a line break") << text << 1 << 1 << int(Qt::Key_Right) << none << 3 << 3;
    QTest::newRow("left over a line break") << text << 3 << 3 << int(Qt::Key_Left) << none << 1 << 1;
    QTest::newRow("right over a two-byte character")
        << text << 18 << 18 << int(Qt::Key_Right) << none << 20 << 20;
    QTest::newRow("left over a two-byte character")
        << text << 20 << 20 << int(Qt::Key_Left) << none << 18 << 18;
    QTest::newRow("shift+right selects") << text << 5 << 5 << int(Qt::Key_Right) << shift << 5 << 6;
    QTest::newRow("left ends a selection at its start")
        << text << 9 << 5 << int(Qt::Key_Right) << none << 9 << 9;
    QTest::newRow("down keeps the column") << text << 7 << 7 << int(Qt::Key_Down) << none << 20 << 20;
    QTest::newRow("up to a shorter line") << text << 13 << 13 << int(Qt::Key_Up) << none << 1 << 1;
    QTest::newRow("down on the last line") << text << 30 << 30 << int(Qt::Key_Down) << none << 30 << 30;
    QTest::newRow("home to the indent") << text << 9 << 9 << int(Qt::Key_Home) << none << 5 << 5;
    QTest::newRow("home again to the start") << text << 5 << 5 << int(Qt::Key_Home) << none << 3 << 3;
    QTest::newRow("end") << text << 5 << 5 << int(Qt::Key_End) << none << 13 << 13;
    QTest::newRow("shift+end") << text << 5 << 5 << int(Qt::Key_End) << shift << 5 << 13;
    QTest::newRow("ctrl+end") << text << 0 << 0 << int(Qt::Key_End) << control << 30 << 30;
    QTest::newRow("ctrl+shift+home") << text << 20 << 20 << int(Qt::Key_Home) << (control | shift) << 20 << 0;
    QTest::newRow("ctrl+right to the next word") << text << 5 << 5 << int(Qt::Key_Right) << control << 6 << 6;
    QTest::newRow("ctrl+left to the word start") << text << 8 << 8 << int(Qt::Key_Left) << control << 6 << 6;
    QTest::newRow("ctrl+a") << text << 7 << 7 << int(Qt::Key_A) << control << 0 << 30;
    QTest::newRow("page down to the end") << text << 0 << 0 << int(Qt::Key_PageDown) << none << 29 << 29;
    QTest::newRow("page up to the start") << text << 29 << 29 << int(Qt::Key_PageUp) << shift << 29 << 0;
}

void TestSourceTextView::keys()
{
    QFETCH(QByteArray, text);
    QFETCH(int, anchor);
    QFETCH(int, caret);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, anchorAfter);
    QFETCH(int, caretAfter);
    TSourceView view;
    view.resize(400, 300);
    view.SetText(std::string_view(text.constData(), size_t(text.size())));
    view.SetSelection(size_t(anchor), size_t(caret));
    int reports = 0;
    connect(&view, &TSourceView::CaretChanged, &view, [&reports] { ++reports; });
    QTest::keyClick(&view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(int(view.AnchorPosition()), anchorAfter);
    QCOMPARE(int(view.CaretPosition()), caretAfter);
    QCOMPARE(reports > 0, anchorAfter != anchor || caretAfter != caret);
}

void TestSourceTextView::mouse()
{
    TSourceView view;
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const std::string text = "{\r\n  \"alpha\": \"beta gamma\"\r\n}";
    view.SetText(text);
    const QFontMetricsF metrics(view.font());
    const qreal cell = metrics.horizontalAdvance(QLatin1Char('M'));
    const int row = QFontMetrics(view.font()).height();
    const int left = view.GutterWidth() + 2;
    auto at = [&](int ALine, int ACell) {
        return QPoint(left + int(ACell * cell + cell / 4), ALine * row + row / 2);
    };
    QWidget* port = view.viewport();
    // A click puts the caret before the nearest character boundary.
    QTest::mouseClick(port, Qt::LeftButton, {}, at(1, 3));
    QCOMPARE(view.CaretPosition(), size_t(3 + 3));
    // Shift+click extends.
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, at(1, 8));
    QCOMPARE(view.SelectedText(), QString("alpha"));
    // A drag selects from the press to the release.
    QTest::mousePress(port, Qt::LeftButton, {}, at(1, 11));
    QTest::mouseMove(port, at(2, 0));
    QTest::mouseRelease(port, Qt::LeftButton, {}, at(2, 0));
    QCOMPARE(view.SelectedText(), QString("\"beta gamma\"\r\n"));
    // A double click selects a word.
    QTest::mouseDClick(port, Qt::LeftButton, {}, at(1, 20));
    QCOMPARE(view.SelectedText(), QString("gamma"));
    // A click in the gutter selects the whole line.
    QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(2, row + row / 2));
    QCOMPARE(view.SelectedText(), QString("  \"alpha\": \"beta gamma\"\r\n"));
}

void TestSourceTextView::copiedText()
{
    TSourceView view;
    const std::string text = "[\r\n  \"\xE2\x82\xAC\",\r\n  2\r\n]";
    view.SetText(text);
    QGuiApplication::clipboard()->clear();
    view.Copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    view.SetSelection(3, 13);
    QVERIFY(view.HasSelectedText());
    view.Copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("  \"\xE2\x82\xAC\",\r\n"));
    view.SelectAllText();
    QCOMPARE(view.SelectedText(), QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void TestSourceTextView::wrapRows_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("tabWidth");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("empty line") << QByteArray() << 8 << 0 << 10 << 1;
    QTest::newRow("fits") << QByteArray("abcdefghij") << 8 << 10 << 10 << 1;
    QTest::newRow("one more") << QByteArray("abcdefghijk") << 8 << 11 << 10 << 2;
    QTest::newRow("multi-byte characters take one cell")
        << QByteArray("\xC3\xA9\xF0\x9F\x98\x80z") << 8 << 3 << 2 << 2;
    QTest::newRow("tab to the next stop") << QByteArray("ab\tc") << 8 << 9 << 4 << 3;
    QTest::newRow("tab width 4") << QByteArray("ab\tc\t") << 4 << 8 << 8 << 1;
}

void TestSourceTextView::wrapRows()
{
    QFETCH(QByteArray, line);
    QFETCH(int, tabWidth);
    QFETCH(int, cells);
    QFETCH(int, columns);
    QFETCH(int, rows);
    const std::string_view bytes(line.constData(), size_t(line.size()));
    QCOMPARE(TSourceView::CellsOf(bytes, tabWidth), size_t(cells));
    QCOMPARE(TSourceView::RowsFor(size_t(cells), size_t(columns)), size_t(rows));
    // Cells back to offsets: the nearest boundary.
    QCOMPARE(TSourceView::OffsetOfCell(bytes, size_t(cells), tabWidth), bytes.size());
    QCOMPARE(TSourceView::OffsetOfCell(bytes, 0, tabWidth), size_t(0));
}

void TestSourceTextView::wrapRowStarts_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("starts");
    QTest::newRow("fits") << QByteArray("abc def") << 7 << QList<int> {0};
    QTest::newRow("after a space") << QByteArray("abc defgh") << 7 << QList<int> {0, 4};
    QTest::newRow("spaces hang over the end") << QByteArray("abcdefg   hij") << 7 << QList<int> {0, 10};
    QTest::newRow("where a word meets a quote") << QByteArray("\"abcdef\": 1") << 8 << QList<int> {0, 7};
    QTest::newRow("a long word anywhere") << QByteArray("abcdefghijkl") << 5 << QList<int> {0, 5, 10};
    QTest::newRow("multi-byte characters")
        << QByteArray("\xC3\xA9\xC3\xA9\xC3\xA9 \xC3\xA9\xC3\xA9") << 4 << QList<int> {0, 4};
}

void TestSourceTextView::wrapRowStarts()
{
    QFETCH(QByteArray, line);
    QFETCH(int, columns);
    QFETCH(QList<int>, starts);
    const std::vector<size_t> found = TSourceView::WrapRowStarts(
        std::string_view(line.constData(), size_t(line.size())), 8, size_t(columns));
    QCOMPARE(QList<int>(found.begin(), found.end()), starts);
}

void TestSourceTextView::wrappedCaret()
{
    TSourceView view;
    view.resize(300, 200);
    view.SetWordWrap(true);
    const size_t columns = view.WrapColumns();
    QVERIFY(columns > 4);
    // A line of 2.5 rows between two short lines.
    const std::string text = "ab\r\n" + std::string(columns * 5 / 2, 'x') + "\r\ncd";
    view.SetText(text);
    QCOMPARE(view.RowsOfLine(0), size_t(1));
    QCOMPARE(view.RowsOfLine(1), size_t(3));
    view.SetCaretPosition(1);
    // Down goes row by row through the wrapped line, keeping the column.
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.CaretPosition(), size_t(4 + 1));
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.CaretPosition(), size_t(4 + columns + 1));
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.CaretLine(), size_t(2));
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.CaretPosition(), size_t(4 + 2 * columns + 1));
    view.SetWordWrap(false);
    QCOMPARE(view.RowsOfLine(1), size_t(1));
    QCOMPARE(view.WrapColumns(), size_t(0));
}

void TestSourceTextView::gutterText_data()
{
    QTest::addColumn<bool>("leadingZeros");
    QTest::addColumn<bool>("zeroStart");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << false << false << 4 << 0 << "1";
    QTest::newRow("zero start") << false << true << 4 << 0 << "0";
    QTest::newRow("leading zeros") << true << false << 4 << 41 << "0042";
    QTest::newRow("leading zeros, more lines than digits") << true << false << 2 << 7 << "008";
}

void TestSourceTextView::gutterText()
{
    QFETCH(bool, leadingZeros);
    QFETCH(bool, zeroStart);
    QFETCH(int, digits);
    QFETCH(int, line);
    QFETCH(QString, shown);
    TSourceView view;
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "x\r\n";
    view.SetText(text);
    view.SetGutterLeadingZeros(leadingZeros);
    view.SetGutterZeroStart(zeroStart);
    view.SetGutterDigitCount(digits);
    QCOMPARE(view.GutterText(size_t(line)), shown);
    const int numbered = view.GutterWidth();
    view.SetGutterShowLineNumbers(false);
    QCOMPARE(view.GutterText(size_t(line)), QString());
    QVERIFY(view.GutterWidth() > 0 && view.GutterWidth() < numbered);
    view.SetGutterVisible(false);
    QCOMPARE(view.GutterWidth(), 0);
}

void TestSourceTextView::setCaretByColumn()
{
    // Columns count UTF-16 units: the emoji takes two; a column past the end stops at the end.
    TSourceView view;
    const std::string text = "a\xF0\x9F\x98\x80z\r\nline";
    view.SetText(text);
    view.SetCaret(0, 3);
    QCOMPARE(view.CaretPosition(), size_t(5));
    QCOMPARE(view.CaretColumn(), size_t(3));
    view.SetCaret(0, 99);
    QCOMPARE(view.CaretPosition(), size_t(6));
    view.SetCaret(5, 2);
    QCOMPARE(view.CaretPosition(), size_t(10));
    view.MarkLine(1);
    QCOMPARE(view.MarkedLine(), std::optional<size_t>(1));
    view.SetFirstVisibleLine(1);
    view.SetText(text);
    QVERIFY(!view.MarkedLine());
    QCOMPARE(view.FirstVisibleLine(), size_t(0));
}

QTEST_MAIN(TestSourceTextView)
#include "tst_sourcetextview.moc"
