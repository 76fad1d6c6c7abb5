#include "controls/MenuImages.h"

#include <QFont>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
// The palette of the pictures: one outline ink and a few clear fills.
const QColor Ink(58, 64, 74);
const QColor Paper(255, 255, 255);
const QColor PaperShade(226, 232, 240);
const QColor Blue(44, 110, 200);
const QColor LightBlue(170, 205, 245);
const QColor Green(40, 150, 70);
const QColor LightGreen(190, 230, 190);
const QColor Red(205, 50, 50);
const QColor Orange(228, 132, 24);
const QColor Yellow(246, 200, 70);
const QColor Grey(128, 134, 144);
const QColor Purple(130, 80, 185);
const QColor Teal(20, 140, 150);

void SetPen(QPainter& AP, const QColor& AC, qreal AWidth = 1.0)
{
    AP.setPen(QPen(AC, AWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Box(QPainter& AP, const QRectF& AR, const QColor& AFill, const QColor& ALine = Ink, qreal ARadius = 0)
{
    SetPen(AP, ALine);
    AP.setBrush(AFill);
    if (ARadius > 0)
        AP.drawRoundedRect(AR, ARadius, ARadius);
    else
        AP.drawRect(AR);
}

// A page with a folded corner.
void Page(QPainter& AP, const QRectF& AR = QRectF(3.5, 1.5, 9, 13), const QColor& AFill = Paper)
{
    const qreal fold = 3;
    QPainterPath path;
    path.moveTo(AR.left(), AR.top());
    path.lineTo(AR.right() - fold, AR.top());
    path.lineTo(AR.right(), AR.top() + fold);
    path.lineTo(AR.right(), AR.bottom());
    path.lineTo(AR.left(), AR.bottom());
    path.closeSubpath();
    SetPen(AP, Ink);
    AP.setBrush(AFill);
    AP.drawPath(path);
    QPainterPath corner;
    corner.moveTo(AR.right() - fold, AR.top());
    corner.lineTo(AR.right() - fold, AR.top() + fold);
    corner.lineTo(AR.right(), AR.top() + fold);
    AP.setBrush(PaperShade);
    AP.drawPath(corner);
}

// Text lines on a page.
void PageLines(
    QPainter& AP, qreal ALeft, qreal ARight, std::initializer_list<qreal> AYs, const QColor& AC = Grey)
{
    SetPen(AP, AC);
    for (qreal y : AYs)
        AP.drawLine(QPointF(ALeft, y), QPointF(ARight, y));
}

// A window frame with a coloured title bar.
void Window(QPainter& AP, const QRectF& AR, const QColor& ATitle = Blue)
{
    Box(AP, AR, Paper);
    AP.fillRect(QRectF(AR.left() + 0.5, AR.top() + 0.5, AR.width() - 1, 2.5), ATitle);
}

void Glass(QPainter& AP, const QPointF& ACentre, qreal ARadius, const QColor& ARim)
{
    SetPen(AP, Ink, 2.2);
    const qreal d = ARadius * 0.72;
    AP.drawLine(QPointF(ACentre.x() + d, ACentre.y() + d),
        QPointF(ACentre.x() + ARadius + 3.2, ACentre.y() + ARadius + 3.2));
    SetPen(AP, ARim, 1.6);
    AP.setBrush(QColor(225, 240, 255));
    AP.drawEllipse(ACentre, ARadius, ARadius);
}

// Text in grid units; fonts take whole pixel sizes, so it is laid out ten times larger and scaled down.
void Text(QPainter& AP, const QRectF& AR, const QString& AText, const QColor& AC, qreal APixelSize,
    bool ABold = true)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(std::lround(APixelSize * 10)));
    f.setBold(ABold);
    f.setStyleStrategy(QFont::PreferAntialias);
    AP.save();
    AP.scale(0.1, 0.1);
    AP.setFont(f);
    AP.setPen(AC);
    AP.drawText(QRectF(AR.x() * 10, AR.y() * 10, AR.width() * 10, AR.height() * 10), Qt::AlignCenter, AText);
    AP.restore();
}

void ArrowHead(QPainter& AP, const QPointF& ATip, qreal AAngleDegrees, const QColor& AC, qreal ASize = 3.2)
{
    const qreal a = AAngleDegrees * M_PI / 180.0;
    const QPointF back(std::cos(a) * ASize, std::sin(a) * ASize);
    const QPointF side(-std::sin(a) * ASize * 0.8, std::cos(a) * ASize * 0.8);
    QPolygonF head;
    head << ATip << ATip - back + side << ATip - back - side;
    AP.setPen(Qt::NoPen);
    AP.setBrush(AC);
    AP.drawPolygon(head);
}

// An arc arrow around (8, 8.5): counter-clockwise for undo, clockwise for redo.
void ArcArrow(QPainter& AP, bool AClockwise, const QColor& AC)
{
    SetPen(AP, AC, 2.0);
    AP.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (AClockwise) {
        path.moveTo(3, 11);
        path.cubicTo(3, 4, 12, 3, 12.5, 8);
        AP.drawPath(path);
        ArrowHead(AP, QPointF(12.6, 10.6), 90, AC, 3.4);
    } else {
        path.moveTo(13, 11);
        path.cubicTo(13, 4, 4, 3, 3.5, 8);
        AP.drawPath(path);
        ArrowHead(AP, QPointF(3.4, 10.6), 90, AC, 3.4);
    }
}

void Cross(QPainter& AP, const QRectF& AR, const QColor& AC, qreal AWidth)
{
    SetPen(AP, AC, AWidth);
    AP.drawLine(AR.topLeft(), AR.bottomRight());
    AP.drawLine(AR.topRight(), AR.bottomLeft());
}

void Check(QPainter& AP, const QColor& AC, qreal AWidth = 2.2, const QPointF& AShift = {})
{
    SetPen(AP, AC, AWidth);
    QPolygonF tick;
    tick << QPointF(3, 8.5) + AShift << QPointF(6.5, 12) + AShift << QPointF(13, 4.5) + AShift;
    AP.setBrush(Qt::NoBrush);
    AP.drawPolyline(tick);
}

// A round badge with a one-character sign.
void Badge(QPainter& AP, const QColor& AFill, const QString& ASign, qreal APixelSize = 10)
{
    SetPen(AP, AFill.darker(130));
    AP.setBrush(AFill);
    AP.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    Text(AP, QRectF(1.5, 1.5, 13, 13), ASign, Paper, APixelSize);
}

// A square tile with a glyph, for the kinds of outline nodes.
void KindTile(QPainter& AP, const QColor& AFill, const QString& AGlyph, qreal APixelSize = 9)
{
    Box(AP, QRectF(1.5, 1.5, 13, 13), AFill, AFill.darker(135), 2.5);
    Text(AP, QRectF(1, 1, 14, 14), AGlyph, Paper, APixelSize);
}

void Folder(QPainter& AP, bool AOpen)
{
    SetPen(AP, Ink);
    AP.setBrush(Yellow.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    AP.drawPath(back);
    AP.setBrush(Yellow);
    QPainterPath front;
    if (AOpen) {
        front.moveTo(1.5, 13.5);
        front.lineTo(4, 7.5);
        front.lineTo(15, 7.5);
        front.lineTo(13.5, 13.5);
    } else {
        front.moveTo(1.5, 13.5);
        front.lineTo(1.5, 7);
        front.lineTo(13.5, 7);
        front.lineTo(13.5, 13.5);
    }
    front.closeSubpath();
    AP.drawPath(front);
}

void Clock(QPainter& AP)
{
    SetPen(AP, Ink);
    AP.setBrush(Paper);
    AP.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    SetPen(AP, Blue, 1.6);
    AP.drawLine(QPointF(8, 8), QPointF(8, 4));
    AP.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    SetPen(AP, Ink, 0.8);
    for (int i = 0; i < 12; i += 3) {
        const qreal a = i * M_PI / 6;
        AP.drawLine(QPointF(8 + std::sin(a) * 5.2, 8 - std::cos(a) * 5.2),
            QPointF(8 + std::sin(a) * 6, 8 - std::cos(a) * 6));
    }
}

void Printer(QPainter& AP)
{
    Box(AP, QRectF(4.5, 1.5, 7, 5), Paper);
    Box(AP, QRectF(1.5, 6.5, 13, 6), PaperShade, Ink, 1.5);
    Box(AP, QRectF(4.5, 10.5, 7, 4), Paper);
    AP.fillRect(QRectF(11.5, 8, 1.5, 1.2), Green);
}

void Scissors(QPainter& AP)
{
    SetPen(AP, Ink, 1.3);
    AP.drawLine(QPointF(4, 1.5), QPointF(10.5, 11));
    AP.drawLine(QPointF(12, 1.5), QPointF(5.5, 11));
    SetPen(AP, Red, 1.5);
    AP.setBrush(Qt::NoBrush);
    AP.drawEllipse(QRectF(2, 10, 4, 4));
    AP.drawEllipse(QRectF(10, 10, 4, 4));
}

void Clipboard(QPainter& AP)
{
    Box(AP, QRectF(2.5, 2.5, 10, 12), QColor(200, 160, 110), Ink, 1);
    Box(AP, QRectF(4.5, 4.5, 6, 8.5), Paper);
    Box(AP, QRectF(5.5, 1.5, 4, 2.5), Grey, Ink, 0.8);
    PageLines(AP, 6, 9, {7, 9, 11});
}

void Floppy(QPainter& AP)
{
    Box(AP, QRectF(1.5, 1.5, 13, 13), Blue, Ink, 1);
    Box(AP, QRectF(4.5, 1.5, 7, 5), Paper);
    AP.fillRect(QRectF(9, 2.5, 1.5, 3), Ink);
    Box(AP, QRectF(3.5, 9.5, 9, 5), PaperShade);
}

void Pencil(QPainter& AP, const QPointF& ATip)
{
    SetPen(AP, Ink);
    AP.setBrush(Orange);
    QPolygonF body;
    body << ATip << ATip + QPointF(1.2, -3.4) << ATip + QPointF(8.6, -11) << ATip + QPointF(11, -8.6)
         << ATip + QPointF(3.4, -1.2);
    AP.drawPolygon(body);
    SetPen(AP, Ink, 0.8);
    AP.drawLine(ATip + QPointF(1.2, -3.4), ATip + QPointF(3.4, -1.2));
}

// The JSON document: a page with braces.
void DocumentGlyph(QPainter& AP)
{
    Page(AP, QRectF(2.5, 1.5, 11, 13));
    Text(AP, QRectF(2.5, 4, 11, 10), QStringLiteral("{}"), Orange.darker(115), 8.5);
}

void Draw(QPainter& AP, TMenuPicture APicture)
{
    switch (APicture) {
    case TMenuPicture::Exit: // a door and an arrow out of it
        Box(AP, QRectF(2.5, 1.5, 7, 13), QColor(170, 120, 80));
        AP.fillRect(QRectF(7, 8, 1.2, 1.2), Yellow);
        SetPen(AP, Red, 2);
        AP.drawLine(QPointF(8, 8), QPointF(13.5, 8));
        ArrowHead(AP, QPointF(15.5, 8), 0, Red, 3.5);
        break;
    case TMenuPicture::Cascade:
        Window(AP, QRectF(1.5, 1.5, 9, 7), Grey);
        Window(AP, QRectF(3.5, 4.5, 9, 7), LightBlue.darker(120));
        Window(AP, QRectF(5.5, 7.5, 9, 7));
        break;
    case TMenuPicture::TileHorizontally: // one window over the other
        Window(AP, QRectF(1.5, 1.5, 13, 6));
        Window(AP, QRectF(1.5, 8.5, 13, 6));
        break;
    case TMenuPicture::TileVertically: // side by side
        Window(AP, QRectF(1.5, 1.5, 6, 13));
        Window(AP, QRectF(8.5, 1.5, 6, 13));
        break;
    case TMenuPicture::FullExpand:
    case TMenuPicture::FullCollapse:
        Box(AP, QRectF(1.5, 1.5, 9, 9), Paper, Ink, 1);
        SetPen(AP, Blue, 1.6);
        AP.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
        if (APicture == TMenuPicture::FullExpand)
            AP.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
        SetPen(AP, Grey);
        AP.drawLine(QPointF(6, 10.5), QPointF(6, 13.5));
        AP.drawLine(QPointF(6, 13.5), QPointF(9, 13.5));
        AP.fillRect(QRectF(10, 12, 4.5, 3), APicture == TMenuPicture::FullExpand ? Green : Grey);
        break;
    case TMenuPicture::Restore:
        Window(AP, QRectF(4.5, 1.5, 10, 8));
        Window(AP, QRectF(1.5, 5.5, 10, 9));
        break;
    case TMenuPicture::Minimize:
        Box(AP, QRectF(1.5, 2.5, 13, 11), Paper);
        AP.fillRect(QRectF(4, 10, 8, 2), Blue);
        break;
    case TMenuPicture::Maximize:
        Box(AP, QRectF(1.5, 1.5, 13, 13), Paper);
        AP.fillRect(QRectF(2, 2, 12, 3.5), Blue);
        break;
    case TMenuPicture::Close:
        Cross(AP, QRectF(3.5, 3.5, 9, 9), Red, 2.4);
        break;
    case TMenuPicture::FindInPage: // find in a page
        Page(AP);
        Glass(AP, QPointF(7, 7), 3, Blue);
        break;
    case TMenuPicture::Open:
        Folder(AP, true);
        break;
    case TMenuPicture::ClosedFolder: // closed folder
        Folder(AP, false);
        break;
    case TMenuPicture::Document:
        DocumentGlyph(AP);
        break;
    case TMenuPicture::Print:
        Printer(AP);
        break;
    case TMenuPicture::Search:
        Glass(AP, QPointF(6.5, 6.5), 4.5, Blue);
        break;
    case TMenuPicture::SearchAgain:
        Glass(AP, QPointF(6.5, 6.5), 4.5, Green);
        SetPen(AP, Green, 1.6);
        AP.drawLine(QPointF(4.5, 6.5), QPointF(8, 6.5));
        ArrowHead(AP, QPointF(9.6, 6.5), 0, Green, 2.6);
        break;
    case TMenuPicture::JSONObject:
        KindTile(AP, Orange, QStringLiteral("{}"));
        break;
    case TMenuPicture::JSONArray:
        KindTile(AP, Blue, QStringLiteral("[]"));
        break;
    case TMenuPicture::JSONValue:
        KindTile(AP, Green, QStringLiteral("v"), 10);
        break;
    case TMenuPicture::Digest: // a fingerprint-like hash sign
        Box(AP, QRectF(1.5, 1.5, 13, 13), PaperShade, Grey, 2.5);
        Text(AP, QRectF(1, 1, 14, 14), QStringLiteral("#"), Purple, 11);
        break;
    case TMenuPicture::Base64:
        Box(AP, QRectF(0.5, 3.5, 15, 9), LightGreen, Green.darker(120), 2);
        Text(AP, QRectF(0.5, 3.5, 15, 9), QStringLiteral("64"), Green.darker(160), 8);
        break;
    case TMenuPicture::Time:
        Clock(AP);
        break;
    case TMenuPicture::Path: // steps joined by arrows
        AP.fillRect(QRectF(1, 6.5, 3, 3), Orange);
        AP.fillRect(QRectF(6.5, 6.5, 3, 3), Blue);
        AP.fillRect(QRectF(12, 6.5, 3, 3), Green);
        SetPen(AP, Ink, 1);
        AP.drawLine(QPointF(4, 8), QPointF(5.5, 8));
        AP.drawLine(QPointF(9.5, 8), QPointF(11, 8));
        break;
    case TMenuPicture::Settings: // settings
        SetPen(AP, Grey, 2.6);
        for (int i = 0; i < 4; ++i) {
            const qreal a = i * M_PI / 4;
            AP.drawLine(QPointF(8 + std::cos(a) * 6.5, 8 + std::sin(a) * 6.5),
                QPointF(8 - std::cos(a) * 6.5, 8 - std::sin(a) * 6.5));
        }
        SetPen(AP, Ink);
        AP.setBrush(Grey.lighter(130));
        AP.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        AP.setBrush(Paper);
        AP.drawEllipse(QRectF(6, 6, 4, 4));
        break;
    case TMenuPicture::About:
        Badge(AP, Blue, QStringLiteral("i"));
        break;
    case TMenuPicture::Help: // help
        Badge(AP, Teal, QStringLiteral("?"));
        break;
    case TMenuPicture::Error:
        Badge(AP, Red, QStringLiteral("!"));
        break;
    case TMenuPicture::FileSize: // a page on a scale
        Page(AP, QRectF(4.5, 1.5, 7, 9));
        SetPen(AP, Ink);
        AP.setBrush(Grey.lighter(120));
        AP.drawRect(QRectF(1.5, 11.5, 13, 3));
        SetPen(AP, Ink, 0.8);
        for (qreal x = 4; x < 14; x += 3)
            AP.drawLine(QPointF(x, 11.5), QPointF(x, 13));
        break;
    case TMenuPicture::Refresh:
        SetPen(AP, Green, 2);
        AP.setBrush(Qt::NoBrush);
        AP.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 270 * 16);
        ArrowHead(AP, QPointF(13.6, 4.8), -60, Green, 3.6);
        break;
    case TMenuPicture::Clear:
        SetPen(AP, Grey.darker(110));
        AP.setBrush(PaperShade);
        AP.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        Cross(AP, QRectF(5, 5, 6, 6), Grey.darker(140), 1.8);
        break;
    case TMenuPicture::Window: // a window
        Window(AP, QRectF(1.5, 2.5, 13, 11));
        break;
    case TMenuPicture::Star: { // a star
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal r = (i % 2) ? 3 : 7;
            const qreal a = -M_PI / 2 + i * M_PI / 5;
            star << QPointF(8 + std::cos(a) * r, 8.5 + std::sin(a) * r);
        }
        SetPen(AP, Orange.darker(130));
        AP.setBrush(Yellow);
        AP.drawPolygon(star);
        break;
    }
    case TMenuPicture::Convert: // arrows both ways
        SetPen(AP, Blue, 1.8);
        AP.drawLine(QPointF(2, 5), QPointF(12, 5));
        ArrowHead(AP, QPointF(14.5, 5), 0, Blue, 3.2);
        SetPen(AP, Green, 1.8);
        AP.drawLine(QPointF(14, 11), QPointF(4, 11));
        ArrowHead(AP, QPointF(1.5, 11), 180, Green, 3.2);
        break;
    case TMenuPicture::Save:
        Floppy(AP);
        break;
    case TMenuPicture::FindReplace:
        Page(AP, QRectF(1.5, 1.5, 9, 12));
        PageLines(AP, 3, 8, {5, 7.5, 10});
        Glass(AP, QPointF(10, 9), 3, Blue);
        break;
    case TMenuPicture::Redo:
        ArcArrow(AP, true, Blue);
        break;
    case TMenuPicture::Undo:
        ArcArrow(AP, false, Blue);
        break;
    case TMenuPicture::Paste:
        Clipboard(AP);
        break;
    case TMenuPicture::Cut:
        Scissors(AP);
        break;
    case TMenuPicture::Copy:
        Page(AP, QRectF(1.5, 1.5, 8, 10));
        Page(AP, QRectF(6.5, 4.5, 8, 10));
        PageLines(AP, 8, 12, {9, 11});
        break;
    case TMenuPicture::New:
        Page(AP);
        SetPen(AP, Green, 1.8);
        AP.drawLine(QPointF(12, 9), QPointF(12, 15));
        AP.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case TMenuPicture::Editor:
        Page(AP, QRectF(1.5, 1.5, 9, 13));
        PageLines(AP, 3, 7, {5, 7.5});
        Pencil(AP, QPointF(5, 15));
        break;
    case TMenuPicture::Validate:
        Check(AP, Green);
        break;
    case TMenuPicture::Format: // indented lines
        SetPen(AP, Ink, 1.4);
        AP.drawLine(QPointF(2, 3), QPointF(10, 3));
        SetPen(AP, Blue, 1.4);
        AP.drawLine(QPointF(5, 6.5), QPointF(14, 6.5));
        AP.drawLine(QPointF(5, 10), QPointF(12, 10));
        SetPen(AP, Ink, 1.4);
        AP.drawLine(QPointF(2, 13.5), QPointF(8, 13.5));
        break;
    case TMenuPicture::JSONString:
        KindTile(AP, Green, QStringLiteral("\u201Ca\u201D"), 7.5);
        break;
    case TMenuPicture::JSONNumber:
        KindTile(AP, Purple, QStringLiteral("1"), 10);
        break;
    case TMenuPicture::JSONTrue:
        Box(AP, QRectF(1.5, 1.5, 13, 13), LightGreen, Green, 2.5);
        Check(AP, Green.darker(120), 2.0);
        break;
    case TMenuPicture::JSONFalse:
        Box(AP, QRectF(1.5, 1.5, 13, 13), QColor(248, 205, 205), Red, 2.5);
        Cross(AP, QRectF(4.5, 4.5, 7, 7), Red.darker(110), 2.0);
        break;
    case TMenuPicture::JSONNull:
        Box(AP, QRectF(1.5, 1.5, 13, 13), PaperShade, Grey, 2.5);
        SetPen(AP, Grey.darker(130), 1.4);
        AP.setBrush(Qt::NoBrush);
        AP.drawEllipse(QRectF(4.5, 4.5, 7, 7));
        AP.drawLine(QPointF(4, 12), QPointF(12, 4));
        break;
    default:
        break;
    }
}

// Paints a picture at any size; disabled pictures are drawn pale and grey.
class TMenuIconEngine : public QIconEngine {
public:
    explicit TMenuIconEngine(int AIndex)
        : FIndex(AIndex)
    {
    }
    QIconEngine* clone() const override { return new TMenuIconEngine(FIndex); }
    QString key() const override { return QStringLiteral("TMenuIconEngine"); }

    void paint(QPainter* APainter, const QRect& ARect, QIcon::Mode AMode, QIcon::State) override
    {
        if (AMode != QIcon::Disabled) {
            PaintScaled(*APainter, ARect);
            return;
        }
        const qreal dpr = APainter->device() ? APainter->device()->devicePixelRatioF() : 1.0;
        QImage image(ARect.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            PaintScaled(ip, QRect(QPoint(0, 0), ARect.size()));
        }
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = qAlpha(line[x]) * 45 / 100;
                const int g = qGray(line[x]) * 45 / 100; // premultiplied: scale with alpha
                line[x] = qRgba(g, g, g, a);
            }
        }
        APainter->drawImage(ARect, image);
    }

    QPixmap pixmap(const QSize& ASize, QIcon::Mode AMode, QIcon::State AState) override
    {
        return scaledPixmap(ASize, AMode, AState, 1.0);
    }

    // size is in device pixels already; the picture is drawn on its logical size at that scale.
    QPixmap scaledPixmap(const QSize& ASize, QIcon::Mode AMode, QIcon::State AState, qreal AScale) override
    {
        QPixmap pm(ASize);
        pm.setDevicePixelRatio(AScale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), (QSizeF(ASize) / AScale).toSize()), AMode, AState);
        return pm;
    }

    QSize actualSize(const QSize& ASize, QIcon::Mode, QIcon::State) override { return ASize; }

private:
    void PaintScaled(QPainter& AP, const QRect& ARect) const
    {
        AP.save();
        AP.setRenderHint(QPainter::Antialiasing);
        AP.setRenderHint(QPainter::TextAntialiasing);
        AP.translate(ARect.topLeft());
        AP.scale(ARect.width() / qreal(TMenuImages::Size), ARect.height() / qreal(TMenuImages::Size));
        Draw(AP, static_cast<TMenuPicture>(FIndex));
        AP.restore();
    }

    int FIndex;
};
} // namespace

QIcon TMenuImages::Icon(TMenuPicture APicture)
{
    return Icon(PictureIndex(APicture));
}

QIcon TMenuImages::Icon(int AIndex)
{
    if (AIndex < 0 || AIndex >= Count)
        return {};
    return QIcon(new TMenuIconEngine(AIndex));
}

QList<QIcon> TMenuImages::Icons()
{
    QList<QIcon> icons;
    icons.reserve(Count);
    for (int i = 0; i < Count; ++i)
        icons.append(Icon(i));
    return icons;
}

QPixmap TMenuImages::Pixmap(int AIndex, qreal ADevicePixelRatio)
{
    return Icon(AIndex).pixmap(QSize(Size, Size), ADevicePixelRatio);
}

void TMenuImages::Paint(QPainter& APainter, int AIndex)
{
    APainter.save();
    APainter.setRenderHint(QPainter::Antialiasing);
    APainter.setRenderHint(QPainter::TextAntialiasing);
    Draw(APainter, static_cast<TMenuPicture>(AIndex));
    APainter.restore();
}

QPixmap TMenuImages::DocumentPicture(qreal ADevicePixelRatio)
{
    const int side = 124;
    QPixmap pm(QSize(side, side) * ADevicePixelRatio);
    pm.setDevicePixelRatio(ADevicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // A page with a folded corner, the braces of an object and the word JSON.
    const QRectF page(18.5, 6.5, 87, 111);
    const qreal fold = 24;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    QLinearGradient shade(page.topLeft(), page.bottomRight());
    shade.setColorAt(0, Paper);
    shade.setColorAt(1, QColor(232, 238, 246));
    p.setPen(QPen(Ink, 2));
    p.setBrush(shade);
    p.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    p.setBrush(PaperShade);
    p.drawPath(corner);
    Text(p, QRectF(page.left(), 28, page.width(), 44), QStringLiteral("{ }"), Orange.darker(110), 34);
    p.fillRect(QRectF(page.left() + 8, 78, page.width() - 16, 26), Blue);
    Text(p, QRectF(page.left() + 8, 78, page.width() - 16, 26), QStringLiteral("JSON"), Paper, 19);
    return pm;
}
