// Ravek Quillon: start-up hands over to the running instance, or shows the main window.
#include "platform/Notice.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "shell/QuillonApplication.h"
#include "shell/Startup.h"
#include "util/ErrorReport.h"
#include "util/MessageBoxes.h"

int main(int AArgc, char** AArgv)
{
    // What the settings store has to tell the user (a damaged store moved aside) shows as a box; its
    // errors (a layout that could not be saved or restored) take the route of every other error.
    SetNoticeHandler([](TNoticeKind AKind, const QString& AText) {
        if (AKind == TNoticeKind::nkError)
            ShowErrorReport(AText);
        else
            WarningBox(AText);
    });
    TStartupHooks hooks;
    hooks.CreateLayoutStorage = [] {
        LayoutStorage = CreateLayoutStorage();
        return std::function<void()>([] { LayoutStorage.reset(); });
    };
    hooks.CreateMainWindow = [](THandoffServer* receiver) -> QWidget* {
        return new Twnd_quil_Main(receiver);
    };
    return RunQuillon(AArgc, AArgv, hooks);
}
