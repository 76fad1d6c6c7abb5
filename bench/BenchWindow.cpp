#include "bench/BenchWindow.h"

#include "controls/MDIChildWindow.h"
#include "util/FileUtils.h"
#include "viewer/DocumentReport.h"
#include "viewer/OutlineViews.h"
#include "viewer/ViewerWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QStackedWidget>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <sys/resource.h>

namespace {
long PeakKiB()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    for (const TReportRow& row :
        MakeReport(info.Size, digests, build.ErrorText, build.Counts, since, QLocale::system()))
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
