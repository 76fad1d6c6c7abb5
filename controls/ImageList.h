#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

class QPainter;

// A list of equally sized pictures referred to by index (menus, toolbars, button groups).
// Pictures are kept as icons so that each screen gets the sharpest pixmap for its pixel ratio.
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* Parent = nullptr, int Width = 16, int Height = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    bool IsValidIndex(int Index) const { return Index >= 0 && Index < Count(); }

    // Appends a picture and returns its index.
    int Add(const QIcon& Image);
    void Replace(int Index, const QIcon& Image);
    void Clear();
    // The picture at Index, an empty icon outside the list.
    QIcon GetIcon(int Index) const;
    // Paints picture Index with its top-left corner at (X, Y) in the list's size; nothing outside the list.
    void Draw(QPainter& Canvas, int X, int Y, int Index, bool Enabled = true) const;

Q_SIGNALS:
    void Changed();

private:
    int FWidth;
    int FHeight;
    QList<QIcon> FImages;
};
