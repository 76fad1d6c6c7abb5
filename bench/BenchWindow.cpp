#include "bench/BenchWindow.h"

#include "controls/MDIChildWindow.h"
#include "textview/CustomSynEdit.h"
#include "textview/JSONTokenizer.h"
#include "textview/SynJSONSyn.h"
#include "util/FileUtils.h"
#include "viewer/DocumentReport.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QPrinter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

#include <sys/resource.h>

namespace {
long PeakKiB()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Ctrl+End in the source view: milliseconds until the view has painted its last line, and whether
// that line came out coloured.
std::pair<qint64, bool> TimeCtrlEnd(Tmdi_quil_Viewer& AViewer)
{
    using Sci = QsciScintillaBase;
    TCustomSynEdit* memo = AViewer.Memo;
    AViewer.pc->setCurrentIndex(1);
    memo->setFocus();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(memo, &press);
    memo->viewport()->repaint();
    const qint64 ms = timer.elapsed();
    // The last character that is no line break or space: styled means coloured (style 0 is plain).
    long last = memo->SendScintilla(Sci::SCI_GETLENGTH) - 1;
    while (
        last > 0 && uchar(memo->SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(last))) <= ' ')
        --last;
    const long style = memo->SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(qMax(0L, last)));
    return {ms, style != TSynJSONSyn::StyleOf(saNone)};
}

// A frame with one document window, as the program shows it.
struct TWindowFixture {
    std::unique_ptr<QApplication> App;
    std::unique_ptr<QMainWindow> Frame;
    Tmdi_quil_Viewer* Viewer = nullptr;

    TWindowFixture(int AArgc, char** AArgv)
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
        auto* sub = new TMDIChildWindow(area);
        Viewer = new Tmdi_quil_Viewer;
        sub->setWidget(Viewer);
        area->addSubWindow(sub);
        sub->showMaximized();
        QApplication::processEvents();
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
    TWindowFixture fixture(AArgc, AArgv);
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
    // Skip the teardown of a large document: the process ends here.
    std::_Exit(0);
}

int FocusCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    fixture.Viewer->SetFilename(QString::fromLocal8Bit(APath));
    fixture.Viewer->pc->setCurrentIndex(0);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    fixture.Viewer->FocusNode(fixture.Viewer->Outline().Root());
    // The details count as filled once the list has laid out and painted its rows.
    fixture.Viewer->List->repaint();
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    std::printf("focus %lld ms (%d rows in the list)\n", static_cast<long long>(ms),
        fixture.Viewer->List->model()->rowCount());
    std::fflush(stdout);
    std::_Exit(0);
}

int ExpandCommand(int AArgc, char** AArgv, const char* APath)
{
    TWindowFixture fixture(AArgc, AArgv);
    fixture.Viewer->SetFilename(QString::fromLocal8Bit(APath));
    QApplication::processEvents();
    // Wall time, and the processor time of this process: on a busy machine the two differ.
    const auto cpuMs = [] {
        timespec t {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    };
    QElapsedTimer timer;
    timer.start();
    qint64 cpu = cpuMs();
    // "Full expand", until the tree has laid out and painted its rows.
    fixture.Viewer->sbExpandClick();
    fixture.Viewer->Tree->repaint();
    QApplication::processEvents();
    const qint64 expandMs = timer.elapsed();
    const qint64 expandCpu = cpuMs() - cpu;
    timer.start();
    cpu = cpuMs();
    fixture.Viewer->sbCollapseClick();
    fixture.Viewer->Tree->repaint();
    QApplication::processEvents();
    const qint64 collapseMs = timer.elapsed();
    const qint64 collapseCpu = cpuMs() - cpu;
    std::printf("expand %lld ms (processor %lld ms), collapse %lld ms (processor %lld ms), %zu nodes\n",
        static_cast<long long>(expandMs), static_cast<long long>(expandCpu),
        static_cast<long long>(collapseMs), static_cast<long long>(collapseCpu),
        fixture.Viewer->Outline().NodeCount());
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
    std::printf("print %.3f s (%d source lines, %s page, to %s)\n", double(ms) / 1000.0,
        fixture.Viewer->Memo->lines(), tree ? "Tree" : "Source", qPrintable(QFileInfo(pdf).fileName()));
    std::fflush(stdout);
    std::_Exit(0);
}
