#pragma once
// The "Go to path" box of the document window: a line above the tree where the user types a path in
// any of the syntaxes the window copies (or the path bar's backslash path). Enter asks the window to
// go there; a path that leads nowhere keeps the box open with the reason beside it; Escape closes it.

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

class TGoToPathBar : public QWidget {
    Q_OBJECT
public:
    explicit TGoToPathBar(QWidget* AParent = nullptr);

    // Shows the box with its text selected, ready to be typed over.
    void Open();
    // Shows why the path leads nowhere (empty: no message).
    void ShowError(const QString& AText);
    QString ErrorText() const;
    QLineEdit* Edit() const { return FEdit; }

Q_SIGNALS:
    // Enter in the box: the window goes to the path (and closes the box) or shows an error.
    void GoRequested(const QString& APath);
    // The box closed (Escape or its close button): the window gives the focus back to the tree.
    void Closed();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    QLineEdit* FEdit = nullptr;
    QLabel* FError = nullptr;
    QToolButton* FClose = nullptr;
};
