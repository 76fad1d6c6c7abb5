// A developer launcher for the document window until the frame window exists: opens each FILE in a
// document window inside a multiple-document area; with --shot PNG it saves a picture of the frame
// after loading and quits.
//
//   quillon_viewer_demo [--shot PNG] [--source] [--grid] FILE...

#include "controls/MDIChildWindow.h"
#include "viewer/ViewerWnd.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString shot;
    bool source = false;
    if (args.size() >= 2 && args[0] == QLatin1String("--shot")) {
        shot = args[1];
        args = args.mid(2);
    }
    if (!args.isEmpty() && args[0] == QLatin1String("--source")) {
        source = true;
        args = args.mid(1);
    }
    bool grid = false;
    if (!args.isEmpty() && args[0] == QLatin1String("--grid")) {
        grid = true;
        args = args.mid(1);
    }
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Ravek Quillon (document window)"));
    auto* area = new QMdiArea(&frame);
    area->setBackground(QColor(79, 82, 87));
    frame.setCentralWidget(area);
    frame.resize(1100, 720);
    frame.show();
    Tmdi_quil_Viewer* last = nullptr;
    for (const QString& file : args) {
        auto* sub = new TMDIChildWindow(area);
        auto* viewer = new Tmdi_quil_Viewer;
        sub->setWidget(viewer);
        // The window's own activation handler: the changed-file check.
        sub->OnActivate = [viewer](QObject*) { viewer->FormActivate(); };
        sub->setWindowTitle(QFileInfo(file).fileName());
        area->addSubWindow(sub);
        sub->show();
        sub->showMaximized();
        viewer->SetGridLines(grid);
        viewer->SetFilename(file);
        sub->setWindowTitle(QFileInfo(file).fileName());
        last = viewer;
    }
    if (!shot.isEmpty()) {
        QTimer::singleShot(600, &app, [&] {
            if (last) {
                if (source)
                    last->pc->setCurrentIndex(1);
                else if (last->Outline().Root() != NoNode)
                    last->FocusNode(last->Outline().Root());
            }
            QTimer::singleShot(400, &app, [&] {
                frame.grab().save(shot);
                app.quit();
            });
        });
    }
    return app.exec();
}
