#pragma once
// The menu image list: the 50 pictures that commands, tree nodes, report rows and window-bar buttons
// refer to by index. They are drawn by code on a 16 x 16 grid, so they stay sharp at every scale.
//
// Indices with a fixed meaning: 0 exit, 1 cascade, 2 tile horizontally, 3 tile vertically, 4 full
// expand, 5 full collapse, 6 restore, 7 minimize, 8 maximize, 9 close, 11 open, 13 document, 14 print,
// 15 search, 16 search again, 17 object, 18 array, 19 value, 20 digest, 21 Base64, 22 time, 23 path,
// 25 about, 27 error, 28 file size, 29 refresh, 30 clear, 33 convert, 34 save, 35 find and replace,
// 36 redo, 37 undo, 38 paste, 39 cut, 40 copy, 41 new, 42 editor, 43 validate, 44 format, 45 string,
// 46 number, 47 true, 48 false, 49 null. The others are spare pictures of the same style.

#include <QIcon>
#include <QList>
#include <QPixmap>

class QPainter;

class TMenuImages {
public:
    static constexpr int Count = 50;
    static constexpr int Size = 16; // device-independent pixels

    // The icon of a picture; a null icon for an index outside 0..Count-1.
    static QIcon Icon(int index);
    // All pictures in index order.
    static QList<QIcon> Icons();
    // A picture rendered at a device pixel ratio (Size x Size device-independent pixels).
    static QPixmap Pixmap(int index, qreal devicePixelRatio = 1.0);
    // Draws a picture into the square (0, 0, Size, Size) of the painter's current coordinates.
    static void Paint(QPainter& painter, int index);
    // The 124 x 124 picture of a JSON document (the report's document picture).
    static QPixmap DocumentPicture(qreal devicePixelRatio = 1.0);
};
