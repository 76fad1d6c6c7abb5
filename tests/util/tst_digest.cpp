// Digests, the reading behind them, the file title, hexadecimal text, time conversion and the
// executable kinds read from file headers.
#include "util/FileUtils.h"
#include "util/MappedFile.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray RandomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The upper-case digest that md5sum, sha1sum or sha256sum print for PATH.
QString ToolDigest(const QString& tool, const QString& path)
{
    QProcess process;
    process.start(tool, {path});
    if (!process.waitForFinished(120000))
        return QStringLiteral("(%1 did not finish)").arg(tool);
    return QString::fromLatin1(process.readAllStandardOutput().split(' ').value(0)).toUpper();
}

QString HexOfFile(const QString& path, ALG_ID algorithm, uint32_t chunk)
{
    QByteArray digest;
    HashFile(path, algorithm, chunk, digest);
    return BytesToHex(digest);
}

} // namespace

class TestDigest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void hashFileMatchesTools_data();
    void hashFileMatchesTools();
    void hashBufferChunks_data();
    void hashBufferChunks();
    void noDigest_data();
    void noDigest();
    void shrunkFileGivesNoDigest();
    void replacedFileKeepsWhatWasOpened();
    void truncationRaceDoesNotCrash();
    void sizeAbove4GiB();
    void bytesToHex_data();
    void bytesToHex();
    void extractFileTitle_data();
    void extractFileTitle();
    void fileTimeToDateTime_data();
    void fileTimeToDateTime();
    void localTime();
    void binaryType_data();
    void binaryType();

private:
    QTemporaryDir FDir;
    QString Path(const QString& name) const { return FDir.filePath(name); }
};

void TestDigest::initTestCase()
{
    QVERIFY(FDir.isValid());
}

void TestDigest::hashFileMatchesTools_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<uint>("chunk");
    const qsizetype sizes[] = {1, 10, 1023, 1024, 1025, 3 * 1024 * 1024 + 7};
    const uint chunks[] = {1024, 1, 7, 5u << 20};
    for (qsizetype size : sizes)
        for (uint chunk : chunks)
            if (!(chunk == 1 && size > 4096)) // byte-by-byte feeding of megabytes only costs time
                QTest::addRow("%lld bytes, chunk %u", qlonglong(size), chunk) << size << chunk;
}

void TestDigest::hashFileMatchesTools()
{
    QFETCH(qsizetype, size);
    QFETCH(uint, chunk);
    const QString path = Path(QStringLiteral("data-%1.bin").arg(size));
    if (!QFile::exists(path))
        QVERIFY(WriteFile(path, RandomBytes(size, quint32(size))));
    QCOMPARE(HexOfFile(path, CALG_MD5, chunk), ToolDigest(QStringLiteral("md5sum"), path));
    QCOMPARE(HexOfFile(path, CALG_SHA1, chunk), ToolDigest(QStringLiteral("sha1sum"), path));
    QCOMPARE(HexOfFile(path, CALG_SHA_256, chunk), ToolDigest(QStringLiteral("sha256sum"), path));
}

void TestDigest::hashBufferChunks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<uint>("chunk");
    QTest::addColumn<QString>("md5");
    QTest::newRow("abc") << QByteArray("abc") << 1024u << QStringLiteral("900150983CD24FB0D6963F7D28E17F72");
    QTest::newRow("abc, chunk 1") << QByteArray("abc") << 1u
                                  << QStringLiteral("900150983CD24FB0D6963F7D28E17F72");
    QTest::newRow("1024 bytes in one chunk")
        << QByteArray(1024, 'a') << 1024u << QStringLiteral("C9A34CFC85D982698C6AC89F76071ABD");
    QTest::newRow("1025 bytes in 1024 + 1")
        << QByteArray(1025, 'a') << 1024u << QStringLiteral("AE187E1FEBEE2A150B64849C32D566CA");
    QTest::newRow("10 bytes in one chunk of 10")
        << QByteArray(10, 'a') << 1024u << QStringLiteral("E09C80C42FDA55F9D992E59CA6B3307D");
    QTest::newRow("total 0") << QByteArray() << 1024u << QString();
    QTest::newRow("chunk 0") << QByteArray("abc") << 0u << QString();
}

void TestDigest::hashBufferChunks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(uint, chunk);
    QFETCH(QString, md5);
    QByteArray digest("stale");
    HashBuffer(bytes.constData(), CALG_MD5, chunk, digest, bytes.size());
    QCOMPARE(BytesToHex(digest), md5);
}

void TestDigest::noDigest_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ALG_ID>("algorithm");
    QTest::addColumn<uint>("chunk");
    QTest::addColumn<QString>("expected"); // what a digest holding "old" holds afterwards
    QTest::newRow("missing file keeps the digest") << "missing.bin" << CALG_MD5 << 1024u << "6F6C64";
    QTest::newRow("directory keeps the digest") << "folder" << CALG_MD5 << 1024u << "6F6C64";
    QTest::newRow("empty file keeps the digest") << "empty.bin" << CALG_MD5 << 1024u << "6F6C64";
    QTest::newRow("chunk 0 gives none") << "small.bin" << CALG_MD5 << 0u << "";
    QTest::newRow("unknown algorithm gives none") << "small.bin" << ALG_ID(0x8001) << 1024u << "";
}

void TestDigest::noDigest()
{
    QFETCH(QString, name);
    QFETCH(ALG_ID, algorithm);
    QFETCH(uint, chunk);
    QFETCH(QString, expected);
    QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("folder")));
    QVERIFY(WriteFile(Path(QStringLiteral("empty.bin")), {}));
    QVERIFY(WriteFile(Path(QStringLiteral("small.bin")), "abc"));
    QByteArray digest("old");
    HashFile(Path(name), algorithm, chunk, digest);
    QCOMPARE(BytesToHex(digest), expected);
    // The caller's usual empty digest stays empty.
    QByteArray empty;
    HashFile(Path(name), algorithm, chunk, empty);
    QVERIFY(empty.isEmpty());
}

// A file truncated after it was opened must not be read past its new end (a mapped view would raise
// SIGBUS there), and the half that was read is no digest of the file.
void TestDigest::shrunkFileGivesNoDigest()
{
    const QString path = Path(QStringLiteral("shrinking.bin"));
    QVERIFY(WriteFile(path, RandomBytes(3 << 20, 7)));
    const TMappedFile file(path);
    QVERIFY(file.IsOpen());
    QCOMPARE(file.Size(), int64_t(3 << 20));
    QCOMPARE(truncate(QFile::encodeName(path).constData(), 1 << 20), 0);
    QByteArray digest("old");
    HashMappedFile(file, CALG_SHA1, 1024, digest);
    QVERIFY(digest.isEmpty());
}

// A file replaced by another one (saved by renaming over it) is hashed as it was when opened.
void TestDigest::replacedFileKeepsWhatWasOpened()
{
    const QString path = Path(QStringLiteral("replaced.bin"));
    const QByteArray before = RandomBytes(100000, 1);
    QVERIFY(WriteFile(path, before));
    const TMappedFile file(path);
    QVERIFY(WriteFile(path + QStringLiteral(".new"), "short"));
    QCOMPARE(rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                 QFile::encodeName(path).constData()),
        0);
    QByteArray digest;
    HashMappedFile(file, CALG_MD5, 1024, digest);
    QByteArray expected;
    HashBuffer(before.constData(), CALG_MD5, 1024, expected, before.size());
    QCOMPARE(BytesToHex(digest), BytesToHex(expected));
}

// Hashing while another thread keeps cutting and refilling the file: the process survives, and a
// digest, when one is given, is a whole digest.
void TestDigest::truncationRaceDoesNotCrash()
{
    const QString path = Path(QStringLiteral("race.bin"));
    const QByteArray full = RandomBytes(8 << 20, 3);
    QVERIFY(WriteFile(path, full));
    std::atomic<bool> stop {false};
    const QByteArray native = QFile::encodeName(path);
    std::thread cutter([&] {
        while (!stop.load()) {
            (void)truncate(native.constData(), 4096);
            const int fd = open(native.constData(), O_WRONLY);
            if (fd >= 0) {
                (void)pwrite(fd, full.constData(), size_t(full.size()), 0);
                close(fd);
            }
        }
    });
    int digests = 0;
    for (int round = 0; round < 20; ++round) {
        QByteArray digest;
        HashFile(path, CALG_MD5, 1024, digest);
        if (!digest.isEmpty()) {
            ++digests;
            QCOMPARE(digest.size(), 16);
        }
    }
    stop = true;
    cutter.join();
    qInfo("%d of 20 rounds gave a digest", digests);
}

// The size beyond 32 bits; hashing 4 GiB is only done on request (QUILLON_SLOW_TESTS=1).
void TestDigest::sizeAbove4GiB()
{
    const QString path = Path(QStringLiteral("huge.bin"));
    const int64_t size = (int64_t(1) << 32) + 5;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(size))
            QSKIP("no sparse file of 4 GiB here");
        file.seek(size - 3);
        file.write("end");
    }
    const TMappedFile file(path);
    QCOMPARE(file.Size(), size);
    if (qEnvironmentVariable("QUILLON_SLOW_TESTS") != u"1") {
        QFile::remove(path);
        QSKIP("set QUILLON_SLOW_TESTS=1 to hash 4 GiB");
    }
    QCOMPARE(HexOfFile(path, CALG_MD5, 1024), ToolDigest(QStringLiteral("md5sum"), path));
    QCOMPARE(HexOfFile(path, CALG_SHA1, 1024), ToolDigest(QStringLiteral("sha1sum"), path));
    QFile::remove(path);
}

void TestDigest::bytesToHex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("hex");
    QTest::newRow("0A FF") << QByteArray("\x0a\xff") << "0AFF";
    QTest::newRow("no bytes") << QByteArray() << "";
    QTest::newRow("zero byte") << QByteArray(1, '\0') << "00";
    QTest::newRow("all digits") << QByteArray("\x01\x23\x45\x67\x89\xab\xcd\xef") << "0123456789ABCDEF";
}

void TestDigest::bytesToHex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, hex);
    QCOMPARE(BytesToHex(bytes), hex);
}

void TestDigest::extractFileTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("data.json") << "/home/u/data.json"
                               << "data";
    QTest::newRow("two dots") << "/home/u/a.b.json"
                              << "a.b";
    QTest::newRow("only a leading dot") << "/home/u/.json"
                                        << "";
    QTest::newRow("no dot") << "/home/u/README"
                            << "README";
    QTest::newRow("dot in the folder") << "/tmp/x.y/z"
                                       << "z";
    QTest::newRow("bare name") << "notes.txt"
                               << "notes";
    QTest::newRow("dot") << "."
                         << ".";
    QTest::newRow("dot dot") << ".."
                             << "..";
    QTest::newRow("trailing dot") << "/x/name."
                                  << "name";
    QTest::newRow("folder path") << "/x/y/"
                                 << "";
    QTest::newRow("non-BMP name") << QStringLiteral("/x/\U0001F600.json") << QStringLiteral("\U0001F600");
}

void TestDigest::extractFileTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ExtractFileTitle(path), title);
}

void TestDigest::fileTimeToDateTime_data()
{
    QTest::addColumn<quint64>("fileTime");
    QTest::addColumn<double>("dateTime");
    const quint64 epoch1970 = 116444736000000000ULL;
    const quint64 day = 864000000000ULL;
    const quint64 day1899 = epoch1970 - 25569 * day; // 1899-12-30
    QTest::newRow("1601-01-01") << quint64(0) << -109205.0;
    QTest::newRow("1899-12-30") << day1899 << 0.0;
    QTest::newRow("1899-12-29 06:00") << day1899 - day + day / 4 << -1.25;
    QTest::newRow("1970-01-01") << epoch1970 << 25569.0;
    QTest::newRow("1970-01-01 12:00") << epoch1970 + day / 2 << 25569.5;
    QTest::newRow("milliseconds kept") << epoch1970 + 1230000 << 25569.0 + 123.0 / 86400000.0;
    QTest::newRow("below a millisecond dropped") << epoch1970 + 9999 << 25569.0;
    QTest::newRow("9999-12-31 23:59:59.999")
        << quint64(3067671) * day - 10000 << 2958465.0 + 86399999.0 / 86400000.0;
    QTest::newRow("year 10000") << quint64(3067671) * day << 0.0;
    QTest::newRow("beyond the signed range") << quint64(0x8000000000000000ULL) << 0.0;
}

void TestDigest::fileTimeToDateTime()
{
    QFETCH(quint64, fileTime);
    QFETCH(double, dateTime);
    QCOMPARE(FileTimeToDateTime(fileTime), dateTime);
}

void TestDigest::localTime()
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "XST-3"); // three hours east of UTC, no daylight saving
    tzset();
    const quint64 epoch1970 = 116444736000000000ULL;
    const double local = FileTimeToDateTime(epoch1970, true);
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
    QCOMPARE(local, 25569.125);
    QCOMPARE(FileTimeToDateTime(epoch1970, false), 25569.0);
}

namespace {

// An executable header: a DOS header pointing at a new header at 0x80.
QByteArray DosHeader(const QByteArray& newHeader)
{
    QByteArray bytes(0x80, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    if (!newHeader.isEmpty()) {
        bytes[0x3C] = char(0x80);
        bytes += newHeader;
    }
    return bytes;
}

QByteArray PeHeader(quint16 magic, quint16 subsystem, quint8 major, quint8 minor, bool dll = false)
{
    QByteArray pe(4 + 20 + 96, '\0');
    pe[0] = 'P';
    pe[1] = 'E';
    pe[22] = 0x02; // executable image
    pe[23] = char(dll ? 0x20 : 0x00);
    pe[24] = char(magic & 0xFF);
    pe[25] = char(magic >> 8);
    pe[24 + 48] = char(major);
    pe[24 + 50] = char(minor);
    pe[24 + 68] = char(subsystem);
    return pe;
}

QByteArray NeHeader(quint8 targetOs, quint16 version)
{
    QByteArray ne(0x40, '\0');
    ne[0] = 'N';
    ne[1] = 'E';
    ne[0x36] = char(targetOs);
    ne[0x3E] = char(version & 0xFF);
    ne[0x3F] = char(version >> 8);
    return ne;
}

} // namespace

void TestDigest::binaryType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("JSON file") << "plain.json" << QByteArray("{\"a\": 1}") << "";
    QTest::newRow("empty file") << "empty.exe" << QByteArray() << "";
    QTest::newRow("DOS program") << "dos.exe" << DosHeader({}) << "DOS Executable";
    QTest::newRow("new header beyond the end") << "cut.exe" << DosHeader("PE") << "DOS Executable";
    QTest::newRow("GUI 4.0") << "gui4.exe" << DosHeader(PeHeader(0x10B, 2, 4, 0)) << "Win32 Executable";
    QTest::newRow("GUI 3.10") << "gui31.exe" << DosHeader(PeHeader(0x10B, 2, 3, 10)) << "Win16 Executable";
    QTest::newRow("console") << "con.exe" << DosHeader(PeHeader(0x10B, 3, 6, 0))
                             << "Win32 Console Executable";
    QTest::newRow("64-bit console") << "con64.exe" << DosHeader(PeHeader(0x20B, 3, 6, 0))
                                    << "Win32 Console Executable";
    QTest::newRow("32-bit GUI 6.0") << "gui6.exe" << DosHeader(PeHeader(0x10B, 2, 6, 0))
                                    << "Win32 Executable";
    QTest::newRow("64-bit GUI 6.0") << "gui64.exe" << DosHeader(PeHeader(0x20B, 2, 6, 0)) << "";
    QTest::newRow("library") << "lib.dll" << DosHeader(PeHeader(0x10B, 2, 4, 0, true)) << "";
    QTest::newRow("Windows 3.0 NE") << "w30.exe" << DosHeader(NeHeader(2, 0x0300)) << "Win16 Executable";
    QTest::newRow("Windows 3.1 NE") << "w31.exe" << DosHeader(NeHeader(2, 0x030A)) << "Win16 Executable";
    QTest::newRow("Windows 2.0 NE") << "w20.exe" << DosHeader(NeHeader(2, 0x0200)) << "Win16 Executable";
    QTest::newRow("OS/2 NE") << "os2.exe" << DosHeader(NeHeader(1, 0x0100)) << "OS/2 16 bit Executable";
    QTest::newRow("virtual device driver")
        << "dev.386" << DosHeader(QByteArray("LE\0\0", 4)) << "Virtual Device Driver";
    QTest::newRow("headerless .com") << "prog.COM" << QByteArray("\xb4\x4c\xcd\x21") << "DOS Executable";
    QTest::newRow("batch file") << "run.bat" << QByteArray("@echo off\r\n") << "Win32 Console Executable";
    QTest::newRow("ELF program") << "tool"
                                 << QByteArray("\x7f"
                                               "ELF\x02\x01\x01")
                                 << "";
}

void TestDigest::binaryType()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QVERIFY(WriteFile(Path(name), bytes));
    QCOMPARE(GetBinaryTypeText(Path(name)), text);
}

QTEST_GUILESS_MAIN(TestDigest)
#include "tst_digest.moc"
