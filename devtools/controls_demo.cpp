// Renders a frame window with a window bar (normal, hot, selected, multi-line and long captions,
// pictures) and a stand-alone button group in glass style, and saves both as PNG files for a look.
//   quillon_controls_demo /tmp/controls-demo      -> /tmp/controls-demo-frame.png, -bar.png, -glass.png
//   quillon_controls_demo /tmp/controls-demo 3000 -> the same, then keeps the windows up for 3 s
//                                                    (for a screenshot of a real display)
// With QT_SCALE_FACTOR=2 the same shows the high-DPI rendering.

#include "controls/MDIButtonGroup.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QIcon MakePicture(const QColor& Color, int Kind)
{
    QPixmap Pixmap(32, 32);
    Pixmap.setDevicePixelRatio(2);
    Pixmap.fill(Qt::transparent);
    QPainter Canvas(&Pixmap);
    Canvas.setRenderHint(QPainter::Antialiasing);
    Canvas.setPen(QPen(Color.darker(160), 1));
    Canvas.setBrush(Kind == 0 ? QColor(Qt::white) : Color);
    if (Kind == 0) {
        Canvas.drawRect(QRectF(3.5, 1.5, 10, 13));
        Canvas.drawLine(QPointF(5.5, 5), QPointF(11.5, 5));
        Canvas.drawLine(QPointF(5.5, 8), QPointF(11.5, 8));
        Canvas.drawLine(QPointF(5.5, 11), QPointF(9.5, 11));
    } else {
        Canvas.drawEllipse(QRectF(2, 2, 12, 12));
    }
    return QIcon(Pixmap);
}

void SendMove(QWidget* Target, QPoint Pos)
{
    QMouseEvent Move(
        QEvent::MouseMove, Pos, Target->mapToGlobal(Pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Move);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    const QString Base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/controls-demo");

    TImageList Images;
    Images.Add(MakePicture(QColor(70, 110, 180), 0));
    Images.Add(MakePicture(QColor(200, 80, 60), 1));

    QMainWindow Frame;
    auto* Central = new QWidget;
    auto* Layout = new QVBoxLayout(Central);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    auto* Area = new QMdiArea;
    Area->setBackground(QColor(79, 82, 87));
    Layout->addWidget(Area);
    Frame.setCentralWidget(Central);

    auto* Bar = new TMDIButtonGroup(&Frame);
    Layout->insertWidget(0, Bar);
    Bar->SetAutoSize(true);
    Bar->SetButtonWidth(150);
    Bar->SetButtonHeight(22);
    Bar->SetButtonOptions(TGrpButtonOptions(gboAllowReorder | gboGroupStyle | gboShowCaptions));
    Bar->SetHotButtonColor(QColor(255, 255, 0));
    Bar->SetSelectedButtonColor(QColor(166, 202, 240));
    Bar->SetRegularButtonColor(QApplication::palette().color(QPalette::Button));
    Bar->SetEdgeButtonColor(QColor(160, 160, 164));
    Bar->SetBevelKind(bkSoft);
    Bar->SetBevelEdges({});
    Bar->SetColor(QApplication::palette().color(QPalette::Button));
    Bar->setCursor(Qt::PointingHandCursor);
    Bar->SetImages(&Images);

    const QStringList Titles = {QStringLiteral("package.json"), QStringLiteral("settings.json"),
        QStringLiteral("a very long file name that does not fit.json"), QStringLiteral("tsconfig.json"),
        QStringLiteral("data.json"), QStringLiteral("sixth.json")};
    Frame.resize(796, 360);
    Frame.show();
    for (int I = 0; I < Titles.size(); ++I) {
        auto* Child = new TMDIChildWindow;
        Child->setWidget(new QTextEdit(QStringLiteral("{ \"index\": %1 }").arg(I)));
        Child->setWindowTitle(Titles.at(I));
        Area->addSubWindow(Child);
        Child->resize(300, 160);
        Child->show();
        Bar->AddButton(Child, I == 4 ? 1 : 0, QString());
    }
    Bar->SetItemIndex(1);
    QApplication::processEvents();
    SendMove(Bar, Bar->ButtonRect(3).center());

    Frame.grab().save(Base + QStringLiteral("-frame.png"));
    Bar->grab().save(Base + QStringLiteral("-bar.png"));

    // A stand-alone group: three-line captions, word wrap, glass fill, bevel lines, insertion marks.
    TButtonGroupEx Group;
    Group.resize(420, 140);
    Group.SetButtonWidth(140);
    Group.SetButtonHeight(60);
    Group.SetBorderStyle(bsNone);
    Group.SetBevelKind(bkFlat);
    Group.SetBevelEdges(TBevelEdges(beTop | beBottom));
    Group.SetGlassButtonStyle(true);
    Group.SetButtonOptions(TGrpButtonOptions(gboGroupStyle | gboShowCaptions | gboAllowReorder));
    Group.SetImages(&Images);
    QFont Bold = Group.font();
    Bold.setBold(true);
    Group.setFont(Bold);
    const QStringList Captions = {QStringLiteral("Objects\t1,204 values\tlast change today"),
        QStringLiteral("Arrays\t88"), QStringLiteral("Plain"),
        QStringLiteral("Wrapped caption that runs over several lines"), QStringLiteral("Five")};
    for (int I = 0; I < Captions.size(); ++I) {
        TGrpButtonItem Item;
        Item.Caption = Captions.at(I);
        Item.ImageIndex = I % 2;
        Group.AddItem(Item);
    }
    Group.SetWordWrap(true);
    Group.SetItemIndex(0);
    Group.show();
    QApplication::processEvents();
    SendMove(&Group, Group.ButtonRect(2).center());
    Group.grab().save(Base + QStringLiteral("-glass.png"));

    // Mid-drag: the third button over the left half of the fifth.
    const QPoint From = Group.ButtonRect(2).center();
    QMouseEvent Press(QEvent::MouseButtonPress, From, Group.mapToGlobal(From), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(&Group, &Press);
    const QPoint To = Group.ButtonRect(4).topLeft() + QPoint(10, 20);
    QMouseEvent Drag(
        QEvent::MouseMove, To, Group.mapToGlobal(To), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Group, &Drag);
    Group.grab().save(Base + QStringLiteral("-drag.png"));
    if (argc > 2) {
        Group.move(Frame.x(), Frame.y() + Frame.frameGeometry().height() + 10);
        QTimer::singleShot(QString::fromLocal8Bit(argv[2]).toInt(), &App, &QApplication::quit);
        return App.exec();
    }
    return 0;
}
