// The registry storage: value encodings, the type rules of reading, sections and the open/close rules.
#include "settings/LayoutManagerStorage.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

using TReader = std::function<QString(ILayoutManagerStorage&)>;
Q_DECLARE_METATYPE(TReader)

class TestLayoutManagerStorage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void integerEncoding_data();
    void integerEncoding();
    void textIsUtf16WithTerminator();
    void floatsAreEightByteBinary();
    void readRules_data();
    void readRules();
    void missingValuesGiveDefaultsAndCreateNothing();
    void readSectionListsValuesInOrder();
    void deleteSectionRemovesSubtree();
    void rootKeyNameEndsWithOneBackslash();
    void operationsReopenAfterClose();
    void rootKeyChangeReopens();
    void refusedWriteRaises();
    void layoutStorageUsesProgramRoot();

private:
    void Put(const QString& AName, quint32 AType, const QByteArray& AData);

    std::unique_ptr<QTemporaryDir> FDir;
    std::shared_ptr<TRegistryHive> FHive;
    std::shared_ptr<TLayoutManagerRegistryStorage> FStorage;
};

namespace {
const QString Root = QStringLiteral("Software\\Ravek\\Quillon\\1.x\\");
const QString Section = QStringLiteral("Twnd_Test");

QByteArray Le32(quint32 AValue)
{
    QByteArray data(4, '\0');
    qToLittleEndian(AValue, data.data());
    return data;
}

QByteArray Le64(quint64 AValue)
{
    QByteArray data(8, '\0');
    qToLittleEndian(AValue, data.data());
    return data;
}

QByteArray Utf16(const QString& AText)
{
    return TLayoutManagerRegistryStorage::EncodeString(AText);
}
} // namespace

void TestLayoutManagerStorage::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    FHive = TRegistryHive::Open(FDir->filePath(QStringLiteral("registry.db")));
    FStorage = std::make_shared<TLayoutManagerRegistryStorage>();
    FStorage->SetRootKey(FHive);
    FStorage->SetRootKeyName(Root);
}

void TestLayoutManagerStorage::cleanup()
{
    FStorage.reset();
    FHive.reset();
    FDir.reset();
}

void TestLayoutManagerStorage::Put(const QString& AName, quint32 AType, const QByteArray& AData)
{
    QCOMPARE(FHive->SetValue(Root + Section, AName, AType, AData), TRegistryResult::rrOk);
}

void TestLayoutManagerStorage::integerEncoding_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("readBack");
    QTest::newRow("zero") << qint64(0) << quint32(REG_DWORD) << Le32(0) << qint64(0);
    QTest::newRow("minus-one") << qint64(-1) << quint32(REG_DWORD) << Le32(0xFFFFFFFFu) << qint64(-1);
    QTest::newRow("dword-max") << qint64(4294967295LL) << quint32(REG_DWORD) << Le32(0xFFFFFFFFu)
                               << qint64(-1);
    QTest::newRow("qword-min") << qint64(4294967296LL) << quint32(REG_QWORD) << Le64(4294967296ULL)
                               << qint64(4294967296LL);
    QTest::newRow("int32-min") << qint64(-2147483648LL) << quint32(REG_DWORD) << Le32(0x80000000u)
                               << qint64(-2147483648LL);
    // Below -2^31 a DWORD would lose the high bits: the value goes into a QWORD.
    QTest::newRow("below-int32") << qint64(-2147483649LL) << quint32(REG_QWORD)
                                 << Le64(quint64(-2147483649LL)) << qint64(-2147483649LL);
    QTest::newRow("position") << qint64(-8) << quint32(REG_DWORD) << Le32(quint32(-8)) << qint64(-8);
}

void TestLayoutManagerStorage::integerEncoding()
{
    QFETCH(qint64, value);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(qint64, readBack);
    FStorage->WriteInteger(Section, QStringLiteral("v"), value);
    TRegistryValue stored;
    QCOMPARE(FHive->QueryValue(Root + Section, QStringLiteral("v"), stored), TRegistryResult::rrOk);
    QCOMPARE(stored.Type, type);
    QCOMPARE(stored.Data, data);
    QCOMPARE(FStorage->ReadInteger(Section, QStringLiteral("v"), 7), readBack);
}

void TestLayoutManagerStorage::textIsUtf16WithTerminator()
{
    FStorage->WriteString(Section, QStringLiteral("Pos(1920x1080x96)"), QStringLiteral("100,80"));
    TRegistryValue stored;
    FHive->QueryValue(Root + Section, QStringLiteral("pos(1920X1080X96)"), stored);
    QCOMPARE(stored.Type, quint32(REG_SZ));
    QCOMPARE(stored.Data,
        QByteArray("1\0"
                   "0\0"
                   "0\0"
                   ",\0"
                   "8\0"
                   "0\0"
                   "\0\0",
            14));
    QCOMPARE(FStorage->ReadString(Section, QStringLiteral("Pos(1920x1080x96)"), QString()),
        QStringLiteral("100,80"));
    FStorage->WriteBoolean(Section, QStringLiteral("b"), true);
    FHive->QueryValue(Root + Section, QStringLiteral("b"), stored);
    QCOMPARE(stored.Type, quint32(REG_DWORD));
    QCOMPARE(stored.Data, Le32(1));
}

void TestLayoutManagerStorage::floatsAreEightByteBinary()
{
    FStorage->WriteFloat(Section, QStringLiteral("f"), 1.5);
    FStorage->WriteDatetime(Section, QStringLiteral("d"), 45000.25);
    TRegistryValue stored;
    FHive->QueryValue(Root + Section, QStringLiteral("f"), stored);
    QCOMPARE(stored.Type, quint32(REG_BINARY));
    QCOMPARE(stored.Data, Le64(0x3FF8000000000000ULL));
    QCOMPARE(FStorage->ReadFloat(Section, QStringLiteral("f"), 0), 1.5);
    QCOMPARE(FStorage->ReadDatetime(Section, QStringLiteral("d"), 0), 45000.25);
}

void TestLayoutManagerStorage::readRules_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<TReader>("reader");
    QTest::addColumn<QString>("expected"); // the result, or the error text

    const TReader readInteger = [](ILayoutManagerStorage& s) {
        return QString::number(s.ReadInteger(Section, QStringLiteral("v"), 0));
    };
    const TReader readBoolean = [](ILayoutManagerStorage& s) {
        return s.ReadBoolean(Section, QStringLiteral("v"), false) ? QStringLiteral("true")
                                                                  : QStringLiteral("false");
    };
    const TReader readString = [](ILayoutManagerStorage& s) {
        return s.ReadString(Section, QStringLiteral("v"), QStringLiteral("default"));
    };
    const TReader readFloat = [](ILayoutManagerStorage& s) {
        return QString::number(s.ReadFloat(Section, QStringLiteral("v"), 0));
    };
    const TReader readDatetime = [](ILayoutManagerStorage& s) {
        return QString::number(s.ReadDatetime(Section, QStringLiteral("v"), 0));
    };
    const QString getFailed = QStringLiteral("Failed to get data for 'v'");
    const QString badType = QStringLiteral("Invalid data type for 'v'");

    QTest::newRow("boolean-of-qword") << quint32(REG_QWORD) << Le64(1) << readBoolean << getFailed;
    QTest::newRow("boolean-of-dword-5") << quint32(REG_DWORD) << Le32(5) << readBoolean << "true";
    QTest::newRow("boolean-of-dword-0") << quint32(REG_DWORD) << Le32(0) << readBoolean << "false";
    QTest::newRow("boolean-of-sz-1") << quint32(REG_SZ) << Utf16(QStringLiteral("1")) << readBoolean
                                     << badType;
    QTest::newRow("integer-of-sz-8-bytes")
        << quint32(REG_SZ) << Utf16(QStringLiteral("abc")) << readInteger << badType;
    QTest::newRow("integer-of-sz-10-bytes")
        << quint32(REG_SZ) << Utf16(QStringLiteral("abcd")) << readInteger << getFailed;
    QTest::newRow("integer-of-qword")
        << quint32(REG_QWORD) << Le64(1ULL << 40) << readInteger << QString::number(1LL << 40);
    QTest::newRow("integer-of-binary") << quint32(REG_BINARY) << Le32(1) << readInteger << badType;
    QTest::newRow("string-of-expand-sz")
        << quint32(REG_EXPAND_SZ) << Utf16(QStringLiteral("%HOME%\\x")) << readString << "%HOME%\\x";
    QTest::newRow("string-of-dword") << quint32(REG_DWORD) << Le32(1) << readString << badType;
    QTest::newRow("string-ends-at-zero")
        << quint32(REG_SZ) << QByteArray("a\0b\0\0\0c\0", 8) << readString << "ab";
    QTest::newRow("string-empty-data") << quint32(REG_SZ) << QByteArray() << readString << "";
    QTest::newRow("string-long") << quint32(REG_SZ) << Utf16(QString(5000, QLatin1Char('x'))) << readString
                                 << QString(5000, QLatin1Char('x'));
    QTest::newRow("float-of-4-bytes") << quint32(REG_BINARY) << Le32(0) << readFloat << badType;
    QTest::newRow("float-of-9-bytes") << quint32(REG_BINARY) << QByteArray(9, '\0') << readFloat << getFailed;
    QTest::newRow("float-of-dword") << quint32(REG_DWORD) << Le32(0) << readFloat << badType;
    QTest::newRow("datetime-of-sz") << quint32(REG_SZ) << Utf16(QStringLiteral("1")) << readDatetime
                                    << badType;
    QTest::newRow("datetime-of-8-bytes")
        << quint32(REG_BINARY) << Le64(0x3FF8000000000000ULL) << readDatetime << "1.5";
}

void TestLayoutManagerStorage::readRules()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(TReader, reader);
    QFETCH(QString, expected);
    Put(QStringLiteral("v"), type, data);
    QString result;
    try {
        result = reader(*FStorage);
    } catch (const ERegistryException& e) {
        result = e.Message();
        // The error leaves the storage open.
        QVERIFY(FStorage->Opened());
    }
    QCOMPARE(result, expected);
}

void TestLayoutManagerStorage::missingValuesGiveDefaultsAndCreateNothing()
{
    QCOMPARE(FStorage->ReadInteger(QStringLiteral("Missing"), QStringLiteral("v"), 42), 42);
    QCOMPARE(FStorage->ReadString(QStringLiteral("Missing"), QStringLiteral("v"), QStringLiteral("d")),
        QStringLiteral("d"));
    QCOMPARE(FStorage->ReadBoolean(QStringLiteral("Missing"), QStringLiteral("v"), true), true);
    QCOMPARE(FStorage->ReadFloat(QStringLiteral("Missing"), QStringLiteral("v"), 2.5), 2.5);
    QVERIFY(!FStorage->ValueExists(QStringLiteral("Missing"), QStringLiteral("v")));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("Missing")));
    FStorage->DeleteValue(QStringLiteral("Missing"), QStringLiteral("v"));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("Missing")));
    // A section that exists but lacks the value.
    FStorage->WriteInteger(Section, QStringLiteral("other"), 1);
    QCOMPARE(FStorage->ReadInteger(Section, QStringLiteral("v"), 42), 42);
}

void TestLayoutManagerStorage::readSectionListsValuesInOrder()
{
    FStorage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 2);
    FStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("000"), QStringLiteral("a"));
    FStorage->WriteString(QStringLiteral("MRU\\Sub"), QStringLiteral("x"), QStringLiteral("b"));
    FStorage->WriteString(QStringLiteral("MRU"), QStringLiteral("001"), QStringLiteral("c"));
    QStringList list {QStringLiteral("stale")};
    FStorage->ReadSection(QStringLiteral("MRU"), list);
    QCOMPARE(list, (QStringList {QStringLiteral("Count"), QStringLiteral("000"), QStringLiteral("001")}));
    FStorage->ReadSection(QStringLiteral("Missing"), list);
    QVERIFY(list.isEmpty());
}

void TestLayoutManagerStorage::deleteSectionRemovesSubtree()
{
    FStorage->WriteInteger(QStringLiteral("Tmdi\\Memo\\Layout\\Default"), QStringLiteral("v"), 1);
    FStorage->WriteInteger(QStringLiteral("Tmdi\\Memo"), QStringLiteral("v"), 1);
    FStorage->WriteInteger(QStringLiteral("Tmdi"), QStringLiteral("v"), 1);
    FStorage->DeleteSection(QStringLiteral("Tmdi\\Memo"));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("Tmdi\\Memo")));
    QVERIFY(!FStorage->SectionExists(QStringLiteral("Tmdi\\Memo\\Layout\\Default")));
    QVERIFY(FStorage->ValueExists(QStringLiteral("Tmdi"), QStringLiteral("v")));
    FStorage->DeleteSection(QStringLiteral("Tmdi\\Memo"));
    FStorage->DeleteValue(QStringLiteral("Tmdi"), QStringLiteral("v"));
    QVERIFY(!FStorage->ValueExists(QStringLiteral("Tmdi"), QStringLiteral("v")));
    QVERIFY(FStorage->SectionExists(QStringLiteral("Tmdi")));
}

void TestLayoutManagerStorage::rootKeyNameEndsWithOneBackslash()
{
    TLayoutManagerRegistryStorage storage;
    QCOMPARE(storage.RootKeyName(), QStringLiteral("SOFTWARE\\"));
    storage.SetRootKeyName(QStringLiteral("A\\B"));
    QCOMPARE(storage.RootKeyName(), QStringLiteral("A\\B\\"));
    storage.SetRootKeyName(QStringLiteral("A\\B\\"));
    QCOMPARE(storage.RootKeyName(), QStringLiteral("A\\B\\"));
}

void TestLayoutManagerStorage::operationsReopenAfterClose()
{
    QVERIFY(!FStorage->Opened());
    FStorage->Open(false);
    QVERIFY(FStorage->Opened());
    FStorage->Close();
    QVERIFY(!FStorage->Opened());
    FStorage->WriteInteger(Section, QStringLiteral("v"), 3);
    QVERIFY(FStorage->Opened());
    FStorage->SetOpened(false);
    QCOMPARE(FStorage->ReadInteger(Section, QStringLiteral("v"), 0), 3);
    QVERIFY(FStorage->Opened());
}

void TestLayoutManagerStorage::rootKeyChangeReopens()
{
    auto other = TRegistryHive::Open(FDir->filePath(QStringLiteral("other.db")));
    FStorage->WriteInteger(Section, QStringLiteral("v"), 1);
    FStorage->SetRootKey(other);
    QVERIFY(FStorage->Opened());
    QVERIFY(!FStorage->ValueExists(Section, QStringLiteral("v")));
    FStorage->WriteInteger(Section, QStringLiteral("w"), 2);
    QVERIFY(other->ValueExists(Root + Section, QStringLiteral("w")));
    QVERIFY(!FHive->ValueExists(Root + Section, QStringLiteral("w")));
}

void TestLayoutManagerStorage::refusedWriteRaises()
{
    try {
        FStorage->WriteString(
            Section, QStringLiteral("big"), QString(TRegistryHive::MaxValueSize, QLatin1Char('x')));
        QFAIL("no error");
    } catch (const ERegistryException& e) {
        QCOMPARE(e.Message(), QStringLiteral("Failed to set data for 'big'"));
    }
    QVERIFY(FStorage->SectionExists(Section));
}

void TestLayoutManagerStorage::layoutStorageUsesProgramRoot()
{
    auto storage = std::dynamic_pointer_cast<TLayoutManagerRegistryStorage>(CreateLayoutStorage());
    QVERIFY(storage);
    QCOMPARE(storage->RootKeyName(), QStringLiteral("Software\\Ravek\\Quillon\\1.x\\"));
    QVERIFY(!storage->Opened());
    QVERIFY(!storage->RootKey());
    // Opened, it uses the current user's hive (in test mode) and keeps it across Close.
    storage->Open(true);
    const std::shared_ptr<TRegistryHive> hive = storage->RootKey();
    QVERIFY(hive);
    QCOMPARE(hive->Path(), TRegistryHive::DefaultPath());
    QVERIFY(hive->Path().contains(QStringLiteral("qttest")));
    storage->Close();
    storage->Open(true);
    QCOMPARE(storage->RootKey(), hive);
}

QTEST_GUILESS_MAIN(TestLayoutManagerStorage)
#include "tst_layoutmanagerstorage.moc"
