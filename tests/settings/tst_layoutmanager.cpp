// The layout manager and the form base on small test windows: sections, window bounds per desktop,
// states, read-only managers, properties, the text control layout and the form's own rules.
#include "platform/Notice.h"
#include "settings/LayoutManagerForm.h"
#include "settings/LayoutManagerSynEditor.h"
#include "textview/CustomSynEdit.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TTestForm : public TLMForm {
    Q_OBJECT

public:
    explicit TTestForm(QWidget* AParent = nullptr, const TLMFormSettings& ASettings = {.LayoutControl = true})
        : TLMForm(AParent, ASettings)
    {
        resize(300, 200);
    }
    QStringList* Log = nullptr;

protected:
    void showEvent(QShowEvent* AEvent) override
    {
        TLMForm::showEvent(AEvent);
        if (Log)
            Log->append(QStringLiteral("show"));
    }
};

class TTestMain : public TLMForm {
    Q_OBJECT

public:
    TTestMain()
        : TLMForm(nullptr, {.LayoutControl = true})
    {
        Area = new QMdiArea(this);
        setCentralWidget(Area);
        resize(700, 500);
    }
    QMdiArea* Area = nullptr;
};

class Tmdi_Test : public TLMForm {
    Q_OBJECT

public:
    Tmdi_Test()
        : TLMForm(nullptr, {.LayoutControl = true, .LayoutReadOnly = true})
    {
        resize(200, 150);
    }
};

namespace {
const QString Root = QStringLiteral("Software\\Ravek\\Quillon\\1.x\\");

// Places a window's client area (what the layout stores for a top-level window).
void MoveClient(QWidget& AWindow, int ALeft, int ATop)
{
    AWindow.setGeometry(QRect(QPoint(ALeft, ATop), AWindow.size()));
}
TDesktopMetrics GDesktop {1920, 1080, 96};
} // namespace

class TestLayoutManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void sectionNames();
    void registrationRules();
    void readOnlySavesNothing();
    void maximizedWindowKeepsNormalBounds();
    void boundsPerDesktopConfiguration();
    void positionSurvivesRounds();
    void storedBoundsTexts_data();
    void storedBoundsTexts();
    void plainControlGeometry();
    void properties();
    void checkedOfWrongTypeFails();
    void errorsCloseTheStorage();
    void synEditLayoutDefaultsWrittenOnce();
    void synEditLayoutRoundTrip();
    void synEditLayoutRejectsOtherControls();
    void formTakesOverMainWindow();
    void formRestoresOnEveryShowing();
    void formSavesUnderItsClassWhenDestroyed();
    void layoutCallbacksInOrder();
    void mdiChildStateRules();
    void displayChangeRestoresBoundsNotState();
    void droppedFilesArriveAsOneList();
    void centring();
    void stateNotifications();

private:
    std::shared_ptr<TLayoutManagerRegistryStorage> NewStorage();
    QString Value(const QString& ASection, const QString& AName);

    std::unique_ptr<QTemporaryDir> FDir;
    std::shared_ptr<TRegistryHive> FHive;
    std::shared_ptr<TLayoutManagerRegistryStorage> FStorage;
    QStringList FErrors;
};

void TestLayoutManager::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    TLayoutManager::DesktopMetrics = [](const QWidget*) { return GDesktop; };
    SetNoticeHandler([this](TNoticeKind, const QString& AText) { FErrors.append(AText); });
}

void TestLayoutManager::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    FHive = TRegistryHive::Open(FDir->filePath(QStringLiteral("registry.db")));
    FStorage = NewStorage();
    GDesktop = {1920, 1080, 96};
    FErrors.clear();
}

void TestLayoutManager::cleanup()
{
    TLayoutManager::SetMainWindow(nullptr);
    QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(QLatin1Char('\n'))));
    FStorage.reset();
    FHive.reset();
    FDir.reset();
}

std::shared_ptr<TLayoutManagerRegistryStorage> TestLayoutManager::NewStorage()
{
    auto storage = std::make_shared<TLayoutManagerRegistryStorage>();
    storage->SetRootKey(FHive);
    storage->SetRootKeyName(Root);
    return storage;
}

// The stored value as text ("<none>" when missing), for compact comparisons.
QString TestLayoutManager::Value(const QString& ASection, const QString& AName)
{
    TRegistryValue value;
    if (FHive->QueryValue(Root + ASection, AName, value) != TRegistryResult::rrOk)
        return QStringLiteral("<none>");
    if (value.Type == REG_SZ)
        return FStorage->ReadString(ASection, AName, QString());
    return QString::number(FStorage->ReadInteger(ASection, AName, 0));
}

void TestLayoutManager::sectionNames()
{
    TTestForm form;
    TLayoutManager* lm = form.LayoutManager();
    auto* action = new QAction(&form);
    action->setObjectName(QStringLiteral("acPersistent"));
    auto* menu = new QMenu(&form);
    auto* inMenu = new QAction(menu);
    inMenu->setObjectName(QStringLiteral("acGrid"));
    auto* panel = new QWidget(&form);
    auto* inner = new QWidget(panel);
    inner->setObjectName(QStringLiteral("TreePanel"));
    QObject loose;
    loose.setObjectName(QStringLiteral("loose"));
    lm->Add(action, {});
    lm->Add(inMenu, {});
    lm->Add(inner, {}, {});
    lm->Add(&loose, {});
    QCOMPARE(lm->Count(), 5);
    QCOMPARE(lm->LayoutControls(0)->SectionName(), QStringLiteral("TTestForm"));
    QCOMPARE(lm->LayoutControls(1)->SectionName(), QStringLiteral("TTestForm\\acPersistent"));
    // A menu is no window of its own: the command belongs to the form.
    QCOMPARE(lm->LayoutControls(2)->SectionName(), QStringLiteral("TTestForm\\acGrid"));
    QCOMPARE(lm->LayoutControls(3)->SectionName(), QStringLiteral("TTestForm\\TreePanel"));
    QCOMPARE(lm->LayoutControls(4)->SectionName(), QStringLiteral("QObject"));

    // A document window inside the main window's area is a window of its own.
    TTestMain main;
    auto* child = new Tmdi_Test;
    main.Area->addSubWindow(child);
    QCOMPARE(child->LayoutManager()->LayoutControls(0)->SectionName(), QStringLiteral("Tmdi_Test"));
}

void TestLayoutManager::registrationRules()
{
    TTestForm form(nullptr, {});
    TLayoutManager* lm = form.LayoutManager();
    QCOMPARE(lm->Count(), 0);
    auto* action = new QAction(&form);
    QCOMPARE(lm->Add(action, {QStringLiteral("Checked")}), 0);
    QCOMPARE(lm->Add(action, {QStringLiteral("Checked")}), -1);
    QCOMPARE(lm->Add(static_cast<QObject*>(nullptr), {}), -1);
    QCOMPARE(lm->Add(static_cast<QWidget*>(nullptr), {}, {}), -1);
    QCOMPARE(lm->Count(), 1);
    // Options belong to controls only.
    QCOMPARE(lm->LayoutControls(0)->Options(), TLayoutManagerControlOptions());
    // The form registered twice through its switch stays one item.
    form.SetLayoutControl(true);
    form.SetLayoutControl(true);
    QCOMPARE(lm->Count(), 2);
    QCOMPARE(lm->FindComponent(&form), 1);
    QCOMPARE(lm->LayoutControls(1)->Options(), AllLayoutOptions);
    form.SetLayoutControl(false);
    QCOMPARE(lm->FindComponent(&form), -1);
    lm->Delete(action);
    QCOMPARE(lm->Count(), 0);
}

void TestLayoutManager::readOnlySavesNothing()
{
    FStorage->WriteString(
        QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)"), QStringLiteral("40,30"));
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    form.SetLayoutReadOnly(true);
    form.show();
    // Restoring works while read-only.
    QCOMPARE(form.geometry().topLeft(), QPoint(40, 30));
    MoveClient(form, 90, 90);
    form.LayoutManager()->Save();
    form.LayoutManager()->Save(&form);
    form.ExitSizeMove();
    QVERIFY(!FStorage->Opened());
    QCOMPARE(
        Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("40,30"));
    QCOMPARE(Value(QStringLiteral("TTestForm"), QStringLiteral("State")), QStringLiteral("<none>"));
}

void TestLayoutManager::maximizedWindowKeepsNormalBounds()
{
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    form.show();
    form.setGeometry(100, 80, 320, 240);
    form.LayoutManager()->Save();
    const QString s = QStringLiteral("TTestForm");
    QCOMPARE(Value(s, QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("100,80"));
    QCOMPARE(Value(s, QStringLiteral("Size(1920x1080x96)")), QStringLiteral("320,240"));
    QCOMPARE(Value(s, QStringLiteral("State")), QStringLiteral("0"));
    QCOMPARE(Value(s, QStringLiteral("Align")), QStringLiteral("0"));
    QCOMPARE(Value(s, QStringLiteral("Style")), QStringLiteral("0"));
    QCOMPARE(Value(s, QStringLiteral("LayoutReadOnly")), QStringLiteral("0"));

    form.showMaximized();
    QTRY_VERIFY(form.isMaximized());
    form.LayoutManager()->Save();
    QCOMPARE(Value(s, QStringLiteral("State")), QStringLiteral("2"));
    QCOMPARE(Value(s, QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("100,80"));
    QCOMPARE(Value(s, QStringLiteral("Size(1920x1080x96)")), QStringLiteral("320,240"));

    // A minimized window keeps its stored state.
    form.showMinimized();
    QTRY_VERIFY(form.isMinimized());
    form.LayoutManager()->Save();
    QCOMPARE(Value(s, QStringLiteral("State")), QStringLiteral("2"));
}

void TestLayoutManager::boundsPerDesktopConfiguration()
{
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    form.show();
    MoveClient(form, 100, 80);
    form.LayoutManager()->Save();
    GDesktop = {3840, 1080, 96};
    MoveClient(form, 2000, 50);
    form.LayoutManager()->Save();
    QCOMPARE(
        Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("100,80"));
    QCOMPARE(
        Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(3840x1080x96)")), QStringLiteral("2000,50"));

    GDesktop = {1920, 1080, 96};
    form.LayoutManager()->Restore();
    QCOMPARE(form.geometry().topLeft(), QPoint(100, 80));
    GDesktop = {3840, 1080, 96};
    form.LayoutManager()->Restore();
    QCOMPARE(form.geometry().topLeft(), QPoint(2000, 50));
    // A third configuration has nothing stored: the window stays where it is.
    GDesktop = {1280, 1024, 120};
    MoveClient(form, 10, 20);
    form.LayoutManager()->Restore();
    QCOMPARE(form.geometry().topLeft(), QPoint(10, 20));
}

void TestLayoutManager::positionSurvivesRounds()
{
    // The stored position is the client area's, and it is restored as such: rounds of saving and
    // restoring leave a shown window where it was (a frame position stored and a client position
    // restored made it creep by the title bar at every start).
    {
        TTestForm form;
        form.LayoutManager()->SetStorage(FStorage);
        form.show();
        MoveClient(form, 300, 200);
        form.LayoutManager()->Save();
    }
    for (int round = 0; round < 10; ++round) {
        TTestForm form;
        form.LayoutManager()->SetStorage(FStorage);
        form.show();
        QCOMPARE(form.geometry().topLeft(), QPoint(300, 200));
        form.LayoutManager()->Save();
        QCOMPARE(Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")),
            QStringLiteral("300,200"));
    }
}

void TestLayoutManager::storedBoundsTexts_data()
{
    QTest::addColumn<QString>("pos");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QPoint>("expectedPos");
    QTest::addColumn<QSize>("expectedSize");
    QTest::newRow("both") << "50,60"
                          << "250,150" << QPoint(50, 60) << QSize(250, 150);
    QTest::newRow("pos-without-comma") << "50"
                                       << "" << QPoint(10, 20) << QSize(300, 200);
    QTest::newRow("top-no-number") << "50,abc"
                                   << "" << QPoint(50, 20) << QSize(300, 200);
    QTest::newRow("left-no-number") << "x,70"
                                    << "" << QPoint(10, 70) << QSize(300, 200);
    QTest::newRow("negative") << "-8,-8"
                              << "" << QPoint(-8, -8) << QSize(300, 200);
    QTest::newRow("size-without-comma") << ""
                                        << "250" << QPoint(10, 20) << QSize(300, 200);
    QTest::newRow("height-no-number") << ""
                                      << "250,?" << QPoint(10, 20) << QSize(250, 200);
}

void TestLayoutManager::storedBoundsTexts()
{
    QFETCH(QString, pos);
    QFETCH(QString, size);
    QFETCH(QPoint, expectedPos);
    QFETCH(QSize, expectedSize);
    if (!pos.isEmpty())
        FStorage->WriteString(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)"), pos);
    if (!size.isEmpty())
        FStorage->WriteString(QStringLiteral("TTestForm"), QStringLiteral("Size(1920x1080x96)"), size);
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    form.move(10, 20);
    form.LayoutManager()->Restore();
    QCOMPARE(form.pos(), expectedPos);
    QCOMPARE(form.size(), expectedSize);
    // Nothing stored for a top-level window leaves its state alone.
    QVERIFY(!form.isMaximized());
}

void TestLayoutManager::plainControlGeometry()
{
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    auto* panel = new QWidget(&form);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setGeometry(5, 6, 70, 80);
    panel->setEnabled(false);
    form.LayoutManager()->Add(panel, {}, AllLayoutOptions);
    form.LayoutManager()->Save(panel);
    const QString s = QStringLiteral("TTestForm\\Panel");
    QCOMPARE(Value(s, QStringLiteral("Left")), QStringLiteral("5"));
    QCOMPARE(Value(s, QStringLiteral("Top")), QStringLiteral("6"));
    QCOMPARE(Value(s, QStringLiteral("Width")), QStringLiteral("70"));
    QCOMPARE(Value(s, QStringLiteral("Height")), QStringLiteral("80"));
    QCOMPARE(Value(s, QStringLiteral("Visible")), QStringLiteral("1"));
    QCOMPARE(Value(s, QStringLiteral("Enabled")), QStringLiteral("0"));
    QCOMPARE(Value(s, QStringLiteral("Align")), QStringLiteral("<none>"));
    FStorage->WriteInteger(s, QStringLiteral("Width"), 90);
    FStorage->WriteBoolean(s, QStringLiteral("Visible"), false);
    FStorage->WriteBoolean(s, QStringLiteral("Enabled"), true);
    form.LayoutManager()->Restore(panel);
    QCOMPARE(panel->geometry(), QRect(5, 6, 90, 80));
    QVERIFY(panel->isHidden());
    QVERIFY(panel->isEnabled());

    // A read-only width property goes through resizing: "Width" of a panel.
    auto* tree = new QWidget(&form);
    tree->setObjectName(QStringLiteral("TreePanel"));
    tree->resize(120, 50);
    form.LayoutManager()->Add(tree, {QStringLiteral("Width")}, {});
    form.LayoutManager()->Save(tree);
    QCOMPARE(Value(QStringLiteral("TTestForm\\TreePanel"), QStringLiteral("Width")), QStringLiteral("120"));
    FStorage->WriteInteger(QStringLiteral("TTestForm\\TreePanel"), QStringLiteral("Width"), 210);
    form.LayoutManager()->Restore(tree);
    QCOMPARE(tree->size(), QSize(210, 50));
}

void TestLayoutManager::properties()
{
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    auto* action = new QAction(&form);
    action->setObjectName(QStringLiteral("acPersistent"));
    action->setCheckable(true);
    action->setChecked(true);
    action->setText(QStringLiteral("Persistent settings"));
    TLayoutManager* lm = form.LayoutManager();
    lm->Add(action,
        {QStringLiteral("Checked"), QStringLiteral("text"), QStringLiteral("checked"),
            QStringLiteral("NoSuchProperty"), QStringLiteral("Priority")});
    // Sorted ignoring letter case, each name once.
    QCOMPARE(lm->LayoutControls(1)->Properties(),
        (QStringList {QStringLiteral("Checked"), QStringLiteral("NoSuchProperty"), QStringLiteral("Priority"),
            QStringLiteral("text")}));
    QVERIFY(lm->LayoutControls(1)->PropList().Find(QStringLiteral("CHECKED")));
    lm->Save(action);
    const QString s = QStringLiteral("TTestForm\\acPersistent");
    QCOMPARE(FStorage->ReadInteger(s, QStringLiteral("Checked"), -1), 1);
    QCOMPARE(Value(s, QStringLiteral("text")), QStringLiteral("Persistent settings"));
    QCOMPARE(Value(s, QStringLiteral("Priority")), QString::number(QAction::NormalPriority));
    QCOMPARE(Value(s, QStringLiteral("NoSuchProperty")), QStringLiteral("<none>"));
    QStringList names;
    FStorage->ReadSection(s, names);
    QCOMPARE(
        names, (QStringList {QStringLiteral("Checked"), QStringLiteral("Priority"), QStringLiteral("text")}));

    FStorage->WriteInteger(s, QStringLiteral("Checked"), 0);
    FStorage->WriteInteger(s, QStringLiteral("Priority"), QAction::HighPriority);
    lm->Restore(action);
    QVERIFY(!action->isChecked());
    QCOMPARE(action->priority(), QAction::HighPriority);
    FStorage->WriteInteger(s, QStringLiteral("Checked"), 1);
    lm->Restore(action);
    QVERIFY(action->isChecked());
}

void TestLayoutManager::checkedOfWrongTypeFails()
{
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    auto* action = new QAction(&form);
    action->setObjectName(QStringLiteral("acGrid"));
    action->setCheckable(true);
    form.LayoutManager()->Add(action, {QStringLiteral("Checked")});
    FStorage->WriteString(
        QStringLiteral("TTestForm\\acGrid"), QStringLiteral("Checked"), QStringLiteral("1"));
    try {
        form.LayoutManager()->Restore(action);
        QFAIL("no error");
    } catch (const ERegistryException& e) {
        QCOMPARE(e.Message(), QStringLiteral("Invalid data type for 'Checked'"));
    }
    QVERIFY(!FStorage->Opened());
    // Shown, the error reaches the program's error report instead of the event loop.
    form.show();
    QCOMPARE(FErrors, QStringList {QStringLiteral("Invalid data type for 'Checked'")});
    QVERIFY(!form.LayoutManager()->Restoring());
    FErrors.clear();
}

void TestLayoutManager::errorsCloseTheStorage()
{
    // The window's own restore fails: the items after it are skipped and the manager stops restoring.
    FStorage->WriteString(QStringLiteral("TTestForm"), QStringLiteral("State"), QStringLiteral("2"));
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    auto* action = new QAction(&form);
    action->setObjectName(QStringLiteral("acGrid"));
    action->setCheckable(true);
    form.LayoutManager()->Add(action, {QStringLiteral("Checked")});
    FStorage->WriteInteger(QStringLiteral("TTestForm\\acGrid"), QStringLiteral("Checked"), 1);
    FStorage->Close();
    QVERIFY_THROWS_EXCEPTION(ERegistryException, form.LayoutManager()->Restore());
    QVERIFY(!action->isChecked());
    QVERIFY(!form.LayoutManager()->Restoring());
    QVERIFY(!FStorage->Opened());
}

void TestLayoutManager::synEditLayoutDefaultsWrittenOnce()
{
    const QString layout = QStringLiteral("TTestForm\\Memo\\Layout");
    {
        TTestForm form;
        form.LayoutManager()->SetStorage(FStorage);
        auto* memo = new TCustomSynEdit(&form);
        memo->setObjectName(QStringLiteral("Memo"));
        memo->SetWordWrap(true);
        form.LayoutManager()->Add(memo, {}, {}, &TLayoutManagerSynEditLayout::Create);
        QCOMPARE(
            Value(layout + QStringLiteral("\\Default"), QStringLiteral("WordWrap")), QStringLiteral("1"));
        QStringList names;
        FStorage->ReadSection(layout + QStringLiteral("\\Default"), names);
        QCOMPARE(names,
            (QStringList {QStringLiteral("Gutter.ShowLineNumbers"), QStringLiteral("Gutter.LeadingZeros"),
                QStringLiteral("Gutter.ZeroStart"), QStringLiteral("Gutter.Visible"),
                QStringLiteral("Options.AutoIndent"), QStringLiteral("SelectionMode"),
                QStringLiteral("WordWrap")}));
        // Nothing but the defaults yet.
        QVERIFY(!FStorage->ValueExists(layout, QStringLiteral("WordWrap")));
    }
    {
        TTestForm form;
        form.LayoutManager()->SetStorage(FStorage);
        auto* memo = new TCustomSynEdit(&form);
        memo->setObjectName(QStringLiteral("Memo"));
        memo->SetWordWrap(false);
        form.LayoutManager()->Add(memo, {}, {}, &TLayoutManagerSynEditLayout::Create);
        QCOMPARE(
            Value(layout + QStringLiteral("\\Default"), QStringLiteral("WordWrap")), QStringLiteral("1"));
        // RestoreDefault brings the first settings back; SaveDefault(true) replaces them.
        form.LayoutManager()->LayoutControls(1)->Layout()->RestoreDefault();
        QVERIFY(memo->WordWrap());
        memo->SetWordWrap(false);
        form.LayoutManager()->LayoutControls(1)->Layout()->SaveDefault(false);
        QCOMPARE(
            Value(layout + QStringLiteral("\\Default"), QStringLiteral("WordWrap")), QStringLiteral("1"));
        form.LayoutManager()->LayoutControls(1)->Layout()->SaveDefault(true);
        QCOMPARE(
            Value(layout + QStringLiteral("\\Default"), QStringLiteral("WordWrap")), QStringLiteral("0"));
        // Deleting the layout's data takes the defaults with it.
        form.LayoutManager()->LayoutControls(1)->Layout()->DeleteData();
        QVERIFY(!FStorage->SectionExists(layout));
    }
    {
        // A read-only manager records no defaults.
        TTestForm form;
        form.LayoutManager()->SetStorage(FStorage);
        form.SetLayoutReadOnly(true);
        auto* memo = new TCustomSynEdit(&form);
        memo->setObjectName(QStringLiteral("Memo"));
        form.LayoutManager()->Add(memo, {}, {}, &TLayoutManagerSynEditLayout::Create);
        QVERIFY(!FStorage->SectionExists(layout + QStringLiteral("\\Default")));
    }
}

void TestLayoutManager::synEditLayoutRoundTrip()
{
    auto makeForm = [this](TCustomSynEdit*& AMemo) {
        auto form = std::make_unique<TTestForm>();
        form->LayoutManager()->SetStorage(FStorage);
        AMemo = new TCustomSynEdit(form.get());
        AMemo->setObjectName(QStringLiteral("ValueView"));
        form->LayoutManager()->Add(AMemo, {}, {}, &TLayoutManagerSynEditLayout::Create);
        return form;
    };
    TCustomSynEdit* memo = nullptr;
    auto form = makeForm(memo);
    // Nothing stored: restoring changes none of the seven settings.
    const bool autoIndent = memo->AutoIndent();
    form->LayoutManager()->Restore(memo);
    QVERIFY(memo->GutterShowLineNumbers());
    QVERIFY(!memo->GutterLeadingZeros());
    QVERIFY(!memo->GutterZeroStart());
    QVERIFY(memo->GutterVisible());
    QCOMPARE(memo->AutoIndent(), autoIndent);
    QCOMPARE(memo->SelectionMode(), int(smNormal));
    QVERIFY(!memo->WordWrap());

    memo->SetGutterShowLineNumbers(false);
    memo->SetGutterLeadingZeros(true);
    memo->SetGutterZeroStart(true);
    memo->SetGutterVisible(false);
    memo->SetAutoIndent(!autoIndent);
    memo->SetSelectionMode(smColumn);
    memo->SetWordWrap(true);
    form->LayoutManager()->Save(memo);
    const QString s = QStringLiteral("TTestForm\\ValueView\\Layout");
    QCOMPARE(Value(s, QStringLiteral("SelectionMode")), QStringLiteral("2"));
    QCOMPARE(Value(s, QStringLiteral("Gutter.Visible")), QStringLiteral("0"));
    form.reset();

    form = makeForm(memo);
    form->LayoutManager()->Restore(memo);
    QVERIFY(!memo->GutterShowLineNumbers());
    QVERIFY(memo->GutterLeadingZeros());
    QVERIFY(memo->GutterZeroStart());
    QVERIFY(!memo->GutterVisible());
    QCOMPARE(memo->AutoIndent(), !autoIndent);
    QCOMPARE(memo->SelectionMode(), int(smColumn));
    QVERIFY(memo->WordWrap());
}

void TestLayoutManager::synEditLayoutRejectsOtherControls()
{
    TTestForm form;
    auto* plain = new QWidget(&form);
    try {
        form.LayoutManager()->Add(plain, {}, {}, &TLayoutManagerSynEditLayout::Create);
        QFAIL("no error");
    } catch (const ELayoutManager& e) {
        QCOMPARE(e.Message(), QStringLiteral("TLayoutManagerSynEditLayout: Control is not TCustomSynEdit"));
    }
    QCOMPARE(form.LayoutManager()->FindComponent(plain), -1);
}

void TestLayoutManager::formTakesOverMainWindow()
{
    TTestMain main;
    main.LayoutManager()->SetStorage(FStorage);
    TLayoutManager::SetMainWindow(&main);
    main.SetLayoutReadOnly(true);
    // Any window stored earlier says "writable".
    FStorage->WriteBoolean(QStringLiteral("TTestForm"), QStringLiteral("LayoutReadOnly"), false);
    {
        TTestForm form(nullptr, {.LayoutControl = true, .LayoutReadOnly = false});
        QCOMPARE(form.LayoutManager()->Storage(), main.LayoutManager()->Storage());
        QVERIFY(form.LayoutReadOnly());
        form.show();
        // Persistence is off: showing the window does not make it save.
        QVERIFY(form.LayoutReadOnly());
        MoveClient(form, 33, 44);
        form.ExitSizeMove();
        QCOMPARE(Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")),
            QStringLiteral("<none>"));
    }
    QCOMPARE(
        Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("<none>"));
    main.SetLayoutReadOnly(false);
    {
        // Its own resource says read-only; the main window's state wins.
        TTestForm form(nullptr, {.LayoutControl = true, .LayoutReadOnly = true});
        QVERIFY(!form.LayoutReadOnly());
        form.show();
        MoveClient(form, 33, 44);
        form.ExitSizeMove();
        QCOMPARE(
            Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("33,44"));
    }
    // The main window itself takes the stored flag.
    main.SetLayoutReadOnly(true);
    FStorage->WriteBoolean(QStringLiteral("TTestMain"), QStringLiteral("LayoutReadOnly"), false);
    main.show();
    QVERIFY(!main.LayoutReadOnly());
}

void TestLayoutManager::formRestoresOnEveryShowing()
{
    FStorage->WriteString(
        QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)"), QStringLiteral("70,60"));
    TTestForm form;
    form.LayoutManager()->SetStorage(FStorage);
    form.SetLayoutReadOnly(true);
    form.show();
    QCOMPARE(form.geometry().topLeft(), QPoint(70, 60));
    form.hide();
    MoveClient(form, 5, 5);
    form.show();
    QCOMPARE(form.geometry().topLeft(), QPoint(70, 60));
}

void TestLayoutManager::formSavesUnderItsClassWhenDestroyed()
{
    auto* form = new TTestForm;
    form->LayoutManager()->SetStorage(FStorage);
    auto* action = new QAction(form);
    action->setObjectName(QStringLiteral("acValueCol"));
    action->setCheckable(true);
    form->LayoutManager()->Add(action, {QStringLiteral("Checked")});
    auto* memo = new TCustomSynEdit(form);
    memo->setObjectName(QStringLiteral("Memo"));
    form->LayoutManager()->Add(memo, {}, {}, &TLayoutManagerSynEditLayout::Create);
    form->show();
    MoveClient(*form, 123, 45);
    action->setChecked(true);
    memo->SetWordWrap(true);
    delete form;
    QCOMPARE(
        Value(QStringLiteral("TTestForm\\Memo\\Layout"), QStringLiteral("WordWrap")), QStringLiteral("1"));
    QCOMPARE(
        Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("123,45"));
    QCOMPARE(Value(QStringLiteral("TTestForm\\acValueCol"), QStringLiteral("Checked")), QStringLiteral("1"));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("TLMForm")));

    // Closed for good: saved at the close, while whole.
    form = new TTestForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->LayoutManager()->SetStorage(FStorage);
    form->show();
    MoveClient(*form, 7, 8);
    QSignalSpy destroyed(form, &QObject::destroyed);
    form->close();
    QCOMPARE(Value(QStringLiteral("TTestForm"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("7,8"));
    QTRY_COMPARE(destroyed.count(), 1);
}

void TestLayoutManager::layoutCallbacksInOrder()
{
    QStringList log;
    TTestForm form;
    form.Log = &log;
    form.LayoutManager()->SetStorage(FStorage);
    TLayoutManager* sender = nullptr;
    form.SetOnBeforeRestore([&](TLayoutManager* s) {
        sender = s;
        log.append(QStringLiteral("before-restore"));
    });
    form.SetOnAfterRestore([&](TLayoutManager*) { log.append(QStringLiteral("after-restore")); });
    form.SetOnBeforeSave([&](TLayoutManager*) { log.append(QStringLiteral("before-save")); });
    form.SetOnAfterSave([&](TLayoutManager*) {
        log.append(
            QStringLiteral("after-save:") + Value(QStringLiteral("TTestForm"), QStringLiteral("State")));
    });
    form.show();
    QCOMPARE(sender, form.LayoutManager());
    form.ExitSizeMove();
    QCOMPARE(log,
        (QStringList {QStringLiteral("before-restore"), QStringLiteral("after-restore"),
            QStringLiteral("show"), QStringLiteral("before-save"), QStringLiteral("after-save:0")}));
    // A move is saved once the moves have come to rest.
    log.clear();
    form.move(form.x() + 10, form.y());
    QTRY_COMPARE(log, (QStringList {QStringLiteral("before-save"), QStringLiteral("after-save:0")}));
}

void TestLayoutManager::mdiChildStateRules()
{
    TTestMain main;
    main.LayoutManager()->SetStorage(FStorage);
    TLayoutManager::SetMainWindow(&main);
    main.show();

    auto* child = new Tmdi_Test;
    QMdiSubWindow* sub = main.Area->addSubWindow(child);
    sub->show();
    // Nothing stored: a document window opens maximized.
    QTRY_VERIFY(sub->isMaximized());
    QVERIFY(child->IsMDIChild());
    sub->showNormal();
    QTRY_VERIFY(!sub->isMaximized());
    sub->setGeometry(30, 20, 260, 180);
    child->ExitSizeMove();
    QCOMPARE(
        Value(QStringLiteral("Tmdi_Test"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("30,20"));
    QCOMPARE(
        Value(QStringLiteral("Tmdi_Test"), QStringLiteral("Size(1920x1080x96)")), QStringLiteral("260,180"));
    QCOMPARE(Value(QStringLiteral("Tmdi_Test"), QStringLiteral("State")), QStringLiteral("0"));
    QCOMPARE(Value(QStringLiteral("Tmdi_Test"), QStringLiteral("Style")), QStringLiteral("1"));
    QCOMPARE(Value(QStringLiteral("TTestMain"), QStringLiteral("Style")), QStringLiteral("<none>"));

    // Closing it maximized writes no state; moved in the normal state, closing writes its bounds.
    sub->showMaximized();
    QSignalSpy gone(sub, &QObject::destroyed);
    sub->close();
    QTRY_COMPARE(gone.count(), 1);
    QCOMPARE(Value(QStringLiteral("Tmdi_Test"), QStringLiteral("State")), QStringLiteral("0"));

    child = new Tmdi_Test;
    sub = main.Area->addSubWindow(child);
    sub->show();
    QVERIFY(!sub->isMaximized());
    QCOMPARE(sub->geometry(), QRect(30, 20, 260, 180));
    sub->move(50, 40);
    delete sub;
    QCOMPARE(
        Value(QStringLiteral("Tmdi_Test"), QStringLiteral("Pos(1920x1080x96)")), QStringLiteral("50,40"));
    QCOMPARE(Value(QStringLiteral("Tmdi_Test"), QStringLiteral("State")), QStringLiteral("0"));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("TLMForm")));
}

void TestLayoutManager::displayChangeRestoresBoundsNotState()
{
    FStorage->WriteString(
        QStringLiteral("TTestForm"), QStringLiteral("Pos(2560x1440x96)"), QStringLiteral("300,200"));
    FStorage->WriteInteger(QStringLiteral("TTestForm"), QStringLiteral("State"), 2);
    QList<int> reported;
    TTestForm form;
    form.SetLayoutReadOnly(true);
    form.LayoutManager()->SetStorage(FStorage);
    form.SetLayoutOptions(loPosition | loSize);
    form.show();
    form.move(10, 10);
    form.SetLayoutOptions(AllLayoutOptions);
    form.OnDisplayChange = [&](QObject*, int w, int h, int bpp) { reported = {w, h, bpp}; };
    GDesktop = {2560, 1440, 96};
    form.DisplayChanged();
    QCOMPARE(form.geometry().topLeft(), QPoint(300, 200));
    QVERIFY(!form.isMaximized());
    QCOMPARE(form.LayoutOptions(), AllLayoutOptions);
    const QScreen* primary = QGuiApplication::primaryScreen();
    QCOMPARE(reported, (QList<int> {primary->size().width(), primary->size().height(), primary->depth()}));
}

void TestLayoutManager::droppedFilesArriveAsOneList()
{
    QStringList received;
    int calls = 0;
    TTestForm form(nullptr, {.AcceptFiles = true});
    form.show();
    form.OnDropFiles = [&](QObject*, const QStringList& AFiles) {
        ++calls;
        received = AFiles;
    };
    const QString longName =
        QStringLiteral("/tmp/") + QString(300, QLatin1Char('n')) + QStringLiteral(".json");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.json")),
        QUrl::fromLocalFile(QStringLiteral("/tmp/b c.json")), QUrl::fromLocalFile(longName)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QCOMPARE(calls, 1);
    // Full paths, however long.
    QCOMPARE(
        received, (QStringList {QStringLiteral("/tmp/a.json"), QStringLiteral("/tmp/b c.json"), longName}));
    form.OnDropFiles = nullptr;
    QDropEvent again(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &again);
    QCOMPARE(calls, 1);
    // A window that does not take files refuses them.
    TTestForm closed;
    QVERIFY(!closed.acceptDrops());
}

void TestLayoutManager::centring()
{
    TTestForm form(nullptr, {});
    form.resize(301, 201);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint centred((work.width() - 301) / 2 + work.left(), (work.height() - 201) / 2 + work.top());
    form.move(0, 0);
    form.CenterToMonitor(int(QGuiApplication::screens().size()));
    QCOMPARE(form.pos(), centred);
    form.move(0, 0);
    form.CenterToMonitor(-1);
    QCOMPARE(form.pos(), centred);
    const QRect full = QGuiApplication::screens().first()->geometry();
    form.CenterToMonitor(0);
    QCOMPARE(
        form.pos(), QPoint((full.width() - 301) / 2 + full.left(), (full.height() - 201) / 2 + full.top()));
    TTestForm other(nullptr, {});
    other.setGeometry(100, 100, 500, 400);
    form.CenterTo(&other);
    QCOMPARE(form.pos(), QPoint(100 + (500 - 301) / 2, 100 + (400 - 201) / 2));
}

void TestLayoutManager::stateNotifications()
{
    QStringList log;
    TTestForm form(nullptr, {});
    form.OnMinimize = [&](QObject*) { log.append(QStringLiteral("min")); };
    form.OnMaximize = [&](QObject*) { log.append(QStringLiteral("max")); };
    form.OnRestore = [&](QObject*) { log.append(QStringLiteral("restore")); };
    // Not showing: no notifications.
    form.resize(250, 250);
    QVERIFY(log.isEmpty());
    form.show();
    log.clear();
    form.resize(260, 260);
    QCOMPARE(log, QStringList {QStringLiteral("restore")});
    log.clear();
    form.showMaximized();
    QTRY_VERIFY(log.contains(QStringLiteral("max")));
    QVERIFY(!log.contains(QStringLiteral("restore")));
    QVERIFY(form.UniqueId() <= 0xFFFFFFFFu);
    QCOMPARE(form.Closing(), false);
    QCOMPARE(form.DPIChanging(), false);
}

QTEST_MAIN(TestLayoutManager)
#include "tst_layoutmanager.moc"
