// The editor window as the user works it: new and edited files, saving (and saves that fail), validating,
// formatting, the closing question, find and replace, GUIDs, Paste from clipboard, dropped files and
// the caret facts. Every message box and dialog is answered by the test.
#include "controls/StatusPanels.h"
#include "editor/EditorWnd.h"
#include "editor/FindReplaceDialog.h"
#include "tests/common/AnsweringPresenter.h"
#include "tests/common/TestFiles.h"
#include "textview/CustomSynEdit.h"
#include "util/SafeSaveFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cerrno>

#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexercustom.h>
#undef signals
#undef slots

namespace {

const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Answers boxes in the order given, then with Answer.
class TScriptedPresenter : public TAnsweringPresenter {
public:
    QList<QMessageBox::StandardButton> Script;
    QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest& ARequest) override
    {
        const QMessageBox::StandardButton fallback = TAnsweringPresenter::ShowMessageBox(ARequest);
        return Script.isEmpty() ? fallback : Script.takeFirst();
    }
};

QByteArray EditorBytes(const Twnd_quil_Editor& window)
{
    const std::string_view text = window.TextBytes();
    return QByteArray(text.data(), qsizetype(text.size()));
}

// Puts the caret at a byte position of the text.
void SetCaret(Twnd_quil_Editor& window, long APos)
{
    window.Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(APos));
}

// A highlighter that gives every character one style.
class TOneStyleLexer : public QsciLexerCustom {
public:
    using QsciLexerCustom::QsciLexerCustom;
    const char* language() const override { return "JSON"; }
    QString description(int AStyle) const override
    {
        return AStyle == 0 ? QStringLiteral("Default") : QString();
    }
    void styleText(int AStart, int AEnd) override
    {
        startStyling(AStart);
        setStyling(AEnd - AStart, 0);
    }
};

} // namespace

class TestEditorWnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void newFileSaved_data();
    void newFileSaved();
    void scalarTextsNotValid_data();
    void scalarTextsNotValid();
    void notValidPutsCaretAtError();
    void validateCounts();
    void editFileSave_data();
    void editFileSave();
    void editFileNotUtf8();
    void failedSaveKeepsFileAndWindow();
    void saveThroughLink();
    void closeQuestion_data();
    void closeQuestion();
    void formatText();
    void commandStates();
    void wrapBySize_data();
    void wrapBySize();
    void findAndReplace_data();
    void findAndReplace();
    void findDialogOnce();
    void base64WithSelection();
    void highlighter();
    void saveShortcut();
    void insertGuid();
    void pasteFromClipboard();
    void droppedFile_data();
    void droppedFile();
    void caretFacts_data();
    void caretFacts();
    void realModalLoop();

private:
    TScriptedPresenter FPresenter;
    QTemporaryDir FDir;
    std::function<void(Twnd_quil_Editor&)> FRunModal;
};

void TestEditorWnd::init()
{
    FPresenter = TScriptedPresenter();
    SetMessageBoxPresenter(&FPresenter);
    FRunModal = Twnd_quil_Editor::RunModal;
    Twnd_quil_Editor::ChooseSaveName = [](QWidget*) { return QString(); };
    QGuiApplication::clipboard()->clear();
}

void TestEditorWnd::cleanup()
{
    SetMessageBoxPresenter(nullptr);
    Twnd_quil_Editor::RunModal = FRunModal;
    SetSafeSaveCalls({});
}

void TestEditorWnd::newFileSaved_data()
{
    QTest::addColumn<bool>("chooseName");
    QTest::addColumn<bool>("saved");
    QTest::newRow("typed and saved under a new name") << true << true;
    QTest::newRow("save-as cancelled, closed without saving") << false << false;
}

void TestEditorWnd::newFileSaved()
{
    QFETCH(bool, chooseName);
    QFETCH(bool, saved);
    const QString path = FDir.filePath("new-%1.json").arg(QTest::currentDataTag()).replace(' ', '-');
    Twnd_quil_Editor::ChooseSaveName = [&](QWidget*) { return chooseName ? path : QString(); };
    bool saveResult = true;
    QString caption;
    Twnd_quil_Editor::RunModal = [&](Twnd_quil_Editor& window) {
        QVERIFY(window.acClearPaste->isVisible());
        QTest::keyClicks(window.Editor, "{\"a\": [1]}");
        saveResult = window.Save();
        caption = window.windowTitle();
        // No to the closing question when the save did not happen.
        FPresenter.Script = {QMessageBox::No};
        window.close();
    };
    QString name = QStringLiteral("stale");
    QCOMPARE(NewFile(name), saved);
    QCOMPARE(saveResult, saved);
    if (saved) {
        QCOMPARE(name, path);
        QCOMPARE(caption, QStringLiteral("JSON Editor - [%1]").arg(path));
        QCOMPARE(ReadAll(path), Bom + "{\"a\": [1]}");
    } else {
        QCOMPARE(name, QString());
        QCOMPARE(caption, QStringLiteral("JSON Editor"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(FPresenter.Asked, QStringList {"Save changes?"});
    }
}

void TestEditorWnd::scalarTextsNotValid_data()
{
    QTest::addColumn<QByteArray>("text");
    for (const char* text : {"1", "\"s\"", "true", "false", "null", "{", "[1,]"})
        QTest::newRow(text) << QByteArray(text);
}

void TestEditorWnd::scalarTextsNotValid()
{
    QFETCH(QByteArray, text);
    Twnd_quil_Editor window;
    window.PlaceText(text.toStdString(), false);
    QVERIFY(!window.Validate(false));
    QVERIFY(!window.Validate(true));
    QCOMPARE(FPresenter.Asked, (QStringList {"Text is not valid JSON.", "Text is not valid JSON."}));
    QCOMPARE(window.Counts(), TJSONCounts {});
}

void TestEditorWnd::notValidPutsCaretAtError()
{
    Twnd_quil_Editor window;
    window.PlaceText("{\"a\": 1,\r\n  \"\xC3\xA9\": [1 2]}", false);
    SetCaret(window, 0);
    QVERIFY(!window.Validate(false));
    // At the "2" of the second line: 10 bytes of the first line, then byte 11 ("é" is two bytes).
    QCOMPARE(window.Editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 21L);
}

void TestEditorWnd::validateCounts()
{
    Twnd_quil_Editor window;
    const QByteArray text("{\"a\": {\"b\": {}}, \"c\": {\"d\": [1, \"x\", null]}}");
    window.PlaceText(text.toStdString(), false);
    for (const bool typed : {false, true}) {
        if (typed)
            QTest::keyClick(window.Editor, Qt::Key_Space);
        const QByteArray before = EditorBytes(window);
        FPresenter.Asked.clear();
        QVERIFY(window.Validate(true));
        QCOMPARE(
            FPresenter.Asked, QStringList {"JSON is valid.\r\n\r\nObjects: 4\r\nArrays: 1\r\nValues: 3"});
        QCOMPARE(window.Counts(), (TJSONCounts {4, 1, 3}));
        QCOMPARE(EditorBytes(window), before);
        QCOMPARE(window.EditorModified(), typed);
    }
}

void TestEditorWnd::editFileSave_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("LF kept, mark added") << QByteArray("{\n\"a\": 1\n}\n") << Bom + " {\n\"a\": 1\n}\n";
    QTest::newRow("CR kept") << QByteArray("[\r1\r]") << Bom + " [\r1\r]";
    QTest::newRow("CR LF kept, mark kept") << Bom + "[\r\n1\r\n]" << Bom + " [\r\n1\r\n]";
    QTest::newRow("mixed becomes CR LF") << QByteArray("[\n1\r\n]") << Bom + " [\r\n1\r\n]";
    QTest::newRow("no break") << QByteArray("[1]") << Bom + " [1]";
    QTest::newRow("U+2028 in a string, LF")
        << QByteArray("[\"a\xE2\x80\xA8z\",\n1]") << Bom + " [\"a\xE2\x80\xA8z\",\n1]";
}

void TestEditorWnd::editFileSave()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    const QString path = FDir.filePath("edit.json");
    WriteFile(path, file);
    QString caption;
    QString facts;
    bool visible = true;
    Twnd_quil_Editor::RunModal = [&](Twnd_quil_Editor& window) {
        caption = window.windowTitle();
        facts = window.sb->Text(0);
        visible = window.acClearPaste->isVisible();
        QTest::keyClick(window.Editor, Qt::Key_Space);
        window.acSave->trigger();
        window.close();
    };
    QVERIFY(EditFile(path));
    QCOMPARE(caption, QStringLiteral("JSON Editor - [%1]").arg(path));
    QVERIFY(facts.startsWith("Row: 1   Col: 1   Chr: "));
    QVERIFY(!visible);
    QCOMPARE(ReadAll(path), saved);
    QCOMPARE(FPresenter.Asked, QStringList {});
}

void TestEditorWnd::editFileNotUtf8()
{
    const QString path = FDir.filePath("latin1.json");
    WriteFile(path, "[\"\xE9\"]");
    bool shown = false;
    Twnd_quil_Editor::RunModal = [&](Twnd_quil_Editor&) { shown = true; };
    QVERIFY_THROWS_EXCEPTION(EEditorError, EditFile(path));
    QVERIFY_THROWS_EXCEPTION(EEditorError, EditFile(FDir.filePath("missing.json")));
    QVERIFY(!shown);
    // The busy cursor does not outlive the failed load.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    for (const auto& [file, says] :
        {std::pair {path, "not UTF-8"}, {FDir.filePath("missing.json"), "Cannot open"}}) {
        try {
            EditFile(file);
            QFAIL("opened");
        } catch (const EEditorError& error) {
            QVERIFY(QString::fromUtf8(error.what()).contains(says));
        }
    }
}

void TestEditorWnd::failedSaveKeepsFileAndWindow()
{
    const QString path = FDir.filePath("full.json");
    const QByteArray original("{\n\"kept\": true\n}");
    WriteFile(path, original);
    // The disk fills up after the first chunk.
    int writes = 0;
    SetSafeSaveCalls({[&writes](int fd, const void* data, size_t size) -> ssize_t {
                          if (writes++ == 0)
                              return ::write(fd, data, std::min<size_t>(size, 4));
                          errno = ENOSPC;
                          return -1;
                      },
        {}, {}});
    bool saved = true;
    bool stillModified = false;
    int closed = 0;
    Twnd_quil_Editor::RunModal = [&](Twnd_quil_Editor& window) {
        connect(&window, &Twnd_quil_Editor::Closed, this, [&closed] { ++closed; });
        QTest::keyClick(window.Editor, Qt::Key_Space);
        saved = window.Save();
        stillModified = window.EditorModified() && window.sb->Text(1) == "Modified";
        // Closing asks again: Yes fails again and keeps the window open; then No closes it.
        FPresenter.Script = {QMessageBox::Yes, QMessageBox::Ok};
        window.close();
        QCOMPARE(closed, 0);
        FPresenter.Script = {QMessageBox::No};
        window.close();
        QCOMPARE(closed, 1);
    };
    QVERIFY(!EditFile(path));
    QVERIFY(!saved);
    QVERIFY(stillModified);
    QCOMPARE(ReadAll(path), original);
    QCOMPARE(
        QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).filter("full"), QStringList {"full.json"});
    const QString error =
        QStringLiteral("Cannot save file \"%1\". No space left on device.\r\nThe file on disk was "
                       "left as it was.")
            .arg(path);
    QCOMPARE(FPresenter.Asked, (QStringList {error, "Save changes?", error, "Save changes?"}));
}

void TestEditorWnd::saveThroughLink()
{
    const QString target = FDir.filePath("target.json");
    const QString link = FDir.filePath("link.json");
    WriteFile(target, "[1]");
    QVERIFY(QFile::link(target, link));
    Twnd_quil_Editor::RunModal = [&](Twnd_quil_Editor& window) {
        QTest::keyClick(window.Editor, Qt::Key_Space);
        QVERIFY(window.Save());
    };
    QVERIFY(EditFile(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(ReadAll(target), Bom + " [1]");
}

void TestEditorWnd::closeQuestion_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("invalid text, Yes") << QByteArray("{") << QMessageBox::Yes << false
                                       << QStringList {"Save changes?", "Text is not valid JSON."};
    QTest::newRow("valid text, Yes") << QByteArray("[]") << QMessageBox::Yes << true
                                     << QStringList {"Save changes?"};
    QTest::newRow("No") << QByteArray("{") << QMessageBox::No << true << QStringList {"Save changes?"};
    QTest::newRow("Cancel") << QByteArray("[]") << QMessageBox::Cancel << false
                            << QStringList {"Save changes?"};
}

void TestEditorWnd::closeQuestion()
{
    QFETCH(QByteArray, text);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, closes);
    QFETCH(QStringList, asked);
    Twnd_quil_Editor window;
    window.SetFilename(FDir.filePath("close.json"));
    window.show();
    QSignalSpy closed(&window, &Twnd_quil_Editor::Closed);
    // Unchanged text closes without a question.
    QVERIFY(!window.EditorModified());
    QTest::keyClicks(window.Editor, QString::fromUtf8(text));
    FPresenter.Script = {answer, QMessageBox::Ok};
    window.close();
    QCOMPARE(closed.count(), closes ? 1 : 0);
    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(FPresenter.Asked, asked);
    QCOMPARE(window.Modified(), closes && answer == QMessageBox::Yes);
}

void TestEditorWnd::formatText()
{
    Twnd_quil_Editor window;
    window.PlaceText("{\"a\":[1,{}]}", false);
    // No leaves the text alone.
    FPresenter.Script = {QMessageBox::No};
    window.acFormat->trigger();
    QCOMPARE(EditorBytes(window), QByteArray("{\"a\":[1,{}]}"));
    QVERIFY(!window.EditorModified());
    FPresenter.Script = {QMessageBox::Yes};
    window.acFormat->trigger();
    QCOMPARE(EditorBytes(window), QByteArray("{\r\n  \"a\": [\r\n        1,\r\n    {\r\n    }\r\n  ]\r\n}"));
    QVERIFY(window.EditorModified());
    QVERIFY(!window.Editor->isUndoAvailable());
    QVERIFY(window.acSave->isEnabled());
    QCOMPARE(window.sb->Text(1), QStringLiteral("Modified"));
    QCOMPARE(window.LineBreaks(), TLineBreakStyle::CRLF);
    // Not valid: reported, text unchanged.
    window.PlaceText("[1,", false);
    FPresenter.Asked.clear();
    FPresenter.Script = {QMessageBox::Yes};
    window.acFormat->trigger();
    QCOMPARE(FPresenter.Asked,
        (QStringList {"This operation cannot be undone. Continue?", "Text is not valid JSON."}));
    QCOMPARE(EditorBytes(window), QByteArray("[1,"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestEditorWnd::wrapBySize_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("wrapped");
    QTest::newRow("small") << 3 << true;
    QTest::newRow("at the limit") << 100000 << true;
    QTest::newRow("larger") << 100001 << false;
}

// A text of very many lines comes without word wrap (wrapping them all would freeze the window on
// Ctrl+End); wrapping keeps only the layouts of the lines on screen.
void TestEditorWnd::wrapBySize()
{
    QFETCH(int, lines);
    QFETCH(bool, wrapped);
    Twnd_quil_Editor window;
    std::string text(size_t(lines - 1) * 2, '\n');
    for (size_t i = 0; i < text.size(); i += 2)
        text[i] = '1';
    window.PlaceText(text, false);
    QCOMPARE(window.Editor->lines(), lines);
    QCOMPARE(window.Editor->WordWrap(), wrapped);
    QCOMPARE(window.acWordWrap->isChecked(), wrapped);
    if (!wrapped)
        window.acWordWrap->trigger();
    QVERIFY(window.Editor->WordWrap());
    QCOMPARE(window.Editor->SendScintilla(QsciScintillaBase::SCI_GETLAYOUTCACHE),
        long(QsciScintillaBase::SC_CACHE_PAGE));
}

void TestEditorWnd::commandStates()
{
    Twnd_quil_Editor window;
    window.PlaceText({}, false);
    QVERIFY(!window.acSave->isEnabled());
    QVERIFY(!window.acFormat->isEnabled());
    QVERIFY(!window.acValidate->isEnabled());
    QVERIFY(!window.acUndo->isEnabled());
    QVERIFY(!window.acPaste->isEnabled());
    QVERIFY(!window.acClearPaste->isEnabled());
    QVERIFY(window.acWordWrap->isChecked());
    // The text is filled with wrapping off, which comes back on.
    QVERIFY(window.Editor->WordWrap());
    QCOMPARE(window.sb->Text(1), QString());
    QTest::keyClicks(window.Editor, "[1]");
    QVERIFY(window.acSave->isEnabled());
    QVERIFY(window.acFormat->isEnabled());
    QVERIFY(window.acUndo->isEnabled());
    QCOMPARE(window.sb->Text(1), QStringLiteral("Modified"));
    // Copy and Cut follow the selection when the menu opens.
    QVERIFY(!window.acCopy->isEnabled());
    window.Editor->selectAll(true);
    window.EditorMenuPopup();
    QVERIFY(window.acCopy->isEnabled());
    QVERIFY(window.acCut->isEnabled());
    QGuiApplication::clipboard()->setText("x");
    window.EditorMenuPopup();
    QVERIFY(window.acPaste->isEnabled());
    // WordWrap flips the editor's wrapping.
    window.acWordWrap->trigger();
    QVERIFY(!window.Editor->WordWrap());
    QStringList menu;
    for (const QAction* action : window.EditorMenu->actions())
        menu << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(menu,
        (QStringList {"Format JSON", "Validate JSON", "-", "Save", "-", "Undo", "Redo", "-", "Copy", "Cut",
            "Paste", "-", "Select All", "-", "WordWrap", "-", "Find and Replace...", "-", "Base64...", "-",
            "Insert GUID"}));
}

void TestEditorWnd::findAndReplace_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QStringList>("asked");
    // The caret stands at the start of the second line.
    const QByteArray text("[\"ab\",\r\n\"ab\",\r\n\"AB\",\r\n\"abc\"]");
    QTest::newRow("Replace All from the middle")
        << "all"
        << "ab" << false << false << QByteArray("[\"ab\",\r\n\"X\",\r\n\"X\",\r\n\"Xc\"]") << QStringList {};
    QTest::newRow("Replace All, match case")
        << "all"
        << "ab" << true << false << QByteArray("[\"ab\",\r\n\"X\",\r\n\"AB\",\r\n\"Xc\"]") << QStringList {};
    QTest::newRow("Replace All, whole word")
        << "all"
        << "ab" << false << true << QByteArray("[\"ab\",\r\n\"X\",\r\n\"X\",\r\n\"abc\"]") << QStringList {};
    QTest::newRow("Replace the next one")
        << "one"
        << "AB" << true << false << QByteArray("[\"ab\",\r\n\"ab\",\r\n\"X\",\r\n\"abc\"]") << QStringList {};
    QTest::newRow("nothing after the caret")
        << "all"
        << "[" << false << false << text << QStringList {"Text not found."};
    QTest::newRow("Find Next, not found")
        << "find"
        << "zz" << false << false << text << QStringList {"Text not found."};
}

void TestEditorWnd::findAndReplace()
{
    QFETCH(QString, command);
    QFETCH(QString, find);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(QByteArray, result);
    QFETCH(QStringList, asked);
    Twnd_quil_Editor window;
    window.PlaceText("[\"ab\",\r\n\"ab\",\r\n\"AB\",\r\n\"abc\"]", false);
    SetCaret(window, 8);
    window.acFindReplace->trigger();
    window.rd->SetFindText(find);
    window.rd->SetReplaceText("X");
    window.rd->MatchCaseBox->setChecked(matchCase);
    window.rd->WholeWordBox->setChecked(wholeWord);
    QPushButton* button = command == "all" ? window.rd->ReplaceAllButton
        : command == "one"                 ? window.rd->ReplaceButton
                                           : window.rd->FindNextButton;
    button->click();
    QCOMPARE(EditorBytes(window), result);
    QCOMPARE(FPresenter.Asked, asked);
    // Replace All is one step to undo.
    if (command == "all" && asked.isEmpty()) {
        window.Editor->undo();
        QCOMPARE(EditorBytes(window), QByteArray("[\"ab\",\r\n\"ab\",\r\n\"AB\",\r\n\"abc\"]"));
    }
}

void TestEditorWnd::findDialogOnce()
{
    Twnd_quil_Editor window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.PlaceText("{\"name\": 1, \"other\": 2, \"name\": 3}", false);
    SetCaret(window, 3);
    QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_R));
    QVERIFY(window.rd->isVisible());
    // The word at the caret is what the dialog looks for.
    QCOMPARE(window.rd->FindText(), QStringLiteral("name"));
    window.rd->FindNextButton->click();
    QCOMPARE(window.Editor->selectedText(), QStringLiteral("name"));
    // The next one after the caret.
    QCOMPARE(window.Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 25L);
    QCOMPARE(window.Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND), 29L);
    // A second call shows the same dialog.
    TFindReplaceDialog* first = window.rd;
    window.acFindReplace->trigger();
    QCOMPARE(window.rd, first);
    QCOMPARE(window.findChildren<TFindReplaceDialog*>().size(), 1);
    // Closing the editor takes the dialog away.
    window.close();
    QVERIFY(!window.rd->isVisible());
}

void TestEditorWnd::base64WithSelection()
{
    Twnd_quil_Editor window;
    window.PlaceText("[\"aGk=\"]", false);
    // Without a dialog to open (no main window), the command does nothing.
    window.acBase64->trigger();
    QStringList opened;
    Twnd_quil_Editor::ShowBase64Dialog = [&opened](const QString& text) { opened << text; };
    window.acBase64->trigger();
    window.Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, 2UL, 6L);
    window.acBase64->trigger();
    Twnd_quil_Editor::ShowBase64Dialog = nullptr;
    QCOMPARE(opened, (QStringList {QString(), "aGk="}));
}

void TestEditorWnd::highlighter()
{
    Twnd_quil_Editor::MakeHighlighter = [](QObject* parent) { return new TOneStyleLexer(parent); };
    Twnd_quil_Editor window;
    Twnd_quil_Editor::MakeHighlighter = nullptr;
    auto* lexer = dynamic_cast<TOneStyleLexer*>(window.Editor->lexer());
    QVERIFY(lexer);
    // The highlighter paints in the editor's fixed-width font.
    QVERIFY(QFontInfo(lexer->font(0)).fixedPitch());
    window.PlaceText("{\"a\": 1}", false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.Editor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), 8L);
}

void TestEditorWnd::saveShortcut()
{
    const QString path = FDir.filePath("shortcut.json");
    Twnd_quil_Editor window;
    window.SetFilename(path);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Editor->setFocus();
    QTest::keyClicks(window.Editor, "[]");
    // Typed into the text control, as the user presses it.
    QTest::keySequence(window.Editor, QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(ReadAll(path), Bom + "[]");
    QVERIFY(!window.EditorModified());
    QVERIFY(window.Modified());
}

void TestEditorWnd::insertGuid()
{
    Twnd_quil_Editor window;
    window.PlaceText("[\"\"]", false);
    SetCaret(window, 2);
    window.acGUID->trigger();
    const QString guid = QGuiApplication::clipboard()->text();
    QVERIFY2(QRegularExpression("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$")
                 .match(guid)
                 .hasMatch(),
        qPrintable(guid));
    QCOMPARE(guid.size(), 38);
    QCOMPARE(QString::fromUtf8(EditorBytes(window)), "[\"" + guid + "\"]");
}

void TestEditorWnd::pasteFromClipboard()
{
    Twnd_quil_Editor window;
    window.PlaceText("[0]", false);
    QGuiApplication::clipboard()->setText(QStringLiteral("{\"\u00E9\": [1,\n2]}"));
    window.SetControls();
    QVERIFY(window.acClearPaste->isEnabled());
    FPresenter.Script = {QMessageBox::No};
    window.acClearPaste->trigger();
    QCOMPARE(EditorBytes(window), QByteArray("[0]"));
    FPresenter.Script = {QMessageBox::Yes};
    window.acClearPaste->trigger();
    QCOMPARE(FPresenter.Asked.last(),
        QStringLiteral("This will replace editor content with clipboard content.\r\nContinue?"));
    // On a UTF-8 locale the text arrives unchanged; its line breaks are those a save writes.
    QCOMPARE(EditorBytes(window), QStringLiteral("{\"\u00E9\": [1,\n2]}").toUtf8());
    QCOMPARE(window.LineBreaks(), TLineBreakStyle::LF);
    QVERIFY(window.EditorModified());
    QVERIFY(!window.Editor->isUndoAvailable());
}

void TestEditorWnd::droppedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("error");
    QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE[\0\xE9\0]\0", 8) << QMessageBox::Yes
                               << QByteArray("[\xC3\xA9]") << false;
    QTest::newRow("UTF-8 without mark")
        << QByteArray("[\n2]") << QMessageBox::Yes << QByteArray("[\n2]") << false;
    QTest::newRow("not text") << QByteArray("[\xFF]") << QMessageBox::Yes << QByteArray("[1]") << true;
    QTest::newRow("No") << QByteArray("[2]") << QMessageBox::No << QByteArray("[1]") << false;
}

void TestEditorWnd::droppedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QByteArray, text);
    QFETCH(bool, error);
    const QString dropped = FDir.filePath("dropped.json");
    WriteFile(dropped, bytes);
    Twnd_quil_Editor window;
    window.SetFilename(FDir.filePath("own.json"));
    window.PlaceText("[1]", false);
    window.show();
    // Dropped the way the desktop drops files: file addresses onto the text.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped), QUrl::fromLocalFile(FDir.filePath("second.json"))});
    const QPoint at = window.Editor->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.Editor->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.Editor->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    FPresenter.Script = {answer, QMessageBox::Ok};
    QTRY_VERIFY(!FPresenter.Asked.isEmpty());
    QCOMPARE(FPresenter.Asked.first(), QStringLiteral("Load dropped file?"));
    QCOMPARE(EditorBytes(window), text);
    QCOMPARE(FPresenter.Asked.size(), error ? 2 : 1);
    if (error)
        QVERIFY(FPresenter.Asked.last().contains("not valid UTF-8 text"));
    // The file the editor saves to stays the same.
    QCOMPARE(window.Filename(), FDir.filePath("own.json"));
    QCOMPARE(window.EditorModified(), answer == QMessageBox::Yes && !error);
}

void TestEditorWnd::caretFacts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selectTo");
    QTest::addColumn<QString>("facts");
    QTest::newRow("before the brace")
        << QByteArray("{\r\n}") << 0 << -1 << "Row: 1   Col: 1   Chr: 123(7Bh)   Cnt: 2   Sel: 0";
    QTest::newRow("end of a line") << QByteArray("{\r\n}") << 1 << -1
                                   << "Row: 1   Col: 2   Chr: 0(0h)   Cnt: 2   Sel: 0";
    QTest::newRow("end of the text") << QByteArray("{\r\n}") << 4 << -1
                                     << "Row: 2   Col: 2   Chr: 0(0h)   Cnt: 2   Sel: 0";
    // Columns, codes and selections count UTF-16 code units: the face beyond U+FFFF counts two.
    QTest::newRow("after a face") << QByteArray("[\"\xF0\x9F\x98\x80\xC3\xA9\"]") << 6 << -1
                                  << "Row: 1   Col: 5   Chr: 233(E9h)   Cnt: 1   Sel: 0";
    QTest::newRow("on a face") << QByteArray("[\"\xF0\x9F\x98\x80\"]") << 2 << -1
                               << "Row: 1   Col: 3   Chr: 55357(D83Dh)   Cnt: 1   Sel: 0";
    QTest::newRow("two lines selected")
        << QByteArray("12345\r\n67890\r\n") << 0 << 12 << "Row: 1   Col: 1   Chr: 49(31h)   Cnt: 3   Sel: 12";
}

void TestEditorWnd::caretFacts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(int, selectTo);
    QFETCH(QString, facts);
    Twnd_quil_Editor window;
    window.PlaceText(text.toStdString(), false);
    if (selectTo >= 0)
        window.Editor->SendScintilla(
            QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(selectTo), long(caret));
    else
        SetCaret(window, caret);
    window.EditorStatusChange();
    QCOMPARE(window.sb->Text(0), facts);
}

void TestEditorWnd::realModalLoop()
{
    const QString path = FDir.filePath("modal.json");
    WriteFile(path, "[1]");
    bool modal = false;
    QTimer::singleShot(0, this, [&modal] {
        auto* window = qobject_cast<Twnd_quil_Editor*>(QApplication::activeModalWidget());
        QVERIFY(window);
        modal = window->isModal();
        window->close();
    });
    QVERIFY(!EditFile(path));
    QVERIFY(modal);
    // The window is freed when it closes.
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<Twnd_quil_Editor*>(widget));
}

QTEST_MAIN(TestEditorWnd)
#include "tst_editorwnd.moc"
