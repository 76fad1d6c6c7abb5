#include "controls/SearchEdit.h"

#include <QAction>

TSearchEdit::TSearchEdit(const QString& APlaceholder, QWidget* AParent)
    : QLineEdit(AParent)
{
    setPlaceholderText(APlaceholder);
    setToolTip(APlaceholder);
    FLeftButton = addAction(QIcon(), QLineEdit::LeadingPosition);
    FRightButton = addAction(QIcon(), QLineEdit::TrailingPosition);
    connect(FLeftButton, &QAction::triggered, this, &TSearchEdit::LeftButtonClick);
    connect(FRightButton, &QAction::triggered, this, &TSearchEdit::RightButtonClick);
}

void TSearchEdit::SetLeftPicture(TMenuPicture APicture)
{
    if (APicture == FLeftPicture)
        return;
    FLeftPicture = APicture;
    FLeftButton->setIcon(TMenuImages::Icon(APicture));
}

void TSearchEdit::SetRightPicture(TMenuPicture APicture)
{
    if (APicture == FRightPicture)
        return;
    FRightPicture = APicture;
    FRightButton->setIcon(TMenuImages::Icon(APicture));
}
