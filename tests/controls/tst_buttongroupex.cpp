#include "controls/ButtonGroupEx.h"
#include "controls/ColorMath.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QToolTip>

#include <memory>

namespace {

void Press(QWidget* Target, QPoint Pos, Qt::MouseButton Button = Qt::LeftButton)
{
    QMouseEvent Event(
        QEvent::MouseButtonPress, Pos, Target->mapToGlobal(Pos), Button, Button, Qt::NoModifier);
    QApplication::sendEvent(Target, &Event);
}

void Move(QWidget* Target, QPoint Pos, Qt::MouseButtons Held = Qt::NoButton)
{
    QMouseEvent Event(QEvent::MouseMove, Pos, Target->mapToGlobal(Pos), Qt::NoButton, Held, Qt::NoModifier);
    QApplication::sendEvent(Target, &Event);
}

void Release(QWidget* Target, QPoint Pos, Qt::MouseButton Button = Qt::LeftButton)
{
    QMouseEvent Event(
        QEvent::MouseButtonRelease, Pos, Target->mapToGlobal(Pos), Button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Event);
}

void Wheel(QWidget* Target, QPoint Pos, int Delta, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
{
    QWheelEvent Event(Pos, Target->mapToGlobal(Pos), QPoint(), QPoint(0, Delta), Qt::NoButton, Modifiers,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(Target, &Event);
}

// A group of buttons captioned A, B, C, ... in cells of Width x 22, without border.
std::unique_ptr<TButtonGroupEx> MakeGroup(int Buttons, int Width = 100, int ControlWidth = 300)
{
    auto Group = std::make_unique<TButtonGroupEx>();
    Group->SetBorderStyle(bsNone);
    Group->SetButtonWidth(Width);
    Group->SetButtonHeight(22);
    Group->SetButtonOptions(TGrpButtonOptions(gboAllowReorder | gboGroupStyle | gboShowCaptions));
    Group->resize(ControlWidth, 24);
    for (int I = 0; I < Buttons; ++I) {
        TGrpButtonItem Item;
        Item.Caption = QString(QChar(u'A' + I));
        Group->AddItem(Item);
    }
    return Group;
}

QString Order(const TButtonGroupEx& Group)
{
    QString Result;
    for (int I = 0; I < Group.Count(); ++I)
        Result += Group.Item(I).Caption;
    return Result;
}

QImage Render(QWidget& Widget)
{
    return Widget.grab().toImage();
}

struct TDrawnLine {
    QRect Rect;
    QString Text;
    bool Bold;
    bool Italic;
    int Flags;
};

// Records the caption lines instead of drawing them.
class TRecordingGroup : public TButtonGroupEx {
public:
    QList<TDrawnLine> Lines;

protected:
    void DrawTextLine(QPainter& Canvas, const QRect& Rect, const QString& Text, int Flags) override
    {
        Lines.append({Rect, Text, Canvas.font().bold(), Canvas.font().italic(), Flags});
    }
};

} // namespace

class TestButtonGroupEx : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void autoHeight_data();
    void autoHeight();
    void heightFollowsWidthAndButtons();
    void colourArithmetic_data();
    void colourArithmetic();
    void hlsOfPrimaries_data();
    void hlsOfPrimaries();
    void buttonFill_data();
    void buttonFill();
    void glassRows_data();
    void glassRows();
    void bevelLines();
    void crispAtDoubleDensity();
    void emptyText();
    void insertionMarkPixels();
    void splitCaption_data();
    void splitCaption();
    void captionLines_data();
    void captionLines();
    void dropGaps_data();
    void dropGaps();
    void singleButtonAcceptsNoDrop();
    void dragEndsWithoutDrop();
    void hoverEnds_data();
    void hoverEnds();
    void dragNearEdgeScrolls();
    void tooltipShowsHintOrCaption();
    void pressSetsHotButtonIndex_data();
    void pressSetsHotButtonIndex();
    void clickStep();
    void keyboard();
    void wheel();
};

void TestButtonGroupEx::autoHeight_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("edges");
    QTest::addColumn<bool>("fullSize");
    QTest::addColumn<int>("height");
    const int None = 0;
    QTest::newRow("empty") << 0 << int(bsNone) << None << false << 2;
    QTest::newRow("one button") << 1 << int(bsNone) << None << false << 24;
    QTest::newRow("five fill one row") << 5 << int(bsNone) << None << false << 24;
    QTest::newRow("sixth starts a second row") << 6 << int(bsNone) << None << false << 46;
    QTest::newRow("single border") << 1 << int(bsSingle) << None << false << 28;
    QTest::newRow("top and bottom bevel edges") << 1 << int(bsNone) << int(beTop | beBottom) << false << 28;
    QTest::newRow("side bevel edges add no height")
        << 1 << int(bsNone) << int(beLeft | beRight) << false << 24;
    QTest::newRow("full size is one column") << 3 << int(bsNone) << None << true << 68;
}

void TestButtonGroupEx::autoHeight()
{
    QFETCH(int, buttons);
    QFETCH(int, border);
    QFETCH(int, edges);
    QFETCH(bool, fullSize);
    QFETCH(int, height);
    auto Group = MakeGroup(buttons, 150, 796);
    Group->SetBorderStyle(TBorderStyle(border));
    Group->SetBevelKind(bkSoft);
    Group->SetBevelEdges(TBevelEdges(edges));
    if (fullSize)
        Group->SetButtonOptions(Group->ButtonOptions() | gboFullSize);
    Group->SetAutoSize(true);
    QCOMPARE(Group->height(), height);
}

void TestButtonGroupEx::heightFollowsWidthAndButtons()
{
    auto Group = MakeGroup(6, 150, 796);
    Group->SetBevelKind(bkSoft);
    Group->SetBevelEdges({});
    Group->SetAutoSize(true);
    Group->show();
    QCOMPARE(Group->height(), 46);
    Group->resize(900, Group->height());
    QCOMPARE(Group->height(), 24);
    Group->resize(300, Group->height());
    QCOMPARE(Group->height(), 68);
    Group->ClearItems();
    QCOMPARE(Group->height(), 2);
    Group->SetAutoSize(false);
    Group->resize(300, 80);
    QCOMPARE(Group->height(), 80);
}

void TestButtonGroupEx::colourArithmetic_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("shadow of yellow") << QColor(255, 255, 0) << -50 << QColor(149, 149, 0);
    QTest::newRow("shadow of sky blue") << QColor(166, 202, 240) << -50 << QColor(74, 146, 225);
    QTest::newRow("grey darker") << QColor(128, 128, 128) << -50 << QColor(74, 74, 74);
    QTest::newRow("white stays white") << QColor(255, 255, 255) << 15 << QColor(255, 255, 255);
    QTest::newRow("black stays black") << QColor(0, 0, 0) << -50 << QColor(0, 0, 0);
    QTest::newRow("no colour stays no colour") << QColor() << -50 << QColor();
}

void TestButtonGroupEx::colourArithmetic()
{
    QFETCH(QColor, colour);
    QFETCH(int, amount);
    QFETCH(QColor, expected);
    QCOMPARE(ColorAdjustLuma(colour, amount), expected);
    if (amount == -50)
        QCOMPARE(ShadowColor(colour), expected);
}

void TestButtonGroupEx::hlsOfPrimaries_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("hue");
    QTest::addColumn<int>("luminance");
    QTest::addColumn<int>("saturation");
    QTest::newRow("red") << QColor(255, 0, 0) << 0 << 120 << 240;
    QTest::newRow("green") << QColor(0, 255, 0) << 80 << 120 << 240;
    QTest::newRow("blue") << QColor(0, 0, 255) << 160 << 120 << 240;
    QTest::newRow("grey") << QColor(128, 128, 128) << 160 << 120 << 0;
    QTest::newRow("white") << QColor(255, 255, 255) << 160 << 240 << 0;
}

void TestButtonGroupEx::hlsOfPrimaries()
{
    QFETCH(QColor, colour);
    QFETCH(int, hue);
    QFETCH(int, luminance);
    QFETCH(int, saturation);
    const THLSColor Hls = ColorRGBToHLS(colour);
    QCOMPARE(Hls.Hue, hue);
    QCOMPARE(Hls.Luminance, luminance);
    QCOMPARE(Hls.Saturation, saturation);
    if (saturation > 0)
        QCOMPARE(ColorHLSToRGB(Hls), colour);
}

void TestButtonGroupEx::buttonFill_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("hot");
    QTest::addColumn<QColor>("edge");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<QColor>("frame");
    const QColor Hot(255, 255, 0);
    const QColor Selected(166, 202, 240);
    const QColor Regular(230, 230, 230);
    const QColor Edge(160, 160, 164);
    QTest::newRow("regular") << false << false << Edge << Regular << Edge;
    QTest::newRow("selected") << true << false << Edge << Selected << Edge;
    QTest::newRow("hot") << false << true << Edge << Hot << Edge;
    QTest::newRow("hot and selected is hot") << true << true << Edge << Hot << Edge;
    QTest::newRow("no edge colour frames in the shadow")
        << true << false << QColor() << Selected << QColor(74, 146, 225);
}

void TestButtonGroupEx::buttonFill()
{
    QFETCH(bool, selected);
    QFETCH(bool, hot);
    QFETCH(QColor, edge);
    QFETCH(QColor, fill);
    QFETCH(QColor, frame);
    auto Group = MakeGroup(3);
    Group->SetHotButtonColor(QColor(255, 255, 0));
    Group->SetSelectedButtonColor(QColor(166, 202, 240));
    Group->SetRegularButtonColor(QColor(230, 230, 230));
    Group->SetEdgeButtonColor(edge);
    Group->show();
    if (selected)
        Group->SetItemIndex(1);
    if (hot)
        Move(Group.get(), Group->ButtonRect(1).center());
    QCOMPARE(Group->HotIndex(), hot ? 1 : -1);

    const QImage Image = Render(*Group);
    const QRect Cell = Group->ButtonRect(1);
    // Inside, right of the one-letter caption; the frame runs 1 pixel inside the cell.
    QCOMPARE(Image.pixelColor(Cell.right() - 4, Cell.center().y()), fill);
    QCOMPARE(Image.pixelColor(Cell.left() + 1, Cell.center().y()), frame);
    QCOMPARE(Image.pixelColor(Cell.center().x(), Cell.top() + 1), frame);
    // The 1-pixel gap between cells shows the background.
    QCOMPARE(Image.pixelColor(Cell.left(), Cell.center().y()), Group->Color());
}

void TestButtonGroupEx::glassRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("level");
    // A black fill under white glass in a 20-row button: upper rows blend twice towards white.
    QTest::newRow("row 1, upper half") << 1 << 253;
    QTest::newRow("row 9, last of upper half") << 9 << 201;
    QTest::newRow("row 10, first of lower half") << 10 << 126;
    QTest::newRow("row 15, lower half") << 15 << 63;
}

void TestButtonGroupEx::glassRows()
{
    QFETCH(int, row);
    QFETCH(int, level);
    auto Group = MakeGroup(1);
    Group->SetItemCaption(0, QString());
    Group->SetRegularButtonColor(QColor(0, 0, 0));
    Group->SetGlassButtonStyle(true);
    const QImage Image = Render(*Group);
    const QRect Cell = Group->ButtonRect(0);
    QCOMPARE(Image.pixelColor(Cell.center().x(), Cell.top() + 1 + row), QColor(level, level, level));
}

void TestButtonGroupEx::bevelLines()
{
    auto Group = MakeGroup(1);
    Group->SetBevelKind(bkSoft);
    Group->SetBevelEdges(TBevelEdges(beTop | beBottom));
    Group->SetBorderColor(QColor(10, 20, 30));
    Group->SetAutoSize(true);
    QCOMPARE(Group->height(), 28);
    QImage Image = Render(*Group);
    QCOMPARE(Image.pixelColor(150, 1), QColor(10, 20, 30));
    QCOMPARE(Image.pixelColor(150, 27), QColor(10, 20, 30));
    QCOMPARE(Image.pixelColor(150, 0), Group->Color());

    // Empty and auto-sized: only the background.
    Group->ClearItems();
    QCOMPARE(Group->height(), 6);
    Image = Render(*Group);
    QCOMPARE(Image.pixelColor(150, 1), Group->Color());
    QCOMPARE(Image.pixelColor(150, 5), Group->Color());
}

void TestButtonGroupEx::crispAtDoubleDensity()
{
    auto Group = MakeGroup(2);
    Group->SetItemCaption(0, QString());
    Group->SetRegularButtonColor(QColor(230, 230, 230));
    Group->SetEdgeButtonColor(QColor(160, 160, 164));
    QImage Image(Group->size() * 2, QImage::Format_ARGB32_Premultiplied);
    Image.setDevicePixelRatio(2);
    Group->render(&Image);
    const QRect Cell = Group->ButtonRect(0);
    const int Y = 2 * Cell.center().y();
    // The 1-pixel frame becomes two whole device pixels, with no blended pixel on either side.
    QCOMPARE(Image.pixelColor(2 * Cell.left() + 1, Y), Group->Color());
    QCOMPARE(Image.pixelColor(2 * (Cell.left() + 1), Y), QColor(160, 160, 164));
    QCOMPARE(Image.pixelColor(2 * (Cell.left() + 1) + 1, Y), QColor(160, 160, 164));
    QCOMPARE(Image.pixelColor(2 * (Cell.left() + 2), Y), QColor(230, 230, 230));
}

void TestButtonGroupEx::emptyText()
{
    TButtonGroupEx Group;
    Group.SetBorderStyle(bsNone);
    Group.resize(200, 24);
    Group.SetColor(QColor(255, 255, 255));
    QPalette Pal = Group.palette();
    Pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
    Group.setPalette(Pal);
    auto DarkColumns = [](const QImage& Image) {
        QList<int> Columns;
        for (int X = 0; X < Image.width(); ++X)
            for (int Y = 0; Y < Image.height(); ++Y)
                if (Image.pixelColor(X, Y).lightness() < 128) {
                    Columns.append(X);
                    break;
                }
        return Columns;
    };
    QVERIFY(DarkColumns(Render(Group)).isEmpty());
    Group.SetEmptyText(QStringLiteral("No documents"));
    const QList<int> Columns = DarkColumns(Render(Group));
    QVERIFY(!Columns.isEmpty());
    // 5 pixels from the left (glyphs may start a pixel into their cell).
    QVERIFY2(Columns.first() >= 5 && Columns.first() <= 7, qPrintable(QString::number(Columns.first())));
}

void TestButtonGroupEx::insertionMarkPixels()
{
    auto Group = MakeGroup(3, 100, 400);
    Group->SetEdgeButtonColor(QColor(160, 160, 164));
    Group->show();
    // Button A over the right half of B: the gap before C.
    Press(Group.get(), Group->ButtonRect(0).center());
    // Near the top, so that the drag image (centred on the pointer) leaves the lower rows uncovered.
    Move(Group.get(), QPoint(190, 2), Qt::LeftButton);
    QVERIFY(Group->DrawState(2).testFlag(bdsInsertLeft));
    QVERIFY(Group->DrawState(1).testFlag(bdsInsertRight));
    const QImage Image = Render(*Group);
    const QColor Mark = ShadowColor(QColor(160, 160, 164));
    const QRect C = Group->ButtonRect(2);
    // Two pixels wide, just outside the frame of C (and of B's right side).
    const int Y = C.top() + 18;
    QCOMPARE(Image.pixelColor(C.left() - 1, Y), Mark);
    QCOMPARE(Image.pixelColor(C.left(), Y), Mark);
    QCOMPARE(Image.pixelColor(C.left() + 1, Y), QColor(160, 160, 164));
    QCOMPARE(Image.pixelColor(C.left() - 2, Y), QColor(160, 160, 164));
    Release(Group.get(), QPoint(190, 2));
    QCOMPARE(Order(*Group), QStringLiteral("BAC"));
}

void TestButtonGroupEx::splitCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no tab") << "one" << QStringList {"one"};
    QTest::newRow("one tab") << "one\ttwo" << QStringList {"one", "two"};
    QTest::newRow("two tabs") << "one\ttwo\tthree" << QStringList {"one", "two", "three"};
    QTest::newRow("the rest keeps further tabs") << "a\tb\tc\td" << QStringList {"a", "b", "c\td"};
    QTest::newRow("empty middle line") << "a\t\tc" << QStringList {"a", "", "c"};
    QTest::newRow("trailing tab") << "a\t" << QStringList {"a", ""};
}

void TestButtonGroupEx::splitCaption()
{
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);
    QCOMPARE(TButtonGroupEx::SplitCaption(caption), lines);
}

void TestButtonGroupEx::captionLines_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<bool>>("bold");
    QTest::addColumn<QList<bool>>("wrapped");
    const QString Long = QStringLiteral("A caption far too long for a button of this width");
    QTest::newRow("three lines, style on the first only")
        << "Title\tsecond\tthird" << false << QStringList {"Title", "second", "third"}
        << QList<bool> {true, false, false} << QList<bool> {false, false, false};
    QTest::newRow("long caption ends with an ellipsis")
        << Long << false << QStringList {"…"} << QList<bool> {true} << QList<bool> {false};
    QTest::newRow("word wrap of a single line")
        << Long << true << QStringList {Long} << QList<bool> {true} << QList<bool> {true};
    QTest::newRow("word wrap: the first of several lines is cut")
        << Long + "\t" + Long << true << QStringList {"…", Long} << QList<bool> {true, false}
        << QList<bool> {false, true};
}

void TestButtonGroupEx::captionLines()
{
    QFETCH(QString, caption);
    QFETCH(bool, wordWrap);
    QFETCH(QStringList, texts);
    QFETCH(QList<bool>, bold);
    QFETCH(QList<bool>, wrapped);

    TRecordingGroup Group;
    Group.SetBorderStyle(bsNone);
    Group.SetButtonWidth(120);
    Group.SetButtonHeight(64);
    Group.SetWordWrap(wordWrap);
    Group.resize(120, 66);
    QFont Font = Group.font();
    Font.setBold(true);
    Font.setItalic(true);
    Group.setFont(Font);
    TGrpButtonItem Item;
    Item.Caption = caption;
    Group.AddItem(Item);
    Render(Group);

    QCOMPARE(Group.Lines.size(), texts.size());
    const int LineHeight = QFontMetrics(Font).height();
    const QRect R = Group.ButtonRect(0).adjusted(1, 1, -1, -1);
    for (int I = 0; I < texts.size(); ++I) {
        const TDrawnLine& Line = Group.Lines.at(I);
        if (texts.at(I) == QStringLiteral("…"))
            QVERIFY2(Line.Text.endsWith(QChar(0x2026)) && Line.Text.size() < caption.size(),
                qPrintable(Line.Text));
        else
            QCOMPARE(Line.Text, texts.at(I));
        QCOMPARE(Line.Bold, bold.at(I));
        QCOMPARE(Line.Italic, bold.at(I));
        QCOMPARE(bool(Line.Flags & Qt::TextWordWrap), wrapped.at(I));
        QCOMPARE(Line.Rect.left(), R.left() + 4 + 5);
        QCOMPARE(Line.Rect.right(), R.right() - 2);
    }
    if (texts.size() == 3) {
        // A three-line block is centred as 3 line heights; line 2 starts 3 pixels further down.
        QCOMPARE(
            Group.Lines.at(0).Rect.top(), std::max(R.top(), R.top() + (R.height() - 3 * LineHeight) / 2));
        QCOMPARE(Group.Lines.at(1).Rect.top(), Group.Lines.at(0).Rect.top() + LineHeight + 3);
        QCOMPARE(Group.Lines.at(2).Rect.top(), Group.Lines.at(1).Rect.top() + LineHeight);
    }
    if (texts.size() == 1 && !wordWrap)
        QCOMPARE(Group.Lines.at(0).Rect.top(), R.top() + (R.height() - LineHeight) / 2);
}

void TestButtonGroupEx::dropGaps_data()
{
    QTest::addColumn<int>("dragged");
    QTest::addColumn<QPoint>("drop");
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("newIndex"); // -1: no reorder event
    // Buttons A B C in 100-pixel cells on a 400-pixel control (a fourth, empty cell).
    QTest::newRow("own left half") << 1 << QPoint(110, 12) << "ABC" << -1;
    QTest::newRow("own right half") << 1 << QPoint(190, 12) << "ABC" << -1;
    QTest::newRow("left half of the next button") << 1 << QPoint(210, 12) << "ABC" << -1;
    QTest::newRow("right half of the previous button") << 1 << QPoint(90, 12) << "ABC" << -1;
    QTest::newRow("to the front") << 1 << QPoint(20, 12) << "BAC" << 0;
    QTest::newRow("after the last") << 0 << QPoint(290, 12) << "BCA" << 2;
    QTest::newRow("beyond the last button") << 0 << QPoint(350, 12) << "BCA" << 2;
    QTest::newRow("outside the control") << 0 << QPoint(350, 80) << "ABC" << -1;
}

void TestButtonGroupEx::dropGaps()
{
    QFETCH(int, dragged);
    QFETCH(QPoint, drop);
    QFETCH(QString, order);
    QFETCH(int, newIndex);
    auto Group = MakeGroup(3, 100, 400);
    Group->show();
    Group->SetItemIndex(2);
    const QString SelectedCaption = Group->Item(2).Caption;
    QList<QPair<int, int>> Events;
    Group->OnReorderButton = [&](TButtonGroupEx*, int From, int To) { Events.append({From, To}); };
    int Clicks = 0;
    Group->OnButtonClicked = [&](TButtonGroupEx*, int) { ++Clicks; };

    const QPoint Start = Group->ButtonRect(dragged).center();
    Press(Group.get(), Start);
    Move(Group.get(), drop, Qt::LeftButton);
    QVERIFY(Group->IsDragging());
    if (newIndex >= 0) {
        // The insertion marks show the gap: left mark after it, right mark before it.
        const int Gap = newIndex > dragged ? newIndex + 1 : newIndex;
        if (Gap < Group->Count())
            QVERIFY(Group->DrawState(Gap).testFlag(bdsInsertLeft));
        if (Gap > 0)
            QVERIFY(Group->DrawState(Gap - 1).testFlag(bdsInsertRight));
    } else {
        for (int I = 0; I < Group->Count(); ++I)
            QVERIFY(!(Group->DrawState(I) & (bdsInsertLeft | bdsInsertRight)));
    }
    Release(Group.get(), drop);
    QVERIFY(!Group->IsDragging());

    QCOMPARE(Order(*Group), order);
    QCOMPARE(Group->Item(Group->ItemIndex()).Caption, SelectedCaption);
    QCOMPARE(Clicks, 0);
    if (newIndex < 0)
        QVERIFY(Events.isEmpty());
    else
        QCOMPARE(Events, (QList<QPair<int, int>> {{dragged, newIndex}}));
}

void TestButtonGroupEx::singleButtonAcceptsNoDrop()
{
    auto Group = MakeGroup(1, 100, 400);
    Group->show();
    int Events = 0;
    Group->OnReorderButton = [&](TButtonGroupEx*, int, int) { ++Events; };
    Press(Group.get(), QPoint(50, 12));
    for (const QPoint P : {QPoint(10, 12), QPoint(90, 12), QPoint(250, 12)}) {
        Move(Group.get(), P, Qt::LeftButton);
        QVERIFY(Group->IsDragging());
        QVERIFY(!(Group->DrawState(0) & (bdsInsertLeft | bdsInsertRight)));
    }
    Release(Group.get(), QPoint(250, 12));
    QCOMPARE(Events, 0);
    QCOMPARE(Group->Count(), 1);
}

void TestButtonGroupEx::dragEndsWithoutDrop()
{
    auto Group = MakeGroup(3, 100, 400);
    Group->show();
    int Events = 0;
    Group->OnReorderButton = [&](TButtonGroupEx*, int, int) { ++Events; };

    // Escape ends the drag; the release then drops nothing.
    Press(Group.get(), QPoint(150, 12));
    Move(Group.get(), QPoint(20, 12), Qt::LeftButton);
    QVERIFY(Group->IsDragging());
    QTest::keyClick(Group.get(), Qt::Key_Escape);
    QVERIFY(!Group->IsDragging());
    Release(Group.get(), QPoint(20, 12));

    // A move without the button held means it went up elsewhere.
    Press(Group.get(), QPoint(150, 12));
    Move(Group.get(), QPoint(20, 12), Qt::LeftButton);
    Move(Group.get(), QPoint(22, 12), Qt::NoButton);
    QVERIFY(!Group->IsDragging());
    Release(Group.get(), QPoint(22, 12));

    QCOMPARE(Events, 0);
    QCOMPARE(Order(*Group), QStringLiteral("ABC"));
}

void TestButtonGroupEx::hoverEnds_data()
{
    QTest::addColumn<bool>("ContextMenu");
    QTest::newRow("context menu opened") << true;
    QTest::newRow("drag left the bar and was cancelled") << false;
}

void TestButtonGroupEx::hoverEnds()
{
    QFETCH(bool, ContextMenu);
    auto Group = MakeGroup(3, 100, 400);
    Group->show();
    // The pointer itself is far from the bar.
    QCursor::setPos(Group->mapToGlobal(QPoint(-500, -500)));
    Move(Group.get(), QPoint(150, 12));
    QCOMPARE(Group->HotIndex(), 1);
    if (ContextMenu) {
        QContextMenuEvent Event(
            QContextMenuEvent::Mouse, QPoint(150, 12), Group->mapToGlobal(QPoint(150, 12)));
        QApplication::sendEvent(Group.get(), &Event);
    } else {
        Press(Group.get(), QPoint(150, 12));
        Move(Group.get(), QPoint(20, 12), Qt::LeftButton);
        QVERIFY(Group->IsDragging());
        QEvent Leave(QEvent::Leave);
        QApplication::sendEvent(Group.get(), &Leave);
        QTest::keyClick(Group.get(), Qt::Key_Escape);
        QVERIFY(!Group->IsDragging());
    }
    QCOMPARE(Group->HotIndex(), -1);
}

void TestButtonGroupEx::dragNearEdgeScrolls()
{
    auto Group = MakeGroup(10, 90, 300);
    Group->resize(300, 46);
    Group->show();
    QCOMPARE(Group->TopRow(), 0);
    Press(Group.get(), QPoint(40, 12));
    Move(Group.get(), QPoint(40, 30), Qt::LeftButton);
    QVERIFY(Group->IsDragging());
    QCOMPARE(Group->TopRow(), 0);
    Move(Group.get(), QPoint(40, Group->height() - 3), Qt::LeftButton);
    QCOMPARE(Group->TopRow(), 1);
    Release(Group.get(), QPoint(40, Group->height() - 3));
}

void TestButtonGroupEx::tooltipShowsHintOrCaption()
{
    auto Group = MakeGroup(2);
    Group->SetItemHint(1, QStringLiteral("the hint"));
    Group->show();
    QVERIFY(QTest::qWaitForWindowExposed(Group.get()));
    auto Ask = [&](QPoint Pos) {
        QHelpEvent Help(QEvent::ToolTip, Pos, Group->mapToGlobal(Pos));
        QApplication::sendEvent(Group.get(), &Help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(Ask(Group->ButtonRect(0).center()), QStringLiteral("A"));
    QCOMPARE(Ask(Group->ButtonRect(1).center()), QStringLiteral("the hint"));
    // Beside the buttons, or with hints off, the tip goes (after the tip's own short delay).
    Ask(QPoint(250, 12));
    QTRY_VERIFY(!QToolTip::isVisible());
    Group->SetShowHint(false);
    Ask(Group->ButtonRect(1).center());
    QVERIFY(!QToolTip::isVisible());
}

void TestButtonGroupEx::pressSetsHotButtonIndex_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("hotButton");
    QTest::newRow("right on a button") << int(Qt::RightButton) << QPoint(150, 12) << 1;
    QTest::newRow("right beside the buttons") << int(Qt::RightButton) << QPoint(350, 12) << -1;
    QTest::newRow("middle on a button") << int(Qt::MiddleButton) << QPoint(250, 12) << 2;
    QTest::newRow("left on the selected button") << int(Qt::LeftButton) << QPoint(50, 12) << 0;
}

void TestButtonGroupEx::pressSetsHotButtonIndex()
{
    QFETCH(int, button);
    QFETCH(QPoint, pos);
    QFETCH(int, hotButton);
    auto Group = MakeGroup(3, 100, 400);
    Group->show();
    QCOMPARE(Group->HotButtonIndex(), 0);
    Group->SetItemIndex(0);
    int Clicks = 0;
    Group->OnButtonClicked = [&](TButtonGroupEx*, int) { ++Clicks; };
    Press(Group.get(), pos, Qt::MouseButton(button));
    Release(Group.get(), pos, Qt::MouseButton(button));
    QCOMPARE(Group->HotButtonIndex(), hotButton);
    QCOMPARE(Group->ItemIndex(), 0);
    QCOMPARE(Clicks, 0);
}

void TestButtonGroupEx::clickStep()
{
    auto Group = MakeGroup(3, 100, 400);
    Group->show();
    QList<int> Clicked;
    Group->OnButtonClicked = [&](TButtonGroupEx*, int Index) { Clicked.append(Index); };
    int OwnClicks = 0;
    Group->SetItemOnClick(2, [&](QObject*) { ++OwnClicks; });

    Press(Group.get(), QPoint(150, 12));
    Release(Group.get(), QPoint(150, 12));
    QCOMPARE(Group->ItemIndex(), 1);
    QCOMPARE(Clicked, QList<int> {1});

    // Releasing over another button is no click.
    Press(Group.get(), QPoint(50, 12));
    Release(Group.get(), QPoint(150, 12));
    QCOMPARE(Group->ItemIndex(), 1);
    QCOMPARE(Clicked, QList<int> {1});

    // A button's own handler replaces the group's event.
    Press(Group.get(), QPoint(250, 12));
    Release(Group.get(), QPoint(251, 12));
    QCOMPARE(Group->ItemIndex(), 2);
    QCOMPARE(OwnClicks, 1);
    QCOMPARE(Clicked, QList<int> {1});
}

void TestButtonGroupEx::keyboard()
{
    auto Group = MakeGroup(5, 100, 300);
    Group->resize(300, 60);
    Group->show();
    QCOMPARE(Group->ColumnCount(), 3);
    Group->SetItemIndex(0);
    QList<int> Clicked;
    Group->OnButtonClicked = [&](TButtonGroupEx*, int Index) { Clicked.append(Index); };
    QTest::keyClick(Group.get(), Qt::Key_Right);
    QCOMPARE(Group->ItemIndex(), 1);
    QTest::keyClick(Group.get(), Qt::Key_Down);
    QCOMPARE(Group->ItemIndex(), 4);
    QTest::keyClick(Group.get(), Qt::Key_Home);
    QCOMPARE(Group->ItemIndex(), 0);
    QTest::keyClick(Group.get(), Qt::Key_End);
    QCOMPARE(Group->ItemIndex(), 4);
    QVERIFY(Clicked.isEmpty());
    QTest::keyClick(Group.get(), Qt::Key_Space);
    QCOMPARE(Clicked, QList<int> {4});
    QTest::keyClick(Group.get(), Qt::Key_Return);
    QCOMPARE(Clicked, (QList<int> {4, 4}));
}

void TestButtonGroupEx::wheel()
{
    // Ten buttons in three columns beside the scroll bar: four rows, two visible.
    auto Group = MakeGroup(10, 90, 300);
    Group->resize(300, 46);
    Group->show();
    QCOMPARE(Group->ColumnCount(), 3);
    QCOMPARE(Group->RowCount(), 4);
    QCOMPARE(Group->TopRow(), 0);
    Wheel(Group.get(), QPoint(50, 12), -120);
    QCOMPARE(Group->TopRow(), 1);
    Wheel(Group.get(), QPoint(50, 12), 120);
    QCOMPARE(Group->TopRow(), 0);
    Wheel(Group.get(), QPoint(50, 12), -120, Qt::ControlModifier);
    QCOMPARE(Group->TopRow(), 2);
    QCOMPARE(Group->IndexOfButtonAt(QPoint(50, 12)), 6);

    Group->OnMouseWheel = [](TButtonGroupEx*, Qt::KeyboardModifiers, int, const QPoint&, bool& Handled) {
        Handled = true;
    };
    Wheel(Group.get(), QPoint(50, 12), 120);
    QCOMPARE(Group->TopRow(), 2);
}

QTEST_MAIN(TestButtonGroupEx)
#include "tst_buttongroupex.moc"
