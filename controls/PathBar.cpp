#include "controls/PathBar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr int BaseHeight = 21;
constexpr int IconSide = 16;
constexpr int Margin = 4;
} // namespace

TPathBar::TPathBar(QWidget* AParent)
    : QWidget(AParent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TPathBar::SetCaption(const QString& ACaption)
{
    FCaption = ACaption;
    update();
}

void TPathBar::SetIcon(const QIcon& AIcon)
{
    FIcon = AIcon;
    update();
}

QSize TPathBar::sizeHint() const
{
    return QSize(200, qMax(BaseHeight, fontMetrics().height() + 6));
}

QSize TPathBar::minimumSizeHint() const
{
    return QSize(IconSide + 2 * Margin, sizeHint().height());
}

void TPathBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor base = palette().color(QPalette::Base);
    p.fillRect(rect(), base);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(rect().bottomLeft(), rect().bottomRight());
    int x = Margin;
    if (!FIcon.isNull()) {
        FIcon.paint(&p, QRect(x, (height() - IconSide) / 2, IconSide, IconSide));
        x += IconSide + Margin;
    }
    const QRect text(x, 0, width() - x - Margin, height() - 1);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
        fontMetrics().elidedText(FCaption, Qt::ElideRight, qMax(0, text.width())));
}

bool TPathBar::event(QEvent* AEvent)
{
    // The whole caption shows as a tooltip when it had to be cut.
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
        const int room = width() - 3 * Margin - (FIcon.isNull() ? 0 : IconSide);
        if (fontMetrics().horizontalAdvance(FCaption) > room)
            QToolTip::showText(help->globalPos(), FCaption, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(AEvent);
}
