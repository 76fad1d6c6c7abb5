#include "shell/Startup.h"

#include "about/VersionInfo.h"
#include "codecs/CmdLine.h"
#include "codecs/IPCMessage.h"
#include "shell/InstanceHandoff.h"
#include "shell/QuillonApplication.h"
#include "util/MessageBoxes.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <cstdio>

TCommandLine* CommandLine = nullptr;
TFormatSettings FormatSettings;

namespace {

// The first character of FORMAT that separates date fields (not a field letter, not quoted text).
QString FirstSeparator(const QString& AFormat)
{
    bool quoted = false;
    for (const QChar c : AFormat) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && c != u'd' && c != u'M' && c != u'y' && !c.isSpace())
            return QString(c);
    }
    return {};
}

// FORMAT without its time-zone fields: times are shown as the clock reads, as the system's long
// time format does.
QString WithoutTimeZone(const QString& AFormat)
{
    QString result;
    bool quoted = false;
    for (const QChar c : AFormat) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.simplified();
}

} // namespace

TFormatSettings MakeFormatSettings(const QLocale& ALocale)
{
    TFormatSettings settings;
    settings.Locale = ALocale;
    settings.ShortDateFormat = ALocale.dateFormat(QLocale::ShortFormat);
    settings.LongTimeFormat = WithoutTimeZone(ALocale.timeFormat(QLocale::LongFormat));
    AdjustDateFormat(settings, ALocale.language() == QLocale::Slovak);
    return settings;
}

void AdjustDateFormat(TFormatSettings& ASettings, bool ASlovak)
{
    ASettings.DateSeparator = FirstSeparator(ASettings.ShortDateFormat);
    if (ASlovak && ASettings.DateSeparator.isEmpty()) {
        ASettings.DateSeparator = QStringLiteral(".");
        ASettings.ShortDateFormat = QStringLiteral("d.M.yyyy");
    }
    if (ASettings.ShortDateFormat.contains(u'.'))
        ASettings.DateSeparator = QStringLiteral(".");
}

void SetFormatSettings()
{
    // Read once: a change of the system's regional settings later in the run changes nothing.
    const QLocale user = QLocale::system();
    QLocale::setDefault(user);
    FormatSettings = MakeFormatSettings(user);
}

QString FormatDateTimeText(const QDateTime& ADateTime)
{
    return FormatSettings.Locale.toString(ADateTime.date(), FormatSettings.ShortDateFormat) + u' '
        + FormatSettings.Locale.toString(ADateTime.time(), FormatSettings.LongTimeFormat);
}

QString InformationSwitchText(const QStringList& AItems, const TVersionInfo& AInfo)
{
    for (const QString& item : AItems) {
        if (item == u"--version") {
            const QString version =
                AInfo.FileVersion.isEmpty() ? QStringLiteral("(no version information)") : AInfo.FileVersion;
            return QStringLiteral("%1 %2\n").arg(ApplicationTitle, version);
        }
        if (item == u"--help")
            return QStringLiteral("Usage: ravek-quillon [FILE...]\n"
                                  "\n"
                                  "Views and edits JSON documents. Every FILE that exists opens in a window\n"
                                  "of its own; when the program is running already, the files open there.\n"
                                  "\n"
                                  "  --help     show this text and exit\n"
                                  "  --version  show the version and exit\n");
    }
    return QString();
}

int RunQuillon(int& AArgc, char** AArgv, const TStartupHooks& AHooks)
{
    // A request for information is answered before anything else starts.
    {
        const QStringList items = TCommandLine::ProcessArguments();
        TVersionInfo info;
        if (items.contains(u"--version"))
            ReadVersionInfo(ProgramFilePath(), info);
        const QString text = InformationSwitchText(items, info);
        if (!text.isEmpty()) {
            std::fputs(text.toLocal8Bit().constData(), stdout);
            std::fflush(stdout);
            return 0;
        }
    }
    // Process-wide objects, released in reverse order below. (The GUI thread needs no COM-style
    // initialisation here.)
    IPCSenderUID();
    ModalBoxCount = 0;
    std::function<void()> releaseLayoutStorage;
    if (AHooks.CreateLayoutStorage)
        releaseLayoutStorage = AHooks.CreateLayoutStorage();
    ReadVersionInfo(ProgramFilePath(), AppVersionInfo);

    {
        TQuillonApplication application(AArgc, AArgv);
        // The arguments are read once the application object has taken out the options it handles
        // itself (-platform, -style, ...): those are no items, so no file named like their value opens.
        CommandLine = new TCommandLine();
        if (!CheckInstance(InstanceName.toString(), MainWindowClassName.toString(), true, true, 0, false)) {
            SetFormatSettings();
            // The main window is a top-level window of its own, so it is the one the task bar shows,
            // with its own caption. The application title (ApplicationTitle) is deliberately not
            // made Qt's display name: that would append it to the caption of every window.
            THandoffServer* receiver = InstanceServer();
            QPointer<QWidget> window = AHooks.CreateMainWindow ? AHooks.CreateMainWindow(receiver) : nullptr;
            if (window) {
                window->show();
                // Records that came while the window was being made go out once the loop runs,
                // after what the window queued for its own first showing.
                if (receiver)
                    QMetaObject::invokeMethod(receiver, &THandoffServer::StartDelivery, Qt::QueuedConnection);
                QApplication::exec();
            }
            delete window.data();
        }
        ReleaseInstance();
        delete CommandLine;
        CommandLine = nullptr;
    }

    if (releaseLayoutStorage)
        releaseLayoutStorage();
    ModalBoxCount = 0;
    return 0;
}
