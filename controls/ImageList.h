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
    explicit TImageList(QObject* AParent = nullptr, int AWidth = 16, int AHeight = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    bool IsValidIndex(int AIndex) const { return AIndex >= 0 && AIndex < Count(); }

    // Appends a picture and returns its index.
    int Add(const QIcon& AImage);
    void Replace(int AIndex, const QIcon& AImage);
    void Clear();
    // The picture at AIndex, an empty icon outside the list.
    QIcon GetIcon(int AIndex) const;
    // Paints picture AIndex with its top-left corner at (AX, AY) in the list's size; nothing outside the
    // list.
    void Draw(QPainter& ACanvas, int AX, int AY, int AIndex, bool AEnabled = true) const;

Q_SIGNALS:
    void Changed();

private:
    int FWidth;
    int FHeight;
    QList<QIcon> FImages;
};
