// The recent-files list: bounds, letter case, the menu entries and the stored section.
#include "settings/LayoutManagerMRU.h"

#include <QAction>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestLayoutManagerMRU : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void elevenAddsKeepTen();
    void duplicatesCompareExactly();
    void removeDeleteClear();
    void restore_data();
    void restore();
    void restoringManyThenAddTrims();
    void saveWritesCountAndEntries();
    void savingEmptyListDeletesSection();
    void noStorage();
    void menuEntries();
    void foreignMruEntriesAreRemoved();
    void clickReportsEntry();
    void hostChangeMovesEntries();

private:
    QStringList MenuNames(QMenu* AMenu) const;

    std::unique_ptr<QTemporaryDir> FDir;
    std::shared_ptr<TRegistryHive> FHive;
    std::shared_ptr<TLayoutManagerRegistryStorage> FStorage;
};

void TestLayoutManagerMRU::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    FHive = TRegistryHive::Open(FDir->filePath(QStringLiteral("registry.db")));
    FStorage = std::make_shared<TLayoutManagerRegistryStorage>();
    FStorage->SetRootKey(FHive);
    FStorage->SetRootKeyName(QString::fromLatin1(LayoutStorageRootKeyName));
}

void TestLayoutManagerMRU::cleanup()
{
    FStorage.reset();
    FHive.reset();
    FDir.reset();
}

QStringList TestLayoutManagerMRU::MenuNames(QMenu* AMenu) const
{
    QStringList names;
    for (QAction* action : AMenu->actions())
        names.append(action->objectName());
    return names;
}

void TestLayoutManagerMRU::elevenAddsKeepTen()
{
    QMenu file;
    TLayoutManagerMRU mru;
    mru.SetMenuItem(&file);
    for (int i = 1; i <= 11; ++i)
        mru.Add(QStringLiteral("/docs/file%1.json").arg(i));
    QCOMPARE(mru.Count(), 10);
    QCOMPARE(mru.Items(0), QStringLiteral("/docs/file2.json"));
    QCOMPARE(mru.Items(9), QStringLiteral("/docs/file11.json"));
    // The menu shows them oldest first, after the separator.
    const QList<QAction*> actions = file.actions();
    QCOMPARE(actions.size(), 11);
    QVERIFY(actions.at(0)->isSeparator());
    QCOMPARE(actions.at(1)->text(), QStringLiteral("/docs/file2.json"));
    QCOMPARE(actions.at(10)->text(), QStringLiteral("/docs/file11.json"));
}

void TestLayoutManagerMRU::duplicatesCompareExactly()
{
    QMenu file;
    TLayoutManagerMRU mru;
    mru.SetMenuItem(&file);
    mru.Add(QStringLiteral("/Docs/A.json"));
    mru.Add(QStringLiteral("/docs/b.json"));
    QAction* firstEntry = file.actions().at(1);
    mru.Add(QStringLiteral("/Docs/A.json"));
    QCOMPARE(mru.List(), (QStringList {QStringLiteral("/Docs/A.json"), QStringLiteral("/docs/b.json")}));
    // No rebuild: the same entry object is still there.
    QCOMPARE(file.actions().at(1), firstEntry);
    // Names that differ in letter case are other files.
    mru.Add(QStringLiteral("/DOCS/a.JSON"));
    QCOMPARE(mru.Count(), 3);
    QCOMPARE(mru.IndexOf(QStringLiteral("/docs/b.json")), 1);
    QCOMPARE(mru.IndexOf(QStringLiteral("/docs/B.JSON")), -1);
}

void TestLayoutManagerMRU::removeDeleteClear()
{
    TLayoutManagerMRU mru;
    for (const char* path : {"/a", "/b", "/c"})
        mru.Add(QLatin1String(path));
    mru.Remove(QStringLiteral("/B"));
    QCOMPARE(mru.Count(), 3);
    mru.Remove(QStringLiteral("/b"));
    QCOMPARE(mru.List(), (QStringList {QStringLiteral("/a"), QStringLiteral("/c")}));
    mru.Remove(QStringLiteral("/x"));
    QCOMPARE(mru.Count(), 2);
    mru.Delete(0);
    QCOMPARE(mru.List(), QStringList {QStringLiteral("/c")});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, mru.Delete(1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, mru.Items(-1));
    mru.Clear();
    QCOMPARE(mru.Count(), 0);
}

void TestLayoutManagerMRU::restore_data()
{
    QTest::addColumn<int>("count"); // -1: no section at all (other negative counts are stored)
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty-entry-skipped") << 3 << QStringList {"/a", "", "/c"} << QStringList {"/a", "/c"};
    QTest::newRow("count-zero") << 0 << QStringList {"/a"} << QStringList {};
    QTest::newRow("no-section") << -1 << QStringList {} << QStringList {};
    QTest::newRow("count-beyond-entries") << 4 << QStringList {"/a", "/b"} << QStringList {"/a", "/b"};
    // Entries come back as stored: no duplicate check.
    // A damaged count reads what is there, at once.
    QTest::newRow("huge-count") << 2000000000 << QStringList {"/a", "/b"} << QStringList {"/a", "/b"};
    QTest::newRow("negative-count") << -5 << QStringList {"/a"} << QStringList {};
    QTest::newRow("duplicates-kept") << 2 << QStringList {"/a", "/A"} << QStringList {"/a", "/A"};
}

void TestLayoutManagerMRU::restore()
{
    QFETCH(int, count);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, expected);
    if (count != -1) {
        FStorage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), count);
        for (int i = 0; i < stored.size(); ++i)
            FStorage->WriteString(
                QStringLiteral("MRU"), QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), stored.at(i));
    }
    QMenu file;
    TLayoutManagerMRU mru;
    mru.SetMenuItem(&file);
    mru.Add(QStringLiteral("/old"));
    mru.SetStorage(FStorage);
    mru.Restore();
    QCOMPARE(mru.List(), expected);
    QVERIFY(!FStorage->Opened());
    QCOMPARE(file.actions().size(), expected.size() + 1);
    QCOMPARE(file.actions().at(0)->objectName(), QStringLiteral("mru_Separator"));
}

void TestLayoutManagerMRU::restoringManyThenAddTrims()
{
    FStorage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 25);
    for (int i = 0; i < 25; ++i)
        FStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')),
            QStringLiteral("/f%1").arg(i));
    TLayoutManagerMRU mru;
    mru.SetStorage(FStorage);
    mru.Restore();
    QCOMPARE(mru.Count(), 25);
    mru.Add(QStringLiteral("/new"));
    QCOMPARE(mru.Count(), 10);
    QCOMPARE(mru.Items(0), QStringLiteral("/f16"));
    QCOMPARE(mru.Items(9), QStringLiteral("/new"));
}

void TestLayoutManagerMRU::saveWritesCountAndEntries()
{
    FStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("stale"), QStringLiteral("x"));
    TLayoutManagerMRU mru;
    mru.SetStorage(FStorage);
    mru.Add(QStringLiteral("C:/a b/one.json"));
    mru.Add(QStringLiteral("/two.json"));
    mru.Save();
    QVERIFY(!FStorage->Opened());
    QStringList names;
    FStorage->ReadSection(QStringLiteral("MRU"), names);
    QCOMPARE(names, (QStringList {QStringLiteral("Count"), QStringLiteral("000"), QStringLiteral("001")}));
    QCOMPARE(FStorage->ReadInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 0), 2);
    QCOMPARE(FStorage->ReadString(QStringLiteral("MRU"), QStringLiteral("000"), QString()),
        QStringLiteral("C:/a b/one.json"));
    // A custom section name.
    mru.SetSectionName(QStringLiteral("Recent"));
    mru.Save();
    QVERIFY(FStorage->SectionExists(QStringLiteral("Recent")));
}

void TestLayoutManagerMRU::savingEmptyListDeletesSection()
{
    FStorage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 1);
    FStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("000"), QStringLiteral("/a"));
    TLayoutManagerMRU mru;
    mru.SetStorage(FStorage);
    mru.Save();
    QVERIFY(!FStorage->SectionExists(QStringLiteral("MRU")));
}

void TestLayoutManagerMRU::noStorage()
{
    TLayoutManagerMRU mru;
    mru.Add(QStringLiteral("/a"));
    for (int pass = 0; pass < 2; ++pass) {
        try {
            pass == 0 ? mru.Restore() : mru.Save();
            QFAIL("no error");
        } catch (const ELayoutManagerMRU& e) {
            QCOMPARE(e.Message(), QStringLiteral("TLayoutManagerMRU: Storage is not assigned"));
        }
        QCOMPARE(mru.List(), QStringList {QStringLiteral("/a")});
    }
}

void TestLayoutManagerMRU::menuEntries()
{
    QMenu file;
    file.addAction(QStringLiteral("&Open"))->setObjectName(QStringLiteral("acOpen"));
    TLayoutManagerMRU mru;
    QList<int> asked;
    mru.SetImages([&asked](int AIndex) {
        asked.append(AIndex);
        return QIcon();
    });
    mru.SetStartImageIndex(100);
    mru.SetMenuItem(&file);
    // Even an empty list shows its separator.
    QCOMPARE(MenuNames(&file), (QStringList {QStringLiteral("acOpen"), QStringLiteral("mru_Separator")}));
    // A line, with no text that the menu would show.
    QVERIFY(file.actions().at(1)->isSeparator());
    QCOMPARE(file.actions().at(1)->text(), QString());
    mru.Add(QStringLiteral("/a&b.json"));
    mru.Add(QStringLiteral("/c.json"));
    QCOMPARE(MenuNames(&file),
        (QStringList {QStringLiteral("acOpen"), QStringLiteral("mru_Separator"), QStringLiteral("mru_0"),
            QStringLiteral("mru_1")}));
    QAction* second = file.actions().at(3);
    QCOMPARE(second->data().toInt(), 1);
    QCOMPARE(second->property("ImageIndex").toInt(), 101);
    QCOMPARE(asked.last(), 101);
    // The caption is the path itself: no numbering, no accelerator.
    QCOMPARE(file.actions().at(2)->text(), QStringLiteral("/a&&b.json"));
    QCOMPARE(file.actions().at(2)->iconText(), QStringLiteral("/a&b.json"));
}

void TestLayoutManagerMRU::foreignMruEntriesAreRemoved()
{
    QMenu file;
    auto* foreign = file.addAction(QStringLiteral("x"));
    foreign->setObjectName(QStringLiteral("mru_Foreign"));
    auto* other = file.addAction(QStringLiteral("y"));
    other->setObjectName(QStringLiteral("MRU_upper"));
    TLayoutManagerMRU mru;
    mru.SetMenuItem(&file);
    QCOMPARE(MenuNames(&file), (QStringList {QStringLiteral("MRU_upper"), QStringLiteral("mru_Separator")}));
}

void TestLayoutManagerMRU::clickReportsEntry()
{
    QMenu file;
    TLayoutManagerMRU mru;
    mru.SetMenuItem(&file);
    mru.Add(QStringLiteral("/a"));
    mru.Add(QStringLiteral("/b"));
    QStringList clicked;
    TLayoutManagerMRU* sender = nullptr;
    mru.SetOnMenuClick([&](TLayoutManagerMRU* s, const QString& AItem) {
        sender = s;
        clicked.append(AItem);
    });
    file.actions().at(2)->trigger();
    QCOMPARE(clicked, QStringList {QStringLiteral("/b")});
    QCOMPARE(sender, &mru);
    // Taking the list off its menu takes its entries along.
    mru.SetMenuItem(nullptr);
    QVERIFY(file.actions().isEmpty());
}

void TestLayoutManagerMRU::hostChangeMovesEntries()
{
    QMenu file;
    QMenu popup;
    TLayoutManagerMRU mru;
    mru.Add(QStringLiteral("/a"));
    mru.SetMenuItem(&file);
    QCOMPARE(file.actions().size(), 2);
    mru.SetMenu(&popup);
    QVERIFY(!mru.MenuItem());
    QCOMPARE(file.actions().size(), 0);
    QCOMPARE(MenuNames(&popup), (QStringList {QStringLiteral("mru_Separator"), QStringLiteral("mru_0")}));
    mru.SetMenuItem(&file);
    QVERIFY(!mru.Menu());
    QCOMPARE(popup.actions().size(), 0);
    QCOMPARE(file.actions().size(), 2);
}

QTEST_MAIN(TestLayoutManagerMRU)
#include "tst_layoutmanagermru.moc"
