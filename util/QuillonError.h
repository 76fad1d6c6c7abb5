#pragma once
// The program's one failure type. Every error the program raises for the user to read (the settings
// store, the layout manager and its recent-files list, the window bar) derives from EQuillonError and
// carries the text the error report shows, so one catch serves them all.

#include <QString>

#include <exception>
#include <stdexcept>

class EQuillonError : public std::runtime_error {
public:
    explicit EQuillonError(const QString& AMessage)
        : std::runtime_error(AMessage.toStdString())
        , FMessage(AMessage)
    {
    }
    // The text as raised (what() holds its UTF-8 form).
    QString Message() const { return FMessage; }

private:
    QString FMessage;
};

// The text the error report shows for AError: the message of a program error, else the error's own
// description.
QString ErrorReportText(const std::exception& AError);

// The same for the error being handled (call it inside a catch block only); "Unknown error." for
// anything that is no std::exception.
QString CurrentErrorReportText();
