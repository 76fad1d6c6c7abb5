#include "shell/MainWnd.h"

#include "about/AboutDlg.h"
#include "about/VersionInfo.h"
#include "codecs/CmdLine.h"
#include "controls/ImageList.h"
#include "controls/MDIButtonGroup.h"
#include "controls/MDIChildWindow.h"
#include "controls/MenuImages.h"
#include "core/OutlinePath.h"
#include "editor/EditorWnd.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerControl.h"
#include "settings/LayoutManagerMRU.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/FileTypeRegistration.h"
#include "shell/InstanceHandoff.h"
#include "shell/Startup.h"
#include "tools/Base64Dlg.h"
#include "util/ErrorReport.h"
#include "util/FileUtils.h"
#include "util/MessageBoxes.h"
#include "util/QuillonError.h"
#include "viewer/ViewerWnd.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
const QColor ClientColor(79, 82, 87);
// The recent-file entries would take pictures from this index on: beyond the menu pictures, so none.
constexpr int MRUFirstPicture = 100;
// The file type the "Default Quillon" option registers the program for.
const QString JsonExtension = QStringLiteral(".json");
const QString JsonClassName = QStringLiteral("JSON");
const QString JsonTypeDescription = QStringLiteral("Ravek Quillon");
// The executable's icon that stands for the file type.
const QString ProgramIconNumber = QStringLiteral(",1");

} // namespace

std::function<bool(QPrinter&, QWidget*)> Twnd_quil_Main::ChoosePrinter = [](QPrinter& APrinter,
                                                                             QWidget* AParent) {
    QPrintDialog dialog(&APrinter, AParent);
    return dialog.exec() == QDialog::Accepted;
};

std::function<void(QWidget*, const std::function<void(QPrinter&)>&)> Twnd_quil_Main::ShowPrintPreview =
    [](QWidget* AParent, const std::function<void(QPrinter&)>& APaint) {
        QPrintPreviewDialog dialog(AParent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            [&APaint](QPrinter* APrinter) { APaint(*APrinter); });
        dialog.exec();
    };

std::function<QString(QWidget*, const QString&)> Twnd_quil_Main::ChoosePdfName =
    [](QWidget* AParent, const QString& AProposed) {
        QFileDialog dialog(AParent, QObject::tr("Export PDF"), AProposed);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("PDF (*.pdf)"));
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        dialog.selectFile(AProposed);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };

std::function<bool(QString&)> Twnd_quil_Main::RunNewFile = &NewFile;
std::function<bool(const QString&)> Twnd_quil_Main::RunEditFile = &EditFile;

std::function<QString(QWidget*)> Twnd_quil_Main::ChooseFileToOpen = [](QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("JSON files (*.json)"), QStringLiteral("All files (*)")});
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
};

Twnd_quil_Main::Twnd_quil_Main(THandoffServer* AReceiver, QWidget* AParent)
    : TLMForm(AParent, TLMFormSettings {.LayoutControl = true, .LayoutReadOnly = true, .AcceptFiles = true})
{
    // Windows created from now on take over this window's storage and read-only state.
    TLayoutManager::SetMainWindow(this);
    SetMessageBoxMainWindow(this);
    setWindowTitle(ApplicationTitle.toString());
    FormCreate();
    if (AReceiver) {
        connect(AReceiver, &THandoffServer::RaiseRequested, this, [this] { RestoreAndActivate(this); });
        connect(AReceiver, &THandoffServer::MessageReceived, this, &Twnd_quil_Main::WMCopyData);
    }
    // The enabled states are brought up to date whenever the program waits for new events.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(
            dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Twnd_quil_Main::UpdateCommandStates);
}

Twnd_quil_Main::~Twnd_quil_Main()
{
    // The final save calls this window's own handlers (the recent-files list): it runs while they exist.
    SaveOnDestroy();
    Tmdi_quil_Viewer::ValueColumnOption = nullptr;
    Tmdi_quil_Viewer::ShowBase64Dialog = nullptr;
    Twnd_quil_Editor::ShowBase64Dialog = nullptr;
    SetMessageBoxMainWindow(nullptr);
    if (TLayoutManager::MainWindow() == this)
        TLayoutManager::SetMainWindow(nullptr);
}

QAction* Twnd_quil_Main::MakeAction(
    const char* AName, const QString& ACaption, const QString& AHint, std::optional<TMenuPicture> APicture)
{
    auto* action = new QAction(ACaption, this);
    action->setObjectName(QString::fromLatin1(AName));
    // A hint "short|long": the short part is the tooltip, the long one the status text.
    const int bar = AHint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? AHint : AHint.left(bar));
    action->setStatusTip(bar < 0 ? AHint : AHint.mid(bar + 1));
    if (APicture)
        action->setIcon(TMenuImages::Icon(*APicture));
    return action;
}

void Twnd_quil_Main::CreateActions()
{
    acNew = MakeAction("acNew", tr("New..."), tr("New"), TMenuPicture::New);
    acNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(acNew, &QAction::triggered, this, &Twnd_quil_Main::acNewExecute);
    acOpen = MakeAction("acOpen", tr("&Open..."), tr("Open|Opens an existing file"), TMenuPicture::Open);
    acOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(acOpen, &QAction::triggered, this, &Twnd_quil_Main::acOpenExecute);
    acRefresh = MakeAction("acRefresh", tr("Refresh"), tr("Refresh"), TMenuPicture::Refresh);
    acRefresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(acRefresh, &QAction::triggered, this, &Twnd_quil_Main::acRefreshExecute);
    acExit = MakeAction("acExit", tr("E&xit"), tr("Exit|Quits the application"), TMenuPicture::Exit);
    connect(acExit, &QAction::triggered, this, &QWidget::close);

    acValueCol = MakeAction("acValueCol", tr("Value Column"), QString());
    acTreeLines = MakeAction("acTreeLines", tr("Tree Lines"), QString());
    acGrid = MakeAction("acGrid", tr("Grid Lines"), QString());
    acPersistent = MakeAction("acPersistent", tr("Persistent settings"), QString());
    for (QAction* option : {acValueCol, acTreeLines, acGrid, acPersistent})
        option->setCheckable(true);
    acValueCol->setChecked(true);
    acTreeLines->setChecked(true);
    acGrid->setChecked(false);
    acPersistent->setChecked(false);
    // Value Column is read by each document window at its next refresh; nothing is pushed.
    Tmdi_quil_Viewer::ValueColumnOption = [this] { return acValueCol->isChecked(); };
    Tmdi_quil_Viewer::ShowBase64Dialog = [this](const QString& AText) { ShowBase64Dialog(AText); };
    Twnd_quil_Editor::ShowBase64Dialog = [this](const QString& AText) { ShowBase64Dialog(AText); };
    connect(acTreeLines, &QAction::triggered, this, &Twnd_quil_Main::acTreeLinesExecute);
    connect(acGrid, &QAction::triggered, this, &Twnd_quil_Main::acGridExecute);
    connect(acPersistent, &QAction::triggered, this, &Twnd_quil_Main::acPersistentExecute);

    acCascade = MakeAction("acCascade", tr("&Cascade"), tr("Cascade"), TMenuPicture::Cascade);
    connect(acCascade, &QAction::triggered, this, [this] { Area->cascadeSubWindows(); });
    acTileHor = MakeAction(
        "acTileHor", tr("Tile &horizontally"), tr("Tile horizontally"), TMenuPicture::TileHorizontally);
    connect(acTileHor, &QAction::triggered, this, &Twnd_quil_Main::acTileHorExecute);
    acTileVer =
        MakeAction("acTileVer", tr("Tile &vertically"), tr("Tile vertically"), TMenuPicture::TileVertically);
    connect(acTileVer, &QAction::triggered, this, &Twnd_quil_Main::acTileVerExecute);
    acMinAll = MakeAction("acMinAll", tr("Minimize All"), tr("Minimize All"));
    connect(acMinAll, &QAction::triggered, this, [this] { mdibg->MinimizeAll(); });
    // The main menu's Close acts on the window the user is in; the window bar's own menu acts on the
    // button it was opened on.
    acClose = MakeAction("acClose", tr("Close"), tr("Close"), TMenuPicture::Close);
    connect(acClose, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* active = Area->activeSubWindow())
            active->close();
    });
    acCloseTarget = MakeAction("acCloseTarget", tr("Close"), tr("Close"), TMenuPicture::Close);
    connect(acCloseTarget, &QAction::triggered, this, [this] {
        if (TMDIChildWindow* target = TargetWindow())
            target->close();
    });
    acCloseAll = MakeAction("acCloseAll", tr("Close All"), tr("Close All"));
    connect(acCloseAll, &QAction::triggered, this, [this] { mdibg->CloseAll(); });
    acRestore = MakeAction("acRestore", tr("Restore"), tr("Restore"), TMenuPicture::Restore);
    connect(acRestore, &QAction::triggered, this, [this] {
        if (TMDIChildWindow* target = TargetWindow())
            target->showNormal();
    });
    acMinimize = MakeAction("acMinimize", tr("Minimize"), tr("Minimize"), TMenuPicture::Minimize);
    connect(acMinimize, &QAction::triggered, this, [this] {
        if (TMDIChildWindow* target = TargetWindow())
            target->showMinimized();
    });
    acMaximize = MakeAction("acMaximize", tr("Maximize"), tr("Maximize"), TMenuPicture::Maximize);
    connect(acMaximize, &QAction::triggered, this, [this] {
        if (TMDIChildWindow* target = TargetWindow())
            target->showMaximized();
    });
    acTitle = MakeAction("acTitle", QStringLiteral("<none>"), QString(), TMenuPicture::FullCollapse);
    connect(acTitle, &QAction::triggered, this, &Twnd_quil_Main::acTitleExecute);

    // Not one of the stored options: the registration itself is the state (see FormCreate).
    acPrint = MakeAction("acPrint", tr("&Print..."), tr("Print"), TMenuPicture::Print);
    acPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(acPrint, &QAction::triggered, this, &Twnd_quil_Main::acPrintExecute);
    acPrintPreview = MakeAction("acPrintPreview", tr("Print Preview..."), tr("Print Preview"));
    connect(acPrintPreview, &QAction::triggered, this, &Twnd_quil_Main::acPrintPreviewExecute);
    acExportPdf = MakeAction("acExportPdf", tr("Export PDF..."), tr("Export PDF"));
    connect(acExportPdf, &QAction::triggered, this, &Twnd_quil_Main::acExportPdfExecute);
    acEdit = MakeAction("acEdit", tr("Editor..."), tr("Editor"), TMenuPicture::Editor);
    connect(acEdit, &QAction::triggered, this, &Twnd_quil_Main::acEditExecute);
    acRegister = MakeAction("acRegister", tr("Default Quillon"), QString());
    acRegister->setCheckable(true);
    connect(acRegister, &QAction::triggered, this, &Twnd_quil_Main::acRegisterExecute);
    acBase64 = MakeAction("acBase64", tr("Base64..."), tr("Base64 encoder/decoder"), TMenuPicture::Base64);
    acBase64->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(acBase64, &QAction::triggered, this, &Twnd_quil_Main::acBase64Execute);
    acAbout = MakeAction("acAbout", tr("About..."), tr("About"), TMenuPicture::About);
    connect(acAbout, &QAction::triggered, this, &Twnd_quil_Main::acAboutExecute);
}

void Twnd_quil_Main::CreateMenus()
{
    mnFile = menuBar()->addMenu(tr("&File"));
    mnFile->setObjectName(QStringLiteral("mnFile"));
    mnFile->addAction(acNew);
    mnFile->addAction(acOpen);
    mnFile->addSeparator();
    mnFile->addAction(acRefresh);
    mnFile->addSeparator();
    mnFile->addAction(acPrint);
    mnFile->addAction(acPrintPreview);
    mnFile->addAction(acExportPdf);
    mnFile->addSeparator();
    mnFile->addAction(acExit);

    mnOptions = menuBar()->addMenu(tr("Options"));
    mnOptions->setObjectName(QStringLiteral("mnOptions"));
    mnOptions->addAction(acValueCol);
    mnOptions->addAction(acTreeLines);
    mnOptions->addAction(acGrid);
    mnOptions->addSeparator();
    mnOptions->addAction(acPersistent);
    mnOptions->addSeparator();
    mnOptions->addAction(acRegister);

    mnTools = menuBar()->addMenu(tr("Tools"));
    mnTools->setObjectName(QStringLiteral("mnTools"));
    mnTools->addAction(acEdit);
    mnTools->addSeparator();
    mnTools->addAction(acBase64);

    mnWindows = menuBar()->addMenu(tr("&Windows"));
    mnWindows->setObjectName(QStringLiteral("mnWindows"));
    mnWindows->addAction(acCascade);
    mnWindows->addAction(acTileHor);
    mnWindows->addAction(acTileVer);
    mnWindows->addSeparator();
    mnWindows->addAction(acClose);
    mnWindows->addAction(acCloseAll);
    // The frame's window list: the open document windows follow the entries.
    connect(mnWindows, &QMenu::aboutToShow, this, &Twnd_quil_Main::FillWindowsMenu);

    mnInfo = menuBar()->addMenu(tr("&Info"));
    mnInfo->setObjectName(QStringLiteral("mnInfo"));
    mnInfo->addAction(acAbout);

    ToolBar = addToolBar(tr("Toolbar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->addAction(acNew);
    ToolBar->addAction(acOpen);
    ToolBar->addAction(acPrint);
    ToolBar->addAction(acRefresh);
    ToolBar->addSeparator();
    ToolBar->addAction(acEdit);
    ToolBar->addAction(acBase64);
    ToolBar->addSeparator();
    ToolBar->addAction(acCascade);
    ToolBar->addAction(acTileHor);
    ToolBar->addAction(acTileVer);
    ToolBar->addSeparator();
    ToolBar->addAction(acExit);
}

void Twnd_quil_Main::CreateWindowBar()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Area = new QMdiArea(central);
    Area->setObjectName(QStringLiteral("Area"));
    Area->setBackground(ClientColor);
    layout->addWidget(Area, 1);
    setCentralWidget(central);

    MenuImages = new TImageList(this);
    for (const QIcon& icon : TMenuImages::Icons())
        MenuImages->Add(icon);

    mdibg = new TMDIButtonGroup(this);
    mdibg->setObjectName(QStringLiteral("mdibg"));
    layout->insertWidget(0, mdibg);
    mdibg->SetAutoSize(true);
    mdibg->SetButtonWidth(150);
    mdibg->SetButtonHeight(22);
    mdibg->SetButtonOptions(TGrpButtonOptions(gboAllowReorder | gboGroupStyle | gboShowCaptions));
    mdibg->SetHotButtonColor(QColor(255, 255, 0));
    mdibg->SetSelectedButtonColor(QColor(166, 202, 240));
    mdibg->SetRegularButtonColor(QApplication::palette().color(QPalette::Button));
    mdibg->SetEdgeButtonColor(QColor(160, 160, 164));
    mdibg->SetBevelKind(bkSoft);
    mdibg->SetBevelEdges({});
    mdibg->SetColor(QApplication::palette().color(QPalette::Button));
    mdibg->setCursor(Qt::PointingHandCursor);
    mdibg->SetImages(MenuImages);
    // A wheel turn over the bar does nothing.
    mdibg->OnMouseWheel = [](TButtonGroupEx*, Qt::KeyboardModifiers, int, const QPoint&, bool& handled) {
        handled = true;
    };

    WindowBarMenu = new QMenu(this);
    WindowBarMenu->setObjectName(QStringLiteral("WindowBarMenu"));
    WindowBarMenu->addAction(acTitle);
    WindowBarMenu->addSeparator();
    WindowBarMenu->addAction(acRestore);
    WindowBarMenu->addAction(acMinimize);
    WindowBarMenu->addAction(acMaximize);
    WindowBarMenu->addSeparator();
    WindowBarMenu->addAction(acMinAll);
    WindowBarMenu->addAction(acCloseAll);
    WindowBarMenu->addSeparator();
    WindowBarMenu->addAction(acCloseTarget);
    WindowBarMenu->setDefaultAction(acCloseTarget);
    mdibg->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mdibg, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        WindowBarMenuPopup();
        WindowBarMenu->popup(mdibg->mapToGlobal(pos));
    });
}

void Twnd_quil_Main::FormCreate()
{
    CreateActions();
    CreateMenus();
    CreateWindowBar();
    resize(796, 554 + menuBar()->sizeHint().height() + ToolBar->sizeHint().height());
    CenterTo(nullptr);

    LayoutManager()->SetStorage(LayoutStorage);
    for (QAction* option : {acPersistent, acValueCol, acGrid, acTreeLines})
        LayoutManager()->Add(option, {QStringLiteral("Checked")});
    SetOnAfterRestore([this](TLayoutManager*) { FormAfterRestore(); });
    SetOnAfterSave([this](TLayoutManager*) { FormAfterSave(); });
    OnDropFiles = [this](QObject*, const QStringList& files) { FormDropFiles(files); };

    MRUMan = new TLayoutManagerMRU(this);
    MRUMan->setObjectName(QStringLiteral("MRUMan"));
    MRUMan->SetStartImageIndex(MRUFirstPicture);
    MRUMan->SetImages([](int index) { return TMenuImages::Icon(index); });
    MRUMan->SetStorage(LayoutStorage);
    MRUMan->SetMenuItem(mnFile);
    MRUMan->SetOnMenuClick([this](TLayoutManagerMRU*, const QString& item) { MRUManClick(item); });
    if (LayoutStorage) {
        // A damaged entry must not keep the program from starting: the error is reported and the list
        // keeps what was read before it.
        try {
            MRUMan->Restore();
        } catch (const ERegistryException& error) {
            MRUMan->RefreshMenu();
            ShowErrorReport(error.Message());
        }
    }
    UpdateCommandStates();
    // Last: whether the program is the registered handler, as it is now; later changes by other
    // programs are not noticed.
    acRegister->setChecked(IsRegisteredHandler());
}

bool Twnd_quil_Main::IsRegisteredHandler()
{
    const QString command = GetFileTypeCommand(JsonExtension, JsonClassName);
    return !command.isEmpty()
        && TRegistryHive::FoldName(command) == TRegistryHive::FoldName(ProgramFilePath());
}

void Twnd_quil_Main::FormAfterRestore()
{
    SetLayoutReadOnly(!acPersistent->isChecked());
}

void Twnd_quil_Main::FormAfterSave()
{
    // The recent files are saved with the main window only, so "Persistent settings" covers them.
    if (LayoutStorage)
        MRUMan->Save();
}

void Twnd_quil_Main::showEvent(QShowEvent* AEvent)
{
    TLMForm::showEvent(AEvent);
    if (FShown)
        return;
    FShown = true;
    // The files named on the command line, in order, once the window shows.
    if (CommandLine)
        for (const QString& file : FilesToOpen(CommandLine->FSL, QDir::currentPath()))
            PostOpenFile(file);
}

void Twnd_quil_Main::closeEvent(QCloseEvent* AEvent)
{
    hide();
    mdibg->CloseAll();
    TLMForm::closeEvent(AEvent);
}

bool Twnd_quil_Main::event(QEvent* AEvent)
{
    if (AEvent->type() == static_cast<QEvent::Type>(WM_OPENFILE)) {
        OpenFile(static_cast<TOpenFileEvent*>(AEvent)->FileName);
        return true;
    }
    return TLMForm::event(AEvent);
}

void Twnd_quil_Main::changeEvent(QEvent* AEvent)
{
    TLMForm::changeEvent(AEvent);
    // Only activation starts the check.
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        WMNCActivate();
}

void Twnd_quil_Main::WMNCActivate()
{
    if (Tmdi_quil_Viewer* active = ActiveDocument())
        active->FormActivate();
}

void Twnd_quil_Main::PostOpenFile(const QString& AFilename)
{
    QCoreApplication::postEvent(this, new TOpenFileEvent(AFilename));
}

void Twnd_quil_Main::WMCopyData(const TIPCMessage& AMessage)
{
    for (const QString& file : IPCFilesToOpen(AMessage, QDir::currentPath()))
        PostOpenFile(file);
}

QList<Tmdi_quil_Viewer*> Twnd_quil_Main::DocumentWindows() const
{
    QList<Tmdi_quil_Viewer*> windows;
    for (QMdiSubWindow* sub : Area->subWindowList(QMdiArea::CreationOrder))
        if (auto* viewer = qobject_cast<Tmdi_quil_Viewer*>(sub->widget()))
            windows.append(viewer);
    return windows;
}

Tmdi_quil_Viewer* Twnd_quil_Main::ActiveDocument() const
{
    QMdiSubWindow* active = Area->activeSubWindow();
    return active ? qobject_cast<Tmdi_quil_Viewer*>(active->widget()) : nullptr;
}

TMDIChildWindow* Twnd_quil_Main::TargetWindow() const
{
    return mdibg->GetChild(mdibg->HotButtonIndex());
}

Tmdi_quil_Viewer* Twnd_quil_Main::OpenFile(const QString& AFilename)
{
    // A window that shows the file already comes to the front: the same file by any path to it, while
    // names that differ only in letter case are different files.
    for (Tmdi_quil_Viewer* viewer : DocumentWindows()) {
        if (SameFile(viewer->Filename(), AFilename)) {
            auto* frame = TMDIChildWindow::Of(viewer);
            if (frame && frame->isMinimized())
                frame->showNormal();
            Area->setActiveSubWindow(frame);
            return viewer;
        }
    }
    const QFileInfo info(AFilename);
    if (!info.isFile()) {
        WarningBox(QStringLiteral("File does not exists."));
        MRUMan->Remove(AFilename);
        return nullptr;
    }
    Tmdi_quil_Viewer* viewer = CreateMDIChild(info.fileName(), TMenuPicture::Document);
    viewer->SetGridLines(acGrid->isChecked());
    viewer->SetTreeLines(acTreeLines->isChecked());
    viewer->SetFilename(AFilename);
    MRUMan->Add(viewer->Filename());
    UpdateCommandStates();
    return viewer;
}

Tmdi_quil_Viewer* Twnd_quil_Main::CreateMDIChild(const QString& ACaption, TMenuPicture APicture)
{
    auto* frame = new TMDIChildWindow;
    auto* viewer = new Tmdi_quil_Viewer;
    frame->setWidget(viewer);
    frame->setWindowTitle(ACaption);
    viewer->setWindowTitle(ACaption);
    frame->setWindowIcon(MenuImages->GetIcon(PictureIndex(APicture)));
    // The window's own activation handler, which the window bar takes over and chains to.
    frame->OnActivate = [viewer](QObject*) { viewer->FormActivate(); };
    Area->addSubWindow(frame);
    frame->show();
    mdibg->AddButton(frame, PictureIndex(APicture), QString());
    return viewer;
}

void Twnd_quil_Main::ShowBase64Dialog(const QString& AText)
{
    ::ShowBase64Dialog(this, AText);
}

void Twnd_quil_Main::ShowAboutDialog()
{
    ::ShowAboutDialog(this);
}

void Twnd_quil_Main::UpdateCommandStates()
{
    const bool active = ActiveDocument() != nullptr;
    const bool any = !Area->subWindowList().isEmpty();
    acRefresh->setEnabled(active);
    acPrint->setEnabled(active);
    acPrintPreview->setEnabled(active);
    acExportPdf->setEnabled(active);
    acEdit->setEnabled(active);
    acClose->setEnabled(active);
    acCloseTarget->setEnabled(active);
    acCloseAll->setEnabled(any);
    acCascade->setEnabled(any);
    acTileHor->setEnabled(any);
    acTileVer->setEnabled(any);
    acMinAll->setEnabled(any);
}

void Twnd_quil_Main::acOpenExecute()
{
    const QString file = ChooseFileToOpen ? ChooseFileToOpen(this) : QString();
    if (!file.isEmpty())
        OpenFile(file);
}

void Twnd_quil_Main::acRefreshExecute()
{
    if (Tmdi_quil_Viewer* active = ActiveDocument())
        active->Reread();
}

void Twnd_quil_Main::acTreeLinesExecute()
{
    for (Tmdi_quil_Viewer* viewer : DocumentWindows())
        viewer->SetTreeLines(acTreeLines->isChecked());
}

void Twnd_quil_Main::acGridExecute()
{
    for (Tmdi_quil_Viewer* viewer : DocumentWindows())
        viewer->SetGridLines(acGrid->isChecked());
}

void Twnd_quil_Main::acPersistentExecute()
{
    const bool readOnly = !acPersistent->isChecked();
    SetLayoutReadOnly(readOnly);
    for (Tmdi_quil_Viewer* viewer : DocumentWindows())
        viewer->SetLayoutReadOnly(readOnly);
}

void Twnd_quil_Main::Tile(Qt::Orientation AOrientation)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : Area->subWindowList(QMdiArea::StackingOrder))
        if (!sub->isMinimized() && sub->isVisible())
            windows.append(sub);
    if (windows.isEmpty())
        return;
    const QRect area = Area->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        if (AOrientation == Qt::Horizontal) {
            // One under the other, each as wide as the area.
            const int top = area.height() * i / n;
            sub->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
        } else {
            const int left = area.width() * i / n;
            sub->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
        }
    }
}

void Twnd_quil_Main::acTileHorExecute()
{
    Tile(Qt::Horizontal);
}

void Twnd_quil_Main::acTileVerExecute()
{
    Tile(Qt::Vertical);
}

void Twnd_quil_Main::acTitleExecute()
{
    if (TMDIChildWindow* target = TargetWindow()) {
        Area->setActiveSubWindow(target);
        target->raise();
        target->setFocus();
    }
}

void Twnd_quil_Main::acNewExecute()
{
    QString filename;
    // Only a text that was saved opens, and only while its file is there.
    if (RunNewFile(filename) && !filename.isEmpty() && QFileInfo(filename).isFile())
        OpenFile(filename);
}

void Twnd_quil_Main::acEditExecute()
{
    Tmdi_quil_Viewer* viewer = ActiveDocument();
    if (!viewer)
        return;
    const QPointer<Tmdi_quil_Viewer> document(viewer);
    bool saved = false;
    try {
        saved = RunEditFile(viewer->Filename());
    } catch (...) {
        // A file the editor cannot load: the report says why, the document stays as it is.
        ShowErrorReport(CurrentErrorReportText());
        return;
    }
    if (saved && document)
        document->Reread();
}

void Twnd_quil_Main::acPrintExecute()
{
    Tmdi_quil_Viewer* viewer = ActiveDocument();
    if (!viewer)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(viewer->Filename());
    if (ChoosePrinter(printer, this))
        viewer->Print(printer);
}

void Twnd_quil_Main::acPrintPreviewExecute()
{
    const QPointer<Tmdi_quil_Viewer> viewer(ActiveDocument());
    if (!viewer)
        return;
    ShowPrintPreview(this, [viewer](QPrinter& APrinter) {
        if (viewer)
            viewer->Print(APrinter);
    });
}

void Twnd_quil_Main::acExportPdfExecute()
{
    Tmdi_quil_Viewer* viewer = ActiveDocument();
    if (!viewer)
        return;
    const QFileInfo source(viewer->Filename());
    const QString pdf =
        ChoosePdfName(this, source.dir().filePath(source.completeBaseName() + QStringLiteral(".pdf")));
    if (pdf.isEmpty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    viewer->Print(printer);
}

void Twnd_quil_Main::acRegisterExecute()
{
    // The click has flipped the option already; the handler acts on the new state.
    try {
        const QString program = ProgramFilePath();
        if (acRegister->isChecked())
            RegisterFileType(
                JsonExtension, JsonClassName, JsonTypeDescription, program + ProgramIconNumber, program);
        else
            UnregisterFileType(JsonExtension, JsonClassName);
    } catch (...) {
        ShowErrorReport(CurrentErrorReportText());
        // After a failed write the option shows what the store now holds.
        acRegister->setChecked(IsRegisteredHandler());
    }
}

void Twnd_quil_Main::acBase64Execute()
{
    ShowBase64Dialog(QString());
}

void Twnd_quil_Main::acAboutExecute()
{
    ShowAboutDialog();
}

void Twnd_quil_Main::FormDropFiles(const QStringList& AFiles)
{
    for (const QString& file : AFiles)
        OpenFile(file);
}

void Twnd_quil_Main::MRUManClick(const QString& AItem)
{
    OpenFile(AItem);
}

void Twnd_quil_Main::WindowBarMenuPopup()
{
    TMDIChildWindow* target = mdibg->HotButtonIndex() < 0 ? nullptr : TargetWindow();
    acTitle->setText(target ? target->windowTitle() : QStringLiteral("<none>"));
}

void Twnd_quil_Main::FillWindowsMenu()
{
    for (QAction* entry : FWindowEntries) {
        mnWindows->removeAction(entry);
        entry->deleteLater();
    }
    FWindowEntries.clear();
    const QList<QMdiSubWindow*> windows = Area->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    FWindowEntries.append(mnWindows->addSeparator());
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* sub = windows[i];
        QAction* entry = mnWindows->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(sub == Area->activeSubWindow());
        connect(entry, &QAction::triggered, this, [this, sub] {
            if (sub->isMinimized())
                sub->showNormal();
            Area->setActiveSubWindow(sub);
        });
        FWindowEntries.append(entry);
    }
}
