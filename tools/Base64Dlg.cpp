#include "tools/Base64Dlg.h"

#include "codecs/Base64.h"
#include "controls/MenuImages.h"
#include "util/ErrorReport.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QtMath>

namespace {

constexpr QSize ClientSize(509, 443);
constexpr int MemoMargin = 10; // left, right and outer edge of both boxes
constexpr int InputHeight = 181;
constexpr int InputGap = 5; // between the input and the button row
constexpr int OutputGap = 5; // between the button row and the output
constexpr int PanelHeight = 35;
constexpr int ButtonTop = 5;
constexpr int ButtonHeight = 25;
constexpr int TextButtonWidth = 75;
constexpr int ExchangeWidth = 44;
constexpr int EncodeLeft = 8;
constexpr int DecodeRightGap = 9;
constexpr int EncodedLineLength = 76; // characters of a line of the encoder's output

// Memo texts separate their lines with CR LF, as every text the program hands on does.
QString MemoText(const QPlainTextEdit* AMemo)
{
    return AMemo->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

QPushButton* MakeButton(QWidget* AParent, const char* AName, const QString& ACaption, int AWidth)
{
    auto* button = new QPushButton(ACaption, AParent);
    button->setObjectName(QString::fromLatin1(AName));
    button->resize(AWidth, ButtonHeight);
    button->setAutoDefault(false);
    return button;
}

QPlainTextEdit* MakeMemo(QWidget* AParent, const char* AName)
{
    auto* memo = new QPlainTextEdit(AParent);
    memo->setObjectName(QString::fromLatin1(AName));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTabChangesFocus(true);
    return memo;
}

} // namespace

Tdlg_quil_Base64::Tdlg_quil_Base64(QWidget* AParent)
    : QDialog(AParent)
{
    setWindowTitle(QStringLiteral("Base64"));

    Memo1 = MakeMemo(this, "Memo1");
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    bEnc = MakeButton(Panel1, "bEnc", QStringLiteral("Encode"), TextButtonWidth);
    bExchange = MakeButton(Panel1, "bExchange", QString(), ExchangeWidth);
    bExchange->setIcon(TMenuImages::Icon(TMenuPicture::Convert));
    bExchange->setIconSize(QSize(TMenuImages::Size, TMenuImages::Size));
    bDec = MakeButton(Panel1, "bDec", QStringLiteral("Decode"), TextButtonWidth);
    bEnc->move(EncodeLeft, ButtonTop);
    bExchange->move(bExchange->x(), ButtonTop);
    bDec->move(bDec->x(), ButtonTop);

    Memo2 = MakeMemo(this, "Memo2");
    Memo2->setReadOnly(true);
    // Read-only, but the keyboard still selects, so a result can be copied without the mouse.
    Memo2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    Memo2->setFont(fixed);
    // Encoded lines are shown whole: the output does not wrap, and the dialog starts wide enough for
    // a full line in the fixed-width font at hand.
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    const int lineWidth = QFontMetrics(fixed).horizontalAdvance(QString(EncodedLineLength, u'M'));
    const int outputWidth = lineWidth + 2 * (Memo2->frameWidth() + qCeil(Memo2->document()->documentMargin()))
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Memo2);
    resize(qMax(ClientSize.width(), outputWidth + 2 * MemoMargin), ClientSize.height());
    QPalette outputPalette = Memo2->palette();
    outputPalette.setColor(QPalette::Base, palette().color(QPalette::Window));
    Memo2->setPalette(outputPalette);

    connect(bEnc, &QPushButton::clicked, this, &Tdlg_quil_Base64::bEncClick);
    connect(bDec, &QPushButton::clicked, this, &Tdlg_quil_Base64::bDecClick);
    connect(bExchange, &QPushButton::clicked, this, &Tdlg_quil_Base64::bExchangeClick);
    for (QWidget* control : {static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Memo2),
             static_cast<QWidget*>(bEnc), static_cast<QWidget*>(bExchange), static_cast<QWidget*>(bDec)})
        control->installEventFilter(this);
    Panel1->installEventFilter(this);
    Memo1->setFocus();
}

void Tdlg_quil_Base64::bEncClick()
{
    Memo2->setPlainText(EncodeBase64Text(MemoText(Memo1)));
}

void Tdlg_quil_Base64::bDecClick()
{
    QString error;
    const std::optional<QString> text = DecodeBase64Text(MemoText(Memo1), &error);
    if (!text) {
        ShowErrorReport(error);
        return;
    }
    Memo2->setPlainText(*text);
}

void Tdlg_quil_Base64::bExchangeClick()
{
    const QString input = Memo1->toPlainText();
    Memo1->setPlainText(Memo2->toPlainText());
    Memo2->setPlainText(input);
}

bool Tdlg_quil_Base64::FormKeyDown(QObject* AReceiver, const QKeyEvent* AKey)
{
    const Qt::KeyboardModifiers modifiers =
        AKey->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (AKey->key() == Qt::Key_Escape) {
        // Only the bare key closes; with a modifier it does nothing at all.
        if (modifiers == Qt::NoModifier)
            reject();
        return true;
    }
    if (AKey->key() == Qt::Key_A && modifiers == Qt::ControlModifier) {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(AReceiver)) {
            memo->selectAll();
            return true;
        }
    }
    return false;
}

bool Tdlg_quil_Base64::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AWatched == Panel1) {
        if (AEvent->type() == QEvent::Resize)
            Panel1Resize();
        return false;
    }
    // The dialog's own keys win over the controls' shortcuts (a box's select-all, a button's
    // Escape) as well as over their key handling.
    if (AEvent->type() == QEvent::ShortcutOverride || AEvent->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(AEvent);
        if (AEvent->type() == QEvent::ShortcutOverride) {
            const bool ours = key->key() == Qt::Key_Escape
                || (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier);
            if (ours)
                key->accept();
            return false;
        }
        return FormKeyDown(AWatched, key);
    }
    return false;
}

void Tdlg_quil_Base64::keyPressEvent(QKeyEvent* AEvent)
{
    if (!FormKeyDown(this, AEvent))
        QDialog::keyPressEvent(AEvent);
}

void Tdlg_quil_Base64::resizeEvent(QResizeEvent* AEvent)
{
    QDialog::resizeEvent(AEvent);
    const int innerWidth = width() - 2 * MemoMargin;
    Memo1->setGeometry(MemoMargin, MemoMargin, innerWidth, InputHeight);
    const int panelTop = Memo1->geometry().bottom() + 1 + InputGap;
    Panel1->setGeometry(0, panelTop, width(), PanelHeight);
    const int outputTop = panelTop + PanelHeight + OutputGap;
    Memo2->setGeometry(MemoMargin, outputTop, innerWidth, qMax(0, height() - outputTop - MemoMargin));
}

void Tdlg_quil_Base64::Panel1Resize()
{
    // Integer division rounds toward zero, as the centring rule asks.
    bExchange->move((Panel1->width() - bExchange->width()) / 2, ButtonTop);
    bDec->move(Panel1->width() - DecodeRightGap - bDec->width(), ButtonTop);
}

void ShowBase64Dialog(QWidget* AOwner, const QString& AText)
{
    // On the heap with a guard: should the owner go while the dialog is open, it takes the dialog.
    QPointer<Tdlg_quil_Base64> dialog = new Tdlg_quil_Base64(AOwner);
    dialog->Memo1->setPlainText(AText);
    dialog->exec();
    delete dialog.data();
}
