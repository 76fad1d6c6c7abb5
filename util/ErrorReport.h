#pragma once
// The default error report: where an error that no handler dealt with ends, as an error box with the
// error's text. The application object sends escaping errors here; handlers that catch a failure of
// their own (a decode that yields no text) send it here too, so the user sees one kind of report.

#include <QString>

// Shows ATEXT in an error box (through the message-box presenter, so tests can answer it).
void ShowErrorReport(const QString& AText);
