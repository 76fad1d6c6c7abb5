#include "editor/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Wide enough for a long key or value.
constexpr int EditWidth = 260;
} // namespace

TFindReplaceDialog::TFindReplaceDialog(QWidget* AParent)
    : QDialog(AParent)
{
    setObjectName(QStringLiteral("rd"));
    setWindowTitle(tr("Replace"));
    setModal(false);
    // A tool window of the editor: it stays in front of it and goes with it.
    setWindowFlag(Qt::Tool, true);

    auto* grid = new QGridLayout;
    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setMinimumWidth(EditWidth);
    findLabel->setBuddy(FindEdit);
    auto* replaceLabel = new QLabel(tr("Re&place with:"), this);
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName(QStringLiteral("ReplaceEdit"));
    replaceLabel->setBuddy(ReplaceEdit);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(FindEdit, 0, 1);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(ReplaceEdit, 1, 1);
    WholeWordBox = new QCheckBox(tr("Match &whole word only"), this);
    WholeWordBox->setObjectName(QStringLiteral("WholeWordBox"));
    MatchCaseBox = new QCheckBox(tr("Match &case"), this);
    MatchCaseBox->setObjectName(QStringLiteral("MatchCaseBox"));
    grid->addWidget(WholeWordBox, 2, 0, 1, 2);
    grid->addWidget(MatchCaseBox, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);

    auto* buttons = new QVBoxLayout;
    FindNextButton = new QPushButton(tr("&Find Next"), this);
    FindNextButton->setObjectName(QStringLiteral("FindNextButton"));
    FindNextButton->setDefault(true);
    ReplaceButton = new QPushButton(tr("&Replace"), this);
    ReplaceButton->setObjectName(QStringLiteral("ReplaceButton"));
    ReplaceAllButton = new QPushButton(tr("Replace &All"), this);
    ReplaceAllButton->setObjectName(QStringLiteral("ReplaceAllButton"));
    CancelButton = new QPushButton(tr("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* button : {FindNextButton, ReplaceButton, ReplaceAllButton, CancelButton})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);

    connect(FindNextButton, &QPushButton::clicked, this, &TFindReplaceDialog::FindNext);
    connect(ReplaceButton, &QPushButton::clicked, this, &TFindReplaceDialog::Replace);
    connect(ReplaceAllButton, &QPushButton::clicked, this, &TFindReplaceDialog::ReplaceAll);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(FindEdit, &QLineEdit::textChanged, this, &TFindReplaceDialog::UpdateButtons);
    UpdateButtons();
}

QString TFindReplaceDialog::FindText() const
{
    return FindEdit->text();
}

void TFindReplaceDialog::SetFindText(const QString& AText)
{
    FindEdit->setText(AText);
    FindEdit->selectAll();
}

QString TFindReplaceDialog::ReplaceText() const
{
    return ReplaceEdit->text();
}

void TFindReplaceDialog::SetReplaceText(const QString& AText)
{
    ReplaceEdit->setText(AText);
}

bool TFindReplaceDialog::MatchCase() const
{
    return MatchCaseBox->isChecked();
}

bool TFindReplaceDialog::WholeWord() const
{
    return WholeWordBox->isChecked();
}

void TFindReplaceDialog::Execute()
{
    show();
    raise();
    activateWindow();
    FindEdit->setFocus();
}

void TFindReplaceDialog::UpdateButtons()
{
    // Nothing to look for: nothing to press.
    const bool any = !FindEdit->text().isEmpty();
    FindNextButton->setEnabled(any);
    ReplaceButton->setEnabled(any);
    ReplaceAllButton->setEnabled(any);
}
