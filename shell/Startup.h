#pragma once
// The program's start and end: the process-wide objects in their order, the single-instance check,
// the date format, the application title, the main window and the message loop.

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
class TCommandLine;
class THandoffServer;
struct TVersionInfo;

// The application title: the caption of the default error report and wherever the program as a
// whole is named.
inline constexpr QStringView ApplicationTitle = u"Ravek Quillon";

// The process's own arguments; exists from start-up to exit.
extern TCommandLine* CommandLine;

// What the program adds to the start-up sequence: the layers above this one and the main window.
struct TStartupHooks {
    // Creates the process-wide layout storage; returns what releases it at exit (may be empty).
    std::function<std::function<void()>()> CreateLayoutStorage;
    // Creates the main window once this process is the first instance. RECEIVER brings the records
    // of later starts (null when there is no hand-off); connect to it here, it starts delivering
    // right after the window is shown. The window is deleted after the message loop ends unless it
    // deleted itself.
    std::function<QWidget*(THandoffServer* AReceiver)> CreateMainWindow;
};

// Runs the program: creates the sender id, resets ModalBoxCount, creates CommandLine and the layout
// storage, reads the version information of the executable, creates the application object, and
// either hands over to a running instance or adjusts the date format, shows the main window and runs
// the message loop until it closes. Releases everything in reverse order. The exit code is 0.
// With "--help" or "--version" it prints that text and returns 0 at once: no window, no storage and
// no contact with a running instance.
int RunQuillon(int& AArgc, char** AArgv, const TStartupHooks& AHooks);

// What "--help" or "--version" among the program's arguments asks it to print (the first of the two
// that appears): a usage text, or the product and its version from AINFO. Empty when neither is
// given; every other switch means nothing.
QString InformationSwitchText(const QStringList& AItems, const TVersionInfo& AInfo);

// The date and time formats the program shows dates with.
struct TFormatSettings {
    QLocale Locale;
    QString ShortDateFormat; // a QDate format string
    QString DateSeparator; // the separator between day, month and year
    QString LongTimeFormat; // a QTime format string with seconds, without a time zone
};
extern TFormatSettings FormatSettings;

// The formats for LOCALE: its short date and long time formats, adjusted by AdjustDateFormat.
TFormatSettings MakeFormatSettings(const QLocale& ALocale);
// Fills DateSeparator from ShortDateFormat (its first character between the fields); for a Slovak
// locale whose format has none, "d.M.yyyy" with "."; and "." whenever the format holds a ".".
void AdjustDateFormat(TFormatSettings& ASettings, bool ASlovak);
// Takes the user's locale as the program's locale (QLocale's default) and fixes FormatSettings for
// the rest of the run.
void SetFormatSettings();
// DATETIME in the short date and long time formats, as dates are shown throughout the program.
QString FormatDateTimeText(const QDateTime& ADateTime);
