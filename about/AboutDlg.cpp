#include "about/AboutDlg.h"

#include "about/VersionInfo.h"
#include "controls/MenuImages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace {

constexpr QSize ClientSize(600, 384);
constexpr int FrameWidth = 1; // the black background shows as a frame around the panels
constexpr int TopPanelHeight = 117;
constexpr int BottomPanelHeight = 44;
constexpr int IconSize = 32;
constexpr QPoint IconPos(10, 8);
constexpr int TextLeft = 55;
constexpr int ProductTop = 8;
constexpr int ProductPixelSize = 19;
constexpr int VersionTop = 34;
constexpr int CopyrightTop = 53;
constexpr int DescriptionTop = 77;
constexpr QSize DescriptionSize(532, 34);
constexpr QSize LogoSize(120, 59);
constexpr int LogoTop = 8;
constexpr int LogoRightGap = 10;
constexpr int LabelLogoGap = 8; // the short labels end this far left of the logo
constexpr int TermsMargin = 10; // left, top and right of the terms of use
constexpr int TermsBottomMargin = 20; // the links sit in this strip
constexpr int LinkLeft = 10;
constexpr int LinkTop = 202;
constexpr QSize ButtonSize(75, 25);
constexpr QPoint ButtonPos(512, 10);
constexpr int MaxLinesWithoutScrollBar = 12;

const QColor TopPanelColor(Qt::white);
const QColor MiddlePanelColor(221, 221, 221);
const QColor BottomPanelColor(160, 160, 164);
const QColor DescriptionColor(0, 0, 128); // navy
const QColor LinkColor(Qt::gray);

// The terms of use: a first line, then the usage notice as one text.
const QString TermsFirstLine = QStringLiteral("Ravek Quillon is free to use, at home and at work.");
const QString UsageNotice =
    QStringLiteral("It is provided as is, without warranty of any kind; you use it at your own risk.\r\n"
                   "\r\n"
                   "Questions, ideas and bug reports are welcome at the addresses below.");

// The maker's logo: a quill over a round mark, and the maker's name beside it. Drawn, so that it
// stays sharp at every scale.
class TLogo : public QWidget {
    static constexpr qreal MarkSize = 42;
    static constexpr qreal LogoPadding = 5;
    static constexpr qreal NameToMark = 0.55; // the name's height against the mark's
    static constexpr int MinNamePixels = 8;

public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QColor ink(0x1F, 0x3A, 0x5F);
        const QColor accent(0x2E, 0x9C, 0xA6);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin<qreal>(height() - 2 * LogoPadding, MarkSize);
        const QRectF mark(LogoPadding, (height() - side) / 2, side, side);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawEllipse(mark);
        // The quill: a leaf-shaped vane leaning right, with its shaft running to the nib.
        const QPointF c = mark.center();
        const qreal r = side / 2;
        QPainterPath vane;
        vane.moveTo(c + QPointF(-0.45 * r, 0.62 * r));
        vane.cubicTo(c + QPointF(-0.55 * r, -0.1 * r), c + QPointF(0.05 * r, -0.7 * r),
            c + QPointF(0.6 * r, -0.72 * r));
        vane.cubicTo(
            c + QPointF(0.5 * r, -0.1 * r), c + QPointF(0.05 * r, 0.4 * r), c + QPointF(-0.45 * r, 0.62 * r));
        p.setBrush(Qt::white);
        p.drawPath(vane);
        p.setPen(QPen(accent, qMax<qreal>(1.2, r / 12), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-0.52 * r, 0.72 * r), c + QPointF(0.42 * r, -0.5 * r));
        // The name, as large as the room beside the mark allows.
        const QString maker = QStringLiteral("Ravek");
        const QRectF text(mark.right() + LogoPadding, 0, width() - mark.right() - 2 * LogoPadding, height());
        QFont name = font();
        name.setBold(true);
        int pixelSize = int(side * NameToMark);
        do {
            name.setPixelSize(pixelSize);
        } while (QFontMetricsF(name).horizontalAdvance(maker) > text.width() && --pixelSize > MinNamePixels);
        p.setFont(name);
        p.setPen(ink);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, maker);
    }
};

QWidget* MakePanel(QWidget* AParent, const char* AName, const QColor& AColor)
{
    auto* panel = new QWidget(AParent);
    panel->setObjectName(QString::fromLatin1(AName));
    panel->setAutoFillBackground(true);
    QPalette colors = panel->palette();
    colors.setColor(QPalette::Window, AColor);
    panel->setPalette(colors);
    return panel;
}

QLabel* MakeLabel(QWidget* AParent, const char* AName)
{
    auto* label = new QLabel(AParent);
    label->setObjectName(QString::fromLatin1(AName));
    label->setTextFormat(Qt::PlainText);
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(colors);
    return label;
}

QLabel* MakeLink(QWidget* AParent, const char* AName)
{
    QLabel* link = MakeLabel(AParent, AName);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(AParent->font().pointSizeF());
    fixed.setUnderline(true);
    link->setFont(fixed);
    QPalette colors = link->palette();
    colors.setColor(QPalette::WindowText, LinkColor);
    link->setPalette(colors);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

// The application's icon; the document picture while the program has none of its own.
QPixmap ApplicationIcon(qreal ADevicePixelRatio)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(QSize(IconSize, IconSize), ADevicePixelRatio);
    QPixmap picture = TMenuImages::DocumentPicture(ADevicePixelRatio)
                          .scaled(QSize(IconSize, IconSize) * ADevicePixelRatio, Qt::KeepAspectRatio,
                              Qt::SmoothTransformation);
    picture.setDevicePixelRatio(ADevicePixelRatio);
    return picture;
}

// An address as the link shows it: without its scheme.
QString WithoutScheme(const QUrl& AUrl)
{
    QString text = AUrl.toString(QUrl::RemoveScheme);
    if (text.startsWith(QStringLiteral("//")))
        text.remove(0, 2);
    return text;
}

} // namespace

const QString Tdlg_quil_About::MakerEmail = QStringLiteral("quillon@ravek.example");
const QUrl Tdlg_quil_About::MakerHomePage(QStringLiteral("https://www.ravek.example/quillon"));
std::function<void(const QUrl&)> Tdlg_quil_About::OpenUrl = [](const QUrl& AUrl) {
    QDesktopServices::openUrl(AUrl);
};

Tdlg_quil_About::Tdlg_quil_About(QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::FramelessWindowHint)
{
    // The window class the program's About window is known by.
    setObjectName(QStringLiteral("Ravek.UI.AboutDialog"));
    // There is no title bar; the caption names the window in the task switcher.
    setWindowTitle(QStringLiteral("%1....").arg(QStringLiteral("About")));
    setFixedSize(ClientSize);
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, Qt::black);
    setPalette(colors);
    CreateControls();
    FillTexts();
    LayoutControls();
}

void Tdlg_quil_About::CreateControls()
{
    Panel2 = MakePanel(this, "Panel2", TopPanelColor);
    Icon = MakeLabel(Panel2, "Icon");
    Icon->setPixmap(ApplicationIcon(devicePixelRatioF()));
    lProduct = MakeLabel(Panel2, "lProduct");
    QFont productFont = font();
    productFont.setPixelSize(ProductPixelSize);
    productFont.setBold(true);
    lProduct->setFont(productFont);
    lVer = MakeLabel(Panel2, "lVer");
    QFont bold = font();
    bold.setBold(true);
    lVer->setFont(bold);
    lCR = MakeLabel(Panel2, "lCR");
    lDesc = MakeLabel(Panel2, "lDesc");
    lDesc->setWordWrap(true);
    lDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette navy = lDesc->palette();
    navy.setColor(QPalette::WindowText, DescriptionColor);
    lDesc->setPalette(navy);
    Image1 = new TLogo(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));

    Panel1 = MakePanel(this, "Panel1", MiddlePanelColor);
    mLic = new QPlainTextEdit(Panel1);
    mLic->setObjectName(QStringLiteral("mLic"));
    mLic->setReadOnly(true);
    mLic->setFrameShape(QFrame::NoFrame);
    mLic->setFocusPolicy(Qt::NoFocus);
    mLic->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette terms = mLic->palette();
    terms.setColor(QPalette::Base, MiddlePanelColor);
    terms.setColor(QPalette::Text, Qt::black);
    mLic->setPalette(terms);
    lEmail = MakeLink(Panel1, "lEmail");
    lWWW = MakeLink(Panel1, "lWWW");
    lWWW->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Panel3 = MakePanel(this, "Panel3", BottomPanelColor);
    Button2 = new QPushButton(QStringLiteral("OK"), Panel3);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setCursor(Qt::PointingHandCursor);
    Button2->setDefault(true);
    Button2->setFocus();
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);

    // A press on the top panel or anything on it moves the dialog; the links open their addresses.
    for (QWidget* part : {Panel2, static_cast<QWidget*>(Icon), static_cast<QWidget*>(lProduct),
             static_cast<QWidget*>(lVer), static_cast<QWidget*>(lCR), static_cast<QWidget*>(lDesc), Image1,
             static_cast<QWidget*>(lEmail), static_cast<QWidget*>(lWWW)})
        part->installEventFilter(this);
}

void Tdlg_quil_About::FillTexts()
{
    const TVersionInfo& info = AppVersionInfo;
    lProduct->setText(info.ProductName);
    QString version = QStringLiteral("%1 %2").arg(QStringLiteral("Version"), info.FileVersion);
    if (info.DebugBuild)
        version += QStringLiteral(" DEBUG");
    lVer->setText(version);
    lVer->setToolTip(info.BuildTimestamp);
    lEmail->setText(MakerEmail);
    lWWW->setText(WithoutScheme(MakerHomePage));
    lCR->setText(info.Copyright);
    lDesc->setText(info.Comments.isEmpty() ? info.Description : info.Comments);

    mLic->setPlainText(TermsFirstLine);
    mLic->appendPlainText(UsageNotice);
    mLic->moveCursor(QTextCursor::Start);
    mLic->setVerticalScrollBarPolicy(mLic->document()->blockCount() > MaxLinesWithoutScrollBar
            ? Qt::ScrollBarAlwaysOn
            : Qt::ScrollBarAlwaysOff);
}

void Tdlg_quil_About::LayoutControls()
{
    const int innerWidth = width() - 2 * FrameWidth;
    Panel2->setGeometry(FrameWidth, FrameWidth, innerWidth, TopPanelHeight);
    Panel3->setGeometry(FrameWidth, height() - FrameWidth - BottomPanelHeight, innerWidth, BottomPanelHeight);
    const int middleTop = FrameWidth + TopPanelHeight;
    Panel1->setGeometry(FrameWidth, middleTop, innerWidth, Panel3->y() - middleTop);

    Icon->setGeometry(QRect(IconPos, QSize(IconSize, IconSize)));
    Image1->setGeometry(
        innerWidth - LogoRightGap - LogoSize.width(), LogoTop, LogoSize.width(), LogoSize.height());
    const int textRight = Image1->x() - LabelLogoGap;
    for (auto [label, top] :
        {std::pair {lProduct, ProductTop}, std::pair {lVer, VersionTop}, std::pair {lCR, CopyrightTop}})
        label->setGeometry(TextLeft, top, textRight - TextLeft, label->sizeHint().height());
    // The description stretches with the width, keeping the right gap it has at the normal size.
    const int descriptionRightGap = ClientSize.width() - 2 * FrameWidth - TextLeft - DescriptionSize.width();
    lDesc->setGeometry(
        TextLeft, DescriptionTop, innerWidth - TextLeft - descriptionRightGap, DescriptionSize.height());

    const int linkHeight = lEmail->sizeHint().height();
    mLic->setGeometry(TermsMargin, TermsMargin, Panel1->width() - 2 * TermsMargin,
        Panel1->height() - TermsMargin - TermsBottomMargin);
    const int linkWidth = Panel1->width() / 2 - LinkLeft;
    lEmail->setGeometry(LinkLeft, LinkTop, lEmail->sizeHint().width(), linkHeight);
    const int wwwWidth = qMin(linkWidth, lWWW->sizeHint().width());
    lWWW->setGeometry(Panel1->width() - LinkLeft - wwwWidth, LinkTop, wwwWidth, linkHeight);

    Button2->setGeometry(QRect(ButtonPos, ButtonSize));
}

void Tdlg_quil_About::BeginDrag(const QPoint& AGlobalPos)
{
    // The window system moves the window where it can; elsewhere the dialog follows the mouse itself.
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    FDragging = true;
    FDragOffset = AGlobalPos - pos();
}

bool Tdlg_quil_About::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    const bool link = AWatched == lEmail || AWatched == lWWW;
    switch (AEvent->type()) {
    case QEvent::MouseButtonPress:
        if (!link) {
            BeginDrag(static_cast<QMouseEvent*>(AEvent)->globalPosition().toPoint());
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (FDragging) {
            move(static_cast<QMouseEvent*>(AEvent)->globalPosition().toPoint() - FDragOffset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(AEvent);
        if (FDragging) {
            FDragging = false;
            return true;
        }
        // A click: pressed and released over the link.
        if (link && mouse->button() == Qt::LeftButton
            && static_cast<QWidget*>(AWatched)->rect().contains(mouse->position().toPoint()) && OpenUrl) {
            OpenUrl(AWatched == lEmail ? QUrl(QStringLiteral("mailto:") + MakerEmail) : MakerHomePage);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void Tdlg_quil_About::keyPressEvent(QKeyEvent* AEvent)
{
    switch (AEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // Both close through the OK button, so the result is OK either way.
        Button2->click();
        return;
    default:
        QDialog::keyPressEvent(AEvent);
    }
}

void Tdlg_quil_About::resizeEvent(QResizeEvent* AEvent)
{
    QDialog::resizeEvent(AEvent);
    LayoutControls();
}

void ShowAboutDialog(QWidget* AOwner)
{
    // On the heap with a guard: should the owner go while the dialog is open, it takes the dialog.
    QPointer<Tdlg_quil_About> dialog = new Tdlg_quil_About(AOwner);
    dialog->exec();
    delete dialog.data();
}
