#pragma once
// A search box: a single-line edit box with a picture button at each end. The left button runs the
// search (its picture tells whether the next search starts anew or goes on after a hit), the right
// one empties the box. The placeholder text doubles as the box's hint.

#include "controls/MenuImages.h"

#include <QLineEdit>

class QAction;

class TSearchEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSearchEdit(const QString& APlaceholder, QWidget* AParent = nullptr);

    // The buttons as actions (their hints are the actions' tool tips).
    QAction* LeftButton() const { return FLeftButton; }
    QAction* RightButton() const { return FRightButton; }
    // Pictures of the buttons.
    TMenuPicture LeftPicture() const { return FLeftPicture; }
    void SetLeftPicture(TMenuPicture APicture);
    TMenuPicture RightPicture() const { return FRightPicture; }
    void SetRightPicture(TMenuPicture APicture);

Q_SIGNALS:
    void LeftButtonClick();
    void RightButtonClick();

private:
    QAction* FLeftButton = nullptr;
    QAction* FRightButton = nullptr;
    // None until set.
    TMenuPicture FLeftPicture {-1};
    TMenuPicture FRightPicture {-1};
};
