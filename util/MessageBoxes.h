#pragma once
// The five message boxes through which the program asks and tells the user everything, and the count
// of open boxes that the file-change checks read so that they never stack a question on a box.
//
// The boxes are QMessageBoxes unless a presenter is installed (SetMessageBoxPresenter): tests install
// one that answers every box and records what it was asked.

#include <QMessageBox>
#include <QString>

#include <cstdint>

class QWidget;

// Results of ConfirmCancelBox.
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Above 0 exactly while a counted box (all but ConfirmCancelBox) is showing; nested boxes add up.
extern int32_t ModalBoxCount;

// Yes/No question; true when Yes was chosen.
bool ConfirmBox(const QString& AText, const QString& ACaption = QString(), bool ARestore = false);
// Yes/No/Cancel question; IDYES, IDNO or IDCANCEL (also for Escape and the close button). Not counted.
int ConfirmCancelBox(const QString& AText, const QString& ACaption = QString(), bool ARestore = false);
void WarningBox(const QString& AText, const QString& ACaption = QString(), bool ARestore = false);
void ErrorBox(const QString& AText, const QString& ACaption = QString(), bool ARestore = false);
void InfoBox(const QString& AText, const QString& ACaption = QString(), bool ARestore = false);

// Everything a box shows.
struct TMessageBoxRequest {
    QWidget* Owner = nullptr; // the window the box is modal to; null: the application as a whole
    QString Text;
    QString Caption;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
};

// Shows a box and waits for the answer: the button chosen, or QMessageBox::Cancel when the box was
// closed without one.
class IMessageBoxPresenter {
public:
    virtual ~IMessageBoxPresenter() = default;
    virtual QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest& ARequest) = 0;
};

// Installs PRESENTER for every following box (null: QMessageBox again); returns the previous one.
// The caller keeps ownership.
IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* APresenter);

// The application's main window, the owner of boxes shown while no window is active. The main
// window registers itself when it is created and unregisters (null) when it is destroyed.
void SetMessageBoxMainWindow(QWidget* AWindow);

// The window a box shown now would belong to: the active window, else the main window, else none.
QWidget* MessageBoxOwner();
