// The five message boxes: captions, buttons, icons, default buttons, results, the open-box counter
// and the owner window; answered by a fake presenter, and once by pressing keys on a real QMessageBox.
#include "util/MessageBoxes.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

Q_DECLARE_METATYPE(QMessageBox::StandardButton)
Q_DECLARE_METATYPE(QMessageBox::Icon)

namespace {

// Answers every box with the next queued answer and records what it was asked.
class TFakePresenter : public IMessageBoxPresenter {
public:
    QList<TMessageBoxRequest> Requests;
    QList<int> CountsSeen; // ModalBoxCount while each box showed
    QList<QMessageBox::StandardButton> Answers;
    std::function<void()> WhileShowing; // runs inside the first box (for nesting)

    QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest& request) override
    {
        Requests.append(request);
        CountsSeen.append(ModalBoxCount);
        if (WhileShowing) {
            auto inner = std::move(WhileShowing);
            WhileShowing = nullptr;
            inner();
        }
        return Answers.isEmpty() ? QMessageBox::Cancel : Answers.takeFirst();
    }
};

// With QUILLON_SCREENSHOTS set to a folder, the real boxes are saved there as pictures to look at.
void SaveShot(QWidget* box, const char* name)
{
    const QString folder = qEnvironmentVariable("QUILLON_SCREENSHOTS");
    if (!folder.isEmpty())
        box->grab().save(QDir(folder).filePath(QLatin1String(name)));
}

enum TBox { bConfirm, bConfirmCancel, bWarning, bError, bInfo };

int Show(TBox box, const QString& text, const QString& caption)
{
    switch (box) {
    case bConfirm:
        return ConfirmBox(text, caption) ? 1 : 0;
    case bConfirmCancel:
        return ConfirmCancelBox(text, caption);
    case bWarning:
        WarningBox(text, caption);
        return -1;
    case bError:
        ErrorBox(text, caption);
        return -1;
    case bInfo:
        InfoBox(text, caption);
        return -1;
    }
    return -2;
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void boxes_data();
    void boxes();
    void nestedCount();
    void countSurvivesException();
    void owner();
    void restoreMinimized();
    void realBoxEscape();
    void realBoxDefaultButton();

private:
    TFakePresenter FFake;
};

void TestMessageBoxes::init()
{
    FFake = TFakePresenter();
    SetMessageBoxPresenter(&FFake);
    QCOMPARE(ModalBoxCount, 0);
}

void TestMessageBoxes::cleanup()
{
    SetMessageBoxPresenter(nullptr);
    SetMessageBoxMainWindow(nullptr);
    QCOMPARE(ModalBoxCount, 0);
}

void TestMessageBoxes::boxes_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("shownCaption");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("countWhileShown");
    QTest::addColumn<int>("result");
    const int yn = QMessageBox::Yes | QMessageBox::No;
    const int ync = yn | QMessageBox::Cancel;
    const int ok = QMessageBox::Ok;
    QTest::newRow("confirm yes") << int(bConfirm) << "" << QMessageBox::Yes << "Confirmation"
                                 << QMessageBox::Question << yn << 1 << 1;
    QTest::newRow("confirm no") << int(bConfirm) << "" << QMessageBox::No << "Confirmation"
                                << QMessageBox::Question << yn << 1 << 0;
    QTest::newRow("confirm closed") << int(bConfirm) << "" << QMessageBox::Cancel << "Confirmation"
                                    << QMessageBox::Question << yn << 1 << 0;
    QTest::newRow("confirm own caption") << int(bConfirm) << "Reload?" << QMessageBox::Yes << "Reload?"
                                         << QMessageBox::Question << yn << 1 << 1;
    QTest::newRow("confirm-cancel yes") << int(bConfirmCancel) << "" << QMessageBox::Yes << "Confirmation"
                                        << QMessageBox::Question << ync << 0 << IDYES;
    QTest::newRow("confirm-cancel no") << int(bConfirmCancel) << "" << QMessageBox::No << "Confirmation"
                                       << QMessageBox::Question << ync << 0 << 7;
    QTest::newRow("confirm-cancel cancel") << int(bConfirmCancel) << "" << QMessageBox::Cancel
                                           << "Confirmation" << QMessageBox::Question << ync << 0 << 2;
    QTest::newRow("confirm-cancel closed") << int(bConfirmCancel) << "" << QMessageBox::NoButton
                                           << "Confirmation" << QMessageBox::Question << ync << 0 << IDCANCEL;
    QTest::newRow("warning") << int(bWarning) << "" << QMessageBox::Ok << "Warning" << QMessageBox::Warning
                             << ok << 1 << -1;
    QTest::newRow("error") << int(bError) << "" << QMessageBox::Ok << "Error" << QMessageBox::Critical << ok
                           << 1 << -1;
    QTest::newRow("info") << int(bInfo) << "" << QMessageBox::Ok << "Information" << QMessageBox::Information
                          << ok << 1 << -1;
    QTest::newRow("info own caption")
        << int(bInfo) << "Search" << QMessageBox::Ok << "Search" << QMessageBox::Information << ok << 1 << -1;
}

void TestMessageBoxes::boxes()
{
    QFETCH(int, box);
    QFETCH(QString, caption);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, shownCaption);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(int, buttons);
    QFETCH(int, countWhileShown);
    QFETCH(int, result);
    FFake.Answers = {answer};
    const QString text = QStringLiteral("Line one\r\n<b>not markup</b>");
    QCOMPARE(Show(TBox(box), text, caption), result);
    QCOMPARE(FFake.Requests.size(), 1);
    const TMessageBoxRequest& request = FFake.Requests.first();
    QCOMPARE(request.Text, text);
    QCOMPARE(request.Caption, shownCaption);
    QCOMPARE(request.Icon, icon);
    QCOMPARE(int(request.Buttons), buttons);
    // The first button is the default one.
    QCOMPARE(
        request.DefaultButton, box == bConfirm || box == bConfirmCancel ? QMessageBox::Yes : QMessageBox::Ok);
    QCOMPARE(FFake.CountsSeen, QList<int> {countWhileShown});
    QCOMPARE(ModalBoxCount, 0);
}

void TestMessageBoxes::nestedCount()
{
    FFake.Answers = {QMessageBox::Ok, QMessageBox::Yes};
    FFake.WhileShowing = [] { InfoBox(QStringLiteral("inner")); };
    QVERIFY(ConfirmBox(QStringLiteral("outer")));
    QCOMPARE(FFake.CountsSeen, (QList<int> {1, 2}));
    QCOMPARE(ModalBoxCount, 0);

    // A confirm-cancel box inside a counted one keeps the count it found.
    FFake = TFakePresenter();
    SetMessageBoxPresenter(&FFake);
    FFake.WhileShowing = [] { ConfirmCancelBox(QStringLiteral("inner")); };
    WarningBox(QStringLiteral("outer"));
    QCOMPARE(FFake.CountsSeen, (QList<int> {1, 1}));
    QCOMPARE(ModalBoxCount, 0);
}

void TestMessageBoxes::countSurvivesException()
{
    struct TThrowing : IMessageBoxPresenter {
        QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest&) override { throw 1; }
    } throwing;
    SetMessageBoxPresenter(&throwing);
    QVERIFY_THROWS_EXCEPTION(int, ErrorBox(QStringLiteral("x")));
    QCOMPARE(ModalBoxCount, 0);
}

void TestMessageBoxes::owner()
{
    // Early start-up: no active window and no main window, the box belongs to the application.
    InfoBox(QStringLiteral("no owner"));
    QCOMPARE(FFake.Requests.last().Owner, nullptr);

    QWidget main;
    SetMessageBoxMainWindow(&main);
    InfoBox(QStringLiteral("main"));
    QCOMPARE(FFake.Requests.last().Owner, &main);

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    InfoBox(QStringLiteral("active"));
    QCOMPARE(FFake.Requests.last().Owner, &other);
    other.hide();
}

void TestMessageBoxes::restoreMinimized()
{
    QWidget window;
    window.showMinimized();
    QVERIFY(window.isMinimized());
    InfoBox(QStringLiteral("kept minimized"));
    QVERIFY(window.isMinimized());
    InfoBox(QStringLiteral("restored"), QString(), true);
    QVERIFY(!window.isMinimized());
}

// The QMessageBox behind the boxes: Escape on a Yes/No/Cancel box answers Cancel, text stays plain.
void TestMessageBoxes::realBoxEscape()
{
    SetMessageBoxPresenter(nullptr);
    QString seenCaption;
    Qt::TextFormat seenFormat = Qt::AutoText;
    int seenButtons = 0;
    int countWhileShown = -1;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenCaption = box->windowTitle();
        seenFormat = box->textFormat();
        seenButtons = int(box->standardButtons());
        countWhileShown = ModalBoxCount;
        SaveShot(box, "quillon-confirmcancel.png");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(ConfirmCancelBox(QStringLiteral("Save changes to <a.json>?")), IDCANCEL);
    QCOMPARE(seenCaption, QStringLiteral("Confirmation"));
    QCOMPARE(seenFormat, Qt::PlainText);
    QCOMPARE(seenButtons, int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    QCOMPARE(countWhileShown, 0);
}

// Enter takes the default button, Yes.
void TestMessageBoxes::realBoxDefaultButton()
{
    SetMessageBoxPresenter(nullptr);
    int countWhileShown = -1;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        countWhileShown = ModalBoxCount;
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        SaveShot(box, "quillon-confirm.png");
        QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(ConfirmBox(QStringLiteral("The file has changed on disk. Reload it?")));
    QCOMPARE(countWhileShown, 1);
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
