#pragma once
// Answers every message box with one chosen button and keeps the texts it was asked, so that window
// tests run without a human.

#include "util/MessageBoxes.h"

#include <QStringList>

class TAnsweringPresenter : public IMessageBoxPresenter {
public:
    QMessageBox::StandardButton Answer = QMessageBox::No;
    QStringList Asked;

    QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest& request) override
    {
        Asked << request.Text;
        return Answer;
    }
};
