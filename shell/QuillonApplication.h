#pragma once
// The program's application object. An error that no handler caught ends in the default error
// report, a message box with the error's text, instead of ending the program.

#include "util/ErrorReport.h"

#include <QApplication>

class TQuillonApplication : public QApplication {
    Q_OBJECT
public:
    TQuillonApplication(int& AArgc, char** AArgv);
    bool notify(QObject* AReceiver, QEvent* AEvent) override;
};
