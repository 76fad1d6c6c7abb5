// Saves that replace a file whole or not at all: contents, permissions and links after a save, and the
// original left byte for byte after every kind of failure.
#include "tests/common/TestFiles.h"
#include "util/SafeSaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Listing(const QString& AFolder)
{
    return QDir(AFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

mode_t ModeOf(const QString& APath)
{
    struct stat st { };
    ::stat(QFile::encodeName(APath).constData(), &st);
    return st.st_mode & 07777;
}

std::string_view View(const QByteArray& AData)
{
    return {AData.constData(), size_t(AData.size())};
}

// Restores the system calls when a test ends, whatever it asserted.
struct TCallsGuard {
    ~TCallsGuard() { SetSafeSaveCalls({}); }
};

// Whether this process may mount file systems of its own (root, in a private mount namespace).
bool CanMount = false;

// A small tmpfs mounted over AFolder for the life of the object.
class TMount {
public:
    TMount(const QString& AFolder, const char* AOptions)
        : FFolder(QFile::encodeName(AFolder))
    {
        FMounted = ::mount("tmpfs", FFolder.constData(), "tmpfs", 0, AOptions) == 0;
    }
    ~TMount()
    {
        if (FMounted)
            ::umount2(FFolder.constData(), MNT_DETACH);
    }
    bool Mounted() const { return FMounted; }
    bool RemountReadOnly()
    {
        return ::mount("tmpfs", FFolder.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray FFolder;
    bool FMounted = false;
};

const QByteArray Original = QByteArrayLiteral("\xEF\xBB\xBF{\r\n  \"kept\": true\r\n}");

} // namespace

class TestSafeSaveFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void replaces_data();
    void replaces();
    void keepsPermissions();
    void newFileFollowsUmask();
    void followsLinks();
    void failedCallLeavesOriginal_data();
    void failedCallLeavesOriginal();
    void refusedPlaces();
    void readOnlyFolder();
    void fullFileSystem();
};

void TestSafeSaveFile::initTestCase()
{
    // Mounts made here vanish with the process and are seen by no one else.
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0)
        CanMount = ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

void TestSafeSaveFile::replaces_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("new file") << false << QByteArray("[1]");
    QTest::newRow("existing file") << true << QByteArray("{\"a\": 1}");
    QTest::newRow("empty data") << true << QByteArray();
    // Several chunks, the last one partial.
    QByteArray big(int(SafeSaveChunk * 3 + SafeSaveChunk / 2), 'x');
    for (int i = 0; i < big.size(); i += 4099)
        big[i] = char('a' + i % 26);
    QTest::newRow("several chunks") << true << big;
}

void TestSafeSaveFile::replaces()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, data);
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.json");
    if (exists)
        WriteFile(path, Original);
    QString error;
    QVERIFY2(SafeSaveFile(path, View(data), error), qPrintable(error));
    QCOMPARE(ReadAll(path), data);
    // No temporary file is left behind.
    QCOMPARE(Listing(dir.path()), QStringList {"doc.json"});
}

void TestSafeSaveFile::keepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.json");
    WriteFile(path, Original);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    QString error;
    QVERIFY2(SafeSaveFile(path, "[]", error), qPrintable(error));
    QCOMPARE(ModeOf(path), mode_t(0640));
}

void TestSafeSaveFile::newFileFollowsUmask()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.json");
    const mode_t previous = ::umask(022);
    QString error;
    const bool saved = SafeSaveFile(path, "[]", error);
    ::umask(previous);
    QVERIFY2(saved, qPrintable(error));
    QCOMPARE(ModeOf(path), mode_t(0644));
}

void TestSafeSaveFile::followsLinks()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("data"));
    const QString target = dir.filePath("data/real.json");
    WriteFile(target, Original);
    // A relative link to a relative link.
    QVERIFY(QFile::link("data/real.json", dir.filePath("middle.json")));
    QVERIFY(QFile::link("middle.json", dir.filePath("link.json")));
    QCOMPARE(SafeSaveTarget(dir.filePath("link.json")), target);
    QString error;
    QVERIFY2(SafeSaveFile(dir.filePath("link.json"), "[2]", error), qPrintable(error));
    QCOMPARE(ReadAll(target), QByteArray("[2]"));
    QCOMPARE(QFileInfo(dir.filePath("link.json")).symLinkTarget(), dir.filePath("middle.json"));
    QVERIFY(QFileInfo(dir.filePath("middle.json")).isSymLink());
    QCOMPARE(Listing(dir.filePath("data")), QStringList {"real.json"});

    // A loop of links is reported, and nothing is written.
    QVERIFY(QFile::link("loop-b", dir.filePath("loop-a")));
    QVERIFY(QFile::link("loop-a", dir.filePath("loop-b")));
    QVERIFY(!SafeSaveFile(dir.filePath("loop-a"), "[3]", error));
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ELOOP)));
}

void TestSafeSaveFile::failedCallLeavesOriginal_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("errorCode");
    QTest::newRow("disk full after the first chunk") << "write" << ENOSPC;
    QTest::newRow("write takes nothing") << "write0" << ENOSPC;
    QTest::newRow("flush fails") << "sync" << EIO;
    QTest::newRow("rename fails") << "rename" << EXDEV;
}

void TestSafeSaveFile::failedCallLeavesOriginal()
{
    QFETCH(QString, call);
    QFETCH(int, errorCode);
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.json");
    WriteFile(path, Original);
    const TCallsGuard guard;
    TSafeSaveCalls calls;
    int writes = 0;
    if (call == "write")
        calls.Write = [&writes, errorCode](int fd, const void* data, size_t size) -> ssize_t {
            if (writes++ == 0)
                return ::write(fd, data, size);
            errno = errorCode;
            return -1;
        };
    if (call == "write0")
        calls.Write = [](int, const void*, size_t) -> ssize_t { return 0; };
    if (call == "sync")
        calls.Sync = [errorCode](int) {
            errno = errorCode;
            return -1;
        };
    if (call == "rename")
        calls.Rename = [errorCode](const char*, const char*) {
            errno = errorCode;
            return -1;
        };
    SetSafeSaveCalls(calls);
    const QByteArray data(int(SafeSaveChunk * 2), 'y');
    QString error;
    QVERIFY(!SafeSaveFile(path, View(data), error));
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(errorCode)));
    QCOMPARE(ReadAll(path), Original);
    QCOMPARE(Listing(dir.path()), QStringList {"doc.json"});
}

void TestSafeSaveFile::refusedPlaces()
{
    QTemporaryDir dir;
    QString error;
    // The file's folder was removed meanwhile.
    QVERIFY(!SafeSaveFile(dir.filePath("gone/doc.json"), "[]", error));
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
    // A folder is never replaced by a file.
    QVERIFY(QDir(dir.path()).mkdir("folder.json"));
    QVERIFY(!SafeSaveFile(dir.filePath("folder.json"), "[]", error));
    QVERIFY(QFileInfo(dir.filePath("folder.json")).isDir());
    QCOMPARE(Listing(dir.path()), QStringList {"folder.json"});
    // A file the user may not write stays, even in a folder that would let it be replaced (the
    // superuser may write every file).
    if (::geteuid() != 0) {
        const QString path = dir.filePath("locked.json");
        WriteFile(path, Original);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        QVERIFY(!SafeSaveFile(path, "[]", error));
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EACCES)));
        QCOMPARE(ReadAll(path), Original);
        QCOMPARE(Listing(dir.path()), (QStringList {"folder.json", "locked.json"}));
    }
}

void TestSafeSaveFile::readOnlyFolder()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("ro");
    QVERIFY(QDir(dir.path()).mkdir("ro"));
    const QString path = folder + "/doc.json";
    int expected = EACCES;
    std::unique_ptr<TMount> mount;
    if (::geteuid() == 0) {
        // Folder permissions do not hold the superuser back; a read-only file system does.
        if (!CanMount)
            QSKIP("running as the superuser without a mount namespace of its own");
        mount = std::make_unique<TMount>(folder, "size=1m");
        QVERIFY(mount->Mounted());
        WriteFile(path, Original);
        QVERIFY(mount->RemountReadOnly());
        expected = EROFS;
    } else {
        WriteFile(path, Original);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    }
    QString error;
    const bool saved = SafeSaveFile(path, "[\"new\"]", error);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY(!saved);
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(expected)));
    QCOMPARE(ReadAll(path), Original);
    QCOMPARE(Listing(folder), QStringList {"doc.json"});
}

void TestSafeSaveFile::fullFileSystem()
{
    if (!CanMount)
        QSKIP("no file system of our own to fill (needs the superuser); the write seam covers a full disk");
    QTemporaryDir dir;
    const QString folder = dir.filePath("small");
    QVERIFY(QDir(dir.path()).mkdir("small"));
    const TMount mount(folder, "size=256k");
    QVERIFY(mount.Mounted());
    const QString path = folder + "/doc.json";
    WriteFile(path, Original);
    const QByteArray data(1 << 20, 'z');
    QString error;
    QVERIFY(!SafeSaveFile(path, View(data), error));
    QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    QCOMPARE(ReadAll(path), Original);
    QCOMPARE(Listing(folder), QStringList {"doc.json"});
    // The space is free again: a save that fits succeeds.
    QVERIFY2(SafeSaveFile(path, "[]", error), qPrintable(error));
    QCOMPARE(ReadAll(path), QByteArray("[]"));
}

QTEST_GUILESS_MAIN(TestSafeSaveFile)
#include "tst_safesavefile.moc"
