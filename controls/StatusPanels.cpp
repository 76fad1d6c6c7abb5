#include "controls/StatusPanels.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr int TextMargin = 4;
} // namespace

TStatusPanels::TStatusPanels(QWidget* AParent)
    : QWidget(AParent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int TStatusPanels::AddPanel(int AWidth, Qt::Alignment AAlignment, const QString& AText)
{
    FPanels.append({AWidth, AAlignment, AText});
    update();
    return int(FPanels.size()) - 1;
}

QString TStatusPanels::Text(int APanel) const
{
    return (APanel >= 0 && APanel < FPanels.size()) ? FPanels[APanel].Text : QString();
}

void TStatusPanels::SetText(int APanel, const QString& AText)
{
    if (APanel < 0 || APanel >= FPanels.size() || FPanels[APanel].Text == AText)
        return;
    FPanels[APanel].Text = AText;
    update(PanelRect(APanel));
}

QRect TStatusPanels::PanelRect(int APanel) const
{
    int x = 0;
    for (int i = 0; i < FPanels.size(); ++i) {
        const bool last = i == FPanels.size() - 1;
        const int w = last ? qMax(FPanels[i].Width, width() - x) : FPanels[i].Width;
        if (i == APanel)
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

bool TStatusPanels::event(QEvent* AEvent)
{
    // A cut text shows whole as a tooltip.
    if (AEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(AEvent);
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
    return QWidget::event(AEvent);
}
