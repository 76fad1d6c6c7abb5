// The version information: the block the build writes into an executable, read back from the file;
// files without a block, and damaged blocks, read as no version information.
#include "about/VersionInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The offset of the generated block in an executable's bytes. The reader's own code holds the magic
// too, so the block is the one whose strings follow at once.
qsizetype BlockOffset(const QByteArray& bytes)
{
    qsizetype at = -1;
    while ((at = bytes.indexOf("QVERINFO", at + 1)) >= 0) {
        if (bytes.mid(at + VersionBlockHeaderSize, 12) == QByteArrayView("FileVersion\0", 12))
            return at;
    }
    return -1;
}

void PutLe32(QByteArray& bytes, qsizetype at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i) & 0xFF);
}

// A block as the build writes it, for the rules that only the decoder sees.
QByteArray Block(uint32_t fileMS, uint32_t fileLS, uint32_t flags, const QList<QByteArray>& strings)
{
    QByteArray block("QVERINFO");
    block.append(28, '\0');
    PutLe32(block, 12, fileMS);
    PutLe32(block, 16, fileLS);
    PutLe32(block, 20, 0x00010000);
    PutLe32(block, 24, 0);
    PutLe32(block, 28, flags);
    block[32] = char(0x07);
    block[33] = char(0x04);
    block[34] = char(0xB0);
    block[35] = char(0x04);
    for (const QByteArray& s : strings) {
        block += s;
        block += '\0';
    }
    PutLe32(block, 8, uint32_t(block.size()));
    return block;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void programValues();
    void otherBuild();
    void blockRules_data();
    void blockRules();
    void noBlock_data();
    void noBlock();
    void damaged_data();
    void damaged();
};

void TestVersionInfo::programValues()
{
    TVersionInfo info;
    const QString path = QCoreApplication::applicationFilePath();
    QVERIFY(ReadVersionInfo(path, info));
    QCOMPARE(info.FileName, path);
    QCOMPARE(info.ProductName, u"Quillon");
    QCOMPARE(info.Description, u"Quillon");
    QCOMPARE(info.FileVersion, u"1.4.0.0");
    QCOMPARE(info.ProductVersion, u"1.0.0");
    QCOMPARE(info.FileVersionText, u"1.4.0.0");
    QCOMPARE(info.ProductVersionText, u"1.0.0.0");
    QCOMPARE(
        (QList<uint32_t> {info.Major, info.Minor, info.Release, info.Build}), (QList<uint32_t> {1, 4, 0, 0}));
    QCOMPARE((QList<uint32_t> {info.ProductMajor, info.ProductMinor, info.ProductRelease, info.ProductBuild}),
        (QList<uint32_t> {1, 0, 0, 0}));
    QVERIFY(!info.PreReleaseBuild);
    QVERIFY(!info.DebugBuild);
    QVERIFY(!info.PrivateBuild);
    QCOMPARE(info.BuildTimestamp, u"2019-08-21 08:30:41");
    QCOMPARE(info.CompanyName, u"Ravek");
    QCOMPARE(info.Trademarks, u"All rights reserved");
    QCOMPARE(info.Translation, u"040904E4");
    QCOMPARE(info.Copyright, QString::fromUtf8("Copyright \u00A9 2019 Ravek"));
    QVERIFY(info.Comments.isEmpty());
    // The running program finds its own file as well.
    QCOMPARE(ProgramFilePath(), path);
}

void TestVersionInfo::otherBuild()
{
    TVersionInfo info;
    QVERIFY(ReadVersionInfo(QStringLiteral(VERSION_PROBE), info));
    QCOMPARE(info.FileVersion, u"2.0.0.7 BETA 7");
    QCOMPARE(info.ProductVersion, u"2.0.1");
    QVERIFY(info.PreReleaseBuild);
    QVERIFY(info.DebugBuild);
    QCOMPARE(info.Comments, u"A pre-release build");
    QCOMPARE(info.ProductName, u"Quillon Preview"); // a given string replaces the program's
    QCOMPARE(info.CompanyName, u"Ravek");
}

void TestVersionInfo::blockRules_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("fileVersion");
    QTest::addColumn<QString>("productName");
    QTest::addColumn<QString>("translation");
    QTest::newRow("pre-release without build number")
        << Block(0x00020000, 0, VersionFlagPreRelease, {}) << true << "2.0.0.0 BETA"
        << ""
        << "040704B0";
    QTest::newRow("pre-release with build number")
        << Block(0x00020000, 7, VersionFlagPreRelease, {}) << true << "2.0.0.7 BETA 7"
        << ""
        << "040704B0";
    QTest::newRow("parts take 16 bits each") << Block(0xFFFF0001, 0x00020003, 0, {}) << true << "65535.1.2.3"
                                             << ""
                                             << "040704B0";
    QTest::newRow("names ignore case") << Block(0x00010000, 0, 0, {"PRODUCTNAME", "x"}) << true << "1.0.0.0"
                                       << "x"
                                       << "040704B0";
    QByteArray odd = Block(0x00010000, 0, 0, {"ProductName"});
    QTest::newRow("name without value") << odd << false << ""
                                        << ""
                                        << "";
    QByteArray unterminated = Block(0x00010000, 0, 0, {"ProductName", "x"});
    unterminated.chop(1);
    PutLe32(unterminated, 8, uint32_t(unterminated.size()));
    QTest::newRow("last string unterminated") << unterminated << false << ""
                                              << ""
                                              << "";
    QByteArray sizeWrong = Block(0x00010000, 0, 0, {});
    PutLe32(sizeWrong, 8, 99);
    QTest::newRow("size field disagrees") << sizeWrong << false << ""
                                          << ""
                                          << "";
    QTest::newRow("header cut") << Block(0x00010000, 0, 0, {}).first(35) << false << ""
                                << ""
                                << "";
    QByteArray magic = Block(0x00010000, 0, 0, {});
    magic[0] = 'X';
    QTest::newRow("wrong magic") << magic << false << ""
                                 << ""
                                 << "";
}

void TestVersionInfo::blockRules()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, ok);
    TVersionInfo info;
    info.FileName = QStringLiteral("f");
    info.ProductName = QStringLiteral("stale"); // what a refused block must not leave behind
    QCOMPARE(ReadVersionBlock(block, info), ok);
    QTEST(info.FileVersion, "fileVersion");
    QTEST(info.ProductName, "productName");
    QTEST(info.Translation, "translation");
    QCOMPARE(info.FileName, u"f");
}

void TestVersionInfo::noBlock_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file") << "text";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("folder") << "folder";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("library without block") << "library";
    QTest::newRow("ELF header only") << "elfheader";
}

void TestVersionInfo::noBlock()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(kind);
    if (kind == u"text")
        path = WriteFile(dir, kind, "QVERINFO is just text here\n");
    else if (kind == u"empty")
        path = WriteFile(dir, kind, {});
    else if (kind == u"folder")
        path = dir.path();
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // must not hang the reader
    else if (kind == u"library")
        path = QStringLiteral(ABOUT_LIBRARY);
    else if (kind == u"elfheader")
        path = WriteFile(dir, kind, ReadAll(QCoreApplication::applicationFilePath()).first(64));
    QVERIFY(!path.isEmpty());
    TVersionInfo info;
    info.ProductName = QStringLiteral("stale");
    QVERIFY(!ReadVersionInfo(path, info));
    QCOMPARE(info.FileName, path);
    QVERIFY(info.ProductName.isEmpty());
    QVERIFY(info.FileVersion.isEmpty());
    QCOMPARE(info.Major, 0u);
}

void TestVersionInfo::damaged_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("cut inside the block") << "cut";
    QTest::newRow("magic overwritten") << "magic";
    QTest::newRow("size beyond the section") << "size";
    QTest::newRow("strings unterminated") << "strings";
    QTest::newRow("section table beyond the end") << "table";
    QTest::newRow("section count absurd") << "count";
}

void TestVersionInfo::damaged()
{
    QFETCH(QString, damage);
    QByteArray bytes = ReadAll(QCoreApplication::applicationFilePath());
    const qsizetype at = BlockOffset(bytes);
    QVERIFY(at > 0);
    const qsizetype size = qsizetype(uint8_t(bytes[at + 8]) | uint8_t(bytes[at + 9]) << 8);
    if (damage == u"cut")
        bytes.truncate(at + 20);
    else if (damage == u"magic")
        bytes[at] = 'q';
    else if (damage == u"size")
        PutLe32(bytes, at + 8, uint32_t(size + 4096));
    else if (damage == u"strings")
        bytes[at + size - 1] = 'x';
    else if (damage == u"table")
        PutLe32(bytes, 0x28, 0x7FFFFFF0); // e_shoff
    else if (damage == u"count")
        bytes[0x3C] = bytes[0x3D] = char(0xFF); // e_shnum: more sections than the file holds
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = WriteFile(dir, QStringLiteral("exe"), bytes);
    QVERIFY(!path.isEmpty());
    TVersionInfo info;
    QVERIFY(!ReadVersionInfo(path, info));
    QVERIFY(info.ProductName.isEmpty());
    QCOMPARE(info.FileName, path);
}

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
