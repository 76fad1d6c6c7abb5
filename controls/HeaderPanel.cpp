#include "controls/HeaderPanel.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The header is 20 pixels at the base font size and grows with larger fonts.
constexpr int BaseHeaderHeight = 20;
} // namespace

THeaderPanel::THeaderPanel(const QString& ACaption, QWidget* AParent)
    : QWidget(AParent)
    , FCaption(ACaption)
{
    FContentLayout = new QVBoxLayout(this);
    FContentLayout->setContentsMargins(0, HeaderHeight(), 0, 0);
    FContentLayout->setSpacing(0);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void THeaderPanel::SetCaption(const QString& ACaption)
{
    if (ACaption == FCaption)
        return;
    FCaption = ACaption;
    update(HeaderRect());
}

QToolButton* THeaderPanel::AddButton(const QIcon& AIcon, const QString& AHint)
{
    auto* button = new QToolButton(this);
    button->setIcon(AIcon);
    button->setToolTip(AHint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    FButtons.append(button);
    LayoutButtons();
    button->show();
    return button;
}

void THeaderPanel::SetContent(QWidget* AContent)
{
    if (FContent)
        FContent->deleteLater();
    FContent = AContent;
    if (AContent) {
        FContentLayout->addWidget(AContent);
        AContent->setVisible(!FCollapsed);
    }
}

void THeaderPanel::SetCollapsible(bool ACollapsible)
{
    FCollapsible = ACollapsible;
    update(HeaderRect());
}

void THeaderPanel::SetCollapsed(bool ACollapsed)
{
    if (!FCollapsible || ACollapsed == FCollapsed)
        return;
    FCollapsed = ACollapsed;
    if (FContent)
        FContent->setVisible(!ACollapsed);
    ApplyHeight();
    update();
    Q_EMIT CollapsedChanged(ACollapsed);
}

void THeaderPanel::SetExpandedHeight(int AHeight)
{
    FExpandedHeight = AHeight;
    ApplyHeight();
}

int THeaderPanel::HeaderHeight() const
{
    return qMax(BaseHeaderHeight, fontMetrics().height() + 6);
}

void THeaderPanel::SetPanelWidth(int AWidth)
{
    if (auto* splitter = qobject_cast<QSplitter*>(parentWidget())) {
        QList<int> sizes = splitter->sizes();
        const int index = splitter->indexOf(this);
        int total = 0;
        for (int s : sizes)
            total += s;
        if (index < 0 || sizes.size() < 2)
            return;
        if (total <= 0)
            total = qMax(splitter->width(), AWidth + 200);
        // The other panes share what is left in their current proportions.
        const int rest = qMax(0, total - AWidth);
        int others = total - sizes[index];
        for (int i = 0; i < sizes.size(); ++i) {
            if (i == index)
                continue;
            sizes[i] = others > 0 ? sizes[i] * rest / others : rest / int(sizes.size() - 1);
        }
        sizes[index] = AWidth;
        splitter->setSizes(sizes);
        return;
    }
    setFixedWidth(AWidth);
}

QSize THeaderPanel::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    if (FCollapsible)
        hint.setHeight(FCollapsed ? HeaderHeight() : FExpandedHeight);
    return hint;
}

QRect THeaderPanel::HeaderRect() const
{
    return QRect(0, 0, width(), HeaderHeight());
}

QRect THeaderPanel::ChevronRect() const
{
    const int h = HeaderHeight();
    int right = width() - 2;
    for (const QToolButton* b : FButtons)
        right = qMin(right, b->x() - 2);
    return QRect(right - h, 0, h, h);
}

void THeaderPanel::LayoutButtons()
{
    const int h = HeaderHeight();
    int x = width() - 2;
    for (auto it = FButtons.rbegin(); it != FButtons.rend(); ++it) {
        QToolButton* b = *it;
        const int side = h - 2;
        x -= side;
        b->setGeometry(x, 1, side, side);
        b->setIconSize(QSize(16, 16));
    }
}

void THeaderPanel::ApplyHeight()
{
    if (!FCollapsible)
        return;
    if (WatchSplitter()) {
        if (FCollapsed) {
            setFixedHeight(HeaderHeight());
        } else {
            setMinimumHeight(HeaderHeight());
            setMaximumHeight(QWIDGETSIZE_MAX);
        }
        FitInSplitter();
        return;
    }
    setFixedHeight(FCollapsed ? HeaderHeight() : FExpandedHeight);
    updateGeometry();
}

QSplitter* THeaderPanel::WatchSplitter()
{
    auto* splitter = qobject_cast<QSplitter*>(parentWidget());
    if (!splitter || splitter->orientation() != Qt::Vertical || splitter->count() != 2)
        return nullptr;
    if (splitter != FSplitter) {
        FSplitter = splitter;
        splitter->installEventFilter(this);
        // The height the user drags the panel to is the one it keeps.
        connect(splitter, &QSplitter::splitterMoved, this, [this] {
            if (!FCollapsed)
                FExpandedHeight = height();
        });
    }
    return splitter;
}

void THeaderPanel::FitInSplitter()
{
    QSplitter* splitter = FSplitter;
    const int index = splitter ? splitter->indexOf(this) : -1;
    if (index < 0)
        return;
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int size : sizes)
        total += size;
    if (total <= 0)
        return;
    // The other pane keeps at least its minimum; this one gives way down to its header.
    QWidget* other = splitter->widget(1 - index);
    const int otherMinimum = qMax(other->minimumHeight(), other->minimumSizeHint().height());
    const int wanted = FCollapsed ? HeaderHeight() : FExpandedHeight;
    const int mine = qMax(HeaderHeight(), qMin(wanted, total - otherMinimum));
    sizes[index] = mine;
    sizes[1 - index] = qMax(0, total - mine);
    if (sizes != splitter->sizes())
        splitter->setSizes(sizes);
}

bool THeaderPanel::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    // After the splitter has shared out its new size in its own way, the panel takes its height.
    if (AWatched == FSplitter && AEvent->type() == QEvent::Resize && FCollapsible)
        QMetaObject::invokeMethod(this, &THeaderPanel::FitInSplitter, Qt::QueuedConnection);
    return QWidget::eventFilter(AWatched, AEvent);
}

void THeaderPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect header = HeaderRect();
    const QColor base = palette().color(QPalette::Window);
    QLinearGradient fill(header.topLeft(), header.bottomLeft());
    fill.setColorAt(0, base.lighter(112));
    fill.setColorAt(1, base.darker(108));
    p.fillRect(header, fill);
    p.setPen(base.darker(135));
    p.drawLine(header.bottomLeft(), header.bottomRight());
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    QRect text = header.adjusted(6, 0, -6, 0);
    if (!FButtons.isEmpty())
        text.setRight(FButtons.first()->x() - 4);
    if (FCollapsible) {
        const QRect chevron = ChevronRect();
        text.setRight(qMin(text.right(), chevron.left() - 2));
        // A small triangle: down while open, right while folded.
        QPolygonF arrow;
        const QPointF c = QRectF(chevron).center();
        if (FCollapsed)
            arrow << c + QPointF(-2, -4) << c + QPointF(2.5, 0) << c + QPointF(-2, 4);
        else
            arrow << c + QPointF(-4, -2) << c + QPointF(4, -2) << c + QPointF(0, 2.5);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(palette().color(QPalette::WindowText));
        p.drawPolygon(arrow);
    }
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(f).elidedText(FCaption, Qt::ElideRight, qMax(0, text.width())));
}

void THeaderPanel::mousePressEvent(QMouseEvent* AEvent)
{
    if (FCollapsible && AEvent->button() == Qt::LeftButton
        && HeaderRect().contains(AEvent->position().toPoint())) {
        SetCollapsed(!FCollapsed);
        return;
    }
    QWidget::mousePressEvent(AEvent);
}

void THeaderPanel::changeEvent(QEvent* AEvent)
{
    if (AEvent->type() == QEvent::FontChange) {
        FContentLayout->setContentsMargins(0, HeaderHeight(), 0, 0);
        LayoutButtons();
        ApplyHeight();
    }
    QWidget::changeEvent(AEvent);
}

void THeaderPanel::resizeEvent(QResizeEvent* AEvent)
{
    LayoutButtons();
    QWidget::resizeEvent(AEvent);
}
