#pragma once
// The About dialog: a borderless window with the program's name, version, copyright line and
// description from the version information read at start-up, the terms of use, and the maker's
// e-mail address and homepage as links.

#include <QDialog>
#include <QPoint>
#include <QUrl>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class Tdlg_quil_About : public QDialog {
    Q_OBJECT
public:
    // Fills the dialog from AppVersionInfo.
    explicit Tdlg_quil_About(QWidget* AParent = nullptr);

    // The maker's addresses the links show and open.
    static const QString MakerEmail;
    static const QUrl MakerHomePage;
    // Opens a link with the user's default handler (tests replace it). Failures are not reported.
    static std::function<void(const QUrl&)> OpenUrl;

    QWidget* Panel2 = nullptr; // top, white
    QLabel* Icon = nullptr;
    QLabel* lProduct = nullptr;
    QLabel* lVer = nullptr;
    QLabel* lCR = nullptr;
    QLabel* lDesc = nullptr;
    QWidget* Image1 = nullptr; // the maker's logo
    QWidget* Panel1 = nullptr; // middle, light grey
    QPlainTextEdit* mLic = nullptr;
    QLabel* lEmail = nullptr;
    QLabel* lWWW = nullptr;
    QWidget* Panel3 = nullptr; // bottom, medium grey
    QPushButton* Button2 = nullptr;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;

private:
    void CreateControls();
    void FillTexts();
    void LayoutControls();
    // Starts moving the dialog with the mouse, as a press on a title bar would.
    void BeginDrag(const QPoint& AGlobalPos);

    bool FDragging = false;
    QPoint FDragOffset;
};

// Creates the About dialog owned by AOWNER (and shown above it), shows it modally and destroys it
// when it closes.
void ShowAboutDialog(QWidget* AOwner);
