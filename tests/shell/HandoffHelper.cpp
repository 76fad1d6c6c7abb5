// Stands in for the program in the hand-off tests: the real start-up sequence with a plain window
// in place of the main window. Every step that a test checks is appended as one line to the file
// named by QUILLON_HELPER_LOG:
//
//   storage up|down <pid>            the layout storage hook (created and released)
//   first <pid> <version>            this process became the first instance; its window exists
//   open <path>                      the window would open PATH (its own arguments, then hand-offs)
//   raise                            a later start asked for the window
//   first|second <pid> exit <code>   RunQuillon returned
//
// A handed-over argument "--quit-helper" closes the window, which ends the first instance;
// QUILLON_HELPER_WINDOW_DELAY_MS makes the window take that long to be created.
#include "about/VersionInfo.h"
#include "codecs/CmdLine.h"
#include "shell/InstanceHandoff.h"
#include "shell/Startup.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

namespace {

void Log(const QString& line)
{
    // One write per line on an O_APPEND file: lines of concurrent processes never interleave.
    const QByteArray path = qgetenv("QUILLON_HELPER_LOG");
    if (path.isEmpty())
        return;
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    [[maybe_unused]] const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    ::close(fd);
}

void LogOpens(const TIPCMessage& message)
{
    for (const QString& file : IPCFilesToOpen(message, QDir::currentPath()))
        Log(QStringLiteral("open ") + file);
}

// The offscreen platform cannot raise windows and says so on every request; the tests do not care.
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QStringLiteral("does not support raise")))
        qt_message_output(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietRaise);
    bool first = false;
    TStartupHooks hooks;
    hooks.CreateLayoutStorage = [] {
        Log(QStringLiteral("storage up %1").arg(::getpid()));
        return std::function<void()>([] { Log(QStringLiteral("storage down %1").arg(::getpid())); });
    };
    hooks.CreateMainWindow = [&first](THandoffServer* receiver) -> QWidget* {
        first = true;
        // A slow window: later starts arrive while the first instance has none yet.
        if (const int delay = qEnvironmentVariableIntValue("QUILLON_HELPER_WINDOW_DELAY_MS"); delay > 0)
            QThread::msleep(ulong(delay));
        auto* window = new QWidget;
        window->setWindowTitle(ApplicationTitle.toString());
        Log(QStringLiteral("first %1 %2").arg(::getpid()).arg(AppVersionInfo.FileVersion));
        // The window's own arguments, as the main window opens them when it is first shown.
        for (const QString& file : FilesToOpen(CommandLine->FSL, QDir::currentPath()))
            Log(QStringLiteral("open ") + file);
        if (receiver) {
            QObject::connect(receiver, &THandoffServer::RaiseRequested, window, [window] {
                Log(QStringLiteral("raise"));
                RestoreAndActivate(window);
            });
            QObject::connect(
                receiver, &THandoffServer::MessageReceived, window, [window](const TIPCMessage& message) {
                    LogOpens(message);
                    if (TCommandLine(message.StrData).FSL.contains(QStringLiteral("--quit-helper")))
                        window->close();
                });
        }
        return window;
    };
    const int code = RunQuillon(argc, argv, hooks);
    Log(QStringLiteral("%1 %2 exit %3").arg(first ? "first" : "second").arg(::getpid()).arg(code));
    return code;
}
