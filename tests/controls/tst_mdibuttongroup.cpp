#include "controls/MDIButtonGroup.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

void Click(QWidget* Target, QPoint Pos, Qt::MouseButton Button = Qt::LeftButton)
{
    QMouseEvent Down(QEvent::MouseButtonPress, Pos, Target->mapToGlobal(Pos), Button, Button, Qt::NoModifier);
    QApplication::sendEvent(Target, &Down);
    QMouseEvent Up(
        QEvent::MouseButtonRelease, Pos, Target->mapToGlobal(Pos), Button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Up);
}

void Drag(QWidget* Target, QPoint From, QPoint To)
{
    QMouseEvent Down(QEvent::MouseButtonPress, From, Target->mapToGlobal(From), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Down);
    QMouseEvent Move(
        QEvent::MouseMove, To, Target->mapToGlobal(To), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Move);
    QMouseEvent Up(QEvent::MouseButtonRelease, To, Target->mapToGlobal(To), Qt::LeftButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(Target, &Up);
}

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A frame form like the main window's: the bar above the document area, both in the central widget.
struct TFrame {
    // Declared before the form: the windows' handlers write here while the form tears them down.
    QStringList Log; // the windows' own handlers write here
    QList<TMDIAction> Changes; // OnChange of the bar
    QMainWindow Form;
    QMdiArea* Area = nullptr;
    TMDIButtonGroup* Bar = nullptr;

    explicit TFrame(bool AutoSize = true)
    {
        auto* Central = new QWidget;
        auto* Layout = new QVBoxLayout(Central);
        Layout->setContentsMargins(0, 0, 0, 0);
        Layout->setSpacing(0);
        Area = new QMdiArea;
        Layout->addWidget(Area);
        Form.setCentralWidget(Central);
        Bar = new TMDIButtonGroup(&Form);
        Layout->insertWidget(0, Bar);
        Bar->SetAutoSize(AutoSize);
        Bar->SetButtonWidth(150);
        Bar->SetButtonOptions(TGrpButtonOptions(gboAllowReorder | gboGroupStyle | gboShowCaptions));
        Bar->SetBevelKind(bkSoft);
        Bar->SetBevelEdges({});
        Bar->OnChange = [this](QObject*, TMDIAction Action) { Changes.append(Action); };
        Form.resize(796, 500);
        Form.show();
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
    }

    // A document window with its own activation and destruction handlers, shown and given a button.
    TMDIChildWindow* Open(const QString& Title, bool WithButton = true)
    {
        auto* Child = new TMDIChildWindow;
        Child->setWidget(new QWidget);
        Child->setWindowTitle(Title);
        Child->OnActivate = [this, Title](QObject*) { Log.append(QStringLiteral("activate ") + Title); };
        Child->OnDestroy = [this, Title](QObject*) { Log.append(QStringLiteral("destroy ") + Title); };
        Area->addSubWindow(Child);
        Child->resize(200, 120);
        Child->show();
        if (WithButton)
            Bar->AddButton(Child, 13, QString());
        return Child;
    }

    QString Buttons() const
    {
        QStringList Result;
        for (int I = 0; I < Bar->Count(); ++I)
            Result.append(Bar->Captions(I));
        return Result.join(QLatin1Char(' '));
    }

    QPoint Centre(int Index) const { return Bar->ButtonRect(Index).center(); }
};

} // namespace

class TestMDIButtonGroup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void construction_data();
    void construction();
    void heights_data();
    void heights();
    void addButton();
    void addButtonTwiceOrForNothingChangesNothing();
    void rangeChecks();
    void rightClickOnlySetsHotButtonIndex();
    void clickRestoresMinimizedWindow();
    void clickOnSelectedButtonDoesNothing();
    void beforeChangeCancels();
    void closingActiveWindowSelectsNext();
    void reorderKeepsEachWindowsHandlers();
    void closeAllAsksEveryWindow();
    void minimizeAll_data();
    void minimizeAll();
    void destroyAllRunsCloseHandlers();
    void removedButtonGivesHandlersBack();
    void barDestroyedBeforeWindows();
};

void TestMDIButtonGroup::construction_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("message");
    QTest::newRow("no owner") << "none"
                              << "MDIButtonGroup can be put only on Form.";
    QTest::newRow("widget inside a form") << "child"
                                          << "MDIButtonGroup can be put only on Form.";
    QTest::newRow("form without document area") << "plain form"
                                                << "MDIButtonGroup can be put only on MDIForm.";
    QTest::newRow("second bar") << "second"
                                << "Only one MDIButtonGroup can be put on MDIForm.";
    QTest::newRow("frame form") << "frame"
                                << "";
}

void TestMDIButtonGroup::construction()
{
    QFETCH(QString, owner);
    QFETCH(QString, message);
    QMainWindow Form;
    auto* Area = new QMdiArea;
    if (owner != QLatin1String("plain form"))
        Form.setCentralWidget(Area);
    else
        Form.setCentralWidget(new QWidget);
    if (owner == QLatin1String("second"))
        new TMDIButtonGroup(&Form);

    QObject* Owner = &Form;
    if (owner == QLatin1String("none"))
        Owner = nullptr;
    else if (owner == QLatin1String("child"))
        Owner = Area;
    QString Raised;
    TMDIButtonGroup* Bar = nullptr;
    try {
        Bar = new TMDIButtonGroup(Owner);
    } catch (const EMDIButtonGroup& Error) {
        Raised = Error.Message();
    }
    QCOMPARE(Raised, message);
    if (message.isEmpty()) {
        QCOMPARE(Bar->parentWidget(), &Form);
        QCOMPARE(Bar->MDIArea(), Area);
        QCOMPARE(Bar->ButtonWidth(), 100);
        QCOMPARE(Bar->ButtonHeight(), 22);
        QCOMPARE(Bar->BorderStyle(), bsNone);
        QCOMPARE(Bar->ButtonOptions(), TGrpButtonOptions(gboGroupStyle | gboShowCaptions));
        QCOMPARE(Bar->height(), 24);
    }
    QCOMPARE(Form.findChildren<TMDIButtonGroup*>().size(),
        owner == QLatin1String("second") || message.isEmpty() ? 1 : 0);
    if (owner == QLatin1String("plain form"))
        delete Area;
}

void TestMDIButtonGroup::heights_data()
{
    QTest::addColumn<bool>("autoSize");
    QTest::addColumn<int>("windows");
    QTest::addColumn<int>("height");
    QTest::newRow("no windows") << true << 0 << 2;
    QTest::newRow("one window") << true << 1 << 24;
    QTest::newRow("five windows") << true << 5 << 24;
    QTest::newRow("sixth window wraps") << true << 6 << 46;
    QTest::newRow("without auto size one row scrolls") << false << 6 << 24;
    QTest::newRow("without auto size, empty") << false << 0 << 24;
}

void TestMDIButtonGroup::heights()
{
    QFETCH(bool, autoSize);
    QFETCH(int, windows);
    QFETCH(int, height);
    TFrame Frame(autoSize);
    QCOMPARE(Frame.Bar->width(), 796);
    for (int I = 0; I < windows; ++I)
        Frame.Open(QStringLiteral("w%1").arg(I));
    QCOMPARE(Frame.Bar->height(), height);
    // The newest button is scrolled into view.
    if (windows > 0) {
        QCOMPARE(Frame.Bar->ItemIndex(), windows - 1);
        QCOMPARE(Frame.Bar->TopRow(), autoSize ? 0 : (windows - 1) / Frame.Bar->ColumnCount());
        QVERIFY(Frame.Bar->rect().contains(Frame.Bar->ButtonRect(windows - 1).center()));
    }
    // Closing the sixth window gives the row back.
    if (windows == 6 && autoSize) {
        delete Frame.Bar->GetChild(5);
        QCOMPARE(Frame.Bar->height(), 24);
    }
}

void TestMDIButtonGroup::addButton()
{
    TFrame Frame;
    TMDIChildWindow* First = Frame.Open(QStringLiteral("first"));
    QCOMPARE(Frame.Changes, QList<TMDIAction> {mdiAdd});
    auto* Second = new TMDIChildWindow;
    Second->setWidget(new QWidget);
    Second->setWindowTitle(QStringLiteral("second"));
    Frame.Area->addSubWindow(Second);
    Frame.Bar->AddButton(Second, 7, QStringLiteral("hint"));
    QCOMPARE(Frame.Bar->Count(), 2);
    QCOMPARE(Frame.Bar->ItemIndex(), 1);
    QCOMPARE(Frame.Bar->ActiveMDIChild(), Second);
    QCOMPARE(Frame.Bar->GetChild(0), First);
    QCOMPARE(Frame.Bar->MDIChildren(1), Second);
    QCOMPARE(Frame.Bar->GetChildIndex(Second), 1);
    QCOMPARE(Frame.Bar->Glyphs(1), 7);
    QCOMPARE(Frame.Bar->Hints(1), QStringLiteral("hint"));
    QCOMPARE(Second->Hint(), QStringLiteral("hint"));
    QCOMPARE(Frame.Bar->MDIChildCount(), 2);
    QCOMPARE(TMDIChildWindow::Of(Second->widget()), Second);
    QCOMPARE(TMDIChildWindow::Of(Frame.Bar), nullptr);
    // A frame without a title of its own shows its form's title.
    auto* Third = new TMDIChildWindow;
    auto* Form = new QWidget;
    Form->setWindowTitle(QStringLiteral("form title"));
    Third->setWidget(Form);
    Third->setWindowTitle(QString());
    Frame.Area->addSubWindow(Third);
    Frame.Bar->AddButton(Third, 0, QString());
    QCOMPARE(Frame.Bar->Captions(2), QStringLiteral("form title"));
    // Later caption changes do not reach the button.
    Second->setWindowTitle(QStringLiteral("renamed"));
    QCOMPARE(Frame.Bar->Captions(1), QStringLiteral("second"));
    Frame.Bar->SetCaptions(1, QStringLiteral("set"));
    QCOMPARE(Frame.Bar->Captions(1), QStringLiteral("set"));
}

void TestMDIButtonGroup::addButtonTwiceOrForNothingChangesNothing()
{
    TFrame Frame;
    TMDIChildWindow* Window = Frame.Open(QStringLiteral("one"));
    Frame.Changes.clear();
    Frame.Bar->AddButton(Window, 1, QStringLiteral("again"));
    Frame.Bar->AddButton(nullptr, 1, QStringLiteral("none"));
    QCOMPARE(Frame.Bar->Count(), 1);
    QCOMPARE(Frame.Bar->Glyphs(0), 13);
    QVERIFY(Frame.Changes.isEmpty());
    // The handlers were taken over once: one activation runs the window's own handler once.
    Frame.Log.clear();
    Frame.Open(QStringLiteral("two"));
    Frame.Log.clear();
    Frame.Area->setActiveSubWindow(Window);
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate one")});
}

void TestMDIButtonGroup::rangeChecks()
{
    TFrame Frame;
    Frame.Open(QStringLiteral("one"));
    for (int Index : {-1, 1, 100}) {
        QCOMPARE(Frame.Bar->GetChild(Index), nullptr);
        QCOMPARE(Frame.Bar->Captions(Index), QString());
        QCOMPARE(Frame.Bar->Glyphs(Index), -1);
        QCOMPARE(Frame.Bar->Hints(Index), QString());
        Frame.Bar->SetCaptions(Index, QStringLiteral("x"));
        Frame.Bar->SetGlyphs(Index, 3);
        Frame.Bar->SetHints(Index, QStringLiteral("x"));
    }
    QCOMPARE(Frame.Bar->Count(), 1);
    QCOMPARE(Frame.Bar->GetChildIndex(nullptr), -1);
    QCOMPARE(Frame.Bar->GetChildIndex(Frame.Area), -1);
}

void TestMDIButtonGroup::rightClickOnlySetsHotButtonIndex()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    Frame.Open(QStringLiteral("b"));
    TMDIChildWindow* C = Frame.Open(QStringLiteral("c"));
    Q_UNUSED(A);
    QCOMPARE(Frame.Area->activeSubWindow(), C);
    Frame.Changes.clear();
    Frame.Log.clear();
    Click(Frame.Bar, Frame.Centre(0), Qt::RightButton);
    QCOMPARE(Frame.Bar->HotButtonIndex(), 0);
    QCOMPARE(Frame.Bar->ItemIndex(), 2);
    QCOMPARE(Frame.Area->activeSubWindow(), C);
    QVERIFY(Frame.Changes.isEmpty());
    QVERIFY(Frame.Log.isEmpty());
    Click(Frame.Bar, QPoint(700, 12), Qt::RightButton);
    QCOMPARE(Frame.Bar->HotButtonIndex(), -1);
    QCOMPARE(Frame.Bar->ItemIndex(), 2);
}

void TestMDIButtonGroup::clickRestoresMinimizedWindow()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    Frame.Open(QStringLiteral("b"));
    TMDIChildWindow* C = Frame.Open(QStringLiteral("c"));
    A->showMinimized();
    Frame.Area->setActiveSubWindow(C);
    QCOMPARE(Frame.Bar->ItemIndex(), 2);
    QCOMPARE(Frame.Bar->MinimizedCount(), 1);
    Frame.Changes.clear();
    Frame.Log.clear();

    Click(Frame.Bar, Frame.Centre(0));
    QVERIFY(!A->isMinimized());
    QCOMPARE(Frame.Area->activeSubWindow(), A);
    QCOMPARE(Frame.Bar->ItemIndex(), 0);
    QCOMPARE(Frame.Bar->ActiveMDIChild(), A);
    QCOMPARE(Frame.Bar->MinimizedCount(), 0);
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate a")});
    QCOMPARE(Frame.Changes, (QList<TMDIAction> {mdiOpen, mdiActivate}));
}

void TestMDIButtonGroup::clickOnSelectedButtonDoesNothing()
{
    TFrame Frame;
    Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    Frame.Changes.clear();
    Frame.Log.clear();
    Click(Frame.Bar, Frame.Centre(1));
    QCOMPARE(Frame.Area->activeSubWindow(), B);
    QVERIFY(Frame.Changes.isEmpty());
    QVERIFY(Frame.Log.isEmpty());
}

void TestMDIButtonGroup::beforeChangeCancels()
{
    TFrame Frame;
    Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    QList<int> Asked;
    Frame.Bar->OnBeforeChange = [&](QObject*, int& Index, TMDIAction& Action) {
        Asked.append(Index);
        QCOMPARE(Action, mdiActivate);
        Action = mdiNone;
    };
    Frame.Changes.clear();
    Click(Frame.Bar, Frame.Centre(0));
    QCOMPARE(Asked, QList<int> {0});
    QCOMPARE(Frame.Bar->ItemIndex(), 1);
    QCOMPARE(Frame.Area->activeSubWindow(), B);
    QVERIFY(Frame.Changes.isEmpty());

    // A handler may redirect the click to another button.
    TMDIChildWindow* C = Frame.Open(QStringLiteral("c"));
    Frame.Bar->OnBeforeChange = [](QObject*, int& Index, TMDIAction&) { Index = 1; };
    QCOMPARE(Frame.Area->activeSubWindow(), C);
    Click(Frame.Bar, Frame.Centre(0));
    QCOMPARE(Frame.Area->activeSubWindow(), B);
    QCOMPARE(Frame.Bar->ItemIndex(), 1);
    // One outside the buttons cancels it.
    Frame.Bar->OnBeforeChange = [](QObject*, int& Index, TMDIAction&) { Index = 7; };
    Click(Frame.Bar, Frame.Centre(0));
    QCOMPARE(Frame.Area->activeSubWindow(), B);
}

void TestMDIButtonGroup::closingActiveWindowSelectsNext()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    TMDIChildWindow* C = Frame.Open(QStringLiteral("c"));
    Q_UNUSED(A);
    Q_UNUSED(B);
    QCOMPARE(Frame.Area->activeSubWindow(), C);
    Frame.Changes.clear();
    Frame.Log.clear();
    QVERIFY(C->close());
    FlushDeletes();
    QCOMPARE(Frame.Buttons(), QStringLiteral("a b"));
    QVERIFY(Frame.Area->activeSubWindow() != nullptr);
    QCOMPARE(Frame.Bar->ActiveMDIChild(), Frame.Area->activeSubWindow());
    QVERIFY(Frame.Log.contains(QStringLiteral("destroy c")));
    QCOMPARE(Frame.Log.count(QStringLiteral("destroy c")), 1);
    QVERIFY(Frame.Changes.contains(mdiClose));

    // The last window goes: no button, no selection.
    delete Frame.Bar->GetChild(1);
    delete Frame.Bar->GetChild(0);
    QCOMPARE(Frame.Bar->Count(), 0);
    QCOMPARE(Frame.Bar->ItemIndex(), -1);
    QCOMPARE(Frame.Bar->MDIChildCount(), 0);
}

void TestMDIButtonGroup::reorderKeepsEachWindowsHandlers()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    TMDIChildWindow* C = Frame.Open(QStringLiteral("c"));
    QList<QPair<int, int>> Reordered;
    Frame.Bar->OnReorderButton = [&](TButtonGroupEx*, int From, int To) { Reordered.append({From, To}); };

    Drag(Frame.Bar, Frame.Centre(1), QPoint(10, 12));
    QCOMPARE(Frame.Buttons(), QStringLiteral("b a c"));
    QCOMPARE(Reordered, (QList<QPair<int, int>> {{1, 0}}));
    QCOMPARE(Frame.Bar->ActiveMDIChild(), C);

    for (TMDIChildWindow* Window : {A, B, C, A}) {
        Frame.Log.clear();
        Frame.Area->setActiveSubWindow(Window);
        QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate ") + Window->windowTitle()});
        QCOMPARE(Frame.Bar->ActiveMDIChild(), Window);
    }

    Frame.Log.clear();
    delete A;
    QCOMPARE(Frame.Log.first(), QStringLiteral("destroy a"));
    QCOMPARE(Frame.Log.count(QStringLiteral("destroy a")), 1);
    QCOMPARE(Frame.Buttons(), QStringLiteral("b c"));
    QCOMPARE(Frame.Bar->GetChild(0), B);
    QCOMPARE(Frame.Bar->GetChild(1), C);
    for (TMDIChildWindow* Window : {C, B}) {
        Frame.Log.clear();
        Frame.Area->setActiveSubWindow(Window);
        QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate ") + Window->windowTitle()});
    }
    Frame.Log.clear();
    delete C;
    QCOMPARE(Frame.Log.first(), QStringLiteral("destroy c"));
    QCOMPARE(Frame.Buttons(), QStringLiteral("b"));
}

void TestMDIButtonGroup::closeAllAsksEveryWindow()
{
    TFrame Frame;
    Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    Frame.Open(QStringLiteral("c"));
    QStringList Asked;
    for (int I = 0; I < 3; ++I) {
        TMDIChildWindow* Window = Frame.Bar->GetChild(I);
        Window->OnClose = [&Asked, Window, B](QObject*, TCloseAction& Action) {
            Asked.append(Window->windowTitle());
            if (Window == B)
                Action = caNone;
        };
    }
    Frame.Bar->CloseAll();
    FlushDeletes();
    QCOMPARE(Asked, (QStringList {"c", "b", "a"}));
    QCOMPARE(Frame.Buttons(), QStringLiteral("b"));
    QCOMPARE(Frame.Area->subWindowList().size(), 1);
}

void TestMDIButtonGroup::minimizeAll_data()
{
    QTest::addColumn<bool>("Maximized");
    QTest::newRow("normal windows") << false;
    // Document windows open maximized: each one minimized used to pass the state on to the next.
    QTest::newRow("maximized windows") << true;
}

void TestMDIButtonGroup::minimizeAll()
{
    QFETCH(bool, Maximized);
    TFrame Frame;
    for (const char* Title : {"a", "b", "c"}) {
        TMDIChildWindow* Child = Frame.Open(QString::fromLatin1(Title));
        if (Maximized)
            Child->showMaximized();
    }
    Frame.Bar->MinimizeAll();
    QApplication::processEvents();
    QCOMPARE(Frame.Bar->MinimizedCount(), 3);
    QCOMPARE(Frame.Bar->MDIChildCount(), 3);
    // The minimized windows are lined up, not stacked on one another.
    QApplication::processEvents();
    const QList<QMdiSubWindow*> Windows = Frame.Area->subWindowList();
    for (int I = 0; I < Windows.size(); ++I)
        for (int J = I + 1; J < Windows.size(); ++J)
            QVERIFY2(!Windows.at(I)->geometry().intersects(Windows.at(J)->geometry()),
                qPrintable(QStringLiteral("%1 and %2 overlap").arg(I).arg(J)));
}

void TestMDIButtonGroup::destroyAllRunsCloseHandlers()
{
    TFrame Frame;
    Frame.Open(QStringLiteral("a"));
    Frame.Open(QStringLiteral("b"));
    QStringList Asked;
    for (int I = 0; I < 2; ++I) {
        TMDIChildWindow* Window = Frame.Bar->GetChild(I);
        Window->OnClose = [&Asked, Window](QObject*, TCloseAction& Action) {
            Asked.append(Window->windowTitle() + (Action == caFree ? QStringLiteral(" free") : QString()));
            Action = caNone; // ignored
        };
    }
    Frame.Log.clear();
    Frame.Bar->DestroyAll();
    QCOMPARE(Asked, (QStringList {"b free", "a free"}));
    // Between the two, the area may activate the remaining window; that runs its own handler.
    QCOMPARE(Frame.Log.filter(QStringLiteral("destroy")), (QStringList {"destroy b", "destroy a"}));
    QCOMPARE(Frame.Bar->Count(), 0);
    QVERIFY(Frame.Area->subWindowList().isEmpty());
}

void TestMDIButtonGroup::removedButtonGivesHandlersBack()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    Frame.Bar->DeleteItem(0);
    Frame.Changes.clear();
    Frame.Log.clear();
    Frame.Area->setActiveSubWindow(A);
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate a")});
    QVERIFY(Frame.Changes.isEmpty());
    Frame.Log.clear();
    Frame.Area->setActiveSubWindow(B);
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate b")});
    QCOMPARE(Frame.Bar->ActiveMDIChild(), B);
}

void TestMDIButtonGroup::barDestroyedBeforeWindows()
{
    TFrame Frame;
    TMDIChildWindow* A = Frame.Open(QStringLiteral("a"));
    TMDIChildWindow* B = Frame.Open(QStringLiteral("b"));
    delete Frame.Bar;
    Frame.Log.clear();
    Frame.Area->setActiveSubWindow(A);
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("activate a")});
    Frame.Log.clear();
    delete B;
    QCOMPARE(Frame.Log, QStringList {QStringLiteral("destroy b")});
}

QTEST_MAIN(TestMDIButtonGroup)
#include "tst_mdibuttongroup.moc"
