// An error that escapes an event handler ends in the default error report, and the program goes on.
#include "shell/QuillonApplication.h"
#include "tests/common/AnsweringPresenter.h"

#include <QTest>

#include <stdexcept>

namespace {
// An object whose handling of an event fails.
class TFailingObject : public QObject {
public:
    bool event(QEvent* AEvent) override
    {
        if (AEvent->type() == QEvent::User)
            throw std::runtime_error("Failed to get data for 'Width'");
        if (AEvent->type() == QEvent::Type(QEvent::User + 1))
            throw 42;
        return QObject::event(AEvent);
    }
};
} // namespace

class TestErrorReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorTextInAnErrorBox();
};

void TestErrorReport::errorTextInAnErrorBox()
{
    TAnsweringPresenter presenter;
    presenter.Answer = QMessageBox::Ok;
    SetMessageBoxPresenter(&presenter);
    TFailingObject failing;
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::processEvents();
    QCOMPARE(presenter.Asked, (QStringList {"Failed to get data for 'Width'", "Unknown error."}));
    // The loop goes on delivering events after a failure.
    bool delivered = false;
    QMetaObject::invokeMethod(
        &failing, [&delivered] { delivered = true; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    QVERIFY(delivered);
    SetMessageBoxPresenter(nullptr);
}

int main(int argc, char** argv)
{
    TQuillonApplication app(argc, argv);
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_errorreport.moc"
