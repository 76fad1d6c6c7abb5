#include "controls/TabStrip.h"

TTabStrip::TTabStrip(QWidget* parent)
    : QTabBar(parent)
{
    setShape(QTabBar::RoundedSouth);
    setDrawBase(true);
    setExpanding(false);
    setDocumentMode(true);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0)
            Q_EMIT TabClicked(TagOf(index));
    });
}

int TTabStrip::AddTab(const QString& caption, int tag)
{
    const int index = addTab(caption);
    setTabData(index, tag);
    return index;
}

int TTabStrip::TagOf(int index) const
{
    return tabData(index).toInt();
}

void TTabStrip::SelectTag(int tag)
{
    const QSignalBlocker block(this);
    for (int i = 0; i < count(); ++i)
        if (TagOf(i) == tag)
            setCurrentIndex(i);
}

QSize TTabStrip::tabSizeHint(int index) const
{
    // Roomier than the default: the strip is the page switch of a whole window.
    QSize size = QTabBar::tabSizeHint(index);
    size.setWidth(qMax(size.width() + 16, 80));
    return size;
}
