#include "bench/BenchWindow.h"

#include "bench/BenchPresenter.h"

#include "controls/MDIChildWindow.h"
#include "controls/SearchEdit.h"
#include "controls/StatusPanels.h"
#include "textview/JSONTokenizer.h"
#include "textview/SourceView.h"
#include "util/FileUtils.h"
#include "viewer/DocumentReport.h"
#include "viewer/OutlineModels.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

namespace {
long PeakKiB()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The resident memory now.
long ResidentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Wall time, and the processor time of this process: on a busy machine the two differ.
qint64 ProcessorMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The container with the most children (the first of them on a tie).
TNodeIndex WidestNode(const TOutline& AOutline)
{
    TNodeIndex widest = AOutline.Root();
    for (TNodeIndex node = 0; node < AOutline.NodeCount(); ++node)
        if (AOutline.ChildCount(node) > AOutline.ChildCount(widest))
            widest = node;
    return widest;
}

// Ctrl+End in the source view: milliseconds until the view has painted its last line, and whether
// that line came out coloured.
std::pair<qint64, bool> TimeCtrlEnd(Tmdi_quil_Viewer& AViewer)
{
    TSourceView* memo = AViewer.Memo;
    AViewer.pc->setCurrentIndex(1);
    memo->setFocus();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(memo, &press);
    memo->viewport()->repaint();
    const qint64 ms = timer.elapsed();
    // The last character that is no line break or space, as it is painted (plain means uncoloured).
    const std::string_view text = memo->Text();
    size_t last = text.empty() ? 0 : text.size() - 1;
    while (last > 0 && uchar(text[last]) <= ' ')
        --last;
    return {ms, memo->AttributeAt(last) != saNone};
}

// A frame with one document window, as the program shows it.
struct TWindowFixture {
    std::unique_ptr<QApplication> App;
    std::unique_ptr<QMainWindow> Frame;
    Tmdi_quil_Viewer* Viewer = nullptr;

    // Resident memory before the document window was made.
    long BaselineKiB = 0;
    QMdiSubWindow* Sub = nullptr;

    // AWarmUp: a first document window shows a small document and closes before the baseline is
    // taken, so that what any first window loads for good (code, fonts, styles, pictures) does not
    // count.
    TWindowFixture(int AArgc, char** AArgv, bool AWarmUp = false)
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Never the user's own settings.
        QStandardPaths::setTestModeEnabled(true);
        static int count = 1;
        App = std::make_unique<QApplication>(count, AArgv);
        (void)AArgc;
        Frame = std::make_unique<QMainWindow>();
        auto* area = new QMdiArea(Frame.get());
        Frame->setCentralWidget(area);
        Frame->resize(1200, 800);
        Frame->show();
        QApplication::processEvents();
        if (AWarmUp) {
            auto* first = new TMDIChildWindow(area);
            auto* viewer = new Tmdi_quil_Viewer;
            first->setWidget(viewer);
            area->addSubWindow(first);
            first->showMaximized();
            QTemporaryDir folder;
            const QString small = folder.filePath(QStringLiteral("small.json"));
            QFile file(small);
            if (file.open(QIODevice::WriteOnly))
                file.write(R"({"name":"alpha","list":[1,2.5,true,false,null,{"k":"\u00e9"}]})");
            file.close();
            viewer->SetFilename(small);
            viewer->sbExpandClick();
            QApplication::processEvents();
            TimeCtrlEnd(*viewer);
            delete first;
            for (int round = 0; round < 3; ++round)
                QApplication::processEvents();
        }
        BaselineKiB = ResidentKiB();
        auto* sub = new TMDIChildWindow(area);
        Viewer = new Tmdi_quil_Viewer;
        sub->setWidget(Viewer);
        area->addSubWindow(sub);
        sub->showMaximized();
        Sub = sub;
        QApplication::processEvents();
    }

    // Closes the document window and returns the resident memory once it is gone.
    long CloseViewer()
    {
        delete Sub;
        Sub = nullptr;
        Viewer = nullptr;
        // The deferred deletions and the memory release the window queued.
        for (int round = 0; round < 3; ++round)
            QApplication::processEvents();
        return ResidentKiB();
    }
};
} // namespace

int ReportCommand(const char* APath)
{
    const QString file = QString::fromLocal8Bit(APath);
    TFileInfo info;
    GetFileInfo(file, info);
    QElapsedTimer since;
    since.start();
    TFileDigests digests(file);
    TOutline outline;
    const TDocumentBuild build = BuildDocumentFile(file, outline);
    for (const TReportRow& row : MakeReport(
             info.Size, digests, build.ErrorText, build.Counts, since, QLocale::system(), build.ErrorPlace))
        std::printf("%s\n", row.Text.toUtf8().constData());
    return 0;
}

int WindowCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv, true);
    QElapsedTimer timer;
    timer.start();
    fixture.Viewer->SetFilename(QString::fromLocal8Bit(APath));
    const qint64 loadMs = timer.elapsed();
    QApplication::processEvents();
    std::printf("window load %.3f s\n", double(loadMs) / 1000.0);
    std::printf("nodes       %zu\n", fixture.Viewer->Outline().NodeCount());
    std::printf("peak        %ld KiB resident\n", PeakKiB());
    const auto [endMs, coloured] = TimeCtrlEnd(*fixture.Viewer);
    std::printf("ctrl+end    %lld ms (%s)\n", static_cast<long long>(endMs), coloured ? "coloured" : "plain");
    std::fflush(stdout);
    {
        // A tree search that finds nothing, started as a click does: the time the window's thread is
        // held, and the time until "Text not found".
        TYesPresenter presenter;
        SetMessageBoxPresenter(&presenter);
        fixture.Viewer->eTreeSearch->setText(QStringLiteral("no such text anywhere"));
        QElapsedTimer search;
        search.start();
        fixture.Viewer->eTreeSearchLeftButtonClick();
        const qint64 heldMs = search.elapsed();
        while (fixture.Viewer->sb->Text(0) != QLatin1String("Ready"))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::printf("tree search %lld ms on the window's thread, %.3f s until not found\n",
            static_cast<long long>(heldMs), double(search.elapsed()) / 1000.0);
        std::fflush(stdout);
        SetMessageBoxPresenter(nullptr);
    }
    const long openKiB = ResidentKiB();
    const long closedKiB = fixture.CloseViewer();
    std::printf("close       %.2f of the resident memory before the window (%ld KiB before, %ld open, %ld "
                "closed)\n",
        double(closedKiB) / double(std::max(1L, fixture.BaselineKiB)), fixture.BaselineKiB, openKiB,
        closedKiB);
    std::fflush(stdout);
    // Skip the teardown of a large document: the process ends here.
    std::_Exit(0);
}

int FocusCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    fixture.Viewer->SetFilename(QString::fromLocal8Bit(APath));
    fixture.Viewer->pc->setCurrentIndex(0);
    // A load focuses the top-level node: focus its first child, so that the root's list is made anew.
    const TOutline& outline = fixture.Viewer->Outline();
    if (!outline.IsEmpty() && outline.ChildCount(outline.Root()) > 0)
        fixture.Viewer->FocusNode(outline.Child(outline.Root(), 0));
    QApplication::processEvents();
    const long beforeKiB = ResidentKiB();
    QElapsedTimer timer;
    timer.start();
    fixture.Viewer->FocusNode(outline.Root());
    // The details count as filled once the list has laid out and painted its rows.
    fixture.Viewer->List->repaint();
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    std::printf("focus %lld ms (%d rows in the list), %+ld KiB resident\n", static_cast<long long>(ms),
        fixture.Viewer->List->Model()->rowCount(), ResidentKiB() - beforeKiB);
    std::fflush(stdout);
    std::_Exit(0);
}

int ExpandCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    Tmdi_quil_Viewer& viewer = *fixture.Viewer;
    viewer.SetFilename(QString::fromLocal8Bit(APath));
    QApplication::processEvents();
    const TOutline& outline = viewer.Outline();
    // Each step until the tree has painted its rows.
    QElapsedTimer timer;
    qint64 cpu = 0;
    const auto start = [&] {
        timer.start();
        cpu = ProcessorMs();
    };
    const auto stop = [&] {
        viewer.Tree->viewport()->repaint();
        QApplication::processEvents();
        return std::pair {timer.elapsed(), ProcessorMs() - cpu};
    };
    const long beforeKiB = ResidentKiB();
    start();
    viewer.sbExpandClick();
    const auto [expandMs, expandCpu] = stop();
    const long expandedKiB = ResidentKiB();
    const size_t rows = viewer.Tree->Rows().RowCount();
    start();
    viewer.Tree->ScrollToBottom();
    const auto [endMs, endCpu] = stop();
    start();
    viewer.Tree->verticalScrollBar()->setValue(viewer.Tree->verticalScrollBar()->maximum() / 2);
    const auto [middleMs, middleCpu] = stop();
    start();
    viewer.sbCollapseClick();
    const auto [collapseMs, collapseCpu] = stop();
    std::printf("expand %lld ms (processor %lld ms), collapse %lld ms (processor %lld ms), %zu nodes\n",
        static_cast<long long>(expandMs), static_cast<long long>(expandCpu),
        static_cast<long long>(collapseMs), static_cast<long long>(collapseCpu), outline.NodeCount());
    std::printf("expanded %zu rows, %ld KiB more resident memory\n", rows, expandedKiB - beforeKiB);
    std::printf("scroll to the end %lld ms, to the middle %lld ms\n", static_cast<long long>(endMs),
        static_cast<long long>(middleMs));
    // The node with the most children: opened from a tree where only its ancestors are, then focused.
    const TNodeIndex widest = WidestNode(outline);
    viewer.Tree->RestoreExpanded({});
    for (TNodeIndex p = outline.Parent(widest); p != NoNode; p = outline.Parent(p))
        viewer.Tree->SetExpanded(p, true);
    viewer.Tree->ScrollToNode(widest);
    QApplication::processEvents();
    start();
    viewer.Tree->SetExpanded(widest, true);
    const auto [wideMs, wideCpu] = stop();
    start();
    viewer.FocusNode(widest);
    viewer.List->repaint();
    const auto [focusMs, focusCpu] = stop();
    std::printf("widest node %lld ms to expand (processor %lld ms), %lld ms to focus (processor %lld ms), %u "
                "children\n",
        static_cast<long long>(wideMs), static_cast<long long>(wideCpu), static_cast<long long>(focusMs),
        static_cast<long long>(focusCpu), outline.ChildCount(widest));
    std::fflush(stdout);
    std::_Exit(0);
}

int ReloadCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    Tmdi_quil_Viewer& viewer = *fixture.Viewer;
    viewer.SetFilename(QString::fromLocal8Bit(APath));
    // Everything expanded and the last node focused: the most a reload can have to bring back.
    viewer.sbExpandClick();
    TNodeIndex last = viewer.Outline().Root();
    while (last != NoNode && viewer.Outline().ChildCount(last) > 0)
        last = viewer.Outline().Child(last, viewer.Outline().ChildCount(last) - 1);
    viewer.FocusNode(last);
    viewer.Tree->repaint();
    QApplication::processEvents();
    const auto timed = [&viewer](auto AReload) {
        QElapsedTimer timer;
        timer.start();
        AReload();
        viewer.Tree->repaint();
        QApplication::processEvents();
        return timer.elapsed();
    };
    const qint64 inPlaceMs = timed([&viewer] { viewer.Reread(); });
    const bool kept = viewer.FocusedNode() == last;
    const size_t expanded = viewer.ExpandedTreeNodes().size();
    const qint64 plainMs = timed([&viewer] { viewer.SetFilename(viewer.Filename()); });
    std::printf("reload in place %lld ms (%zu expanded nodes, focus %s), plain load %lld ms\n",
        static_cast<long long>(inPlaceMs), expanded, kept ? "kept" : "lost", static_cast<long long>(plainMs));
    std::fflush(stdout);
    std::_Exit(0);
}

int PrintCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    fixture.Viewer->SetFilename(QString::fromLocal8Bit(APath));
    const bool tree = AArgc > 4 && std::strcmp(AArgv[4], "tree") == 0;
    fixture.Viewer->pc->setCurrentIndex(tree ? 0 : 1);
    QApplication::processEvents();
    QTemporaryDir folder;
    const QString pdf =
        AArgc > 3 ? QString::fromLocal8Bit(AArgv[3]) : folder.filePath(QStringLiteral("print.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QElapsedTimer timer;
    timer.start();
    fixture.Viewer->Print(printer);
    const qint64 ms = timer.elapsed();
    std::printf("print %.3f s (%llu source lines, %s page, to %s)\n", double(ms) / 1000.0,
        qulonglong(fixture.Viewer->Memo->Lines().ListLineCount()), tree ? "Tree" : "Source",
        qPrintable(QFileInfo(pdf).fileName()));
    std::fflush(stdout);
    std::_Exit(0);
}
