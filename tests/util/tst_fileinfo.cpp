// GetFileInfo: the facts of a file, and a record left as it was when the file cannot be read.
#include "util/FileUtils.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

double DateTimeOf(const QDateTime& time)
{
    return 25569.0 + double(time.toMSecsSinceEpoch()) / 86400000.0;
}

TFileInfo FilledRecord()
{
    TFileInfo info;
    info.Name = QStringLiteral("caller's name");
    info.FileType = QStringLiteral("old type");
    info.Size = 12345;
    info.Created = 1.5;
    info.Accessed = 2.5;
    info.Modified = 3.5;
    info.Attributes = 0x20;
    info.BinaryType = QStringLiteral("old kind");
    return info;
}

bool SameRecord(const TFileInfo& a, const TFileInfo& b)
{
    return a.Name == b.Name && a.FileType == b.FileType && a.Size == b.Size && a.Created == b.Created
        && a.Accessed == b.Accessed && a.Modified == b.Modified && a.Attributes == b.Attributes
        && a.BinaryType == b.BinaryType && a.IconHandle.isNull() == b.IconHandle.isNull();
}

} // namespace

class TestFileInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void jsonFile();
    void unreadable_data();
    void unreadable();
    void attributes();
    void sizeAbove4GiB();
    void fifoDoesNotBlock();

private:
    QTemporaryDir FDir;
};

void TestFileInfo::initTestCase()
{
    QVERIFY(FDir.isValid());
}

void TestFileInfo::jsonFile()
{
    const QString path = FDir.filePath(QStringLiteral("data.json"));
    QVERIFY(WriteFile(path, "{\"name\": [1, 2, 3]}\n"));
    const QDateTime modified = QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 678), Qt::UTC);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        QVERIFY(file.setFileTime(modified.addSecs(60), QFileDevice::FileAccessTime));
    }
    TFileInfo info;
    info.Name = QStringLiteral("kept");
    GetFileInfo(path, info);
    QCOMPARE(info.Name, QStringLiteral("kept"));
    QCOMPARE(info.Size, uint64_t(20));
    QCOMPARE(info.Modified, DateTimeOf(modified));
    QCOMPARE(info.Accessed, DateTimeOf(modified.addSecs(60)));
    QVERIFY(info.Created > 0);
    QVERIFY(info.Created <= DateTimeOf(QDateTime::currentDateTimeUtc()) + 1.0 / 86400);
    QVERIFY(!info.FileType.isEmpty());
    QVERIFY(info.FileType.size() <= 80);
    QCOMPARE(info.FileType, QMimeDatabase().mimeTypeForName(QStringLiteral("application/json")).comment());
    QCOMPARE(info.BinaryType, QString());
    QVERIFY(!info.IconHandle.isNull());
    QCOMPARE(info.Attributes, FILE_ATTRIBUTE_NORMAL);

    // Content nothing recognises has no type name.
    const QString unknown = FDir.filePath(QStringLiteral("noise"));
    QVERIFY(WriteFile(unknown, QByteArray("\x01\x02\x03\xfe\xff\x00\x10", 7)));
    TFileInfo noise;
    GetFileInfo(unknown, noise);
    QCOMPARE(noise.FileType, QString());
    QCOMPARE(noise.Size, uint64_t(7));

    // The same facts again compare equal: the change check relies on that.
    TFileInfo again;
    GetFileInfo(path, again);
    QCOMPARE(again.Modified, info.Modified);
}

void TestFileInfo::unreadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.json";
    QTest::newRow("directory") << "folder";
    QTest::newRow("dangling link") << "dangling";
}

void TestFileInfo::unreadable()
{
    QFETCH(QString, name);
    QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("folder")));
    QFile::link(FDir.filePath(QStringLiteral("nowhere")), FDir.filePath(QStringLiteral("dangling")));
    TFileInfo info = FilledRecord();
    GetFileInfo(FDir.filePath(name), info);
    QVERIFY(SameRecord(info, FilledRecord()));
}

void TestFileInfo::attributes()
{
    const QString hidden = FDir.filePath(QStringLiteral(".hidden.json"));
    QVERIFY(WriteFile(hidden, "[]"));
    TFileInfo info;
    GetFileInfo(hidden, info);
    QCOMPARE(info.Attributes, FILE_ATTRIBUTE_HIDDEN);

    const QString readOnly = FDir.filePath(QStringLiteral("locked.json"));
    QVERIFY(WriteFile(readOnly, "[]"));
    QCOMPARE(chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    GetFileInfo(readOnly, info);
    QCOMPARE(info.Attributes, FILE_ATTRIBUTE_READONLY);

    const QString link = FDir.filePath(QStringLiteral("link.json"));
    QVERIFY(QFile::link(hidden, link));
    GetFileInfo(link, info);
    QCOMPARE(info.Attributes, FILE_ATTRIBUTE_REPARSE_POINT);
    QCOMPARE(info.Size, uint64_t(2));
}

void TestFileInfo::sizeAbove4GiB()
{
    const QString path = FDir.filePath(QStringLiteral("huge.json"));
    const qint64 size = (qint64(1) << 32) + 17;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(size))
            QSKIP("no sparse file of 4 GiB here");
    }
    TFileInfo info;
    GetFileInfo(path, info);
    QCOMPARE(info.Size, uint64_t(size));
    QFile::remove(path);
}

// A named pipe with no writer must not hang the query.
void TestFileInfo::fifoDoesNotBlock()
{
    const QString path = FDir.filePath(QStringLiteral("pipe"));
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    TFileInfo info;
    GetFileInfo(path, info);
    QCOMPARE(info.Size, uint64_t(0));
    QCOMPARE(info.BinaryType, QString());
    QByteArray digest("old");
    HashFile(path, CALG_MD5, 1024, digest);
    QCOMPARE(digest, QByteArray("old"));
}

QTEST_MAIN(TestFileInfo)
#include "tst_fileinfo.moc"
