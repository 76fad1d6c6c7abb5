// An error that escapes an event handler ends in the default error report, and the program goes on.
#include "controls/MDIButtonGroup.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerError.h"
#include "shell/QuillonApplication.h"
#include "tests/common/AnsweringPresenter.h"
#include "util/QuillonError.h"

#include <QTest>

#include <stdexcept>

using TRaise = void (*)(const QString& AText);
Q_DECLARE_METATYPE(TRaise)

namespace {
// An object whose handling of an event raises what it is given.
class TRaisingObject : public QObject {
public:
    TRaise Raise = nullptr;
    QString Text;
    bool event(QEvent* AEvent) override
    {
        if (AEvent->type() == QEvent::User)
            Raise(Text);
        return QObject::event(AEvent);
    }
};

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
    void everyErrorIsAQuillonError_data();
    void everyErrorIsAQuillonError();
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

void TestErrorReport::everyErrorIsAQuillonError_data()
{
    QTest::addColumn<TRaise>("raise");
    QTest::newRow("settings store") << TRaise([](const QString& AText) { throw ERegistryException(AText); });
    QTest::newRow("layout manager") << TRaise([](const QString& AText) { throw ELayoutManager(AText); });
    QTest::newRow("recent files") << TRaise([](const QString& AText) { throw ELayoutManagerMRU(AText); });
    QTest::newRow("window bar") << TRaise([](const QString& AText) { throw EMDIButtonGroup(AText); });
}

// One catch takes the errors of every layer with their message as raised, and the error report shows it.
void TestErrorReport::everyErrorIsAQuillonError()
{
    QFETCH(TRaise, raise);
    // Text beyond ASCII, so that a detour through 8-bit text would show.
    const QString text = QStringLiteral("Failed to get data for 'Gr\u00F6\u00DFe \u2116 \U0001F600'");
    try {
        raise(text);
        QFAIL("nothing raised");
    } catch (const EQuillonError& error) {
        QCOMPARE(error.Message(), text);
        QCOMPARE(ErrorReportText(error), text);
    }
    TAnsweringPresenter presenter;
    presenter.Answer = QMessageBox::Ok;
    SetMessageBoxPresenter(&presenter);
    TRaisingObject raising;
    raising.Raise = raise;
    raising.Text = text;
    QCoreApplication::postEvent(&raising, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    SetMessageBoxPresenter(nullptr);
    QCOMPARE(presenter.Asked, QStringList {text});
}

int main(int argc, char** argv)
{
    TQuillonApplication app(argc, argv);
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_errorreport.moc"
