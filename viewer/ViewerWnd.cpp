#include "viewer/ViewerWnd.h"

#include "controls/HeaderPanel.h"
#include "controls/MenuImages.h"
#include "controls/PathBar.h"
#include "controls/SearchEdit.h"
#include "controls/StatusPanels.h"
#include "controls/TabStrip.h"
#include "core/OutlinePath.h"
#include "core/SourceSearch.h"
#include "core/TreeSearch.h"
#include "settings/LayoutManagerSynEditor.h"
#include "textview/CaretReport.h"
#include "textview/CustomSynEdit.h"
#include "textview/SourceView.h"
#include "textview/SynJSONSyn.h"
#include "util/MessageBoxes.h"
#include "viewer/DocumentReport.h"
#include "viewer/GoToPathBar.h"
#include "viewer/OutlineModels.h"
#include "viewer/OutlinePrinter.h"
#include "viewer/OutlineViews.h"
#include "viewer/TreeSearchRun.h"
#include "viewer/UpperCaseMap.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
// Sizes of the window's parts at 96 dots per inch.
constexpr int TreePanelWidth = 393;
constexpr int MsgPanelHeight = 150;
constexpr int TabStripHeight = 30;
constexpr int ImageAreaWidth = 100;
// The Tag column never gets narrower than this, and leaves this much room for a name beside the
// deepest indentation shown; the tree scrolls sideways instead.
constexpr int MinTagWidth = 120;
constexpr int TagTextRoom = 150;
// The outline keeps room for this many rows when the messages panel gives way.
constexpr int MinTreeRows = 4;

const QColor ValueColumnColor(240, 247, 240);
const QColor ListColor(255, 251, 240);
const QColor GutterColor(227, 240, 227);
const QColor CaretLineColor(Qt::yellow);
// The line where a refused document breaks: a see-through red under its text, over the caret line.
const QColor ErrorLineColor(230, 0, 0);
constexpr int ErrorLineAlpha = 90;

// The status note of a copied path that leads to an earlier member of the same name.
QString AmbiguousPathText()
{
    return QStringLiteral("Ambiguous path");
}

// Two file times are equal when they fall on the same millisecond.
bool SameMillisecond(TDateTime AA, TDateTime AB)
{
    return std::llround(AA * 86400000.0) == std::llround(AB * 86400000.0);
}

// Gives the heap's free pages back to the system: a closed document leaves hundreds of megabytes of
// them, which the allocator would otherwise keep for the process.
void ReleaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// Indexes the lines of the formatted text as it is written.
class TLineIndexer final : public TFormatObserver {
public:
    void Written(const char* AData, size_t ASize) override { FIndex.Extend(std::string_view(AData, ASize)); }
    void BeforeMove() override { }
    TTextLineIndex& Index() { return FIndex; }

private:
    TTextLineIndex FIndex;
};

// Shows the busy cursor for the life of the object.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
} // namespace

std::function<bool()> Tmdi_quil_Viewer::ValueColumnOption;
std::function<void(const QString&)> Tmdi_quil_Viewer::ShowBase64Dialog;
std::function<void(const QUrl&)> Tmdi_quil_Viewer::OpenUrl = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};
const char* const Tmdi_quil_Viewer::HomePage = "https://www.json.org/json-en.html";

Tmdi_quil_Viewer::Tmdi_quil_Viewer(QWidget* AParent)
    : TLMForm(AParent, TLMFormSettings {.LayoutControl = true, .LayoutReadOnly = true, .AcceptFiles = false})
{
    FormCreate();
}

Tmdi_quil_Viewer::~Tmdi_quil_Viewer()
{
    // A search still reading the outline ends first.
    FTreeSearch->Stop();
    // The last save reads the text views and the tree panel: they are still whole here.
    SaveOnDestroy();
    // The source view shows text the window owns.
    if (Memo)
        Memo->SetText(std::string_view());
    // The views hold indexes into the outline: detach them before it goes.
    if (Tree)
        Tree->SetOutline(nullptr);
    if (List)
        FListModel->SetNode(nullptr, NoNode);
    // The outline, the source text and the views' buffers go when the members and children are
    // destroyed, after this body: once they are, heap pages they leave free go back to the system.
    FOutline.Clear();
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { ReleaseFreeMemory(); }, Qt::QueuedConnection);
}

void Tmdi_quil_Viewer::FormCreate()
{
    setWindowTitle(QStringLiteral("JSON"));
    // The window frees itself when closed.
    setAttribute(Qt::WA_DeleteOnClose);
    FTreeSearch = new TTreeSearchRun(this);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pc = new QStackedWidget(central);
    pc->setObjectName(QStringLiteral("pc"));
    BuildTreePage();
    BuildSourcePage();
    BuildSearchBoxes();
    pc->addWidget(tsTree);
    pc->addWidget(tsPreview);
    layout->addWidget(pc, 1);

    obTabs = new TTabStrip(central);
    obTabs->setObjectName(QStringLiteral("obTabs"));
    obTabs->AddTab(tr("Tree"), 0);
    obTabs->AddTab(tr("Source"), 1);
    obTabs->setFixedHeight(TabStripHeight);
    connect(obTabs, &TTabStrip::TabClicked, this, [this](int tag) { pc->setCurrentIndex(tag); });
    // The strip follows the page also when the page is chosen by the program.
    connect(pc, &QStackedWidget::currentChanged, obTabs, &TTabStrip::SelectTag);
    connect(pc, &QStackedWidget::currentChanged, this, [this](int page) {
        if (page == 1 && FSourceCaretPending) {
            const auto [line, column] = *FSourceCaretPending;
            FSourceCaretPending.reset();
            SetSourceCaret(line, column);
        }
    });
    layout->addWidget(obTabs);

    sb = new TStatusPanels(central);
    sb->setObjectName(QStringLiteral("sb"));
    sb->AddPanel(150, Qt::AlignHCenter, QStringLiteral("Ready"));
    sb->AddPanel(50, Qt::AlignLeft);
    layout->addWidget(sb);
    setCentralWidget(central);

    // Restored and saved with the window.
    LayoutManager()->Add(TreePanel, {QStringLiteral("Width")}, {});
    LayoutManager()->Add(MsgPanel, {QStringLiteral("Height")}, {});
    LayoutManager()->Add(ValueView, {}, {}, &TLayoutManagerSynEditLayout::Create);
    LayoutManager()->Add(Memo, {}, {}, &TLayoutManagerSynEditLayout::Create);
    // The children list is no registered control and keeps filling the space below the path bar, so
    // nothing of its height needs recording around a restore or a save.

    pc->setCurrentIndex(0);
    resize(900, 600);
}

void Tmdi_quil_Viewer::BuildTreePage()
{
    tsTree = new QWidget;
    tsTree->setObjectName(QStringLiteral("tsTree"));
    auto* page = new QVBoxLayout(tsTree);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    Splitter1 = new QSplitter(Qt::Horizontal, tsTree);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    BuildOutlinePanel();
    BuildDetailPanel();
    Splitter1->addWidget(TreePanel);
    Splitter1->addWidget(DetailPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({TreePanelWidth, 500});
    Splitter1->setMinimumHeight(TreePanel->HeaderHeight() + Tree->header()->sizeHint().height()
        + MinTreeRows * Tree->fontMetrics().height() * 3 / 2);

    // The messages below the outline, in a splitter of their own.
    MsgSplitter = new QSplitter(Qt::Vertical, tsTree);
    MsgSplitter->setObjectName(QStringLiteral("MsgSplitter"));
    MsgSplitter->setChildrenCollapsible(false);
    MsgSplitter->addWidget(Splitter1);
    page->addWidget(MsgSplitter, 1);
    BuildReportPanel();
    GoToPathBar = new TGoToPathBar(tsTree);
    GoToPathBar->setObjectName(QStringLiteral("GoToPathBar"));
    GoToPathBar->hide();
    page->insertWidget(0, GoToPathBar);
    connect(GoToPathBar, &TGoToPathBar::GoRequested, this, [this](const QString& path) { GoToPath(path); });
    connect(GoToPathBar, &TGoToPathBar::Closed, this, [this] { Tree->setFocus(); });
    BuildPathCommands();
}

// "Copy path as" in the tree's and the path bar's menus, and "Go to path..." in the tree's menu and on
// Ctrl+G anywhere in the window.
void Tmdi_quil_Viewer::BuildPathCommands()
{
    CopyPathMenu = new QMenu(tr("Copy path as"), this);
    CopyPathMenu->setObjectName(QStringLiteral("CopyPathMenu"));
    const auto add = [this](TPathSyntax syntax, const char* name) {
        const std::u16string caption = PathSyntaxName(syntax);
        QAction* action = CopyPathMenu->addAction(
            QString::fromStdU16String(caption), this, [this, syntax] { CopyPathAs(syntax); });
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    acCopyPathJSONPath = add(TPathSyntax::JSONPath, "acCopyPathJSONPath");
    acCopyPathPointer = add(TPathSyntax::JSONPointer, "acCopyPathPointer");
    acCopyPathJq = add(TPathSyntax::Jq, "acCopyPathJq");
    acCopyPathJavaScript = add(TPathSyntax::JavaScript, "acCopyPathJavaScript");
    acCopyPathPython = add(TPathSyntax::Python, "acCopyPathPython");
    TreeMenu->insertMenu(TreeMenu->actions().value(1), CopyPathMenu);
    PathMenu->addMenu(CopyPathMenu);
    connect(
        PathMenu, &QMenu::aboutToShow, this, [this] { CopyPathMenu->setEnabled(FocusedNode() != NoNode); });

    acGoToPath = new QAction(tr("Go to path..."), this);
    acGoToPath->setObjectName(QStringLiteral("acGoToPath"));
    acGoToPath->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    acGoToPath->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(acGoToPath, &QAction::triggered, this, &Tmdi_quil_Viewer::acGoToPathExecute);
    addAction(acGoToPath);
    TreeMenu->addSeparator();
    TreeMenu->addAction(acGoToPath);
}

// The outline: the tree panel with its expand and collapse buttons, the tree and its context menu.
void Tmdi_quil_Viewer::BuildOutlinePanel()
{
    TreePanel = new THeaderPanel(tr("JSON Tree"), Splitter1);
    TreePanel->setObjectName(QStringLiteral("TreePanel"));
    obExpand = TreePanel->AddButton(TMenuImages::Icon(TMenuPicture::FullExpand), tr("Full expand"));
    obExpand->setObjectName(QStringLiteral("obExpand"));
    obCollapse = TreePanel->AddButton(TMenuImages::Icon(TMenuPicture::FullCollapse), tr("Full collapse"));
    obCollapse->setObjectName(QStringLiteral("obCollapse"));
    connect(obExpand, &QToolButton::clicked, this, &Tmdi_quil_Viewer::sbExpandClick);
    connect(obCollapse, &QToolButton::clicked, this, &Tmdi_quil_Viewer::sbCollapseClick);

    Tree = new TOutlineTreeView(TreePanel);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->SetTintedColumn(1, ValueColumnColor);
    Tree->header()->resizeSection(0, 217);
    Tree->header()->resizeSection(1, 175);
    // Tag takes the width left over, but scrolls sideways rather than cutting deep rows or shrinking
    // to a sliver.
    Tree->SetFillColumn(0, MinTagWidth, TagTextRoom);
    Tree->SetTreeLines(true);
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    TreePanel->SetContent(Tree);
    connect(Tree, &TOutlineTreeView::CurrentNodeChanged, this, &Tmdi_quil_Viewer::TreeFocusChanged);

    TreeMenu = new QMenu(this);
    TreeMenu->setObjectName(QStringLiteral("TreeMenu"));
    acCopyName = TreeMenu->addAction(tr("Copy name to clipboard"), this, &Tmdi_quil_Viewer::acCopyNameClick);
    acCopyName->setObjectName(QStringLiteral("acCopyName"));
    TreeMenu->addSeparator();
    acExpandNode = TreeMenu->addAction(tr("Full Expand Node"), this, &Tmdi_quil_Viewer::acExpandNodeClick);
    acExpandNode->setObjectName(QStringLiteral("acExpandNode"));
    acCollapseNode =
        TreeMenu->addAction(tr("Full Collapse Node"), this, &Tmdi_quil_Viewer::acCollapseNodeClick);
    acCollapseNode->setObjectName(QStringLiteral("acCollapseNode"));
    connect(Tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        TreeMenuPopup();
        TreeMenu->popup(Tree->viewport()->mapToGlobal(pos));
    });
}

// The details of the focused node: the path bar over the child list and the value view.
void Tmdi_quil_Viewer::BuildDetailPanel()
{
    DetailPanel = new THeaderPanel(tr("Details"), Splitter1);
    DetailPanel->setObjectName(QStringLiteral("DetailPanel"));
    auto* details = new QWidget(DetailPanel);
    auto* detailLayout = new QVBoxLayout(details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    obPC = new TPathBar(details);
    obPC->setObjectName(QStringLiteral("obPC"));
    obPC->SetIcon(TMenuImages::Icon(TMenuPicture::Path));
    obPC->setContextMenuPolicy(Qt::CustomContextMenu);
    PathMenu = new QMenu(this);
    PathMenu->setObjectName(QStringLiteral("PathMenu"));
    Copytoclipboard1 =
        PathMenu->addAction(tr("Copy to clipboard"), this, &Tmdi_quil_Viewer::Copytoclipboard1Click);
    Copytoclipboard1->setObjectName(QStringLiteral("Copytoclipboard1"));
    connect(obPC, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { PathMenu->popup(obPC->mapToGlobal(pos)); });
    detailLayout->addWidget(obPC);

    List = new TChildListView(details);
    List->setObjectName(QStringLiteral("List"));
    FListModel = List->Model();
    List->header()->resizeSection(0, 150);
    List->header()->resizeSection(1, 361);
    List->header()->setStretchLastSection(true);
    QPalette listPalette = List->palette();
    listPalette.setColor(QPalette::Base, ListColor);
    List->setPalette(listPalette);
    List->hide();
    connect(List, &TChildListView::RowDoubleClicked, this, &Tmdi_quil_Viewer::ListDblClick);
    detailLayout->addWidget(List, 1);

    ValueView = new TCustomSynEdit(details);
    ValueView->setObjectName(QStringLiteral("ValueView"));
    ValueView->setReadOnly(true);
    ValueView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ValueViewSyn = new TSynJSONSyn(ValueView);
    ValueViewSyn->SetBaseFont(ValueView->font());
    ValueViewSyn->SetPaperColor(ValueColumnColor);
    ValueView->setLexer(ValueViewSyn);
    // The lexer brings its own colours: the gutter's come after it.
    ValueView->setMarginsBackgroundColor(GutterColor);
    ValueView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ValueView, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { ShowSourceMenu(ValueView, pos); });
    detailLayout->addWidget(ValueView, 1);
    // Shown while no node is focused, so that the path bar stays at the top over a blank area.
    FNoDetails = new QWidget(details);
    FNoDetails->setObjectName(QStringLiteral("NoDetails"));
    FNoDetails->setAutoFillBackground(true);
    FNoDetails->setBackgroundRole(QPalette::Base);
    detailLayout->addWidget(FNoDetails, 1);
    ShowNoDetails();
    DetailPanel->SetContent(details);
}

// The report: the messages list and the document picture, in a splitter below the outline.
void Tmdi_quil_Viewer::BuildReportPanel()
{
    MsgPanel = new THeaderPanel(tr("Messages"), MsgSplitter);
    MsgPanel->setObjectName(QStringLiteral("MsgPanel"));
    MsgSplitter->addWidget(MsgPanel);
    MsgSplitter->setStretchFactor(0, 1);
    MsgSplitter->setStretchFactor(1, 0);
    MsgSplitter->setSizes({500, MsgPanelHeight});
    MsgPanel->SetCollapsible(true);
    MsgPanel->SetExpandedHeight(MsgPanelHeight);
    auto* messages = new QWidget(MsgPanel);
    auto* messageLayout = new QHBoxLayout(messages);
    messageLayout->setContentsMargins(0, 0, 0, 0);
    messageLayout->setSpacing(0);
    Box = new QListWidget(messages);
    Box->setObjectName(QStringLiteral("Box"));
    Box->setSelectionBehavior(QAbstractItemView::SelectRows);
    Box->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Box->setFrameShape(QFrame::NoFrame);
    Box->setIconSize(QSize(16, 16));
    connect(Box, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { BoxDblClick(); });
    messageLayout->addWidget(Box, 1);
    Image1 = new QLabel(messages);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedWidth(ImageAreaWidth);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QString::fromLatin1(HomePage));
    Image1->installEventFilter(this);
    messageLayout->addWidget(Image1);
    MsgPanel->SetContent(messages);
}

void Tmdi_quil_Viewer::BuildSourcePage()
{
    tsPreview = new QWidget;
    tsPreview->setObjectName(QStringLiteral("tsPreview"));
    auto* page = new QVBoxLayout(tsPreview);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    Memo = new TSourceView(tsPreview);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Painted also while the view's context menu or another window has the focus.
    Memo->SetCaretLineColor(CaretLineColor);
    // The line of a refused file's error, under its text.
    Memo->SetMarkedLineColor(
        QColor(ErrorLineColor.red(), ErrorLineColor.green(), ErrorLineColor.blue(), ErrorLineAlpha));
    Memo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { ShowSourceMenu(Memo, pos); });
    connect(Memo, &TSourceView::CaretChanged, this, &Tmdi_quil_Viewer::MemoStatusChange);
    page->addWidget(Memo, 1);
    msb = new TStatusPanels(tsPreview);
    msb->setObjectName(QStringLiteral("msb"));
    msb->AddPanel(200, Qt::AlignHCenter);
    msb->AddPanel(350, Qt::AlignHCenter);
    msb->AddPanel(100, Qt::AlignLeft);
    page->addWidget(msb);
    BuildSourceMenu();
}

void Tmdi_quil_Viewer::BuildSourceMenu()
{
    SourceMenu = new QMenu(this);
    SourceMenu->setObjectName(QStringLiteral("SourceMenu"));
    auto add = [this](const QString& caption, const char* name, void (Tmdi_quil_Viewer::*handler)()) {
        QAction* action = SourceMenu->addAction(caption, this, handler);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    acGutter = add(tr("Gutter"), "acGutter", &Tmdi_quil_Viewer::acGutterClick);
    acGutter->setCheckable(true);
    acWordWrap = add(tr("Word Wrap"), "acWordWrap", &Tmdi_quil_Viewer::acWordWrapClick);
    acWordWrap->setCheckable(true);
    // One check mark for both views: it tells what the next view chosen gets.
    acSpecChars = add(tr("Special Chars"), "acSpecChars", &Tmdi_quil_Viewer::acSpecCharsClick);
    acSpecChars->setCheckable(true);
    SourceMenu->addSeparator();
    acSelectAll = add(tr("Select All"), "acSelectAll", &Tmdi_quil_Viewer::acSelectAllClick);
    acCopytoClipboard =
        add(tr("Copy to Clipboard"), "acCopytoClipboard", &Tmdi_quil_Viewer::acCopytoClipboardClick);
    SourceMenu->addSeparator();
    Base641 = add(tr("Base64..."), "Base641", &Tmdi_quil_Viewer::Base641Click);
    Base641->setIcon(TMenuImages::Icon(TMenuPicture::Base64));
}

void Tmdi_quil_Viewer::ShowSourceMenu(QAbstractScrollArea* AView, const QPoint& APosition)
{
    SourceMenuPopup();
    SourceMenu->popup(AView->viewport()->mapToGlobal(APosition));
}

ITextViewOptions* Tmdi_quil_Viewer::SourceMenuTarget() const
{
    if (pc->currentIndex() == 0)
        return ValueView;
    return Memo;
}

void Tmdi_quil_Viewer::SourceMenuPopup()
{
    const ITextViewOptions* target = SourceMenuTarget();
    acGutter->setChecked(target->GutterVisible());
    acWordWrap->setChecked(target->WordWrap());
    acCopytoClipboard->setEnabled(target->HasSelectedText());
    Base641->setEnabled(bool(ShowBase64Dialog));
}

void Tmdi_quil_Viewer::acGutterClick()
{
    ITextViewOptions* target = SourceMenuTarget();
    target->SetGutterVisible(!target->GutterVisible());
}

void Tmdi_quil_Viewer::acWordWrapClick()
{
    ITextViewOptions* target = SourceMenuTarget();
    target->SetWordWrap(!target->WordWrap());
}

void Tmdi_quil_Viewer::acSpecCharsClick()
{
    SourceMenuTarget()->SetSpecialChars(acSpecChars->isChecked());
}

void Tmdi_quil_Viewer::acSelectAllClick()
{
    SourceMenuTarget()->SelectAllText();
}

void Tmdi_quil_Viewer::acCopytoClipboardClick()
{
    const ITextViewOptions* target = SourceMenuTarget();
    if (target->HasSelectedText())
        QGuiApplication::clipboard()->setText(target->SelectedText());
}

void Tmdi_quil_Viewer::Base641Click()
{
    if (ShowBase64Dialog)
        ShowBase64Dialog(SourceMenuTarget()->SelectedText());
}

void Tmdi_quil_Viewer::MemoStatusChange()
{
    msb->SetText(1, CaretReportText(ReadCaretReport(*Memo)));
}

void Tmdi_quil_Viewer::Print(QPrinter& APrinter)
{
    if (pc->currentIndex() == 0) {
        TOutlinePrinter::Print(APrinter, *Tree);
        return;
    }
    const QString title = QFileInfo(FFilename).fileName();
    APrinter.setDocName(title);
    TSynEditPrint settings = SynEditPrint;
    settings.Title = title;
    settings.Print(APrinter, Memo->Text(), Memo->font());
}

bool Tmdi_quil_Viewer::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AWatched == Image1) {
        if (AEvent->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(AEvent)->button() == Qt::LeftButton) {
            Image1Click();
            return true;
        }
        if (AEvent->type() == QEvent::Resize || AEvent->type() == QEvent::Show) {
            // The document picture, scaled down when its area is smaller than the picture.
            const int side = qMin(124, qMin(Image1->width(), Image1->height()));
            if (side > 0) {
                QPixmap picture = TMenuImages::DocumentPicture(devicePixelRatioF());
                Image1->setPixmap(picture.scaled(
                    QSize(side, side) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
            }
        }
    }
    if (AEvent->type() == QEvent::KeyPress && (AWatched == eTreeSearch || AWatched == eMemoSearch))
        return eSearchKeyDown(static_cast<TSearchEdit*>(AWatched), static_cast<QKeyEvent*>(AEvent));
    if (AEvent->type() == QEvent::KeyRelease && AWatched == Tree)
        TreeKeyUp(static_cast<QKeyEvent*>(AEvent));
    if (AEvent->type() == QEvent::KeyRelease && AWatched == Memo)
        MemoKeyUp(static_cast<QKeyEvent*>(AEvent));
    return TLMForm::eventFilter(AWatched, AEvent);
}

void Tmdi_quil_Viewer::SetViewText(TCustomSynEdit* AView, const QString& AText)
{
    const QByteArray utf8 = AText.toUtf8();
    AView->SetTextBytes(std::string_view(utf8.constData(), size_t(utf8.size())));
}

void Tmdi_quil_Viewer::SetFilename(const QString& AValue)
{
    // The outline is about to change under a search still running.
    if (FTreeSearch->Running()) {
        FTreeSearch->Stop();
        Tree->unsetCursor();
        sb->SetText(0, QStringLiteral("Ready"));
    }
    TBusyCursor busy;
    FLoading = true;
    struct TLoadEnd {
        bool& Flag;
        ~TLoadEnd() { Flag = false; }
    } loadEnd {FLoading};
    FFilename = QFileInfo(AValue).absoluteFilePath();
    sb->SetText(0, QStringLiteral("Loading..."));
    sb->repaint();
    QCoreApplication::processEvents();

    // A new load starts the tree search from the top again.
    FRoot = NoNode;
    eTreeSearch->SetLeftPicture(TMenuPicture::Search);
    ShowNoDetails();
    FListModel->SetNode(nullptr, NoNode);
    Box->clear();
    ValueView->SetTextBytes(std::string_view());
    FSourceCaretPending.reset();
    pc->setCurrentIndex(0);

    GetFileInfo(FFilename, FFI);
    TreePanel->SetCaption(ExtractFileTitle(FFilename));
    FET.start();

    // The digests are computed beside the build; the report waits for them.
    TFileDigests digests(FFilename);
    TDocumentBuild build;
    try {
        Present(build);
    } catch (const std::bad_alloc&) {
        // Too large for this machine: the window shows nothing of it, reports and stays usable.
        Memo->SetText(std::string_view());
        FRefusedText = {};
        Tree->SetOutline(nullptr);
        FOutline.Clear();
        Tree->SetOutline(&FOutline);
        build = {};
        build.OutOfMemory = true;
        build.ErrorText = NotEnoughMemoryText(FFilename, FFI.Size, QLocale());
    }
    // The details show the top-level node after every load, reloads included, as they do when the
    // tree takes the focus after the first one.
    if (!FOutline.IsEmpty())
        FocusNode(FOutline.Root());

    if (build.State == TDocumentState::NotJSON && build.ErrorPlace)
        ShowErrorPlace(*build.ErrorPlace);

    const QLocale locale;
    for (const TReportRow& row :
        MakeReport(FFI.Size, digests, build.ErrorText, build.Counts, FET, locale, build.ErrorPlace))
        AddMsg(row.Picture, row.Text);
    sb->SetText(1, FFilename);
    sb->SetText(0, QStringLiteral("Ready"));
    if (build.OutOfMemory)
        ErrorBox(build.ErrorText);
}

void Tmdi_quil_Viewer::Present(TDocumentBuild& ABuild)
{
    Tree->SetOutline(nullptr);
    // The source view's line index is made while the formatted text is written, a few megabytes at a
    // time while they are still in the cache.
    TLineIndexer indexer;
    ABuild = BuildDocumentFile(FFilename, FOutline, [&indexer](size_t) { return &indexer; });
    if (ABuild.OutOfMemory) {
        // The outline was emptied: its text is gone.
        Memo->SetText(std::string_view());
        FRefusedText = {};
    }
    Tree->SetOutline(&FOutline);
    if (!FOutline.IsEmpty())
        Tree->SetExpanded(FOutline.Root(), true);
    switch (ABuild.State) {
    case TDocumentState::Formatted:
        // The source view shows the outline's own text.
        Memo->SetText(FOutline.Text(), std::move(indexer.Index()));
        FRefusedText = {};
        msb->SetText(0, QString());
        break;
    case TDocumentState::NotJSON:
        FRefusedText = std::move(ABuild.Refused);
        Memo->SetText(FRefusedText.Text.View());
        msb->SetText(0, ABuild.ErrorText);
        break;
    case TDocumentState::Unreadable:
        // The source view and its status keep what they showed (the outline is left as it was).
        break;
    }
    if (ABuild.State != TDocumentState::Unreadable) {
        FObjCnt = ABuild.Counts.FObjCnt;
        FArrCnt = ABuild.Counts.FArrCnt;
        FValCnt = ABuild.Counts.FValCnt;
        msb->SetText(2, QStringLiteral("Size: %1 lines").arg(Memo->Lines().ListLineCount()));
        RefreshView();
    }
    ABuild.Refused = {};
    MemoStatusChange();
}

void Tmdi_quil_Viewer::Reread()
{
    // Expanded nodes, focus and scroll positions come back where the document still has the places.
    const TViewState state = CaptureViewState(*this);
    SetFilename(FFilename);
    RefreshView();
    RestoreViewState(*this, state, MarkedSourceLine() == 0);
}

void Tmdi_quil_Viewer::RefreshMod()
{
    GetFileInfo(FFilename, FFI);
}

void Tmdi_quil_Viewer::RefreshView()
{
    const bool show = ValueColumnOption ? ValueColumnOption() : true;
    Tree->setUpdatesEnabled(false);
    Tree->setColumnHidden(1, !show);
    Tree->setUpdatesEnabled(true);
}

void Tmdi_quil_Viewer::AddMsg(TMenuPicture APicture, const QString& AText)
{
    auto* item = new QListWidgetItem(TMenuImages::Icon(APicture), AText);
    Box->addItem(item);
}

void Tmdi_quil_Viewer::FormActivate()
{
    if (FLoading || QApplication::activeModalWidget() || ModalBoxCount > 0)
        return;
    if (FFilename.isEmpty() || !QFileInfo::exists(FFilename))
        return;
    TFileInfo fresh;
    GetFileInfo(FFilename, fresh);
    if (SameMillisecond(fresh.Modified, FFI.Modified))
        return;
    if (ConfirmBox(QStringLiteral("File %1 changed. Reload?").arg(FFilename)))
        Reread();
    else
        RefreshMod();
}

void Tmdi_quil_Viewer::SetTreeLines(bool AOn)
{
    Tree->SetTreeLines(AOn);
}

void Tmdi_quil_Viewer::SetGridLines(bool AOn)
{
    Tree->SetGridLines(AOn);
    List->SetGridLines(AOn);
}

TNodeIndex Tmdi_quil_Viewer::FocusedNode() const
{
    return Tree->CurrentNode();
}

void Tmdi_quil_Viewer::FocusNode(TNodeIndex ANode)
{
    if (ANode == NoNode || ANode >= FOutline.NodeCount())
        return;
    Tree->ScrollToNode(ANode);
    Tree->SetCurrentNode(ANode);
}

std::vector<TNodeIndex> Tmdi_quil_Viewer::ExpandedTreeNodes() const
{
    std::vector<TNodeIndex> expanded;
    if (FOutline.IsEmpty())
        return expanded;
    std::vector<TNodeIndex> stack {FOutline.Root()};
    while (!stack.empty()) {
        const TNodeIndex node = stack.back();
        stack.pop_back();
        if (!Tree->IsExpanded(node))
            continue;
        expanded.push_back(node);
        for (uint32_t row = FOutline.ChildCount(node); row-- > 0;) {
            const TNodeIndex child = FOutline.Child(node, row);
            if (FOutline.ChildCount(child) > 0)
                stack.push_back(child);
        }
    }
    return expanded;
}

void Tmdi_quil_Viewer::ExpandTreeNodes(const std::vector<TNodeIndex>& ANodes)
{
    // All at once: the rows are laid out once.
    std::vector<TNodeIndex> expanded = Tree->ExpandedNodes();
    expanded.insert(expanded.end(), ANodes.begin(), ANodes.end());
    Tree->RestoreExpanded(expanded);
}

TNodeIndex Tmdi_quil_Viewer::TopTreeNode() const
{
    const size_t top = Tree->TopRow();
    return top < Tree->Rows().RowCount() ? Tree->Rows().NodeAt(top) : NoNode;
}

void Tmdi_quil_Viewer::ScrollTreeNodeToTop(TNodeIndex ANode)
{
    Tree->ScrollNodeToTop(ANode);
}

void Tmdi_quil_Viewer::SetSourceCaret(long ALine, long AColumn)
{
    const auto line = size_t(std::clamp(ALine - 1, 0L, long(Memo->LineCount()) - 1));
    Memo->SetCaret(line, size_t(std::max(0L, AColumn - 1)));
    // The place comes to the middle of the view. A view that is not shown knows no size to scroll
    // in: it brings the caret into sight when it shows.
    const auto half = size_t(Memo->LinesOnScreen() / 2);
    Memo->SetFirstVisibleLine(line > half ? line - half : 0);
    Memo->horizontalScrollBar()->setValue(0);
    if (Memo->isVisible())
        Memo->EnsureCaretVisible();
    else
        FSourceCaretPending = {ALine, AColumn};
}

void Tmdi_quil_Viewer::MarkSourceLine(long ALine)
{
    if (ALine <= 0 || size_t(ALine) > Memo->LineCount())
        Memo->ClearMarkedLine();
    else
        Memo->MarkLine(size_t(ALine - 1));
}

long Tmdi_quil_Viewer::MarkedSourceLine() const
{
    const std::optional<size_t> line = Memo->MarkedLine();
    return line ? long(*line) + 1 : 0;
}

TSourceScroll Tmdi_quil_Viewer::SourceScroll() const
{
    TSourceScroll scroll;
    scroll.FirstLine = long(Memo->FirstVisibleLine());
    scroll.XOffset = Memo->horizontalScrollBar()->value();
    scroll.CaretLine = long(Memo->CaretLine());
    scroll.CaretIndex = long(Memo->CaretPosition() - Memo->Lines().LineStart(Memo->CaretLine()));
    return scroll;
}

void Tmdi_quil_Viewer::SetSourceScroll(const TSourceScroll& AScroll)
{
    const auto caretLine = size_t(std::clamp(AScroll.CaretLine, 0L, long(Memo->LineCount()) - 1));
    const size_t start = Memo->Lines().LineStart(caretLine);
    const size_t end = Memo->Lines().LineEnd(caretLine);
    // A byte index that falls inside a character moves to the character's start.
    Memo->SetCaretPosition(std::min(end, start + size_t(std::max(0L, AScroll.CaretIndex))));
    Memo->SetFirstVisibleLine(size_t(std::max(0L, AScroll.FirstLine)));
    Memo->horizontalScrollBar()->setValue(AScroll.XOffset);
}

void Tmdi_quil_Viewer::ShowErrorPlace(const TJSONErrorPlace& APlace)
{
    SetSourceCaret(long(APlace.Line), long(APlace.Column));
    MarkSourceLine(long(APlace.Line));
}

void Tmdi_quil_Viewer::CopyPathAs(TPathSyntax ASyntax)
{
    const TNodeIndex node = FocusedNode();
    if (node == NoNode)
        return;
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(FormatNodePath(FOutline, node, ASyntax)));
    // Every syntax names the first member of a name: the path of a later one leads elsewhere.
    if (IsAmbiguousPath(FOutline, node))
        sb->SetText(0, AmbiguousPathText());
    else
        sb->SetText(0, QStringLiteral("Ready"));
}

bool Tmdi_quil_Viewer::GoToPath(const QString& APath)
{
    const TPathLookup found = FindNodeByAnyPath(FOutline, APath.toStdU16String());
    if (found.Node == NoNode) {
        GoToPathBar->show();
        GoToPathBar->ShowError(QString::fromStdU16String(found.Error));
        return false;
    }
    GoToPathBar->ShowError(QString());
    GoToPathBar->hide();
    pc->setCurrentIndex(0);
    FocusNode(found.Node);
    Tree->setFocus();
    return true;
}

void Tmdi_quil_Viewer::acGoToPathExecute()
{
    pc->setCurrentIndex(0);
    // An empty box starts from where the user is: the focused node's path, to be edited or typed over.
    if (const TNodeIndex node = FocusedNode(); node != NoNode && GoToPathBar->Edit()->text().isEmpty())
        GoToPathBar->Edit()->setText(
            QString::fromStdU16String(FormatNodePath(FOutline, node, TPathSyntax::JSONPath)));
    GoToPathBar->Open();
}

void Tmdi_quil_Viewer::TreeFocusChanged(TNodeIndex ANode)
{
    const TNodeIndex node = ANode;
    if (node == NoNode)
        return;
    // The note of a copied path speaks of the node it was copied from.
    if (sb->Text(0) == AmbiguousPathText())
        sb->SetText(0, QStringLiteral("Ready"));
    TBusyCursor busy;
    List->setUpdatesEnabled(false);
    const int level = FOutline.Level(node);
    const QString path = ToQString(NodePath(FOutline, node));
    obPC->SetHint(path);
    obPC->SetCaption(QString(path).replace(QLatin1Char('\\'), QStringLiteral(" \u25BA ")));
    FListModel->SetNode(&FOutline, node);
    const uint32_t children = FOutline.ChildCount(node);
    if (children > 0) {
        ValueView->hide();
        FNoDetails->hide();
        List->show();
    } else {
        ShowValue(FOutline.NodeData(node));
    }
    List->setUpdatesEnabled(true);
    DetailPanel->SetCaption(QStringLiteral("Children: %1   Level: %2").arg(children).arg(level));
    DetailPanel->update();
}

void Tmdi_quil_Viewer::ShowValue(const TNodeData& ARecord)
{
    ValueView->setUpdatesEnabled(false);
    SetViewText(ValueView, ToQString(ARecord.Value));
    ValueView->setUpdatesEnabled(true);
    ValueView->show();
    List->hide();
    FNoDetails->hide();
}

void Tmdi_quil_Viewer::ShowNoDetails()
{
    List->hide();
    ValueView->hide();
    FNoDetails->show();
}

void Tmdi_quil_Viewer::ListDblClick()
{
    // The row stands for one node: go to that node itself. A path built from names would find the
    // first of two equal names, or none for a name holding a backslash.
    const TNodeIndex node = List->CurrentNode();
    if (node != NoNode)
        FocusNode(node);
}

void Tmdi_quil_Viewer::BoxDblClick()
{
    if (QListWidgetItem* item = Box->currentItem(); item && item->isSelected())
        QGuiApplication::clipboard()->setText(item->text());
}

void Tmdi_quil_Viewer::Image1Click()
{
    if (OpenUrl)
        OpenUrl(QUrl(QString::fromLatin1(HomePage)));
}

void Tmdi_quil_Viewer::acCopyNameClick()
{
    const TNodeIndex node = FocusedNode();
    if (node != NoNode)
        QGuiApplication::clipboard()->setText(ToQString(FOutline.NodeData(node).Name));
}

void Tmdi_quil_Viewer::Copytoclipboard1Click()
{
    QGuiApplication::clipboard()->setText(obPC->Hint());
}

void Tmdi_quil_Viewer::acExpandNodeClick()
{
    if (FocusedNode() == NoNode)
        return;
    TBusyCursor busy;
    Tree->SetSubtreeExpanded(FocusedNode(), true);
}

void Tmdi_quil_Viewer::acCollapseNodeClick()
{
    // The node and every container below it, so that opening it again shows one level.
    if (FocusedNode() == NoNode)
        return;
    TBusyCursor busy;
    Tree->SetSubtreeExpanded(FocusedNode(), false);
}

void Tmdi_quil_Viewer::sbExpandClick()
{
    TBusyCursor busy;
    Tree->ExpandAll();
}

void Tmdi_quil_Viewer::sbCollapseClick()
{
    TBusyCursor busy;
    Tree->CollapseAll();
}

void Tmdi_quil_Viewer::TreeMenuPopup()
{
    const bool focused = FocusedNode() != NoNode;
    acCopyName->setEnabled(focused);
    CopyPathMenu->setEnabled(focused);
    acExpandNode->setEnabled(focused);
    acCollapseNode->setEnabled(focused);
}

void Tmdi_quil_Viewer::BuildSearchBoxes()
{
    // Under the tree, and between the source view and its status bar.
    eTreeSearch = new TSearchEdit(tr("Enter text to find"), TreePanel);
    eTreeSearch->setObjectName(QStringLiteral("eTreeSearch"));
    TreePanel->ContentLayout()->addWidget(eTreeSearch);
    eMemoSearch = new TSearchEdit(tr("Enter text to find"), tsPreview);
    eMemoSearch->setObjectName(QStringLiteral("eMemoSearch"));
    static_cast<QBoxLayout*>(tsPreview->layout())->insertWidget(1, eMemoSearch);
    for (TSearchEdit* box : {eTreeSearch, eMemoSearch}) {
        box->LeftButton()->setToolTip(tr("Search"));
        box->RightButton()->setToolTip(tr("Clear"));
        box->SetLeftPicture(TMenuPicture::Search);
        box->SetRightPicture(TMenuPicture::Clear);
        connect(box, &QLineEdit::textChanged, this, [this, box] { eSearchChange(box); });
        connect(box, &TSearchEdit::RightButtonClick, this, [this, box] { eSearchRightButtonClick(box); });
        box->installEventFilter(this);
    }
    connect(eTreeSearch, &TSearchEdit::LeftButtonClick, this, &Tmdi_quil_Viewer::eTreeSearchLeftButtonClick);
    connect(eMemoSearch, &TSearchEdit::LeftButtonClick, this, &Tmdi_quil_Viewer::eMemoSearchLeftButtonClick);
    Tree->installEventFilter(this);
    Memo->installEventFilter(this);
}

void Tmdi_quil_Viewer::ShowStatus(const QString& AText)
{
    sb->SetText(0, AText);
    sb->repaint();
    QCoreApplication::processEvents();
}

size_t Tmdi_quil_Viewer::BackgroundSearchNodes = 2'000'000;

void Tmdi_quil_Viewer::eTreeSearchLeftButtonClick()
{
    // A click while a search runs waits for its result.
    if (FTreeSearch->Running())
        return;
    ShowStatus(QStringLiteral("Searching..."));
    // A hit moves the start on to the node after it; a miss, and the search after the last node,
    // start again at the top.
    const TNodeIndex from = FRoot;
    FRoot = NoNode;
    const std::u16string text = eTreeSearch->text().toStdU16String();
    if (FOutline.NodeCount() < BackgroundSearchNodes) {
        std::optional<TBusyCursor> busy(std::in_place);
        const TTextFinder finder(text, UpperCaseMap());
        const TNodeIndex hit = TTreeSearch(FOutline, finder).FindFrom(from);
        busy.reset();
        TreeSearchDone(hit);
        return;
    }
    // Seconds of searching on the largest outlines: the window stays responsive meanwhile, and a
    // reload or closing the window stops the search.
    Tree->setCursor(Qt::BusyCursor);
    FTreeSearch->Start(FOutline, text, UpperCaseMap(), from, [this](TNodeIndex AHit) {
        Tree->unsetCursor();
        TreeSearchDone(AHit);
    });
}

void Tmdi_quil_Viewer::TreeSearchDone(TNodeIndex AHit)
{
    sb->SetText(0, QStringLiteral("Ready"));
    if (AHit != NoNode) {
        FocusNode(AHit);
        FRoot = NextInPreOrder(FOutline, AHit);
        eTreeSearch->SetLeftPicture(TMenuPicture::SearchAgain);
        Tree->setFocus();
        return;
    }
    InfoBox(tr("Text not found"));
    eTreeSearch->SetLeftPicture(TMenuPicture::Search);
    eTreeSearch->selectAll();
    eTreeSearch->setFocus();
}

void Tmdi_quil_Viewer::eMemoSearchLeftButtonClick()
{
    struct TReady {
        TStatusPanels* Bar;
        ~TReady() { Bar->SetText(0, QStringLiteral("Ready")); }
    } ready {sb};
    ShowStatus(QStringLiteral("Searching..."));
    const TTextFinder finder(eMemoSearch->text().toStdU16String(), UpperCaseMap());
    // The text from the caret on, read in place.
    const size_t caret = Memo->CaretPosition();
    const std::optional<TSourceMatch> hit = FindInSource(Memo->Text().substr(caret), 0, finder);
    if (hit) {
        const size_t line = Memo->Lines().LineOf(caret + hit->Start);
        const bool visible = Memo->IsLineVisible(line);
        Memo->SetSelection(caret + hit->Start, caret + hit->End);
        // A line that was out of sight comes to the middle of the view.
        if (!visible) {
            const auto half = size_t(Memo->LinesOnScreen() / 2);
            Memo->SetFirstVisibleLine(line > half ? line - half : 0);
        }
        eMemoSearch->SetLeftPicture(TMenuPicture::SearchAgain);
        return;
    }
    InfoBox(tr("Text not found"));
    Memo->SetCaretPosition(0);
    eMemoSearch->SetLeftPicture(TMenuPicture::Search);
    eMemoSearch->setFocus();
    Memo->setFocus();
    // Selected last: a line edit drops its selection when it loses the focus. Coming back to the box
    // (Ctrl+F) finds the text selected, ready to be typed over.
    eMemoSearch->selectAll();
}

void Tmdi_quil_Viewer::eSearchChange(TSearchEdit* ABox)
{
    ABox->SetLeftPicture(TMenuPicture::Search);
}

void Tmdi_quil_Viewer::eSearchRightButtonClick(TSearchEdit* ABox)
{
    ABox->clear();
}

namespace {
constexpr Qt::KeyboardModifiers KeyModifiers = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
}

bool Tmdi_quil_Viewer::eSearchKeyDown(TSearchEdit* ABox, const QKeyEvent* AEvent)
{
    if ((AEvent->modifiers() & KeyModifiers) != Qt::NoModifier)
        return false;
    switch (AEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        if (ABox == eTreeSearch)
            eTreeSearchLeftButtonClick();
        else
            eMemoSearchLeftButtonClick();
        return true;
    case Qt::Key_Escape:
        if (ABox == eTreeSearch)
            Tree->setFocus();
        else
            Memo->setFocus();
        return true;
    default:
        return false;
    }
}

void Tmdi_quil_Viewer::TreeKeyUp(const QKeyEvent* AEvent)
{
    const Qt::KeyboardModifiers modifiers = AEvent->modifiers() & KeyModifiers;
    if (AEvent->isAutoRepeat())
        return;
    if (AEvent->key() == Qt::Key_F && modifiers == Qt::ControlModifier)
        eTreeSearch->setFocus();
    else if (AEvent->key() == Qt::Key_F3 && modifiers == Qt::NoModifier)
        eTreeSearchLeftButtonClick();
}

void Tmdi_quil_Viewer::MemoKeyUp(const QKeyEvent* AEvent)
{
    const Qt::KeyboardModifiers modifiers = AEvent->modifiers() & KeyModifiers;
    if (AEvent->isAutoRepeat())
        return;
    if (AEvent->key() == Qt::Key_F && modifiers == Qt::ControlModifier)
        eMemoSearch->setFocus();
    else if (AEvent->key() == Qt::Key_F3 && modifiers == Qt::NoModifier)
        eMemoSearchLeftButtonClick();
}
