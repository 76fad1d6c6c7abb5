#include "editor/EditorWnd.h"

#include "controls/MenuImages.h"
#include "controls/StatusPanels.h"
#include "core/ByteBuffer.h"
#include "core/JSONErrorPlace.h"
#include "editor/FindReplaceDialog.h"
#include "textview/CustomSynEdit.h"
#include "textview/JSONTokenizer.h"
#include "textview/SynJSONSyn.h"
#include "util/ErrorReport.h"
#include "util/FileUtils.h"
#include "util/MessageBoxes.h"
#include "util/SafeSaveFile.h"

// The control's headers use the plain signals/slots keywords, which this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexer.h>
#undef signals
#undef slots

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QUuid>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Sizes of the window's parts at 96 dots per inch.
constexpr int ClientWidth = 878;
constexpr int ClientHeight = 620;
constexpr int TopPanelHeight = 37;
constexpr int PanelMargin = 6;
constexpr int SaveWidth = 80;
constexpr int FormatWidth = 111;
constexpr int ValidateWidth = 111;
constexpr int ClearPasteWidth = 151;
constexpr int CloseWidth = 75;
constexpr int CaretPanelWidth = 300;
constexpr int ModifiedPanelWidth = 100;
constexpr int SparePanelWidth = 50;

const QColor ActiveLineColor(255, 255, 0);

const QString NotValidText = QStringLiteral("Text is not valid JSON.");
const QString NotFoundText = QStringLiteral("Text not found.");

// Shows the busy cursor for the life of the object.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Runs a handler; an error it raises is shown instead of leaving the event handling.
template<class TWork> void RunGuarded(TWork&& AWork)
{
    try {
        AWork();
    } catch (...) {
        ShowErrorReport(CurrentErrorReportText());
    }
}

QStringList LocalFiles(const QMimeData* AData)
{
    QStringList files;
    if (AData && AData->hasUrls())
        for (const QUrl& url : AData->urls())
            if (url.isLocalFile())
                files.append(url.toLocalFile());
    return files;
}

// Why a file cannot be read, in the system's words.
QString ReadFailure(const QString& AFilename)
{
    const QFileInfo info(AFilename);
    int error = 0;
    if (!info.exists())
        error = ENOENT;
    else if (info.isDir())
        error = EISDIR;
    else {
        const int fd = ::open(QFile::encodeName(AFilename).constData(), O_RDONLY | O_CLOEXEC);
        error = fd < 0 ? errno : EIO;
        if (fd >= 0)
            ::close(fd);
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

std::string_view View(const QByteArray& ABytes)
{
    return {ABytes.constData(), size_t(ABytes.size())};
}

QsciScintilla::EolMode EolModeOf(TLineBreakStyle AStyle)
{
    switch (AStyle) {
    case TLineBreakStyle::LF:
        return QsciScintilla::EolUnix;
    case TLineBreakStyle::CR:
        return QsciScintilla::EolMac;
    case TLineBreakStyle::CRLF:
        break;
    }
    return QsciScintilla::EolWindows;
}

} // namespace

std::function<void(Twnd_quil_Editor&)> Twnd_quil_Editor::RunModal = [](Twnd_quil_Editor& window) {
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&window, &Twnd_quil_Editor::Closed, &loop, &QEventLoop::quit);
    window.show();
    loop.exec(QEventLoop::DialogExec);
};
std::function<QString(QWidget*)> Twnd_quil_Editor::ChooseSaveName = &Twnd_quil_Editor::SaveDialogName;
std::function<void(const QString&)> Twnd_quil_Editor::ShowBase64Dialog;
std::function<QsciLexer*(QObject*)> Twnd_quil_Editor::MakeHighlighter = [](QObject* AParent) -> QsciLexer* {
    return new TSynJSONSyn(AParent);
};

Twnd_quil_Editor::Twnd_quil_Editor(QWidget* AOwner)
    : TLMForm(AOwner, TLMFormSettings {.LayoutControl = true, .LayoutReadOnly = true})
{
    setWindowTitle(QStringLiteral("JSON Editor"));
    CreateActions();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateTopPanel();
    layout->addWidget(TopPanel);
    CreateEditor();
    layout->addWidget(Editor, 1);
    sb = new TStatusPanels(central);
    sb->setObjectName(QStringLiteral("sb"));
    sb->AddPanel(CaretPanelWidth);
    sb->AddPanel(ModifiedPanelWidth);
    sb->AddPanel(SparePanelWidth);
    layout->addWidget(sb);
    setCentralWidget(central);
    CreateMenu();

    rd = new TFindReplaceDialog(this);
    connect(rd, &TFindReplaceDialog::FindNext, this, [this] { RunGuarded([this] { rdFind(); }); });
    connect(rd, &TFindReplaceDialog::Replace, this, [this] { RunGuarded([this] { rdReplace(); }); });
    connect(rd, &TFindReplaceDialog::ReplaceAll, this, [this] { RunGuarded([this] { rdReplaceAll(); }); });

    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto clipboardChanged = [this, clipboard] {
        const QMimeData* mime = clipboard->mimeData();
        FClipboardHasText = mime && mime->hasText();
    };
    connect(clipboard, &QClipboard::dataChanged, this, clipboardChanged);
    clipboardChanged();

    resize(ClientWidth, ClientHeight);
    if (AOwner)
        CenterTo(AOwner);
    PlaceText({}, false);
    SetControls();
}

Twnd_quil_Editor::~Twnd_quil_Editor() = default;

QAction* Twnd_quil_Editor::MakeAction(const char* AName, const QString& ACaption,
    std::optional<TMenuPicture> APicture, void (Twnd_quil_Editor::*AHandler)())
{
    auto* action = new QAction(ACaption, this);
    action->setObjectName(QString::fromLatin1(AName));
    if (APicture)
        action->setIcon(TMenuImages::Icon(*APicture));
    if (AHandler)
        connect(action, &QAction::triggered, this,
            [this, AHandler] { RunGuarded([this, AHandler] { (this->*AHandler)(); }); });
    // Shortcuts work wherever the focus is in the window.
    addAction(action);
    return action;
}

void Twnd_quil_Editor::CreateActions()
{
    acSave = MakeAction("acSave", tr("Save"), TMenuPicture::Save, &Twnd_quil_Editor::acSaveExecute);
    acSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    acFormat =
        MakeAction("acFormat", tr("Format JSON"), TMenuPicture::Format, &Twnd_quil_Editor::acFormatExecute);
    acValidate = MakeAction(
        "acValidate", tr("Validate JSON"), TMenuPicture::Validate, &Twnd_quil_Editor::acValidateExecute);
    acClearPaste = MakeAction("acClearPaste", tr("Paste from clipboard"), TMenuPicture::Paste,
        &Twnd_quil_Editor::acClearPasteExecute);
    acExit = MakeAction("acExit", tr("Close"), TMenuPicture::Exit, nullptr);
    connect(acExit, &QAction::triggered, this, &QWidget::close);
    acUndo = MakeAction("acUndo", tr("Undo"), TMenuPicture::Undo, nullptr);
    acRedo = MakeAction("acRedo", tr("Redo"), TMenuPicture::Redo, nullptr);
    acCopy = MakeAction("acCopy", tr("Copy"), TMenuPicture::Copy, nullptr);
    acCut = MakeAction("acCut", tr("Cut"), TMenuPicture::Cut, nullptr);
    acPaste = MakeAction("acPaste", tr("Paste"), TMenuPicture::Paste, nullptr);
    acSelectAll = MakeAction("acSelectAll", tr("Select All"), std::nullopt, nullptr);
    acWordWrap = MakeAction("acWordWrap", tr("WordWrap"), std::nullopt, nullptr);
    acWordWrap->setCheckable(true);
    acWordWrap->setChecked(true);
    acFindReplace = MakeAction("acFindReplace", tr("Find and Replace..."), TMenuPicture::FindReplace,
        &Twnd_quil_Editor::acFindReplaceExecute);
    acFindReplace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    acBase64 =
        MakeAction("acBase64", tr("Base64..."), TMenuPicture::Base64, &Twnd_quil_Editor::acBase64Execute);
    acGUID = MakeAction("acGUID", tr("Insert GUID"), std::nullopt, &Twnd_quil_Editor::acGUIDExecute);
    acBrowse = MakeAction("acBrowse", tr("Browse"), std::nullopt, &Twnd_quil_Editor::acBrowseExecute);
}

QToolButton* Twnd_quil_Editor::MakeButton(QAction* AAction, int AWidth)
{
    auto* button = new QToolButton(TopPanel);
    button->setObjectName(QLatin1Char('b') + AAction->objectName().mid(2));
    button->setDefaultAction(AAction);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFixedWidth(AWidth);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

void Twnd_quil_Editor::CreateTopPanel()
{
    TopPanel = new QWidget(this);
    TopPanel->setObjectName(QStringLiteral("TopPanel"));
    TopPanel->setFixedHeight(TopPanelHeight);
    auto* row = new QHBoxLayout(TopPanel);
    row->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
    bSave = MakeButton(acSave, SaveWidth);
    bFormat = MakeButton(acFormat, FormatWidth);
    bValidate = MakeButton(acValidate, ValidateWidth);
    bClearPaste = MakeButton(acClearPaste, ClearPasteWidth);
    bClose = MakeButton(acExit, CloseWidth);
    row->addWidget(bSave);
    row->addWidget(bFormat);
    row->addWidget(bValidate);
    // Paste from clipboard and Close stay at the right edge.
    row->addStretch(1);
    row->addWidget(bClearPaste);
    row->addWidget(bClose);
}

void Twnd_quil_Editor::CreateEditor()
{
    Editor = new TCustomSynEdit(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Editor->setFont(fixed);
    if (QsciLexer* lexer = MakeHighlighter ? MakeHighlighter(Editor) : nullptr) {
        // Every colour of the highlighter in the editor's own font.
        lexer->setDefaultFont(fixed);
        lexer->setFont(fixed);
        Editor->setLexer(lexer);
    }
    Editor->setMarginsFont(fixed);
    Editor->setCaretLineVisible(true);
    Editor->setCaretLineBackgroundColor(ActiveLineColor);
    // Also while the focus is elsewhere (in the find dialog, say).
    Editor->SendScintilla(QsciScintillaBase::SCI_SETCARETLINEVISIBLEALWAYS, 1UL);
    Editor->SetWordWrap(true);
    Editor->setAutoIndent(true);
    Editor->setIndentationsUseTabs(false);
    Editor->setTabIndents(true);
    Editor->setBackspaceUnindents(true);
    Editor->setFolding(QsciScintilla::NoFoldStyle);
    // The caret may stand beyond the end of a line; typing there fills the gap with spaces.
    Editor->SendScintilla(
        QsciScintillaBase::SCI_SETVIRTUALSPACEOPTIONS, QsciScintillaBase::SCVS_USERACCESSIBLE);
    // Dragging selected text moves it; dropped files are taken by the window (see eventFilter).
    Editor->viewport()->installEventFilter(this);
    Editor->installEventFilter(this);

    connect(Editor, &QsciScintilla::textChanged, this, &Twnd_quil_Editor::SetControls);
    connect(Editor, &QsciScintilla::modificationChanged, this, &Twnd_quil_Editor::SetControls);
    connect(Editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { EditorStatusChange(); });

    connect(acUndo, &QAction::triggered, Editor, &QsciScintilla::undo);
    connect(acRedo, &QAction::triggered, Editor, &QsciScintilla::redo);
    connect(acCopy, &QAction::triggered, Editor, &QsciScintilla::copy);
    connect(acCut, &QAction::triggered, Editor, &QsciScintilla::cut);
    connect(acPaste, &QAction::triggered, Editor, &QsciScintilla::paste);
    connect(acSelectAll, &QAction::triggered, Editor, [this] { Editor->selectAll(true); });
    connect(acWordWrap, &QAction::toggled, Editor, &TCustomSynEdit::SetWordWrap);
}

void Twnd_quil_Editor::CreateMenu()
{
    EditorMenu = new QMenu(this);
    EditorMenu->setObjectName(QStringLiteral("EditorMenu"));
    EditorMenu->addActions({acFormat, acValidate});
    EditorMenu->addSeparator();
    EditorMenu->addAction(acSave);
    EditorMenu->addSeparator();
    EditorMenu->addActions({acUndo, acRedo});
    EditorMenu->addSeparator();
    EditorMenu->addActions({acCopy, acCut, acPaste});
    EditorMenu->addSeparator();
    EditorMenu->addAction(acSelectAll);
    EditorMenu->addSeparator();
    EditorMenu->addAction(acWordWrap);
    EditorMenu->addSeparator();
    EditorMenu->addAction(acFindReplace);
    EditorMenu->addSeparator();
    EditorMenu->addAction(acBase64);
    EditorMenu->addSeparator();
    EditorMenu->addAction(acGUID);
}

void Twnd_quil_Editor::SetFilename(const QString& Value)
{
    FFilename = Value.isEmpty() ? QString() : QFileInfo(Value).absoluteFilePath();
    setWindowTitle(QStringLiteral("JSON Editor - [%1]").arg(QDir::toNativeSeparators(FFilename)));
}

namespace {
// The most lines a text placed in the editor keeps word wrap for.
constexpr int MaxWrappedLines = 100000;

// Runs AWork on another thread while the editor makes the document for a text of about ABytes (a
// large document's buffers take a while to make), and returns its result. The document is given back
// when the work fails.
template<typename TWork> auto WhilePreparing(TCustomSynEdit& AEditor, size_t ABytes, TWork AWork)
{
    auto work = std::async(std::launch::async, std::move(AWork));
    try {
        AEditor.PrepareTextBytes(ABytes);
        return work.get();
    } catch (...) {
        if (work.valid())
            work.wait();
        AEditor.DiscardPrepared();
        throw;
    }
}
} // namespace

void Twnd_quil_Editor::LoadFile(const QString& AFilename)
{
    TByteBuffer bytes;
    if (!ReadFileBytes(AFilename, bytes))
        throw EEditorError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(AFilename), ReadFailure(AFilename)));
    TEditorText text;
    if (!WhilePreparing(
            *Editor, bytes.Size(), [&bytes, &text] { return ReadEditorText(bytes.View(), text); })) {
        Editor->DiscardPrepared();
        throw EEditorError(
            QStringLiteral("Cannot open file \"%1\" in the editor: it is not UTF-8 text. No mapping "
                           "for the Unicode character exists in the target multi-byte code page.")
                .arg(QDir::toNativeSeparators(AFilename)));
    }
    ShowText(text);
    FReplaced = false;
    EditorStatusChange();
}

void Twnd_quil_Editor::PlaceText(std::string_view AUtf8, bool AModified)
{
    TEditorText text;
    WhilePreparing(*Editor, AUtf8.size(), [AUtf8, &text] { PlaceEditorText(AUtf8, text); });
    ShowText(text);
    FReplaced = AModified;
    SetControls();
}

void Twnd_quil_Editor::ShowText(const TEditorText& AText)
{
    FBreaks = AText.Breaks;
    Editor->setEolMode(EolModeOf(FBreaks));
    // Filled while wrapping is off: with it on, the control wraps every line of the new text at once
    // (seconds for a large text); switched on afterwards, it wraps the lines shown and the rest while idle.
    const bool wrap = Editor->WordWrap();
    Editor->SetWordWrap(false);
    Editor->SetTextBytes(AText.Text);
    // The control measures every line it wraps, at a few microseconds a line, and moving the caret
    // far down (Ctrl+End) makes it wrap all lines above first: seconds of a frozen window on a text
    // of a million lines. Such a text comes without word wrap; the menu entry switches it back on.
    if (wrap && Editor->lines() > MaxWrappedLines)
        acWordWrap->setChecked(false);
    else
        Editor->SetWordWrap(wrap);
}

void Twnd_quil_Editor::SetClearPasteVisible(bool AVisible)
{
    acClearPaste->setVisible(AVisible);
    bClearPaste->setVisible(AVisible);
}

std::string_view Twnd_quil_Editor::TextBytes() const
{
    const long length = Editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    if (length <= 0)
        return {};
    const auto* text =
        reinterpret_cast<const char*>(Editor->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    return {text, size_t(length)};
}

bool Twnd_quil_Editor::EditorModified() const
{
    return FReplaced || Editor->isModified();
}

void Twnd_quil_Editor::SetControls()
{
    const bool modified = EditorModified();
    const bool hasText = Editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) > 0;
    const bool selected = Editor->hasSelectedText();
    acSave->setEnabled(modified);
    acFormat->setEnabled(hasText);
    acValidate->setEnabled(hasText);
    acClearPaste->setEnabled(ClipboardHasText());
    acUndo->setEnabled(Editor->isUndoAvailable());
    acRedo->setEnabled(Editor->isRedoAvailable());
    acCopy->setEnabled(selected);
    acCut->setEnabled(selected);
    acPaste->setEnabled(ClipboardHasText());
    sb->SetText(1, modified ? QStringLiteral("Modified") : QString());
}

void Twnd_quil_Editor::EditorStatusChange()
{
    const auto send = [this](unsigned int message, unsigned long param = 0) {
        return Editor->SendScintilla(message, param);
    };
    // The bytes of [from, to) without copying them.
    const auto range = [this](long from, long to) -> std::string_view {
        if (to <= from)
            return {};
        const auto* bytes = reinterpret_cast<const char*>(Editor->SendScintilla(
            QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
        return bytes ? std::string_view(bytes, size_t(to - from)) : std::string_view();
    };
    const long caret = send(QsciScintillaBase::SCI_GETCURRENTPOS);
    const long line = send(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    const long lineStart = send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineEnd = send(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const long mainSelection = send(QsciScintillaBase::SCI_GETMAINSELECTION);
    const long virtualSpace = send(
        QsciScintillaBase::SCI_GETSELECTIONNCARETVIRTUALSPACE, static_cast<unsigned long>(mainSelection));
    const qint64 column = qint64(Utf16Length(range(lineStart, caret))) + virtualSpace + 1;
    // Past the end of its line the caret stands on no character.
    const uint32_t code =
        caret < lineEnd && virtualSpace == 0 ? FirstUtf16Unit(range(caret, std::min(caret + 4, lineEnd))) : 0;
    qint64 selected = 0;
    const long selections = send(QsciScintillaBase::SCI_GETSELECTIONS);
    for (long i = 0; i < selections; ++i)
        selected += qint64(
            Utf16Length(range(send(QsciScintillaBase::SCI_GETSELECTIONNSTART, static_cast<unsigned long>(i)),
                send(QsciScintillaBase::SCI_GETSELECTIONNEND, static_cast<unsigned long>(i)))));
    sb->SetText(
        0, CaretFactsText(line + 1, column, code, send(QsciScintillaBase::SCI_GETLINECOUNT), selected));
}

bool Twnd_quil_Editor::FormatText(TByteBuffer& AFormatted)
{
    TJSONCounts counts;
    FormatJSON(TextBytes(), AFormatted, counts);
    FObjCnt = counts.FObjCnt;
    FArrCnt = counts.FArrCnt;
    FValCnt = counts.FValCnt;
    if (AFormatted.Empty()) {
        // The caret goes where the text breaks, and is there when the box is answered.
        const TJSONErrorPlace place = FindJSONErrorPlace(TextBytes());
        Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(place.Offset));
        Editor->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
        ErrorBox(NotValidText);
        return false;
    }
    return true;
}

bool Twnd_quil_Editor::Validate(bool AVerbose)
{
    TByteBuffer formatted;
    if (!FormatText(formatted))
        return false;
    if (AVerbose)
        InfoBox(QStringLiteral("JSON is valid.\r\n\r\nObjects: %1\r\nArrays: %2\r\nValues: %3")
                    .arg(FObjCnt)
                    .arg(FArrCnt)
                    .arg(FValCnt));
    return true;
}

bool Twnd_quil_Editor::Save()
{
    struct TSetControlsAtEnd {
        Twnd_quil_Editor* Window;
        ~TSetControlsAtEnd() { Window->SetControls(); }
    } atEnd {this};
    if (FFilename.isEmpty())
        acBrowseExecute();
    if (FFilename.isEmpty())
        return false;
    if (!Validate(false))
        return false;
    const bool wasModified = EditorModified();
    const bool existed = QFileInfo::exists(FFilename);
    QString reason;
    if (!SafeSaveFile(FFilename, SaveBytes(TextBytes(), FBreaks), reason)) {
        ErrorBox(QStringLiteral("Cannot save file \"%1\". %2.%3")
                     .arg(QDir::toNativeSeparators(FFilename), reason,
                         existed ? QStringLiteral("\r\nThe file on disk was left as it was.") : QString()));
        return false;
    }
    // Only a save that reached the disk counts.
    FModified = FModified || wasModified;
    Editor->setModified(false);
    FReplaced = false;
    return true;
}

void Twnd_quil_Editor::acSaveExecute()
{
    Save();
}

void Twnd_quil_Editor::acFormatExecute()
{
    if (!ConfirmBox(QStringLiteral("This operation cannot be undone. Continue?")))
        return;
    struct TRestore {
        Twnd_quil_Editor* Window;
        ~TRestore()
        {
            Window->Editor->setFocus();
            Window->SetControls();
        }
    } restore {this};
    const TBusyCursor busy;
    TByteBuffer formatted;
    if (!FormatText(formatted))
        return;
    PlaceText(formatted.View(), true);
}

void Twnd_quil_Editor::acValidateExecute()
{
    Validate(true);
}

void Twnd_quil_Editor::acClearPasteExecute()
{
    if (!ConfirmBox(QStringLiteral("This will replace editor content with clipboard content.\r\nContinue?")))
        return;
    const QString text = ClipboardTextThroughCodeset(QGuiApplication::clipboard()->text(), LocaleCodeset());
    PlaceText(View(text.toUtf8()), true);
    SetControls();
}

void Twnd_quil_Editor::acFindReplaceExecute()
{
    const long caret = Editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const long start = Editor->SendScintilla(
        QsciScintillaBase::SCI_WORDSTARTPOSITION, static_cast<unsigned long>(caret), 1L);
    const long end =
        Editor->SendScintilla(QsciScintillaBase::SCI_WORDENDPOSITION, static_cast<unsigned long>(caret), 1L);
    if (end > start) {
        const std::string_view bytes = TextBytes().substr(size_t(start), size_t(end - start));
        rd->SetFindText(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    }
    rd->Execute();
}

void Twnd_quil_Editor::acBase64Execute()
{
    if (ShowBase64Dialog)
        ShowBase64Dialog(Editor->selectedText());
}

void Twnd_quil_Editor::acGUIDExecute()
{
    const QUuid id = QUuid::createUuid();
    if (id.isNull())
        return;
    const QString text = id.toString(QUuid::WithBraces).toUpper();
    QGuiApplication::clipboard()->setText(text);
    // As Paste would insert it, without depending on the clipboard's round trip.
    Editor->replaceSelectedText(text);
}

void Twnd_quil_Editor::acBrowseExecute()
{
    const QString name = ChooseSaveName ? ChooseSaveName(this) : QString();
    if (!name.isEmpty())
        SetFilename(name);
}

QString Twnd_quil_Editor::SaveDialogName(QWidget* AParent)
{
    QFileDialog dialog(AParent, QObject::tr("Save As"), QString(), QObject::tr("JSON (*.json)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.selectFile(QStringLiteral("untitled.json"));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

bool Twnd_quil_Editor::FindForward(long AFrom, long& AStart, long& AEnd)
{
    const QByteArray needle = rd->FindText().toUtf8();
    if (needle.isEmpty())
        return false;
    const long length = Editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    if (AFrom > length)
        return false;
    const unsigned long flags = (rd->MatchCase() ? QsciScintillaBase::SCFIND_MATCHCASE : 0)
        | (rd->WholeWord() ? QsciScintillaBase::SCFIND_WHOLEWORD : 0);
    Editor->SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS, flags);
    Editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(AFrom), length);
    const long found = Editor->SendScintilla(
        QsciScintillaBase::SCI_SEARCHINTARGET, static_cast<unsigned long>(needle.size()), needle.constData());
    if (found < 0)
        return false;
    AStart = found;
    AEnd = Editor->SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
    return true;
}

void Twnd_quil_Editor::rdFind()
{
    long start = 0;
    long end = 0;
    if (FindForward(Editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), start, end)) {
        Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(start), end);
        Editor->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    } else {
        InfoBox(NotFoundText);
    }
    Editor->setFocus();
}

void Twnd_quil_Editor::rdReplace()
{
    // From the start of the selection, so that an occurrence Find Next has just selected is the one replaced.
    long start = 0;
    long end = 0;
    if (FindForward(Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), start, end)) {
        const QByteArray replacement = rd->ReplaceText().toUtf8();
        Editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(start), end);
        Editor->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
            static_cast<unsigned long>(replacement.size()), replacement.constData());
        const long after = Editor->SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
        Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(after), after);
    } else {
        InfoBox(NotFoundText);
    }
    Editor->setFocus();
}

void Twnd_quil_Editor::rdReplaceAll()
{
    const QByteArray replacement = rd->ReplaceText().toUtf8();
    long from = Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    long start = 0;
    long end = 0;
    int replaced = 0;
    // One undo step for all of them.
    Editor->beginUndoAction();
    while (FindForward(from, start, end)) {
        Editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(start), end);
        Editor->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
            static_cast<unsigned long>(replacement.size()), replacement.constData());
        from = Editor->SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
        ++replaced;
    }
    Editor->endUndoAction();
    if (replaced == 0)
        InfoBox(NotFoundText);
    else
        Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(from), from);
    Editor->setFocus();
}

void Twnd_quil_Editor::EditorMenuPopup()
{
    SetControls();
}

void Twnd_quil_Editor::EditorDropFiles(const QStringList& AFiles)
{
    if (AFiles.isEmpty() || !ConfirmBox(QStringLiteral("Load dropped file?")))
        return;
    const QString& file = AFiles.first();
    TByteBuffer bytes;
    if (!ReadFileBytes(file, bytes)) {
        ErrorBox(QStringLiteral("Cannot open file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(file), ReadFailure(file)));
        return;
    }
    QString text;
    QString encoding;
    if (!DecodeDroppedBytes(QByteArray::fromRawData(bytes.Data(), qsizetype(bytes.Size())), LocaleCodeset(),
            text, encoding)) {
        ErrorBox(QStringLiteral(
            "Cannot load \"%1\": its bytes are not valid %2 text. The editor text was left as it was.")
                     .arg(QDir::toNativeSeparators(file), encoding));
        return;
    }
    // The text now differs from the file the editor saves to.
    PlaceText(View(text.toUtf8()), true);
}

bool Twnd_quil_Editor::FormCloseQuery()
{
    if (!EditorModified())
        return true;
    switch (ConfirmCancelBox(QStringLiteral("Save changes?"))) {
    case IDYES:
        return Save();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void Twnd_quil_Editor::closeEvent(QCloseEvent* AEvent)
{
    bool close = false;
    RunGuarded([this, &close] { close = FormCloseQuery(); });
    if (!close) {
        AEvent->ignore();
        return;
    }
    AEvent->accept();
    rd->hide();
    Q_EMIT Closed();
}

void Twnd_quil_Editor::changeEvent(QEvent* AEvent)
{
    TLMForm::changeEvent(AEvent);
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        SetControls();
}

bool Twnd_quil_Editor::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AWatched == Editor || AWatched == Editor->viewport()) {
        switch (AEvent->type()) {
        case QEvent::ContextMenu: {
            EditorMenuPopup();
            EditorMenu->popup(static_cast<QContextMenuEvent*>(AEvent)->globalPos());
            return true;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(AEvent);
            if (LocalFiles(drag->mimeData()).isEmpty())
                break;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(AEvent);
            const QStringList files = LocalFiles(drop->mimeData());
            if (files.isEmpty())
                break;
            drop->acceptProposedAction();
            // Asked once the drag is over, not inside it.
            QTimer::singleShot(
                0, this, [this, files] { RunGuarded([this, &files] { EditorDropFiles(files); }); });
            return true;
        }
        default:
            break;
        }
    }
    return TLMForm::eventFilter(AWatched, AEvent);
}

bool EditFile(const QString& AFilename)
{
    auto busy = std::make_unique<TBusyCursor>();
    const auto window = std::make_unique<Twnd_quil_Editor>(TLayoutManager::MainWindow());
    window->SetClearPasteVisible(false);
    window->LoadFile(AFilename);
    window->SetFilename(AFilename);
    window->EditorStatusChange();
    // The window is about to show: the normal cursor again.
    busy.reset();
    Twnd_quil_Editor::RunModal(*window);
    return window->Modified();
}

bool NewFile(QString& AFilename)
{
    const auto window = std::make_unique<Twnd_quil_Editor>(TLayoutManager::MainWindow());
    window->SetClearPasteVisible(true);
    window->PlaceText({}, false);
    Twnd_quil_Editor::RunModal(*window);
    AFilename = window->Modified() ? window->Filename() : QString();
    return window->Modified();
}
