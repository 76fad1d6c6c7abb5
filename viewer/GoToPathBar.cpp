#include "viewer/GoToPathBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace {
constexpr int BarMargin = 2;
constexpr int EditStretch = 3;
constexpr int ErrorStretch = 4;
const QColor ErrorColor(176, 0, 0);
} // namespace

TGoToPathBar::TGoToPathBar(QWidget* AParent)
    : QWidget(AParent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(BarMargin, BarMargin, BarMargin, BarMargin);
    auto* caption = new QLabel(tr("Go to path:"), this);
    layout->addWidget(caption);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("ePath"));
    FEdit->setPlaceholderText(tr("$.a.b[0], /a/b/0, .a.b[0], a.b[0], [\"a\"][\"b\"][0] or <object>\\a\\b"));
    FEdit->setClearButtonEnabled(true);
    FEdit->installEventFilter(this);
    caption->setBuddy(FEdit);
    layout->addWidget(FEdit, EditStretch);
    FError = new QLabel(this);
    FError->setObjectName(QStringLiteral("lPathError"));
    FError->setWordWrap(true);
    FError->setTextFormat(Qt::PlainText);
    QPalette palette = FError->palette();
    palette.setColor(QPalette::WindowText, ErrorColor);
    FError->setPalette(palette);
    layout->addWidget(FError, ErrorStretch);
    FClose = new QToolButton(this);
    FClose->setAutoRaise(true);
    FClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    FClose->setToolTip(tr("Close"));
    layout->addWidget(FClose);
    connect(FClose, &QToolButton::clicked, this, [this] {
        hide();
        Q_EMIT Closed();
    });
    connect(FEdit, &QLineEdit::returnPressed, this, [this] { Q_EMIT GoRequested(FEdit->text()); });
    connect(FEdit, &QLineEdit::textEdited, this, [this] { ShowError(QString()); });
}

void TGoToPathBar::Open()
{
    show();
    FEdit->setFocus();
    FEdit->selectAll();
}

void TGoToPathBar::ShowError(const QString& AText)
{
    FError->setText(AText);
    FError->setToolTip(AText);
}

QString TGoToPathBar::ErrorText() const
{
    return FError->text();
}

bool TGoToPathBar::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AWatched == FEdit && AEvent->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(AEvent)->key() == Qt::Key_Escape) {
        hide();
        Q_EMIT Closed();
        return true;
    }
    return QWidget::eventFilter(AWatched, AEvent);
}
