#include "controls/SearchEdit.h"

#include "controls/MenuImages.h"

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

void TSearchEdit::SetLeftPicture(int AIndex)
{
    if (AIndex == FLeftPicture)
        return;
    FLeftPicture = AIndex;
    FLeftButton->setIcon(TMenuImages::Icon(AIndex));
}

void TSearchEdit::SetRightPicture(int AIndex)
{
    if (AIndex == FRightPicture)
        return;
    FRightPicture = AIndex;
    FRightButton->setIcon(TMenuImages::Icon(AIndex));
}
