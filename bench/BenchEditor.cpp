#include "bench/BenchEditor.h"

#include "bench/BenchPresenter.h"

#include "editor/EditorWnd.h"
#include "textview/CustomSynEdit.h"
#include "util/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {
// Keystrokes typed into the formatted text.
constexpr int Keystrokes = 20;

long PeakKiB()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(qint64 AMs)
{
    return double(AMs) / 1000.0;
}
} // namespace

int EditorCommand(int AArgc, char** AArgv, const char* APath)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    static int count = 1;
    QApplication app(count, AArgv);
    (void)AArgc;
    TYesPresenter presenter;
    SetMessageBoxPresenter(&presenter);

    // As EditFile opens it: load, caption, caret facts, shown and painted.
    QElapsedTimer timer;
    timer.start();
    auto* window = new Twnd_quil_Editor;
    window->SetClearPasteVisible(false);
    try {
        window->LoadFile(QString::fromLocal8Bit(APath));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon-bench: %s\n", error.what());
        return 1;
    }
    window->SetFilename(QString::fromLocal8Bit(APath));
    window->EditorStatusChange();
    window->show();
    window->repaint();
    QApplication::processEvents();
    const qint64 openMs = timer.elapsed();

    // To the end of the text and back, each until painted.
    const auto sendKey = [window](int AKey, Qt::KeyboardModifiers AModifiers) {
        QElapsedTimer keyTimer;
        keyTimer.start();
        QKeyEvent press(QEvent::KeyPress, AKey, AModifiers);
        QApplication::sendEvent(window->Editor, &press);
        QKeyEvent release(QEvent::KeyRelease, AKey, AModifiers);
        QApplication::sendEvent(window->Editor, &release);
        window->repaint();
        QApplication::processEvents();
        return keyTimer.elapsed();
    };
    const qint64 endMs = sendKey(Qt::Key_End, Qt::ControlModifier);
    sendKey(Qt::Key_Home, Qt::ControlModifier);

    timer.restart();
    window->acFormatExecute();
    window->repaint();
    QApplication::processEvents();
    const qint64 formatMs = timer.elapsed();

    // Typing in the middle of the formatted text, each key until it is painted.
    window->Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
        static_cast<unsigned long>(window->Editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) / 2));
    qint64 slowestKeyMs = 0;
    QElapsedTimer allKeys;
    allKeys.start();
    for (int key = 0; key < Keystrokes; ++key) {
        QElapsedTimer keyTimer;
        keyTimer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(window->Editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(window->Editor, &release);
        window->repaint();
        QApplication::processEvents();
        slowestKeyMs = std::max(slowestKeyMs, keyTimer.elapsed());
    }

    std::printf("editor open   %.3f s\n", Seconds(openMs));
    std::printf("editor format %.3f s (%d lines)\n", Seconds(formatMs), int(window->Editor->lines()));
    std::printf("editor ctrl+end %lld ms\n", static_cast<long long>(endMs));
    std::printf("editor typing %lld ms (slowest of %d keys, %.1f ms on average)\n",
        static_cast<long long>(slowestKeyMs), Keystrokes, double(allKeys.elapsed()) / Keystrokes);
    std::printf("peak          %ld KiB resident\n", PeakKiB());
    std::fflush(stdout);
    // Skip the teardown of a large document: the process ends here.
    std::_Exit(0);
}
