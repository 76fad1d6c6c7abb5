#pragma once
// The program's frame window: a multiple-document frame whose child windows are the document
// windows, with the main menu, the toolbar, the window bar, the recent-files list and the view
// options, and the receiving side of the single-instance hand-off.

#include "codecs/IPCMessage.h"
#include "controls/MenuImages.h"
#include "settings/LayoutManagerForm.h"

#include <QEvent>
#include <QList>
#include <QPrinter>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMdiArea;
class QMenu;
class QToolBar;
class THandoffServer;
class TImageList;
class TLayoutManagerMRU;
class TMDIButtonGroup;
class TMDIChildWindow;
class Tmdi_quil_Viewer;

// The deferred request to open a file; it carries its own copy of the name.
constexpr int WM_OPENFILE = 2024;
class TOpenFileEvent : public QEvent {
public:
    explicit TOpenFileEvent(const QString& AFilename)
        : QEvent(static_cast<QEvent::Type>(WM_OPENFILE))
        , FileName(AFilename)
    {
    }
    const QString FileName;
};

class Twnd_quil_Main : public TLMForm {
    Q_OBJECT
public:
    // AReceiver brings the file names of later starts of the program (none without a hand-off).
    explicit Twnd_quil_Main(THandoffServer* AReceiver = nullptr, QWidget* AParent = nullptr);
    ~Twnd_quil_Main() override;

    // Opens a file in a document window, or brings the window that shows it to the front. Returns the
    // window, or none when the name is no existing file (the user is warned).
    Tmdi_quil_Viewer* OpenFile(const QString& AFilename);
    // A new document window with a caption, the picture as its icon and a window-bar button.
    Tmdi_quil_Viewer* CreateMDIChild(const QString& ACaption, TMenuPicture APicture);
    // Queues a request to open a file, handled after the caller has returned (WM_OPENFILE).
    void PostOpenFile(const QString& AFilename);
    // The enabled states of the commands that depend on the document windows.
    void UpdateCommandStates();
    // A record handed over by another start of the program: one open request per existing file.
    void WMCopyData(const TIPCMessage& AMessage);
    // The changed-file check for the active document window, run when the frame is activated.
    void WMNCActivate();
    // The Base64 encoder/decoder with ATEXT as its input, modal to this window, freed when closed.
    void ShowBase64Dialog(const QString& AText);
    // The About dialog, modal to this window, freed when closed.
    void ShowAboutDialog();

    QList<Tmdi_quil_Viewer*> DocumentWindows() const;
    Tmdi_quil_Viewer* ActiveDocument() const;
    // The window of the window-bar button last pressed, if that press hit a button.
    TMDIChildWindow* TargetWindow() const;

    // Asks for a file to open (tests replace it); empty when the user cancels.
    static std::function<QString(QWidget* AParent)> ChooseFileToOpen;
    // The print dialog: true when the user chose a printer for APrinter (tests replace it).
    static std::function<bool(QPrinter& APrinter, QWidget* AParent)> ChoosePrinter;
    // The print preview: shows what APaint prints, modally (tests replace it).
    static std::function<void(QWidget* AParent, const std::function<void(QPrinter&)>& APaint)>
        ShowPrintPreview;
    // Asks for the name of a PDF file to write; empty when the user cancels (tests replace it).
    static std::function<QString(QWidget* AParent, const QString& AProposed)> ChoosePdfName;
    // The editor on a new text and on a file (tests replace them with fakes).
    static std::function<bool(QString& AFilename)> RunNewFile;
    static std::function<bool(const QString& AFilename)> RunEditFile;

    // Handlers, as the user runs them.
    void acOpenExecute();
    void acRefreshExecute();
    void acTreeLinesExecute();
    void acGridExecute();
    void acPersistentExecute();
    void acTileHorExecute();
    void acTileVerExecute();
    void acTitleExecute();
    void acNewExecute();
    void acEditExecute();
    void acPrintExecute();
    void acPrintPreviewExecute();
    void acExportPdfExecute();
    void acRegisterExecute();
    void acBase64Execute();
    void acAboutExecute();
    void FormDropFiles(const QStringList& AFiles);
    void MRUManClick(const QString& AItem);
    void WindowBarMenuPopup();

    QMdiArea* Area = nullptr;
    TMDIButtonGroup* mdibg = nullptr;
    QToolBar* ToolBar = nullptr;
    QMenu* mnFile = nullptr;
    QMenu* mnOptions = nullptr;
    QMenu* mnTools = nullptr;
    QMenu* mnWindows = nullptr;
    QMenu* mnInfo = nullptr;
    QMenu* WindowBarMenu = nullptr;
    TLayoutManagerMRU* MRUMan = nullptr;
    TImageList* MenuImages = nullptr;
    QAction* acNew = nullptr;
    QAction* acOpen = nullptr;
    QAction* acRefresh = nullptr;
    QAction* acPrint = nullptr;
    QAction* acPrintPreview = nullptr;
    QAction* acExportPdf = nullptr;
    QAction* acEdit = nullptr;
    QAction* acExit = nullptr;
    QAction* acValueCol = nullptr;
    QAction* acTreeLines = nullptr;
    QAction* acGrid = nullptr;
    QAction* acPersistent = nullptr;
    QAction* acCascade = nullptr;
    QAction* acTileHor = nullptr;
    QAction* acTileVer = nullptr;
    QAction* acMinAll = nullptr;
    QAction* acClose = nullptr;
    QAction* acCloseTarget = nullptr;
    QAction* acCloseAll = nullptr;
    QAction* acRestore = nullptr;
    QAction* acMinimize = nullptr;
    QAction* acMaximize = nullptr;
    QAction* acTitle = nullptr;
    QAction* acRegister = nullptr;
    QAction* acBase64 = nullptr;
    QAction* acAbout = nullptr;

protected:
    bool event(QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    QAction* MakeAction(const char* AName, const QString& ACaption, const QString& AHint,
        std::optional<TMenuPicture> APicture = std::nullopt);
    void CreateActions();
    void CreateMenus();
    void CreateWindowBar();
    void FormCreate();
    void FormAfterRestore();
    // True when the open command of the class "JSON" names the running executable.
    static bool IsRegisteredHandler();
    void FormAfterSave();
    void FillWindowsMenu();
    void Tile(Qt::Orientation AOrientation);

    QList<QAction*> FWindowEntries;
    bool FShown = false;
};
