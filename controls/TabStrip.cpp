#include "controls/TabStrip.h"

TTabStrip::TTabStrip(QWidget* AParent)
    : QTabBar(AParent)
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

int TTabStrip::AddTab(const QString& ACaption, int ATag)
{
    const int index = addTab(ACaption);
    setTabData(index, ATag);
    return index;
}

int TTabStrip::TagOf(int AIndex) const
{
    return tabData(AIndex).toInt();
}

void TTabStrip::SelectTag(int ATag)
{
    const QSignalBlocker block(this);
    for (int i = 0; i < count(); ++i)
        if (TagOf(i) == ATag)
            setCurrentIndex(i);
}

QSize TTabStrip::tabSizeHint(int AIndex) const
{
    // Roomier than the default: the strip is the page switch of a whole window.
    QSize size = QTabBar::tabSizeHint(AIndex);
    size.setWidth(qMax(size.width() + 16, 80));
    return size;
}
