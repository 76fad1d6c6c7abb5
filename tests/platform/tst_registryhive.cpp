// The per-user hive: key and value rules, several writing processes, a killed writer, damaged files.
#include "platform/Notice.h"
#include "platform/RegistryHive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

// The value a writer process stores as its n-th value: types cycle so every kind crosses the store.
TRegistryValue WriterValue(int AWriter, int AIndex)
{
    TRegistryValue value;
    const QByteArray text = QByteArray::number(AWriter) + '/' + QByteArray::number(AIndex);
    switch (AIndex % 3) {
    case 0:
        value.Type = REG_SZ;
        value.Data = text;
        break;
    case 1:
        value.Type = REG_DWORD;
        value.Data = QByteArray::number(AWriter * 100000 + AIndex).rightJustified(4, '0').right(4);
        break;
    default:
        value.Type = REG_BINARY;
        value.Data = text.leftJustified(8, '.').left(8);
        break;
    }
    return value;
}

QString WriterName(int AWriter, int AIndex)
{
    return QStringLiteral("w%1_%2").arg(AWriter).arg(AIndex);
}

// Child process: writes ACount values (endless with -1) and prints the name of each acknowledged one.
int RunWriter(const QString& APath, int AWriter, int ACount)
{
    // Writers wait for a common start so that their writes really overlap.
    const QString go = APath + QStringLiteral(".go");
    for (int i = 0; i < 2000 && ACount >= 0 && !QFile::exists(go); ++i)
        QThread::msleep(5);
    std::shared_ptr<TRegistryHive> hive = TRegistryHive::Open(APath);
    if (!hive->IsPersistent())
        return 3;
    for (int i = 0; ACount < 0 || i < ACount; ++i) {
        const TRegistryValue value = WriterValue(AWriter, i);
        // Two keys per writer, and one key all writers share.
        const QString key = (i % 2) ? QStringLiteral("Shared\\All") : QStringLiteral("W%1\\Sub").arg(AWriter);
        if (hive->SetValue(key, WriterName(AWriter, i), value.Type, value.Data) != TRegistryResult::rrOk) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(hive->LastError()));
            return 2;
        }
        std::printf("%s\n", qPrintable(key + QLatin1Char('|') + WriterName(AWriter, i)));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class TestRegistryHive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void keysAndValues();
    void namesIgnoreLetterCaseOfAsciiOnly();
    void valuesEnumerateInInsertionOrder();
    void deleteKeyRemovesSubtree();
    void setValueWithoutKey();
    void oversizedValueIsRefused();
    void defaultPathFollowsTestMode();
    void concurrentWriters();
    void killedWriterKeepsAcknowledgedWrites();
    void writerOutlastsLongLock();
    void damagedStoreIsMovedAside_data();
    void damagedStoreIsMovedAside();
    void unwritableFolderFallsBackToMemory();
    void emptyFileIsANewStore();
    void emptyLockOfAKilledStartIsTakenOver();
    void folderInPlaceOfTheStoreIsLeftAlone();
    void newStoreIsPrivate();
    void fullDiskLeavesNoFile();
    void fullDiskLaterTellsOnceAndKeepsInMemory();
    void readOnlyStoreTellsOnceAndKeepsInMemory_data();
    void readOnlyStoreTellsOnceAndKeepsInMemory();
    void busyStoreDefersWrites();

private:
    QString StorePath() const { return FDir->filePath(QStringLiteral("cfg/registry.db")); }
    // A small file system of its own at FDir/cfg (a tmpfs, where the machine allows mounting one).
    bool MountSmallFileSystem(const QString& AOptions);
    void Unmount();
    QStringList StoreFolderEntries() const
    {
        return QDir(QFileInfo(StorePath()).absolutePath())
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QString FMounted;

    std::unique_ptr<QTemporaryDir> FDir;
    QStringList FNotices;
    TNoticeHandler FOldHandler;
};

void TestRegistryHive::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    FNotices.clear();
    FOldHandler = SetNoticeHandler([this](TNoticeKind, const QString& AText) { FNotices.append(AText); });
}

void TestRegistryHive::cleanup()
{
    Unmount();
    SetNoticeHandler(FOldHandler);
    FDir.reset();
}

bool TestRegistryHive::MountSmallFileSystem(const QString& AOptions)
{
    const QString dir = QFileInfo(StorePath()).absolutePath();
    QDir().mkpath(dir);
    if (::geteuid() != 0)
        return false;
    const QByteArray options = AOptions.toLatin1();
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) != 0)
        return false;
    FMounted = dir;
    return true;
}

void TestRegistryHive::Unmount()
{
    if (!FMounted.isEmpty())
        ::umount2(QFile::encodeName(FMounted).constData(), MNT_DETACH);
    FMounted.clear();
}

void TestRegistryHive::keysAndValues()
{
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QVERIFY(FNotices.isEmpty());
    QVERIFY(!hive->KeyExists(QStringLiteral("Software\\A")));
    QCOMPARE(hive->SetValue(QStringLiteral("Software\\A\\B"), QStringLiteral("v"), REG_BINARY, "xy"),
        TRegistryResult::rrOk);
    // The whole path was created.
    QVERIFY(hive->KeyExists(QStringLiteral("Software")));
    QVERIFY(hive->KeyExists(QStringLiteral("Software\\A")));
    QCOMPARE(hive->SubKeyNames(QStringLiteral("Software")), QStringList {QStringLiteral("A")});
    TRegistryValue value;
    QCOMPARE(hive->QueryValue(QStringLiteral("Software\\A\\B"), QStringLiteral("v"), value),
        TRegistryResult::rrOk);
    QCOMPARE(value.Type, quint32(REG_BINARY));
    QCOMPARE(value.Data, QByteArray("xy"));
    // An empty value stays a value.
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("empty"), REG_SZ, QByteArray()),
        TRegistryResult::rrOk);
    QCOMPARE(hive->QueryValue(QStringLiteral("K"), QStringLiteral("empty"), value), TRegistryResult::rrOk);
    QVERIFY(value.Data.isEmpty());
    QCOMPARE(
        hive->QueryValue(QStringLiteral("K"), QStringLiteral("none"), value), TRegistryResult::rrNotFound);
    QCOMPARE(hive->DeleteValue(QStringLiteral("K"), QStringLiteral("empty")), TRegistryResult::rrOk);
    QCOMPARE(hive->DeleteValue(QStringLiteral("K"), QStringLiteral("empty")), TRegistryResult::rrNotFound);
    QVERIFY(hive->CheckIntegrity());

    // Everything survives reopening the file.
    hive.reset();
    hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->ValueExists(QStringLiteral("software\\a\\b"), QStringLiteral("V")));
    QVERIFY(FNotices.isEmpty());
}

void TestRegistryHive::namesIgnoreLetterCaseOfAsciiOnly()
{
    auto hive = TRegistryHive::Open(StorePath());
    hive->SetValue(QStringLiteral("Twnd_Main"), QStringLiteral("Pos"), REG_SZ, "1");
    hive->SetValue(QStringLiteral("TWND_MAIN"), QStringLiteral("POS"), REG_SZ, "2");
    QCOMPARE(hive->ValueNames(QStringLiteral("twnd_main")), QStringList {QStringLiteral("Pos")});
    TRegistryValue value;
    hive->QueryValue(QStringLiteral("Twnd_Main"), QStringLiteral("pos"), value);
    QCOMPARE(value.Data, QByteArray("2"));
    // Letters beyond ASCII are compared as they are.
    hive->SetValue(QStringLiteral("K"), QString::fromUtf8("Ä"), REG_SZ, "a");
    QVERIFY(!hive->ValueExists(QStringLiteral("K"), QString::fromUtf8("ä")));
    // Empty path parts do not count.
    QVERIFY(hive->KeyExists(QStringLiteral("\\twnd_main\\")));
}

void TestRegistryHive::valuesEnumerateInInsertionOrder()
{
    auto hive = TRegistryHive::Open(StorePath());
    for (const char* name : {"zeta", "Alpha", "mid", "001"})
        hive->SetValue(QStringLiteral("K"), QLatin1String(name), REG_DWORD, QByteArray(4, '\0'));
    // Rewriting a value (even with another type) keeps its place.
    hive->SetValue(QStringLiteral("K"), QStringLiteral("ALPHA"), REG_SZ, "x");
    QCOMPARE(hive->ValueNames(QStringLiteral("K")),
        (QStringList {
            QStringLiteral("zeta"), QStringLiteral("Alpha"), QStringLiteral("mid"), QStringLiteral("001")}));
    hive->DeleteValue(QStringLiteral("K"), QStringLiteral("zeta"));
    hive->SetValue(QStringLiteral("K"), QStringLiteral("zeta"), REG_SZ, "x");
    QCOMPARE(hive->ValueNames(QStringLiteral("K")).last(), QStringLiteral("zeta"));
}

void TestRegistryHive::deleteKeyRemovesSubtree()
{
    auto hive = TRegistryHive::Open(StorePath());
    hive->SetValue(QStringLiteral("R\\A"), QStringLiteral("v"), REG_SZ, "1");
    hive->SetValue(QStringLiteral("R\\A\\B\\C"), QStringLiteral("v"), REG_SZ, "1");
    // Neighbours whose names merely start alike stay.
    hive->SetValue(QStringLiteral("R\\AB"), QStringLiteral("v"), REG_SZ, "1");
    hive->SetValue(QStringLiteral("R\\A]"), QStringLiteral("v"), REG_SZ, "1");
    QVERIFY(hive->DeleteKey(QStringLiteral("r\\a")));
    QVERIFY(!hive->KeyExists(QStringLiteral("R\\A")));
    QVERIFY(!hive->KeyExists(QStringLiteral("R\\A\\B")));
    QVERIFY(!hive->ValueExists(QStringLiteral("R\\A\\B\\C"), QStringLiteral("v")));
    QVERIFY(hive->ValueExists(QStringLiteral("R\\AB"), QStringLiteral("v")));
    QVERIFY(hive->ValueExists(QStringLiteral("R\\A]"), QStringLiteral("v")));
    QVERIFY(!hive->DeleteKey(QStringLiteral("R\\A")));
    // The root itself cannot go.
    QVERIFY(!hive->DeleteKey(QString()));
    QVERIFY(hive->KeyExists(QString()));
}

void TestRegistryHive::setValueWithoutKey()
{
    auto hive = TRegistryHive::Open(StorePath());
    QCOMPARE(hive->SetValue(QStringLiteral("Missing"), QStringLiteral("v"), REG_SZ, "1", false),
        TRegistryResult::rrNotFound);
    QVERIFY(!hive->KeyExists(QStringLiteral("Missing")));
}

void TestRegistryHive::oversizedValueIsRefused()
{
    auto hive = TRegistryHive::Open(StorePath());
    const QByteArray big(TRegistryHive::MaxValueSize + 1, 'x');
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("big"), REG_BINARY, big),
        TRegistryResult::rrFailed);
    QVERIFY(hive->KeyExists(QStringLiteral("K")));
    QVERIFY(!hive->ValueExists(QStringLiteral("K"), QStringLiteral("big")));
}

void TestRegistryHive::defaultPathFollowsTestMode()
{
    // Test mode keeps the user's own store out of reach.
    const QString path = TRegistryHive::DefaultPath();
    QVERIFY2(path.contains(QStringLiteral("qttest")), qPrintable(path));
    QVERIFY(path.endsWith(QStringLiteral("/ravek/quillon/registry.db")));
}

void TestRegistryHive::concurrentWriters()
{
    constexpr int Writers = 4;
    constexpr int Count = 300;
    // Create the store first so the writers also race on opening it, not only on writing.
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int w = 0; w < Writers; ++w) {
        auto proc = std::make_unique<QProcess>();
        proc->start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--writer"), StorePath(), QString::number(w), QString::number(Count)});
        QVERIFY(proc->waitForStarted());
        procs.push_back(std::move(proc));
    }
    QDir().mkpath(QFileInfo(StorePath()).absolutePath());
    QFile go(StorePath() + QStringLiteral(".go"));
    QVERIFY(go.open(QIODevice::WriteOnly));
    go.close();
    QSet<QString> acknowledged;
    for (auto& proc : procs) {
        QVERIFY(proc->waitForFinished(120000));
        QCOMPARE(proc->exitStatus(), QProcess::NormalExit);
        const QByteArray err = proc->readAllStandardError();
        QVERIFY2(proc->exitCode() == 0, err.constData());
        QVERIFY2(!err.contains("locked"), err.constData());
        for (const QByteArray& line : proc->readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                acknowledged.insert(QString::fromUtf8(line));
    }
    QCOMPARE(acknowledged.size(), Writers * Count);
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(FNotices.isEmpty());
    QVERIFY(hive->CheckIntegrity());
    for (int w = 0; w < Writers; ++w) {
        for (int i = 0; i < Count; ++i) {
            const QString key = (i % 2) ? QStringLiteral("Shared\\All") : QStringLiteral("W%1\\Sub").arg(w);
            TRegistryValue value;
            QCOMPARE(hive->QueryValue(key, WriterName(w, i), value), TRegistryResult::rrOk);
            const TRegistryValue expected = WriterValue(w, i);
            QCOMPARE(value.Type, expected.Type);
            QCOMPARE(value.Data, expected.Data);
        }
    }
}

void TestRegistryHive::killedWriterKeepsAcknowledgedWrites()
{
    QProcess proc;
    proc.start(QCoreApplication::applicationFilePath(),
        {QStringLiteral("--writer"), StorePath(), QStringLiteral("7"), QStringLiteral("-1")});
    QVERIFY(proc.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 300) {
        QVERIFY2(proc.waitForReadyRead(30000), proc.readAllStandardError().constData());
        out += proc.readAllStandardOutput();
    }
    ::kill(pid_t(proc.processId()), SIGKILL);
    QVERIFY(proc.waitForFinished(30000));
    QCOMPARE(proc.exitStatus(), QProcess::CrashExit);
    out += proc.readAllStandardOutput();

    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY2(FNotices.isEmpty(), qPrintable(FNotices.join(QLatin1Char('\n'))));
    QVERIFY(hive->CheckIntegrity());
    int checked = 0;
    for (const QByteArray& line : out.split('\n')) {
        // A line cut by the kill is no acknowledgement.
        if (!line.contains('|') || line.endsWith('_'))
            continue;
        const QString text = QString::fromUtf8(line);
        const QString key = text.section(QLatin1Char('|'), 0, 0);
        const QString name = text.section(QLatin1Char('|'), 1);
        QVERIFY2(hive->ValueExists(key, name), qPrintable(text));
        ++checked;
    }
    QVERIFY(checked >= 300);
}

void TestRegistryHive::writerOutlastsLongLock()
{
    auto hive = TRegistryHive::Open(StorePath());
    // Another program holds the write lock longer than SQLite's own busy timeout.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(StorePath()).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread holder([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(6500));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    QElapsedTimer timer;
    timer.start();
    const TRegistryResult result = hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1");
    holder.join();
    sqlite3_close(other);
    QCOMPARE(result, TRegistryResult::rrOk);
    QVERIFY(timer.elapsed() >= 6000);
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
}

void TestRegistryHive::damagedStoreIsMovedAside_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("random-bytes") << "random";
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("foreign-database") << "foreign";
}

void TestRegistryHive::damagedStoreIsMovedAside()
{
    QFETCH(QString, damage);
    QDir().mkpath(QFileInfo(StorePath()).absolutePath());
    QByteArray bytes;
    if (damage == QLatin1String("random")) {
        bytes.resize(8192);
        QRandomGenerator gen(42);
        for (char& c : bytes)
            c = char(gen.bounded(256));
    } else if (damage == QLatin1String("truncated")) {
        {
            auto hive = TRegistryHive::Open(StorePath());
            for (int i = 0; i < 400; ++i)
                hive->SetValue(QStringLiteral("K%1").arg(i % 7), QStringLiteral("value %1").arg(i), REG_SZ,
                    QByteArray(100, 'x'));
        }
        QFile file(StorePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        QVERIFY(bytes.size() > 8192);
        bytes.truncate(bytes.size() / 2 + 100);
    } else if (damage == QLatin1String("foreign")) {
        // A sound database that is not a settings store of this program.
        QFile::remove(StorePath());
        {
            auto hive = TRegistryHive::Open(StorePath());
        }
        QFile file(StorePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        // The application id sits at offset 68 of the header.
        bytes[68] = bytes[69] = bytes[70] = bytes[71] = 0;
    }
    {
        QFile file(StorePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    FNotices.clear();

    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QCOMPARE(FNotices.size(), 1);
    QVERIFY2(FNotices.first().contains(QStringLiteral("damaged")), qPrintable(FNotices.first()));
    QVERIFY(FNotices.first().contains(StorePath()));
    // The damaged file is kept, byte for byte, beside the fresh store.
    const QStringList aside = QDir(QFileInfo(StorePath()).absolutePath())
                                  .entryList({QStringLiteral("registry.db.corrupt-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QVERIFY(FNotices.first().contains(aside.first()));
    QFile kept(QFileInfo(StorePath()).absolutePath() + QLatin1Char('/') + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
    // The fresh store starts empty and works.
    QVERIFY(!hive->KeyExists(QStringLiteral("K0")));
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    QVERIFY(hive->CheckIntegrity());
    hive.reset();
    FNotices.clear();
    hive = TRegistryHive::Open(StorePath());
    QVERIFY(FNotices.isEmpty());
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
}

void TestRegistryHive::unwritableFolderFallsBackToMemory()
{
    // A file where the folder should be: nothing can be created below it.
    QFile blocker(FDir->filePath(QStringLiteral("cfg")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(!hive->IsPersistent());
    QCOMPARE(FNotices.size(), 1);
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
}

void TestRegistryHive::emptyFileIsANewStore()
{
    // What an interrupted first start of an earlier version left: no settings, nothing damaged.
    QDir().mkpath(QFileInfo(StorePath()).absolutePath());
    QFile empty(StorePath());
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QVERIFY2(FNotices.isEmpty(), qPrintable(FNotices.join(QLatin1Char('\n'))));
    QCOMPARE(StoreFolderEntries().filter(QStringLiteral("corrupt")), QStringList());
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    hive.reset();
    hive = TRegistryHive::Open(StorePath());
    QVERIFY(FNotices.isEmpty());
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
}

// A program killed just as it created the store's lock file leaves it empty: the next start takes it over
// within moments instead of waiting out the whole lock wait (half a minute, seen as a frozen start).
void TestRegistryHive::emptyLockOfAKilledStartIsTakenOver()
{
    QDir().mkpath(QFileInfo(StorePath()).absolutePath());
    QFile lock(StorePath() + QStringLiteral(".lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.close();
    QElapsedTimer opening;
    opening.start();
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QVERIFY2(opening.elapsed() < 15000, "the start waited out the lock");
}

void TestRegistryHive::folderInPlaceOfTheStoreIsLeftAlone()
{
    QVERIFY(QDir().mkpath(StorePath() + QStringLiteral("/inside")));
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(!hive->IsPersistent());
    QCOMPARE(FNotices.size(), 1);
    QVERIFY(QFileInfo(StorePath() + QStringLiteral("/inside")).isDir());
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
}

void TestRegistryHive::newStoreIsPrivate()
{
    // It holds the names of the user's recent files.
    const QString path = FDir->filePath(QStringLiteral("a/b/registry.db"));
    auto hive = TRegistryHive::Open(path);
    QVERIFY(hive->IsPersistent());
    QCOMPARE(
        hive->SetValue(QStringLiteral("MRU"), QStringLiteral("000"), REG_SZ, "x"), TRegistryResult::rrOk);
    struct stat st { };
    for (const QString& folder :
        {FDir->filePath(QStringLiteral("a")), FDir->filePath(QStringLiteral("a/b"))}) {
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const QString file = path + QLatin1String(suffix);
        if (!QFileInfo::exists(file) && *suffix)
            continue;
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QVERIFY2((st.st_mode & 0077) == 0, qPrintable(file));
    }
}

void TestRegistryHive::fullDiskLeavesNoFile()
{
    // A file system too small for a store (a failing write, as on a full disk).
    if (!MountSmallFileSystem(QStringLiteral("size=4k")))
        QSKIP("no small file system can be mounted here");
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(!hive->IsPersistent());
    QCOMPARE(FNotices.size(), 1);
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    hive.reset();
    // Nothing half-made stays behind to be taken for a damaged store later.
    QCOMPARE(StoreFolderEntries().filter(QStringLiteral("registry.db")), QStringList());
    Unmount();
    FNotices.clear();
    hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QVERIFY2(FNotices.isEmpty(), qPrintable(FNotices.join(QLatin1Char('\n'))));
}

void TestRegistryHive::fullDiskLaterTellsOnceAndKeepsInMemory()
{
    if (!MountSmallFileSystem(QStringLiteral("size=256k")))
        QSKIP("no small file system can be mounted here");
    auto hive = TRegistryHive::Open(StorePath());
    QVERIFY(hive->IsPersistent());
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("kept"), REG_SZ, "1"), TRegistryResult::rrOk);
    // Writes go on until the disk is full, and after it.
    int i = 0;
    for (; i < 400; ++i)
        QCOMPARE(hive->SetValue(
                     QStringLiteral("K"), QStringLiteral("v%1").arg(i), REG_BINARY, QByteArray(4000, 'x')),
            TRegistryResult::rrOk);
    QVERIFY(!hive->IsPersistent());
    for (int j = 0; j < i; ++j)
        QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v%1").arg(j)));
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("kept")));
    QCoreApplication::processEvents();
    QCOMPARE(FNotices.size(), 1);
    QVERIFY2(FNotices.first().startsWith(QStringLiteral("Settings cannot be saved: ")),
        qPrintable(FNotices.first()));
    hive.reset();
    // What reached the file before is sound.
    FNotices.clear();
    hive = TRegistryHive::Open(StorePath());
    QVERIFY(FNotices.isEmpty());
    QVERIFY(hive->CheckIntegrity());
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("kept")));
}

void TestRegistryHive::readOnlyStoreTellsOnceAndKeepsInMemory_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::newRow("file-read-only") << true;
    QTest::newRow("file-system-read-only") << false;
}

void TestRegistryHive::readOnlyStoreTellsOnceAndKeepsInMemory()
{
    QFETCH(bool, folderWritable);
    const bool root = ::geteuid() == 0;
    // The superuser writes through file modes: a read-only mount stands in for a read-only file.
    if ((root || !folderWritable) && !MountSmallFileSystem(QStringLiteral("size=1m")))
        QSKIP("no file system can be mounted read-only here");
    {
        auto hive = TRegistryHive::Open(StorePath());
        QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("stored"), REG_SZ, "1"),
            TRegistryResult::rrOk);
    }
    const QByteArray before = [this] {
        QFile file(StorePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    if (!FMounted.isEmpty())
        QCOMPARE(::mount(nullptr, QFile::encodeName(FMounted).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                     nullptr),
            0);
    else
        QVERIFY(QFile::setPermissions(StorePath(), QFileDevice::ReadOwner));
    FNotices.clear();
    auto hive = TRegistryHive::Open(StorePath());
    QCoreApplication::processEvents();
    // The stored settings are there for this run.
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("stored")));
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("new"), REG_SZ, "2"), TRegistryResult::rrOk);
    QCOMPARE(
        hive->SetValue(QStringLiteral("K"), QStringLiteral("newer"), REG_SZ, "3"), TRegistryResult::rrOk);
    QVERIFY(hive->DeleteKey(QStringLiteral("K")));
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("last"), REG_SZ, "4"), TRegistryResult::rrOk);
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("last")));
    QVERIFY(!hive->IsPersistent());
    QCoreApplication::processEvents();
    // Told once, whatever the number of saves.
    QCOMPARE(FNotices.size(), 1);
    QVERIFY2(FNotices.first().startsWith(QStringLiteral("Settings cannot be saved: ")),
        qPrintable(FNotices.first()));
    QVERIFY(FNotices.first().contains(QDir::toNativeSeparators(StorePath())));
    hive.reset();
    // The file is untouched and nothing was moved aside.
    QFile file(StorePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(StoreFolderEntries().filter(QStringLiteral("corrupt")), QStringList());
}

void TestRegistryHive::busyStoreDefersWrites()
{
    auto hive = TRegistryHive::Open(StorePath());
    hive->SetWritePolicy(std::chrono::milliseconds(100), true);
    QCOMPARE(
        hive->SetValue(QStringLiteral("K"), QStringLiteral("before"), REG_SZ, "0"), TRegistryResult::rrOk);
    // Another program holds the write lock far longer than the GUI may wait.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(StorePath()).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("v"), REG_SZ, "1"), TRegistryResult::rrOk);
    QCOMPARE(hive->SetValue(QStringLiteral("K"), QStringLiteral("w"), REG_SZ, "2"), TRegistryResult::rrOk);
    hive->DeleteKey(QStringLiteral("K\\Gone"));
    QCOMPARE(hive->DeleteValue(QStringLiteral("K"), QStringLiteral("before")), TRegistryResult::rrOk);
    // Far below the store's own busy timeout of seconds: the GUI stays responsive.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(hive->HasPendingWrites());
    QVERIFY(hive->IsPersistent());
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
    QVERIFY(!hive->ValueExists(QStringLiteral("K"), QStringLiteral("before")));
    // Retried while the lock is still held: kept back again.
    QTest::qWait(700);
    QVERIFY(hive->HasPendingWrites());
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    // The retry writes everything, in order.
    QTRY_VERIFY_WITH_TIMEOUT(!hive->HasPendingWrites(), 10000);
    QVERIFY(FNotices.isEmpty());
    hive.reset();
    hive = TRegistryHive::Open(StorePath());
    TRegistryValue value;
    QCOMPARE(hive->QueryValue(QStringLiteral("K"), QStringLiteral("w"), value), TRegistryResult::rrOk);
    QCOMPARE(value.Data, QByteArray("2"));
    QVERIFY(hive->ValueExists(QStringLiteral("K"), QStringLiteral("v")));
    QVERIFY(!hive->ValueExists(QStringLiteral("K"), QStringLiteral("before")));
}

int main(int argc, char** argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return RunWriter(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), atoi(argv[4]));
    }
    QCoreApplication app(argc, argv);
    TestRegistryHive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registryhive.moc"
