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

void SetPen(QPainter& p, const QColor& c, qreal width = 1.0)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Box(QPainter& p, const QRectF& r, const QColor& fill, const QColor& line = Ink, qreal radius = 0)
{
    SetPen(p, line);
    p.setBrush(fill);
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

// A page with a folded corner.
void Page(QPainter& p, const QRectF& r = QRectF(3.5, 1.5, 9, 13), const QColor& fill = Paper)
{
    const qreal fold = 3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    SetPen(p, Ink);
    p.setBrush(fill);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(PaperShade);
    p.drawPath(corner);
}

// Text lines on a page.
void PageLines(QPainter& p, qreal left, qreal right, std::initializer_list<qreal> ys, const QColor& c = Grey)
{
    SetPen(p, c);
    for (qreal y : ys)
        p.drawLine(QPointF(left, y), QPointF(right, y));
}

// A window frame with a coloured title bar.
void Window(QPainter& p, const QRectF& r, const QColor& title = Blue)
{
    Box(p, r, Paper);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 2.5), title);
}

void Glass(QPainter& p, const QPointF& centre, qreal radius, const QColor& rim)
{
    SetPen(p, Ink, 2.2);
    const qreal d = radius * 0.72;
    p.drawLine(QPointF(centre.x() + d, centre.y() + d),
        QPointF(centre.x() + radius + 3.2, centre.y() + radius + 3.2));
    SetPen(p, rim, 1.6);
    p.setBrush(QColor(225, 240, 255));
    p.drawEllipse(centre, radius, radius);
}

// Text in grid units; fonts take whole pixel sizes, so it is laid out ten times larger and scaled down.
void Text(
    QPainter& p, const QRectF& r, const QString& text, const QColor& c, qreal pixelSize, bool bold = true)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(std::lround(pixelSize * 10)));
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    p.save();
    p.scale(0.1, 0.1);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRectF(r.x() * 10, r.y() * 10, r.width() * 10, r.height() * 10), Qt::AlignCenter, text);
    p.restore();
}

void ArrowHead(QPainter& p, const QPointF& tip, qreal angleDegrees, const QColor& c, qreal size = 3.2)
{
    const qreal a = angleDegrees * M_PI / 180.0;
    const QPointF back(std::cos(a) * size, std::sin(a) * size);
    const QPointF side(-std::sin(a) * size * 0.8, std::cos(a) * size * 0.8);
    QPolygonF head;
    head << tip << tip - back + side << tip - back - side;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head);
}

// An arc arrow around (8, 8.5): counter-clockwise for undo, clockwise for redo.
void ArcArrow(QPainter& p, bool clockwise, const QColor& c)
{
    SetPen(p, c, 2.0);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (clockwise) {
        path.moveTo(3, 11);
        path.cubicTo(3, 4, 12, 3, 12.5, 8);
        p.drawPath(path);
        ArrowHead(p, QPointF(12.6, 10.6), 90, c, 3.4);
    } else {
        path.moveTo(13, 11);
        path.cubicTo(13, 4, 4, 3, 3.5, 8);
        p.drawPath(path);
        ArrowHead(p, QPointF(3.4, 10.6), 90, c, 3.4);
    }
}

void Cross(QPainter& p, const QRectF& r, const QColor& c, qreal width)
{
    SetPen(p, c, width);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Check(QPainter& p, const QColor& c, qreal width = 2.2, const QPointF& shift = {})
{
    SetPen(p, c, width);
    QPolygonF tick;
    tick << QPointF(3, 8.5) + shift << QPointF(6.5, 12) + shift << QPointF(13, 4.5) + shift;
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(tick);
}

// A round badge with a one-character sign.
void Badge(QPainter& p, const QColor& fill, const QString& sign, qreal pixelSize = 10)
{
    SetPen(p, fill.darker(130));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    Text(p, QRectF(1.5, 1.5, 13, 13), sign, Paper, pixelSize);
}

// A square tile with a glyph, for the kinds of outline nodes.
void KindTile(QPainter& p, const QColor& fill, const QString& glyph, qreal pixelSize = 9)
{
    Box(p, QRectF(1.5, 1.5, 13, 13), fill, fill.darker(135), 2.5);
    Text(p, QRectF(1, 1, 14, 14), glyph, Paper, pixelSize);
}

void Folder(QPainter& p, bool open)
{
    SetPen(p, Ink);
    p.setBrush(Yellow.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(Yellow);
    QPainterPath front;
    if (open) {
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
    p.drawPath(front);
}

void Clock(QPainter& p)
{
    SetPen(p, Ink);
    p.setBrush(Paper);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    SetPen(p, Blue, 1.6);
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    SetPen(p, Ink, 0.8);
    for (int i = 0; i < 12; i += 3) {
        const qreal a = i * M_PI / 6;
        p.drawLine(QPointF(8 + std::sin(a) * 5.2, 8 - std::cos(a) * 5.2),
            QPointF(8 + std::sin(a) * 6, 8 - std::cos(a) * 6));
    }
}

void Printer(QPainter& p)
{
    Box(p, QRectF(4.5, 1.5, 7, 5), Paper);
    Box(p, QRectF(1.5, 6.5, 13, 6), PaperShade, Ink, 1.5);
    Box(p, QRectF(4.5, 10.5, 7, 4), Paper);
    p.fillRect(QRectF(11.5, 8, 1.5, 1.2), Green);
}

void Scissors(QPainter& p)
{
    SetPen(p, Ink, 1.3);
    p.drawLine(QPointF(4, 1.5), QPointF(10.5, 11));
    p.drawLine(QPointF(12, 1.5), QPointF(5.5, 11));
    SetPen(p, Red, 1.5);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2, 10, 4, 4));
    p.drawEllipse(QRectF(10, 10, 4, 4));
}

void Clipboard(QPainter& p)
{
    Box(p, QRectF(2.5, 2.5, 10, 12), QColor(200, 160, 110), Ink, 1);
    Box(p, QRectF(4.5, 4.5, 6, 8.5), Paper);
    Box(p, QRectF(5.5, 1.5, 4, 2.5), Grey, Ink, 0.8);
    PageLines(p, 6, 9, {7, 9, 11});
}

void Floppy(QPainter& p)
{
    Box(p, QRectF(1.5, 1.5, 13, 13), Blue, Ink, 1);
    Box(p, QRectF(4.5, 1.5, 7, 5), Paper);
    p.fillRect(QRectF(9, 2.5, 1.5, 3), Ink);
    Box(p, QRectF(3.5, 9.5, 9, 5), PaperShade);
}

void Pencil(QPainter& p, const QPointF& tip)
{
    SetPen(p, Ink);
    p.setBrush(Orange);
    QPolygonF body;
    body << tip << tip + QPointF(1.2, -3.4) << tip + QPointF(8.6, -11) << tip + QPointF(11, -8.6)
         << tip + QPointF(3.4, -1.2);
    p.drawPolygon(body);
    SetPen(p, Ink, 0.8);
    p.drawLine(tip + QPointF(1.2, -3.4), tip + QPointF(3.4, -1.2));
}

// The JSON document: a page with braces.
void DocumentGlyph(QPainter& p)
{
    Page(p, QRectF(2.5, 1.5, 11, 13));
    Text(p, QRectF(2.5, 4, 11, 10), QStringLiteral("{}"), Orange.darker(115), 8.5);
}

void Draw(QPainter& p, TMenuPicture picture)
{
    switch (picture) {
    case TMenuPicture::Exit: // a door and an arrow out of it
        Box(p, QRectF(2.5, 1.5, 7, 13), QColor(170, 120, 80));
        p.fillRect(QRectF(7, 8, 1.2, 1.2), Yellow);
        SetPen(p, Red, 2);
        p.drawLine(QPointF(8, 8), QPointF(13.5, 8));
        ArrowHead(p, QPointF(15.5, 8), 0, Red, 3.5);
        break;
    case TMenuPicture::Cascade:
        Window(p, QRectF(1.5, 1.5, 9, 7), Grey);
        Window(p, QRectF(3.5, 4.5, 9, 7), LightBlue.darker(120));
        Window(p, QRectF(5.5, 7.5, 9, 7));
        break;
    case TMenuPicture::TileHorizontally: // one window over the other
        Window(p, QRectF(1.5, 1.5, 13, 6));
        Window(p, QRectF(1.5, 8.5, 13, 6));
        break;
    case TMenuPicture::TileVertically: // side by side
        Window(p, QRectF(1.5, 1.5, 6, 13));
        Window(p, QRectF(8.5, 1.5, 6, 13));
        break;
    case TMenuPicture::FullExpand:
    case TMenuPicture::FullCollapse:
        Box(p, QRectF(1.5, 1.5, 9, 9), Paper, Ink, 1);
        SetPen(p, Blue, 1.6);
        p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
        if (picture == TMenuPicture::FullExpand)
            p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
        SetPen(p, Grey);
        p.drawLine(QPointF(6, 10.5), QPointF(6, 13.5));
        p.drawLine(QPointF(6, 13.5), QPointF(9, 13.5));
        p.fillRect(QRectF(10, 12, 4.5, 3), picture == TMenuPicture::FullExpand ? Green : Grey);
        break;
    case TMenuPicture::Restore:
        Window(p, QRectF(4.5, 1.5, 10, 8));
        Window(p, QRectF(1.5, 5.5, 10, 9));
        break;
    case TMenuPicture::Minimize:
        Box(p, QRectF(1.5, 2.5, 13, 11), Paper);
        p.fillRect(QRectF(4, 10, 8, 2), Blue);
        break;
    case TMenuPicture::Maximize:
        Box(p, QRectF(1.5, 1.5, 13, 13), Paper);
        p.fillRect(QRectF(2, 2, 12, 3.5), Blue);
        break;
    case TMenuPicture::Close:
        Cross(p, QRectF(3.5, 3.5, 9, 9), Red, 2.4);
        break;
    case TMenuPicture::FindInPage: // find in a page
        Page(p);
        Glass(p, QPointF(7, 7), 3, Blue);
        break;
    case TMenuPicture::Open:
        Folder(p, true);
        break;
    case TMenuPicture::ClosedFolder: // closed folder
        Folder(p, false);
        break;
    case TMenuPicture::Document:
        DocumentGlyph(p);
        break;
    case TMenuPicture::Print:
        Printer(p);
        break;
    case TMenuPicture::Search:
        Glass(p, QPointF(6.5, 6.5), 4.5, Blue);
        break;
    case TMenuPicture::SearchAgain:
        Glass(p, QPointF(6.5, 6.5), 4.5, Green);
        SetPen(p, Green, 1.6);
        p.drawLine(QPointF(4.5, 6.5), QPointF(8, 6.5));
        ArrowHead(p, QPointF(9.6, 6.5), 0, Green, 2.6);
        break;
    case TMenuPicture::JSONObject:
        KindTile(p, Orange, QStringLiteral("{}"));
        break;
    case TMenuPicture::JSONArray:
        KindTile(p, Blue, QStringLiteral("[]"));
        break;
    case TMenuPicture::JSONValue:
        KindTile(p, Green, QStringLiteral("v"), 10);
        break;
    case TMenuPicture::Digest: // a fingerprint-like hash sign
        Box(p, QRectF(1.5, 1.5, 13, 13), PaperShade, Grey, 2.5);
        Text(p, QRectF(1, 1, 14, 14), QStringLiteral("#"), Purple, 11);
        break;
    case TMenuPicture::Base64:
        Box(p, QRectF(0.5, 3.5, 15, 9), LightGreen, Green.darker(120), 2);
        Text(p, QRectF(0.5, 3.5, 15, 9), QStringLiteral("64"), Green.darker(160), 8);
        break;
    case TMenuPicture::Time:
        Clock(p);
        break;
    case TMenuPicture::Path: // steps joined by arrows
        p.fillRect(QRectF(1, 6.5, 3, 3), Orange);
        p.fillRect(QRectF(6.5, 6.5, 3, 3), Blue);
        p.fillRect(QRectF(12, 6.5, 3, 3), Green);
        SetPen(p, Ink, 1);
        p.drawLine(QPointF(4, 8), QPointF(5.5, 8));
        p.drawLine(QPointF(9.5, 8), QPointF(11, 8));
        break;
    case TMenuPicture::Settings: // settings
        SetPen(p, Grey, 2.6);
        for (int i = 0; i < 4; ++i) {
            const qreal a = i * M_PI / 4;
            p.drawLine(QPointF(8 + std::cos(a) * 6.5, 8 + std::sin(a) * 6.5),
                QPointF(8 - std::cos(a) * 6.5, 8 - std::sin(a) * 6.5));
        }
        SetPen(p, Ink);
        p.setBrush(Grey.lighter(130));
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        p.setBrush(Paper);
        p.drawEllipse(QRectF(6, 6, 4, 4));
        break;
    case TMenuPicture::About:
        Badge(p, Blue, QStringLiteral("i"));
        break;
    case TMenuPicture::Help: // help
        Badge(p, Teal, QStringLiteral("?"));
        break;
    case TMenuPicture::Error:
        Badge(p, Red, QStringLiteral("!"));
        break;
    case TMenuPicture::FileSize: // a page on a scale
        Page(p, QRectF(4.5, 1.5, 7, 9));
        SetPen(p, Ink);
        p.setBrush(Grey.lighter(120));
        p.drawRect(QRectF(1.5, 11.5, 13, 3));
        SetPen(p, Ink, 0.8);
        for (qreal x = 4; x < 14; x += 3)
            p.drawLine(QPointF(x, 11.5), QPointF(x, 13));
        break;
    case TMenuPicture::Refresh:
        SetPen(p, Green, 2);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 270 * 16);
        ArrowHead(p, QPointF(13.6, 4.8), -60, Green, 3.6);
        break;
    case TMenuPicture::Clear:
        SetPen(p, Grey.darker(110));
        p.setBrush(PaperShade);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        Cross(p, QRectF(5, 5, 6, 6), Grey.darker(140), 1.8);
        break;
    case TMenuPicture::Window: // a window
        Window(p, QRectF(1.5, 2.5, 13, 11));
        break;
    case TMenuPicture::Star: { // a star
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal r = (i % 2) ? 3 : 7;
            const qreal a = -M_PI / 2 + i * M_PI / 5;
            star << QPointF(8 + std::cos(a) * r, 8.5 + std::sin(a) * r);
        }
        SetPen(p, Orange.darker(130));
        p.setBrush(Yellow);
        p.drawPolygon(star);
        break;
    }
    case TMenuPicture::Convert: // arrows both ways
        SetPen(p, Blue, 1.8);
        p.drawLine(QPointF(2, 5), QPointF(12, 5));
        ArrowHead(p, QPointF(14.5, 5), 0, Blue, 3.2);
        SetPen(p, Green, 1.8);
        p.drawLine(QPointF(14, 11), QPointF(4, 11));
        ArrowHead(p, QPointF(1.5, 11), 180, Green, 3.2);
        break;
    case TMenuPicture::Save:
        Floppy(p);
        break;
    case TMenuPicture::FindReplace:
        Page(p, QRectF(1.5, 1.5, 9, 12));
        PageLines(p, 3, 8, {5, 7.5, 10});
        Glass(p, QPointF(10, 9), 3, Blue);
        break;
    case TMenuPicture::Redo:
        ArcArrow(p, true, Blue);
        break;
    case TMenuPicture::Undo:
        ArcArrow(p, false, Blue);
        break;
    case TMenuPicture::Paste:
        Clipboard(p);
        break;
    case TMenuPicture::Cut:
        Scissors(p);
        break;
    case TMenuPicture::Copy:
        Page(p, QRectF(1.5, 1.5, 8, 10));
        Page(p, QRectF(6.5, 4.5, 8, 10));
        PageLines(p, 8, 12, {9, 11});
        break;
    case TMenuPicture::New:
        Page(p);
        SetPen(p, Green, 1.8);
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case TMenuPicture::Editor:
        Page(p, QRectF(1.5, 1.5, 9, 13));
        PageLines(p, 3, 7, {5, 7.5});
        Pencil(p, QPointF(5, 15));
        break;
    case TMenuPicture::Validate:
        Check(p, Green);
        break;
    case TMenuPicture::Format: // indented lines
        SetPen(p, Ink, 1.4);
        p.drawLine(QPointF(2, 3), QPointF(10, 3));
        SetPen(p, Blue, 1.4);
        p.drawLine(QPointF(5, 6.5), QPointF(14, 6.5));
        p.drawLine(QPointF(5, 10), QPointF(12, 10));
        SetPen(p, Ink, 1.4);
        p.drawLine(QPointF(2, 13.5), QPointF(8, 13.5));
        break;
    case TMenuPicture::JSONString:
        KindTile(p, Green, QStringLiteral("\u201Ca\u201D"), 7.5);
        break;
    case TMenuPicture::JSONNumber:
        KindTile(p, Purple, QStringLiteral("1"), 10);
        break;
    case TMenuPicture::JSONTrue:
        Box(p, QRectF(1.5, 1.5, 13, 13), LightGreen, Green, 2.5);
        Check(p, Green.darker(120), 2.0);
        break;
    case TMenuPicture::JSONFalse:
        Box(p, QRectF(1.5, 1.5, 13, 13), QColor(248, 205, 205), Red, 2.5);
        Cross(p, QRectF(4.5, 4.5, 7, 7), Red.darker(110), 2.0);
        break;
    case TMenuPicture::JSONNull:
        Box(p, QRectF(1.5, 1.5, 13, 13), PaperShade, Grey, 2.5);
        SetPen(p, Grey.darker(130), 1.4);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        break;
    default:
        break;
    }
}

// Paints a picture at any size; disabled pictures are drawn pale and grey.
class TMenuIconEngine : public QIconEngine {
public:
    explicit TMenuIconEngine(int index)
        : FIndex(index)
    {
    }
    QIconEngine* clone() const override { return new TMenuIconEngine(FIndex); }
    QString key() const override { return QStringLiteral("TMenuIconEngine"); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        if (mode != QIcon::Disabled) {
            PaintScaled(*painter, rect);
            return;
        }
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QImage image(rect.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            PaintScaled(ip, QRect(QPoint(0, 0), rect.size()));
        }
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = qAlpha(line[x]) * 45 / 100;
                const int g = qGray(line[x]) * 45 / 100; // premultiplied: scale with alpha
                line[x] = qRgba(g, g, g, a);
            }
        }
        painter->drawImage(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // size is in device pixels already; the picture is drawn on its logical size at that scale.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pm(size);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

private:
    void PaintScaled(QPainter& p, const QRect& rect) const
    {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(rect.topLeft());
        p.scale(rect.width() / qreal(TMenuImages::Size), rect.height() / qreal(TMenuImages::Size));
        Draw(p, static_cast<TMenuPicture>(FIndex));
        p.restore();
    }

    int FIndex;
};
} // namespace

QIcon TMenuImages::Icon(TMenuPicture APicture)
{
    return Icon(PictureIndex(APicture));
}

QIcon TMenuImages::Icon(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return QIcon(new TMenuIconEngine(index));
}

QList<QIcon> TMenuImages::Icons()
{
    QList<QIcon> icons;
    icons.reserve(Count);
    for (int i = 0; i < Count; ++i)
        icons.append(Icon(i));
    return icons;
}

QPixmap TMenuImages::Pixmap(int index, qreal devicePixelRatio)
{
    return Icon(index).pixmap(QSize(Size, Size), devicePixelRatio);
}

void TMenuImages::Paint(QPainter& painter, int index)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Draw(painter, static_cast<TMenuPicture>(index));
    painter.restore();
}

QPixmap TMenuImages::DocumentPicture(qreal devicePixelRatio)
{
    const int side = 124;
    QPixmap pm(QSize(side, side) * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
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
