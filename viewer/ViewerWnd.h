#pragma once
// The document window: one JSON file shown as an outline tree with the details of the focused node,
// as formatted source text, and as a report of its size, digests, counts and load time.

#include "controls/MenuImages.h"
#include "core/DocumentText.h"
#include "core/JSONErrorPlace.h"
#include "core/Outline.h"
#include "core/OutlineBuilder.h"
#include "core/PathSyntax.h"
#include "settings/LayoutManagerForm.h"
#include "textview/SynEditPrint.h"
#include "util/FileUtils.h"
#include "viewer/ViewState.h"

#include <QElapsedTimer>
#include <QModelIndex>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPrinter;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QWidget;
class TChildListModel;
struct TDocumentBuild;
class TCustomSynEdit;
class TGoToPathBar;
class ITextViewOptions;
class QAbstractScrollArea;
class TChildListView;
class TOutlineTreeView;
class THeaderPanel;
class TPathBar;
class TSearchEdit;
class TSourceView;
class TStatusPanels;
class TSynJSONSyn;
class TTabStrip;
class TTreeSearchRun;

class Tmdi_quil_Viewer : public TLMForm {
    Q_OBJECT
public:
    explicit Tmdi_quil_Viewer(QWidget* AParent = nullptr);
    ~Tmdi_quil_Viewer() override;

    // The loaded file's full path; setting it loads the file.
    QString Filename() const { return FFilename; }
    void SetFilename(const QString& AValue);
    // Loads the same file again and refreshes the view.
    void Reread();
    // Records the file's current modification time, so that the same change is not reported again.
    void RefreshMod();
    // Shows or hides the tree's value column as the frame's Value Column option says.
    void RefreshView();
    TDateTime GetModified() const { return FFI.Modified; }
    void AddMsg(TMenuPicture APicture, const QString& AText);

    // The changed-file check, run when the window becomes the active document window.
    void FormActivate();

    // Options the frame applies to every document window.
    void SetTreeLines(bool AOn);
    void SetGridLines(bool AOn);
    // Where RefreshView reads the Value Column option (the frame sets it; on when unset).
    static std::function<bool()> ValueColumnOption;
    // Opens the Base64 encoder/decoder with a text (the frame sets it; the text views' menu disables
    // "Base64..." while it is unset).
    static std::function<void(const QString&)> ShowBase64Dialog;
    // Opens an address in the user's browser (tests replace it).
    static std::function<void(const QUrl&)> OpenUrl;
    // The public home page of the JSON format, opened by the document picture.
    static const char* const HomePage;

    const TOutline& Outline() const { return FOutline; }
    TJSONCounts Counts() const { return {FObjCnt, FArrCnt, FValCnt}; }
    TNodeIndex FocusedNode() const;
    // Focuses a node of the tree (as a click would), selecting it and scrolling it into view.
    void FocusNode(TNodeIndex ANode);

    // The tree's view state, for keeping it across a reload. The expanded nodes in pre-order (only
    // those whose ancestors are all expanded); expanding a list of nodes lays the tree out once.
    std::vector<TNodeIndex> ExpandedTreeNodes() const;
    void ExpandTreeNodes(const std::vector<TNodeIndex>& ANodes);
    // The node in the tree's top row, and scrolling a node to the top row.
    TNodeIndex TopTreeNode() const;
    void ScrollTreeNodeToTop(TNodeIndex ANode);
    // The source view: the caret at a place (line and column from 1, the column in UTF-16 code units)
    // brought to the middle of the view; the marked line (0: none); the scroll position and caret.
    void SetSourceCaret(long ALine, long AColumn);
    void MarkSourceLine(long ALine);
    long MarkedSourceLine() const;
    TSourceScroll SourceScroll() const;
    void SetSourceScroll(const TSourceScroll& AScroll);

    // Copies the focused node's path in a syntax; a path through a later one of two members of the
    // same name is noted as ambiguous in the status bar.
    void CopyPathAs(TPathSyntax ASyntax);
    // Focuses the node a path leads to (any syntax CopyPathAs writes, or the backslash path); when it
    // leads nowhere, the box shows why. True when a node was found.
    bool GoToPath(const QString& APath);
    void acGoToPathExecute();

    // Prints the page shown: the outline tree as displayed, or the source text with the settings of
    // SynEditPrint under the file's name as the job title.
    void Print(QPrinter& APrinter);
    // The text view the source menu acts on: the value view on the Tree page, the source view on the
    // Source page.
    ITextViewOptions* SourceMenuTarget() const;

    // Handlers (public so that the frame and tests can run them as the user would).
    void TreeFocusChanged(TNodeIndex ANode);
    void ListDblClick();
    void BoxDblClick();
    void Image1Click();
    void acCopyNameClick();
    void Copytoclipboard1Click();
    void acExpandNodeClick();
    void acCollapseNodeClick();
    void sbExpandClick();
    void sbCollapseClick();
    void TreeMenuPopup();
    void ShowValue(const TNodeData& ARecord);
    void SourceMenuPopup();
    void acGutterClick();
    void acWordWrapClick();
    void acSpecCharsClick();
    void acSelectAllClick();
    void acCopytoClipboardClick();
    void Base641Click();
    // The caret report of the source view in its status bar.
    void MemoStatusChange();
    // The searches and their keys.
    void eTreeSearchLeftButtonClick();
    // Outlines of this many nodes or more are searched on a worker thread (tests lower it).
    static size_t BackgroundSearchNodes;
    void eMemoSearchLeftButtonClick();
    void eSearchChange(TSearchEdit* ABox);
    void eSearchRightButtonClick(TSearchEdit* ABox);
    // True when the key was one of the box's own.
    bool eSearchKeyDown(TSearchEdit* ABox, const QKeyEvent* AEvent);
    void TreeKeyUp(const QKeyEvent* AEvent);
    void MemoKeyUp(const QKeyEvent* AEvent);

    // The controls, by the names the layout and the tests know them by.
    QStackedWidget* pc = nullptr;
    QWidget* tsTree = nullptr;
    QWidget* tsPreview = nullptr;
    THeaderPanel* TreePanel = nullptr;
    TOutlineTreeView* Tree = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* MsgSplitter = nullptr;
    THeaderPanel* DetailPanel = nullptr;
    TPathBar* obPC = nullptr;
    TChildListView* List = nullptr;
    TCustomSynEdit* ValueView = nullptr;
    THeaderPanel* MsgPanel = nullptr;
    QListWidget* Box = nullptr;
    QLabel* Image1 = nullptr;
    TSourceView* Memo = nullptr;
    TStatusPanels* msb = nullptr;
    TTabStrip* obTabs = nullptr;
    TStatusPanels* sb = nullptr;
    TSearchEdit* eTreeSearch = nullptr;
    TSearchEdit* eMemoSearch = nullptr;
    QToolButton* obExpand = nullptr;
    QToolButton* obCollapse = nullptr;
    QMenu* TreeMenu = nullptr;
    QMenu* PathMenu = nullptr;
    QAction* acCopyName = nullptr;
    QAction* acExpandNode = nullptr;
    QAction* acCollapseNode = nullptr;
    QAction* Copytoclipboard1 = nullptr;
    // "Copy path as", in the tree's menu and the path bar's menu, and "Go to path..." (Ctrl+G).
    QMenu* CopyPathMenu = nullptr;
    QAction* acCopyPathJSONPath = nullptr;
    QAction* acCopyPathPointer = nullptr;
    QAction* acCopyPathJq = nullptr;
    QAction* acCopyPathJavaScript = nullptr;
    QAction* acCopyPathPython = nullptr;
    QAction* acGoToPath = nullptr;
    TGoToPathBar* GoToPathBar = nullptr;
    QMenu* SourceMenu = nullptr;
    QAction* acGutter = nullptr;
    QAction* acWordWrap = nullptr;
    QAction* acSpecChars = nullptr;
    QAction* acSelectAll = nullptr;
    QAction* acCopytoClipboard = nullptr;
    QAction* Base641 = nullptr;
    // The highlighter of the value view (the source view colours with the same tokenizer itself).
    TSynJSONSyn* ValueViewSyn = nullptr;
    TSynEditPrint SynEditPrint;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void FormCreate();
    void BuildTreePage();
    void BuildOutlinePanel();
    void BuildDetailPanel();
    void BuildReportPanel();
    void BuildSourcePage();
    void BuildSourceMenu();
    void ShowSourceMenu(QAbstractScrollArea* AView, const QPoint& APosition);
    void BuildSearchBoxes();
    // Status panel 0 of sb := AText, painted at once.
    void ShowStatus(const QString& AText);
    void SetViewText(TCustomSynEdit* AView, const QString& AText);
    // Reads and builds the file and shows it in the outline and the source view.
    void Present(TDocumentBuild& ABuild);
    // Neither the children nor a value: what the details show while no node is focused.
    void ShowNoDetails();
    // Shows where the tree search ended: the hit focused, or "Text not found".
    void TreeSearchDone(TNodeIndex AHit);
    void BuildPathCommands();
    // The source view's text and its caret on the place where a refused document breaks.
    void ShowErrorPlace(const TJSONErrorPlace& APlace);

    QString FFilename;
    TFileInfo FFI;
    int32_t FObjCnt = 0;
    int32_t FArrCnt = 0;
    int32_t FValCnt = 0;
    QElapsedTimer FET;
    TNodeIndex FRoot = NoNode;
    TOutline FOutline;
    // The text the source view shows when the file was refused (otherwise it shows the outline's).
    TDocumentText FRefusedText;
    TChildListModel* FListModel = nullptr;
    QWidget* FNoDetails = nullptr;
    // A load is under way: the events it lets through must not start the changed-file check.
    bool FLoading = false;
    TTreeSearchRun* FTreeSearch = nullptr;
    // The source view was given a caret place (line, column) while hidden: it scrolls to it when it
    // shows, knowing its size by then.
    std::optional<std::pair<long, long>> FSourceCaretPending;
};
