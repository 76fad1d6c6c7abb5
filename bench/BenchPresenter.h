#pragma once
// The message boxes of the bench tool's windows, answered without a user.

#include "util/MessageBoxes.h"

#include <cstdio>

// Answers Yes to a question (Format JSON's) and Ok to a message, which it prints to stderr.
class TYesPresenter : public IMessageBoxPresenter {
public:
    QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest& request) override
    {
        if (request.Buttons.testFlag(QMessageBox::Yes))
            return QMessageBox::Yes;
        std::fprintf(stderr, "quillon-bench: %s\n", qUtf8Printable(request.Text));
        return QMessageBox::Ok;
    }
};
