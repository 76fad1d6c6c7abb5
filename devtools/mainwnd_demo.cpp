// Renders the main window with a document open, once with each main menu dropped down, and saves the
// pictures as PNG files for a look:
//   quillon_mainwnd_demo /tmp/main [FILE]   -> /tmp/main.png, /tmp/main-1.png ... one per menu
#include "shell/MainWnd.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTest>

int main(int AArgc, char** AArgv)
{
    QApplication app(AArgc, AArgv);
    const QString prefix = AArgc > 1 ? QString::fromLocal8Bit(AArgv[1]) : QStringLiteral("/tmp/main");
    Twnd_quil_Main main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main))
        return 1;
    if (AArgc > 2)
        main.OpenFile(QString::fromLocal8Bit(AArgv[2]));
    main.UpdateCommandStates();
    QTest::qWait(200);
    const QPixmap window = main.grab();
    window.save(prefix + QStringLiteral(".png"));
    int n = 0;
    for (QAction* entry : main.menuBar()->actions()) {
        QMenu* menu = entry->menu();
        if (!menu)
            continue;
        const QPoint at = main.menuBar()->mapTo(&main, main.menuBar()->actionGeometry(entry).bottomLeft());
        menu->popup(main.mapToGlobal(at));
        QTest::qWait(100);
        QPixmap shot = window;
        QPainter painter(&shot);
        painter.drawPixmap(at, menu->grab());
        painter.end();
        menu->hide();
        shot.save(prefix + QStringLiteral("-%1.png").arg(++n));
    }
    return 0;
}
