#include "controls/ImageList.h"

#include <QPainter>

TImageList::TImageList(QObject* Parent, int Width, int Height)
    : QObject(Parent)
    , FWidth(Width)
    , FHeight(Height)
{
}

int TImageList::Add(const QIcon& Image)
{
    FImages.append(Image);
    Q_EMIT Changed();
    return Count() - 1;
}

void TImageList::Replace(int Index, const QIcon& Image)
{
    if (!IsValidIndex(Index))
        return;
    FImages[Index] = Image;
    Q_EMIT Changed();
}

void TImageList::Clear()
{
    FImages.clear();
    Q_EMIT Changed();
}

QIcon TImageList::GetIcon(int Index) const
{
    return IsValidIndex(Index) ? FImages.at(Index) : QIcon();
}

void TImageList::Draw(QPainter& Canvas, int X, int Y, int Index, bool Enabled) const
{
    if (!IsValidIndex(Index))
        return;
    FImages.at(Index).paint(
        &Canvas, QRect(X, Y, FWidth, FHeight), Qt::AlignCenter, Enabled ? QIcon::Normal : QIcon::Disabled);
}
