#include "controls/StatusPanels.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr int TextMargin = 4;
} // namespace

TStatusPanels::TStatusPanels(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int TStatusPanels::AddPanel(int width, Qt::Alignment alignment, const QString& text)
{
    FPanels.append({width, alignment, text});
    update();
    return int(FPanels.size()) - 1;
}

QString TStatusPanels::Text(int panel) const
{
    return (panel >= 0 && panel < FPanels.size()) ? FPanels[panel].Text : QString();
}

void TStatusPanels::SetText(int panel, const QString& text)
{
    if (panel < 0 || panel >= FPanels.size() || FPanels[panel].Text == text)
        return;
    FPanels[panel].Text = text;
    update(PanelRect(panel));
}

QRect TStatusPanels::PanelRect(int panel) const
{
    int x = 0;
    for (int i = 0; i < FPanels.size(); ++i) {
        const bool last = i == FPanels.size() - 1;
        const int w = last ? qMax(FPanels[i].Width, width() - x) : FPanels[i].Width;
        if (i == panel)
            return QRect(x, 0, w, height());
        x += w;
    }
    return {};
}

QSize TStatusPanels::sizeHint() const
{
    return QSize(300, fontMetrics().height() + 8);
}

void TStatusPanels::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor base = palette().color(QPalette::Window);
    p.fillRect(rect(), base);
    p.setPen(base.darker(130));
    p.drawLine(rect().topLeft(), rect().topRight());
    for (int i = 0; i < FPanels.size(); ++i) {
        const QRect r = PanelRect(i);
        if (i < FPanels.size() - 1) {
            p.setPen(base.darker(125));
            p.drawLine(r.right(), r.top() + 3, r.right(), r.bottom() - 3);
        }
        const QRect text = r.adjusted(TextMargin, 1, -TextMargin, 0);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(text, int(FPanels[i].Alignment | Qt::AlignVCenter),
            fontMetrics().elidedText(FPanels[i].Text, Qt::ElideRight, qMax(0, text.width())));
    }
}

bool TStatusPanels::event(QEvent* event)
{
    // A cut text shows whole as a tooltip.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        for (int i = 0; i < FPanels.size(); ++i) {
            const QRect r = PanelRect(i);
            if (!r.contains(help->pos()))
                continue;
            if (fontMetrics().horizontalAdvance(FPanels[i].Text) > r.width() - 2 * TextMargin)
                QToolTip::showText(help->globalPos(), FPanels[i].Text, this, r);
            else
                QToolTip::hideText();
            return true;
        }
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
