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
QMessageBox::StandardButton ShowQMessageBox(const TMessageBoxRequest& request)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.Caption), qUtf8Printable(request.Text));
        return QMessageBox::Cancel;
    }
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, request.Owner);
    // File names and JSON texts are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(request.DefaultButton);
    if (request.Buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    const int result = box.exec();
    return request.Buttons.testFlag(QMessageBox::StandardButton(result)) ? QMessageBox::StandardButton(result)
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
    explicit TBoxCount(bool counted)
        : FCounted(counted)
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

QMessageBox::StandardButton ShowBox(const QString& text, const QString& caption, bool restore,
    const QString& defaultCaption, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton, bool counted)
{
    if (restore)
        RestoreApplication();
    TMessageBoxRequest request;
    request.Text = text;
    request.Caption = caption.isEmpty() ? defaultCaption : caption;
    request.Icon = icon;
    request.Buttons = buttons;
    request.DefaultButton = defaultButton;
    const TBoxCount count(counted);
    request.Owner = MessageBoxOwner();
    return Presenter ? Presenter->ShowMessageBox(request) : ShowQMessageBox(request);
}

} // namespace

bool ConfirmBox(const QString& text, const QString& caption, bool Restore)
{
    return ShowBox(text, caption, Restore, QStringLiteral("Confirmation"), QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, true)
        == QMessageBox::Yes;
}

int ConfirmCancelBox(const QString& text, const QString& caption, bool Restore)
{
    switch (ShowBox(text, caption, Restore, QStringLiteral("Confirmation"), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, false)) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

void WarningBox(const QString& text, const QString& caption, bool Restore)
{
    ShowBox(text, caption, Restore, QStringLiteral("Warning"), QMessageBox::Warning, QMessageBox::Ok,
        QMessageBox::Ok, true);
}

void ErrorBox(const QString& text, const QString& caption, bool Restore)
{
    ShowBox(text, caption, Restore, QStringLiteral("Error"), QMessageBox::Critical, QMessageBox::Ok,
        QMessageBox::Ok, true);
}

void InfoBox(const QString& text, const QString& caption, bool Restore)
{
    ShowBox(text, caption, Restore, QStringLiteral("Information"), QMessageBox::Information, QMessageBox::Ok,
        QMessageBox::Ok, true);
}

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter)
{
    IMessageBoxPresenter* previous = Presenter;
    Presenter = presenter;
    return previous;
}

void SetMessageBoxMainWindow(QWidget* window)
{
    MainWindow = window;
}

QWidget* MessageBoxOwner()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        if (QWidget* active = QApplication::activeWindow())
            return active;
    return MainWindow.data();
}
