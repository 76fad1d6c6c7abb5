#include "shell/QuillonApplication.h"

#include "util/ErrorReport.h"
#include "util/QuillonError.h"

TQuillonApplication::TQuillonApplication(int& AArgc, char** AArgv)
    : QApplication(AArgc, AArgv)
{
}

bool TQuillonApplication::notify(QObject* AReceiver, QEvent* AEvent)
{
    // Handlers report their failures by raising errors; the user sees their text and goes on.
    try {
        return QApplication::notify(AReceiver, AEvent);
    } catch (...) {
        ShowErrorReport(CurrentErrorReportText());
    }
    return false;
}
