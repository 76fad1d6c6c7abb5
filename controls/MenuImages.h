#pragma once
// The menu image list: the 50 pictures that commands, tree nodes, report rows and window-bar buttons
// show. They are drawn by code on a 16 x 16 grid, so they stay sharp at every scale. Code names a
// picture through TMenuPicture; a bare index is only for generic image lists (the window bar's
// buttons, the recent-files entries), which get it from PictureIndex.

#include <QIcon>
#include <QList>
#include <QPixmap>

class QPainter;

// The pictures by what they show. The values are the pictures' indices in the image list; the
// spare pictures are drawn in the same style but no command uses them yet.
enum class TMenuPicture : int {
    Exit = 0,
    Cascade = 1,
    TileHorizontally = 2,
    TileVertically = 3,
    FullExpand = 4,
    FullCollapse = 5,
    Restore = 6,
    Minimize = 7,
    Maximize = 8,
    Close = 9,
    FindInPage = 10, // spare
    Open = 11,
    ClosedFolder = 12, // spare
    Document = 13,
    Print = 14,
    Search = 15,
    SearchAgain = 16,
    JSONObject = 17,
    JSONArray = 18,
    JSONValue = 19,
    Digest = 20,
    Base64 = 21,
    Time = 22,
    Path = 23,
    Settings = 24, // spare
    About = 25,
    Help = 26, // spare
    Error = 27,
    FileSize = 28,
    Refresh = 29,
    Clear = 30,
    Window = 31, // spare
    Star = 32, // spare
    Convert = 33,
    Save = 34,
    FindReplace = 35,
    Redo = 36,
    Undo = 37,
    Paste = 38,
    Cut = 39,
    Copy = 40,
    New = 41,
    Editor = 42,
    Validate = 43,
    Format = 44,
    JSONString = 45,
    JSONNumber = 46,
    JSONTrue = 47,
    JSONFalse = 48,
    JSONNull = 49,
};

// The index of a picture in the image list.
constexpr int PictureIndex(TMenuPicture APicture)
{
    return static_cast<int>(APicture);
}

class TMenuImages {
public:
    static constexpr int Count = 50;
    static constexpr int Size = 16; // device-independent pixels

    // The icon of a picture.
    static QIcon Icon(TMenuPicture APicture);
    // The icon of the picture at an index; a null icon for an index outside 0..Count-1.
    static QIcon Icon(int AIndex);
    // All pictures in index order.
    static QList<QIcon> Icons();
    // A picture rendered at a device pixel ratio (Size x Size device-independent pixels).
    static QPixmap Pixmap(int AIndex, qreal ADevicePixelRatio = 1.0);
    // Draws a picture into the square (0, 0, Size, Size) of the painter's current coordinates.
    static void Paint(QPainter& APainter, int AIndex);
    // The 124 x 124 picture of a JSON document (the report's document picture).
    static QPixmap DocumentPicture(qreal ADevicePixelRatio = 1.0);
};

static_assert(PictureIndex(TMenuPicture::JSONNull) + 1 == TMenuImages::Count, "one name per picture");
