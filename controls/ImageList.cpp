#include "controls/ImageList.h"

#include <QPainter>

TImageList::TImageList(QObject* AParent, int AWidth, int AHeight)
    : QObject(AParent)
    , FWidth(AWidth)
    , FHeight(AHeight)
{
}

int TImageList::Add(const QIcon& AImage)
{
    FImages.append(AImage);
    Q_EMIT Changed();
    return Count() - 1;
}

void TImageList::Replace(int AIndex, const QIcon& AImage)
{
    if (!IsValidIndex(AIndex))
        return;
    FImages[AIndex] = AImage;
    Q_EMIT Changed();
}

void TImageList::Clear()
{
    FImages.clear();
    Q_EMIT Changed();
}

QIcon TImageList::GetIcon(int AIndex) const
{
    return IsValidIndex(AIndex) ? FImages.at(AIndex) : QIcon();
}

void TImageList::Draw(QPainter& ACanvas, int AX, int AY, int AIndex, bool AEnabled) const
{
    if (!IsValidIndex(AIndex))
        return;
    FImages.at(AIndex).paint(&ACanvas, QRect(AX, AY, FWidth, FHeight), Qt::AlignCenter,
        AEnabled ? QIcon::Normal : QIcon::Disabled);
}
