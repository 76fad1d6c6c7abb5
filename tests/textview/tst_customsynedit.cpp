// The text control: gutter numbers as drawn, the gutter's width, selection modes, word wrap.
#include "textview/CustomSynEdit.h"

#include <QStandardPaths>
#include <QTest>

class TestCustomSynEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void gutterText_data();
    void gutterText();
    void gutterWidth();
    void numbersAreWrittenForVisibleLinesOnly();
    void selectionModes_data();
    void selectionModes();
    void wordWrapAndAutoIndent();
    void renderGutter();
    void setTextBytes_data();
    void setTextBytes();
    void changesAreReported_data();
    void changesAreReported();

private:
    static QString MarginText(const TCustomSynEdit& AEdit, int ALine);
    static QString Lines(int ACount);
};

QString TestCustomSynEdit::MarginText(const TCustomSynEdit& AEdit, int ALine)
{
    const long length = AEdit.SendScintilla(
        QsciScintillaBase::SCI_MARGINGETTEXT, static_cast<unsigned long>(ALine), static_cast<char*>(nullptr));
    if (length <= 0)
        return QString();
    QByteArray text(length + 1, '\0');
    AEdit.SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, static_cast<unsigned long>(ALine), text.data());
    return QString::fromUtf8(text.constData());
}

QString TestCustomSynEdit::Lines(int ACount)
{
    QStringList lines;
    for (int i = 0; i < ACount; ++i)
        lines.append(QStringLiteral("    \"key%1\": %1,").arg(i));
    return lines.join(QLatin1Char('\n'));
}

void TestCustomSynEdit::gutterText_data()
{
    QTest::addColumn<bool>("leadingZeros");
    QTest::addColumn<bool>("zeroStart");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain-first") << false << false << 20 << 0 << "1";
    QTest::newRow("plain-last") << false << false << 20 << 19 << "20";
    QTest::newRow("zero-start") << false << true << 20 << 0 << "0";
    QTest::newRow("leading-zeros") << true << false << 20 << 6 << "0007";
    QTest::newRow("both") << true << true << 20 << 0 << "0000";
    QTest::newRow("five-digit-document") << true << false << 12345 << 0 << "00001";
    // 10000 lines numbered from 0 end at 9999: four digits suffice.
    QTest::newRow("zero-start-fewer-digits") << true << true << 10000 << 9999 << "9999";
}

void TestCustomSynEdit::gutterText()
{
    QFETCH(bool, leadingZeros);
    QFETCH(bool, zeroStart);
    QFETCH(int, lines);
    QFETCH(int, line);
    QFETCH(QString, expected);
    TCustomSynEdit edit;
    edit.setText(Lines(lines));
    edit.SetGutterLeadingZeros(leadingZeros);
    edit.SetGutterZeroStart(zeroStart);
    QCOMPARE(edit.GutterText(line), expected);
    edit.SetGutterShowLineNumbers(false);
    QCOMPARE(edit.GutterText(line), QString());
}

void TestCustomSynEdit::gutterWidth()
{
    TCustomSynEdit edit;
    edit.setText(Lines(50));
    const int numbers = edit.marginWidth(0);
    QVERIFY(numbers > 0);
    QCOMPARE(edit.marginType(0), QsciScintilla::NumberMargin);
    edit.SetGutterShowLineNumbers(false);
    QCOMPARE(edit.marginWidth(0), 16);
    edit.SetGutterShowLineNumbers(true);
    edit.SetGutterVisible(false);
    QCOMPARE(edit.marginWidth(0), 0);
    edit.SetGutterVisible(true);
    QCOMPARE(edit.marginWidth(0), numbers);
    edit.SetGutterLeadingZeros(true);
    QCOMPARE(edit.marginType(0), QsciScintilla::TextMarginRightJustified);
    // Growing past the digit count widens the gutter.
    edit.setText(Lines(123456));
    QVERIFY(edit.marginWidth(0) > numbers);
    edit.SetGutterLeadingZeros(false);
    QCOMPARE(edit.marginType(0), QsciScintilla::NumberMargin);
}

void TestCustomSynEdit::numbersAreWrittenForVisibleLinesOnly()
{
    TCustomSynEdit edit;
    edit.resize(400, 300);
    edit.setText(Lines(200000));
    edit.SetGutterLeadingZeros(true);
    edit.SetGutterZeroStart(true);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTRY_COMPARE(MarginText(edit, 0), QStringLiteral("000000"));
    QCOMPARE(MarginText(edit, 1), QStringLiteral("000001"));
    QCOMPARE(MarginText(edit, 150000), QString());
    edit.setFirstVisibleLine(150000);
    QTRY_COMPARE(MarginText(edit, 150000), QStringLiteral("150000"));
    QCOMPARE(MarginText(edit, 150001), QStringLiteral("150001"));
    // Switching back to plain numbers drops the texts.
    edit.SetGutterLeadingZeros(false);
    edit.SetGutterZeroStart(false);
    QCOMPARE(MarginText(edit, 150000), QString());
}

void TestCustomSynEdit::selectionModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("rectangular");
    QTest::addColumn<QString>("selected");
    QTest::newRow("normal") << int(smNormal) << false << "def\nabc";
    QTest::newRow("line") << int(smLine) << false << "abcdef\nabcdef\n";
    QTest::newRow("column") << int(smColumn) << true << "bcd\nbcd\n";
}

void TestCustomSynEdit::selectionModes()
{
    QFETCH(int, mode);
    QFETCH(bool, rectangular);
    QFETCH(QString, selected);
    TCustomSynEdit edit;
    edit.resize(400, 200);
    // Equal lines: a column is the same characters on each line, whatever the font.
    edit.setText(QStringLiteral("abcdef\nabcdef\nabcdef"));
    edit.SetGutterVisible(false);
    edit.SetSelectionMode(mode);
    QCOMPARE(edit.SelectionMode(), mode);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const auto pointOf = [&edit](int ALine, int AIndex) {
        const long pos = edit.positionFromLineIndex(ALine, AIndex);
        return QPoint(int(edit.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos)),
            int(edit.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos)) + 2);
    };
    QWidget* view = edit.viewport();
    const int endIndex = mode == smColumn ? 4 : 3;
    QTest::mousePress(view, Qt::LeftButton, {}, pointOf(0, mode == smColumn ? 1 : 3));
    QTest::mouseMove(view, pointOf(1, endIndex));
    QTest::mouseRelease(view, Qt::LeftButton, {}, pointOf(1, endIndex));
    QCOMPARE(bool(edit.SendScintilla(QsciScintillaBase::SCI_SELECTIONISRECTANGLE)), rectangular);
    QCOMPARE(edit.selectedText(), selected);
    // The caret keys move without selecting afterwards.
    QTest::keyClick(&edit, Qt::Key_Down);
    QVERIFY(!edit.hasSelectedText());
}

void TestCustomSynEdit::wordWrapAndAutoIndent()
{
    TCustomSynEdit edit;
    QVERIFY(!edit.WordWrap());
    edit.SetWordWrap(true);
    QCOMPARE(edit.wrapMode(), QsciScintilla::WrapWord);
    edit.SetWordWrap(false);
    QCOMPARE(edit.wrapMode(), QsciScintilla::WrapNone);
    edit.SetAutoIndent(true);
    edit.setText(QStringLiteral("    {"));
    edit.setCursorPosition(0, 5);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.text(1), QStringLiteral("    "));
    edit.SetSelectionMode(7);
    QCOMPARE(edit.SelectionMode(), int(smNormal));
}

void TestCustomSynEdit::renderGutter()
{
    TCustomSynEdit edit;
    edit.resize(360, 220);
    edit.setText(Lines(40));
    edit.setMarginsBackgroundColor(QColor(227, 240, 227));
    edit.SetGutterLeadingZeros(true);
    edit.SetGutterZeroStart(true);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTRY_COMPARE(MarginText(edit, 3), QStringLiteral("0003"));
    const QImage image = edit.grab().toImage();
    // The gutter is painted in its own colour at the left edge.
    QCOMPARE(image.pixelColor(2, image.height() / 2), QColor(227, 240, 227));
    const QString out = qEnvironmentVariable("QUILLON_RENDER_DIR");
    if (!out.isEmpty()) {
        image.save(out + QStringLiteral("/synedit-gutter.png"));
        edit.SetGutterLeadingZeros(false);
        edit.SetGutterZeroStart(false);
        edit.SetWordWrap(true);
        edit.setText(
            Lines(3) + QStringLiteral(" ") + QString(120, QLatin1Char('w')) + QStringLiteral(" tail"));
        QTest::qWait(50);
        edit.grab().save(out + QStringLiteral("/synedit-plain.png"));
    }
}

void TestCustomSynEdit::setTextBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("keepStyles");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("prepared"); // bytes a document was prepared for beforehand, -1 for none
    QTest::newRow("read-only, plain") << QByteArray("{\r\n  \"a\": 1\r\n}") << true << false << 3 << -1;
    QTest::newRow("editable, styled") << QByteArray("x") << false << true << 1 << -1;
    QTest::newRow("non-ASCII") << QByteArray("caf\xC3\xA9 \xE4\xB8\x80\r\n\xF0\x9F\x98\x80") << true << false
                               << 2 << -1;
    QTest::newRow("empty") << QByteArray() << true << false << 1 << -1;
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << true << false << 1 << -1;
    QTest::newRow("prepared for more") << QByteArray("{\r\n  \"a\": 1\r\n}") << false << true << 3 << 4096;
    QTest::newRow("prepared for less") << QByteArray(200000, 'x') + "\n" << false << true << 2 << 10;
    QTest::newRow("prepared, read-only") << QByteArray("a\nb") << true << false << 2 << 3;
}

void TestCustomSynEdit::setTextBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readOnly);
    QFETCH(bool, keepStyles);
    QFETCH(int, lines);
    QFETCH(int, prepared);
    TCustomSynEdit edit;
    edit.setText(QStringLiteral("previous text\nwith two lines"));
    edit.setReadOnly(readOnly);
    edit.SetKeepStyles(keepStyles);
    if (prepared >= 0) {
        edit.PrepareTextBytes(size_t(prepared));
        // Prepared, not shown yet.
        QCOMPARE(edit.text(), QStringLiteral("previous text\nwith two lines"));
    }
    edit.SetTextBytes(std::string_view(bytes.constData(), size_t(bytes.size())));
    QCOMPARE(edit.length(), int(bytes.size()));
    QCOMPARE(edit.lines(), lines);
    QCOMPARE(edit.isReadOnly(), readOnly);
    QVERIFY(edit.isUtf8());
    QVERIFY(!edit.isUndoAvailable());
    if (!bytes.contains('\0'))
        QCOMPARE(edit.text(), QString::fromUtf8(bytes));
    // The text can be set again, and an editable view still takes typing with undo.
    edit.SetTextBytes("second");
    QCOMPARE(edit.text(), QStringLiteral("second"));
    if (!readOnly) {
        edit.insert(QStringLiteral("1"));
        QCOMPARE(edit.text(), QStringLiteral("1second"));
        QVERIFY(edit.isUndoAvailable());
    }
}

void TestCustomSynEdit::changesAreReported_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("linesMoved");
    QTest::newRow("key typed") << 0 << "ab\ncxd" << false;
    QTest::newRow("Return typed") << 1 << "ab\nc\nd" << true;
    QTest::newRow("setText") << 2 << "x" << true;
    QTest::newRow("append") << 3 << "ab\ncd\ne" << true;
    QTest::newRow("insertAt") << 4 << "Yab\ncd" << false;
    QTest::newRow("removeSelectedText") << 5 << "b\ncd" << false;
    QTest::newRow("replaceSelectedText") << 6 << "Zb\ncd" << false;
    QTest::newRow("cut") << 7 << "b\ncd" << false;
    QTest::newRow("undo") << 8 << "ab\ncd" << true;
    QTest::newRow("Delete typed at a line end") << 9 << "abcd" << true;
}

void TestCustomSynEdit::changesAreReported()
{
    QFETCH(int, action);
    QFETCH(QString, expected);
    QFETCH(bool, linesMoved);
    TCustomSynEdit edit;
    edit.setText(QStringLiteral("ab\ncd"));
    edit.SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    int texts = 0;
    int lineReports = 0;
    int textNotices = 0;
    connect(&edit, &QsciScintilla::textChanged, &edit, [&] { ++texts; });
    connect(&edit, &QsciScintilla::linesChanged, &edit, [&] { ++lineReports; });
    connect(&edit, &QsciScintillaBase::SCN_MODIFIED, &edit, [&](int, int AType) {
        if (AType & (QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT))
            ++textNotices;
    });
    edit.setSelection(0, 0, 0, 1); // "a"
    switch (action) {
    case 0:
        edit.setCursorPosition(1, 1);
        QTest::keyClick(&edit, Qt::Key_X);
        break;
    case 1:
        edit.setCursorPosition(1, 1);
        QTest::keyClick(&edit, Qt::Key_Return);
        break;
    case 2:
        edit.setText(QStringLiteral("x"));
        break;
    case 3:
        edit.append(QStringLiteral("\ne"));
        break;
    case 4:
        edit.insertAt(QStringLiteral("Y"), 0, 0);
        break;
    case 5:
        edit.removeSelectedText();
        break;
    case 6:
        edit.replaceSelectedText(QStringLiteral("Z"));
        break;
    case 7:
        edit.cut();
        break;
    case 8:
        edit.setCursorPosition(0, 2);
        QTest::keyClick(&edit, Qt::Key_Return);
        texts = lineReports = 0;
        edit.undo();
        break;
    case 9:
        edit.setCursorPosition(0, 2);
        QTest::keyClick(&edit, Qt::Key_Delete);
        break;
    }
    QCOMPARE(edit.text(), expected);
    QVERIFY(texts > 0);
    QCOMPARE(lineReports > 0, linesMoved);
    QCOMPARE(textNotices, 0);
}

QTEST_MAIN(TestCustomSynEdit)
#include "tst_customsynedit.moc"
