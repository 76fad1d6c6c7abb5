#pragma once
// The JSON editor: a modal window in which the user types or pastes text, formats it, validates it
// with counts and saves it as UTF-8 with a byte-order mark. It exists only while EditFile or NewFile
// runs, and tells its caller whether a save succeeded.

#include "controls/MenuImages.h"
#include "core/OutlineBuilder.h"
#include "editor/EditorText.h"
#include "settings/LayoutManagerForm.h"
#include "util/QuillonError.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string_view>

class QAction;
class QMenu;
class QsciLexer;
class QToolButton;
class TCustomSynEdit;
class TFindReplaceDialog;
class TStatusPanels;

// A file the editor cannot load; its text is what the error report shows.
class EEditorError : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

class Twnd_quil_Editor : public TLMForm {
    Q_OBJECT
public:
    // AOwner: the main window (the editor is a window of its own, centred on it).
    explicit Twnd_quil_Editor(QWidget* AOwner = nullptr);
    ~Twnd_quil_Editor() override;

    QString Filename() const { return FFilename; }
    // The file Save writes; the caption names it.
    void SetFilename(const QString& Value);
    // Loads a file as UTF-8 (one leading byte-order mark skipped) and fills the caret facts. Raises
    // EEditorError, changing nothing, when the file cannot be read or is no UTF-8.
    void LoadFile(const QString& AFilename);
    // Replaces the whole text (a text "placed as a whole": it sets the line breaks a save writes) and
    // empties the undo history. The editor's modified flag is cleared unless AModified.
    void PlaceText(std::string_view AUtf8, bool AModified);
    // Shows or hides the command Paste from clipboard and its button.
    void SetClearPasteVisible(bool AVisible);

    bool Save();
    bool Validate(bool AVerbose);
    // Enabled states of the commands and the "Modified" panel.
    void SetControls();
    // The caret facts in status panel 0.
    void EditorStatusChange();

    // Whether a save succeeded in this window.
    bool Modified() const { return FModified; }
    // The editor's own flag: the text has changes that are not saved.
    bool EditorModified() const;
    TJSONCounts Counts() const { return {FObjCnt, FArrCnt, FValCnt}; }
    // The line breaks the next save writes.
    TLineBreakStyle LineBreaks() const { return FBreaks; }
    // The editor's text as UTF-8, valid until the text changes.
    std::string_view TextBytes() const;

    // Runs the window modally until it closes (tests replace it to work the window themselves).
    static std::function<void(Twnd_quil_Editor& AWindow)> RunModal;
    // The save-as dialog of acBrowse: the chosen file name, empty when cancelled (tests answer it).
    static std::function<QString(QWidget* AParent)> ChooseSaveName;
    // Opens the Base64 dialog with an initial text (the main window sets it; none: the command does nothing).
    static std::function<void(const QString& AText)> ShowBase64Dialog;
    // Makes the highlighter of a new editor: the JSON one; tests may give another (none: plain text).
    static std::function<QsciLexer*(QObject* AParent)> MakeHighlighter;
    // The save-as dialog of the desktop, as acBrowse asks for a name.
    static QString SaveDialogName(QWidget* AParent);

    // Handlers, as the user runs them.
    void acSaveExecute();
    void acFormatExecute();
    void acValidateExecute();
    void acClearPasteExecute();
    void acFindReplaceExecute();
    void acBase64Execute();
    void acGUIDExecute();
    void acBrowseExecute();
    void EditorMenuPopup();
    void EditorDropFiles(const QStringList& AFiles);
    // The find dialog's buttons.
    void rdFind();
    void rdReplace();
    void rdReplaceAll();

    TCustomSynEdit* Editor = nullptr;
    TStatusPanels* sb = nullptr;
    TFindReplaceDialog* rd = nullptr;
    QWidget* TopPanel = nullptr;
    QMenu* EditorMenu = nullptr;
    QToolButton* bSave = nullptr;
    QToolButton* bFormat = nullptr;
    QToolButton* bValidate = nullptr;
    QToolButton* bClearPaste = nullptr;
    QToolButton* bClose = nullptr;
    QAction* acSave = nullptr;
    QAction* acFormat = nullptr;
    QAction* acValidate = nullptr;
    QAction* acClearPaste = nullptr;
    QAction* acExit = nullptr;
    QAction* acUndo = nullptr;
    QAction* acRedo = nullptr;
    QAction* acCopy = nullptr;
    QAction* acCut = nullptr;
    QAction* acPaste = nullptr;
    QAction* acSelectAll = nullptr;
    QAction* acWordWrap = nullptr;
    QAction* acFindReplace = nullptr;
    QAction* acBase64 = nullptr;
    QAction* acGUID = nullptr;
    QAction* acBrowse = nullptr;

Q_SIGNALS:
    // The window closed (the close question, if any, was answered so that it may).
    void Closed();

protected:
    void closeEvent(QCloseEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    // FormatJSON on the text: the counts of the run, and "Text is not valid JSON." when it gives nothing.
    bool FormatText(TByteBuffer& AFormatted);
    QAction* MakeAction(const char* AName, const QString& ACaption, std::optional<TMenuPicture> APicture,
        void (Twnd_quil_Editor::*AHandler)());
    QToolButton* MakeButton(QAction* AAction, int AWidth);
    void CreateActions();
    void CreateTopPanel();
    void CreateEditor();
    void CreateMenu();
    // Shows a text placed whole and takes over its line breaks.
    void ShowText(const TEditorText& AText);
    // The next occurrence of the find text at or after AFrom: its byte range, or false.
    bool FindForward(long AFrom, long& AStart, long& AEnd);
    // Whether the closing question lets the window close.
    bool FormCloseQuery();
    // Text is on the clipboard (kept up to date from the clipboard's own signal).
    bool ClipboardHasText() const { return FClipboardHasText; }

    QString FFilename;
    bool FModified = false;
    int32_t FObjCnt = 0;
    int32_t FArrCnt = 0;
    int32_t FValCnt = 0;
    // The line breaks of the text last placed whole into the editor.
    TLineBreakStyle FBreaks = TLineBreakStyle::CRLF;
    // The whole text was replaced (Format, Paste from clipboard, a dropped file): the text counts as
    // modified until the next save, although its undo history is empty.
    bool FReplaced = false;
    bool FClipboardHasText = false;
};

// Runs the editor on a file: loads it, shows the window modally and frees it. True when changed text
// was saved. A file that cannot be loaded raises EEditorError; the window is then never shown.
bool EditFile(const QString& AFilename);
// Runs the editor on a new, empty text. True when it was saved; AFilename then names the file
// (empty otherwise).
bool NewFile(QString& AFilename);
