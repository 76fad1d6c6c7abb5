#include "util/MessageBoxes.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <cstdio>

int32_t ModalBoxCount = 0;

namespace {

IMessageBoxPresenter* Presenter = nullptr;
QPointer<QWidget> MainWindow;

// Shows the box as a QMessageBox. Without a widget application (a command-line tool) there is no one
// to ask: the text goes to standard error and the box counts as closed without an answer.
QMessageBox::StandardButton ShowQMessageBox(const TMessageBoxRequest& ARequest)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(ARequest.Caption), qUtf8Printable(ARequest.Text));
        return QMessageBox::Cancel;
    }
    QMessageBox box(ARequest.Icon, ARequest.Caption, ARequest.Text, ARequest.Buttons, ARequest.Owner);
    // File names and JSON texts are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(ARequest.DefaultButton);
    if (ARequest.Buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    const int result = box.exec();
    return ARequest.Buttons.testFlag(QMessageBox::StandardButton(result))
        ? QMessageBox::StandardButton(result)
        : QMessageBox::Cancel;
}

void RestoreApplication()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

// Keeps ModalBoxCount raised while a counted box shows, also when showing it throws.
class TBoxCount {
public:
    explicit TBoxCount(bool ACounted)
        : FCounted(ACounted)
    {
        if (FCounted)
            ++ModalBoxCount;
    }
    ~TBoxCount()
    {
        if (FCounted)
            --ModalBoxCount;
    }
    TBoxCount(const TBoxCount&) = delete;
    TBoxCount& operator=(const TBoxCount&) = delete;

private:
    bool FCounted;
};

QMessageBox::StandardButton ShowBox(const QString& AText, const QString& ACaption, bool ARestore,
    const QString& ADefaultCaption, QMessageBox::Icon AIcon, QMessageBox::StandardButtons AButtons,
    QMessageBox::StandardButton ADefaultButton, bool ACounted)
{
    if (ARestore)
        RestoreApplication();
    TMessageBoxRequest request;
    request.Text = AText;
    request.Caption = ACaption.isEmpty() ? ADefaultCaption : ACaption;
    request.Icon = AIcon;
    request.Buttons = AButtons;
    request.DefaultButton = ADefaultButton;
    const TBoxCount count(ACounted);
    request.Owner = MessageBoxOwner();
    return Presenter ? Presenter->ShowMessageBox(request) : ShowQMessageBox(request);
}

} // namespace

bool ConfirmBox(const QString& AText, const QString& ACaption, bool ARestore)
{
    return ShowBox(AText, ACaption, ARestore, QStringLiteral("Confirmation"), QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, true)
        == QMessageBox::Yes;
}

int ConfirmCancelBox(const QString& AText, const QString& ACaption, bool ARestore)
{
    switch (ShowBox(AText, ACaption, ARestore, QStringLiteral("Confirmation"), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, false)) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

void WarningBox(const QString& AText, const QString& ACaption, bool ARestore)
{
    ShowBox(AText, ACaption, ARestore, QStringLiteral("Warning"), QMessageBox::Warning, QMessageBox::Ok,
        QMessageBox::Ok, true);
}

void ErrorBox(const QString& AText, const QString& ACaption, bool ARestore)
{
    ShowBox(AText, ACaption, ARestore, QStringLiteral("Error"), QMessageBox::Critical, QMessageBox::Ok,
        QMessageBox::Ok, true);
}

void InfoBox(const QString& AText, const QString& ACaption, bool ARestore)
{
    ShowBox(AText, ACaption, ARestore, QStringLiteral("Information"), QMessageBox::Information,
        QMessageBox::Ok, QMessageBox::Ok, true);
}

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* APresenter)
{
    IMessageBoxPresenter* previous = Presenter;
    Presenter = APresenter;
    return previous;
}

void SetMessageBoxMainWindow(QWidget* AWindow)
{
    MainWindow = AWindow;
}

QWidget* MessageBoxOwner()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        if (QWidget* active = QApplication::activeWindow())
            return active;
    return MainWindow.data();
}
