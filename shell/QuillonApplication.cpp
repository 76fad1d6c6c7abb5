#include "shell/QuillonApplication.h"

#include <exception>

TQuillonApplication::TQuillonApplication(int& AArgc, char** AArgv)
    : QApplication(AArgc, AArgv)
{
}

bool TQuillonApplication::notify(QObject* AReceiver, QEvent* AEvent)
{
    // Handlers report their failures by raising errors; the user sees their text and goes on.
    try {
        return QApplication::notify(AReceiver, AEvent);
    } catch (const std::exception& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(QStringLiteral("Unknown error."));
    }
    return false;
}
