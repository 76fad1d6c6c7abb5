#pragma once
// The editor's small modeless find-and-replace dialog: the text to find and its replacement, match
// case, whole word, and Find Next, Replace and Replace All. It searches nothing itself: its buttons
// ask the window that owns it, which always searches forward from its caret.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindReplaceDialog(QWidget* AParent);

    QString FindText() const;
    void SetFindText(const QString& AText);
    QString ReplaceText() const;
    void SetReplaceText(const QString& AText);
    bool MatchCase() const;
    bool WholeWord() const;
    // Shows the dialog, or brings it to the front when it is showing already.
    void Execute();

    QLineEdit* FindEdit = nullptr;
    QLineEdit* ReplaceEdit = nullptr;
    QCheckBox* MatchCaseBox = nullptr;
    QCheckBox* WholeWordBox = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* ReplaceButton = nullptr;
    QPushButton* ReplaceAllButton = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    void FindNext();
    void Replace();
    void ReplaceAll();

private:
    void UpdateButtons();
};
