// A developer launcher for the editor until the main window's commands open it: runs the editor on
// FILE (or on a new text), as the program will. With --shot PNG it saves a picture of the editor (and,
// with --find, of the editor with its find dialog open, or with --validate, of the box Validate JSON
// shows) and quits.
//
//   quillon_editor_demo [--shot PNG] [--find|--validate] [FILE]

#include "editor/EditorWnd.h"
#include "editor/FindReplaceDialog.h"
#include "textview/CustomSynEdit.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {
// The editor and the dialogs of the desktop in one picture, as they stand on the screen.
QImage Picture(QWidget* AWindow, QWidget* ADialog)
{
    QPixmap picture = AWindow->grab();
    if (!ADialog || !ADialog->isVisible())
        return picture.toImage();
    const QPoint offset = ADialog->mapToGlobal(QPoint(0, 0)) - AWindow->mapToGlobal(QPoint(0, 0));
    QPainter painter(&picture);
    painter.drawPixmap(offset, ADialog->grab());
    painter.setPen(Qt::darkGray);
    painter.drawRect(QRect(offset, ADialog->size()).adjusted(0, 0, -1, -1));
    return picture.toImage();
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString shot;
    if (args.size() >= 2 && args[0] == QLatin1String("--shot")) {
        shot = args[1];
        args = args.mid(2);
    }
    const bool find = !args.isEmpty() && args[0] == QLatin1String("--find");
    const bool validate = !args.isEmpty() && args[0] == QLatin1String("--validate");
    if (find || validate)
        args = args.mid(1);
    if (!shot.isEmpty()) {
        const auto runModal = Twnd_quil_Editor::RunModal;
        Twnd_quil_Editor::RunModal = [runModal, shot, find, validate](Twnd_quil_Editor& window) {
            QTimer::singleShot(500, &window, [&window, shot, find, validate] {
                if (validate) {
                    // The box is modal: picture it from within its own loop.
                    QTimer::singleShot(300, &window, [shot] {
                        if (QWidget* box = QApplication::activeModalWidget()) {
                            box->grab().save(shot);
                            box->close();
                        }
                    });
                    window.acValidate->trigger();
                    window.close();
                    return;
                }
                if (find) {
                    // Inside the first member name.
                    window.Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 6UL);
                    window.acFindReplace->trigger();
                    window.rd->move(window.mapToGlobal(QPoint(window.width() / 2, window.height() / 3)));
                }
                QTimer::singleShot(300, &window, [&window, shot] {
                    Picture(&window, window.rd).save(shot);
                    window.Editor->setModified(false);
                    window.close();
                });
            });
            runModal(window);
        };
    }
    try {
        if (args.isEmpty()) {
            QString name;
            if (NewFile(name))
                std::printf("saved %s\n", qPrintable(name));
        } else if (EditFile(args[0])) {
            std::printf("saved %s\n", qPrintable(args[0]));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
