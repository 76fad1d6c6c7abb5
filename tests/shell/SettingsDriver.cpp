// The program with a hand that never rests: the real start-up and main window, which then changes its
// options, opens and closes its document and moves, each change saved at once (persistent settings on).
// The kill tests end it with SIGKILL at any moment. It prints "running" once the changes have begun.
#include "controls/MDIChildWindow.h"
#include "platform/Notice.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "shell/Startup.h"
#include "tests/common/AnsweringPresenter.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    // Any notice or box is a finding: printed for the test to see, never waited for.
    SetNoticeHandler(
        [](TNoticeKind, const QString& AText) { std::fprintf(stderr, "notice: %s\n", qPrintable(AText)); });
    static TAnsweringPresenter presenter;
    presenter.Answer = QMessageBox::Ok;
    SetMessageBoxPresenter(&presenter);
    const QString document = argc > 1 ? QString::fromLocal8Bit(argv[argc - 1]) : QString();
    TStartupHooks hooks;
    hooks.CreateLayoutStorage = [] {
        LayoutStorage = CreateLayoutStorage();
        return std::function<void()>([] { LayoutStorage.reset(); });
    };
    hooks.CreateMainWindow = [document](THandoffServer* AReceiver) -> QWidget* {
        auto* w = new Twnd_quil_Main(AReceiver);
        auto* timer = new QTimer(w);
        QObject::connect(timer, &QTimer::timeout, w, [w, document] {
            static int step = 0;
            if (!w->acPersistent->isChecked())
                w->acPersistent->trigger();
            switch (++step % 5) {
            case 0:
                w->acGrid->trigger();
                break;
            case 1:
                w->acTreeLines->trigger();
                break;
            case 2:
                w->acValueCol->trigger();
                break;
            case 3:
                if (Tmdi_quil_Viewer* doc = w->OpenFile(document))
                    doc->ExitSizeMove();
                break;
            default:
                for (Tmdi_quil_Viewer* doc : w->DocumentWindows())
                    TMDIChildWindow::Of(doc)->close();
                break;
            }
            w->move(10 + step % 50, 20);
            w->ExitSizeMove();
            for (const QString& asked : presenter.Asked)
                std::fprintf(stderr, "box: %s\n", qPrintable(asked));
            presenter.Asked.clear();
            if (step == 1) {
                std::printf("running\n");
                std::fflush(stdout);
            }
        });
        timer->start(1);
        return w;
    };
    return RunQuillon(argc, argv, hooks);
}
