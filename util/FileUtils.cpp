#include "util/FileUtils.h"

#include "util/MappedFile.h"

#include "core/Utf.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---- times ----------------------------------------------------------------------------------

constexpr int64_t MsPerDay = 86400000;
constexpr int64_t DaysFrom1601To1899 = 109205; // 1601-01-01 to 1899-12-30
constexpr int64_t DaysFrom1601To10000 = 3067671; // 1601-01-01 to 10000-01-01
constexpr int64_t SecondsFrom1601To1970 = 11644473600;
constexpr int64_t MsFrom1601To1970 = SecondsFrom1601To1970 * 1000;

// Milliseconds since 1601-01-01 as a date-time. Days before 1899-12-30 are negative while the time
// of day still counts forward, so the time is subtracted there (-1.25 is 1899-12-29 06:00).
TDateTime MsSince1601ToDateTime(int64_t AMs)
{
    const int64_t days = AMs / MsPerDay - DaysFrom1601To1899;
    const double time = double(AMs % MsPerDay) / double(MsPerDay);
    return days < 0 ? double(days) - time : double(days) + time;
}

// ---- executable headers ---------------------------------------------------------------------

constexpr uint16_t SigMZ = 0x5A4D;
constexpr uint16_t SigNE = 0x454E;
constexpr uint16_t SigLE = 0x454C;
constexpr uint16_t SigPE = 0x4550;

// Loader codes of executable kinds.
constexpr int SCS_32BIT_BINARY = 0;
constexpr int SCS_DOS_BINARY = 1;
constexpr int SCS_WOW_BINARY = 2;
constexpr int SCS_PIF_BINARY = 3;
constexpr int SCS_POSIX_BINARY = 4;
constexpr int SCS_OS216_BINARY = 5;
constexpr int SCS_64BIT_BINARY = 6;

uint16_t Le16(const unsigned char* AP)
{
    return uint16_t(AP[0] | (AP[1] << 8));
}
uint32_t Le32(const unsigned char* AP)
{
    return uint32_t(AP[0]) | uint32_t(AP[1]) << 8 | uint32_t(AP[2]) << 16 | uint32_t(AP[3]) << 24;
}

// What a file's header says about it: the executable type (low word the header signature, high word
// the Windows version a GUI program expects, 0 when it is no executable) and the loader's kind code
// (-1 when the loader would refuse the file).
struct TExeKind {
    uint32_t ExeType = 0;
    int BinaryType = -1;
};

QString AsciiLower(const QString& AText)
{
    QString lower = AText;
    for (QChar& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return lower;
}

TExeKind ReadExeKind(const QString& APath)
{
    const QString suffix = AsciiLower(QFileInfo(APath).suffix());
    // Batch files count as console programs, as the desktop shell reports them.
    if (suffix == u"bat" || suffix == u"cmd")
        return {SigPE, -1};
    TMappedFile file(APath);
    if (!file.IsOpen())
        return {};
    unsigned char dos[64];
    if (!file.ReadFully(0, reinterpret_cast<char*>(dos), sizeof dos) || Le16(dos) != SigMZ) {
        // Headerless DOS programs and program information files are known by their extension.
        if (suffix == u"com")
            return {SigMZ, SCS_DOS_BINARY};
        if (suffix == u"pif")
            return {SigMZ, SCS_PIF_BINARY};
        return {};
    }
    TExeKind kind {SigMZ, SCS_DOS_BINARY};
    const int64_t newHeader = Le32(dos + 0x3C);
    unsigned char sig[4];
    if (!file.ReadFully(newHeader, reinterpret_cast<char*>(sig), sizeof sig))
        return kind;
    if (sig[0] == 'P' && sig[1] == 'E' && sig[2] == 0 && sig[3] == 0) {
        // Signature, file header (20 bytes) and the optional header up to its Subsystem field.
        unsigned char pe[4 + 20 + 70];
        if (!file.ReadFully(newHeader, reinterpret_cast<char*>(pe), sizeof pe))
            return kind;
        const unsigned char* optional = pe + 24;
        const uint16_t characteristics = Le16(pe + 22);
        const uint16_t magic = Le16(optional);
        const unsigned subsystemVersion = (Le16(optional + 48) & 0xFF) << 8 | (Le16(optional + 50) & 0xFF);
        const uint16_t subsystem = Le16(optional + 68);
        if (characteristics & 0x2000) // a library, not a program
            return {};
        kind.BinaryType = subsystem == 7 ? SCS_POSIX_BINARY
            : magic == 0x20B             ? SCS_64BIT_BINARY
                                         : SCS_32BIT_BINARY;
        kind.ExeType = subsystem == 2 ? SigPE | subsystemVersion << 16 : SigPE; // 2: Windows GUI
        return kind;
    }
    if (sig[0] == 'N' && sig[1] == 'E') {
        unsigned char ne[0x40];
        if (!file.ReadFully(newHeader, reinterpret_cast<char*>(ne), sizeof ne))
            return kind;
        const unsigned targetOs = ne[0x36];
        if (targetOs == 2) { // Windows
            kind.ExeType = SigNE | uint32_t(Le16(ne + 0x3E)) << 16;
            kind.BinaryType = SCS_WOW_BINARY;
        } else if (targetOs == 1) { // OS/2
            kind.ExeType = 0;
            kind.BinaryType = SCS_OS216_BINARY;
        }
        return kind;
    }
    if (sig[0] == 'L' && sig[1] == 'E')
        kind.ExeType = SigLE;
    return kind;
}

QString ExeTypeText(uint32_t AExeType)
{
    if (AExeType == 0)
        return {};
    const uint16_t signature = uint16_t(AExeType & 0xFFFF);
    const uint16_t version = uint16_t(AExeType >> 16);
    if (signature == SigMZ)
        return QStringLiteral("DOS Executable");
    if (signature == SigLE)
        return QStringLiteral("Virtual Device Driver");
    if (signature == SigNE || signature == SigPE || signature == 0) {
        if (version == 0)
            return QStringLiteral("Win32 Console Executable");
        if (version == 0x0300 || version == 0x030A)
            return QStringLiteral("Win16 Executable");
        if (version == 0x0400)
            return QStringLiteral("Win32 Executable");
    }
    return {};
}

QString BinaryTypeText(int ABinaryType)
{
    switch (ABinaryType) {
    case SCS_32BIT_BINARY:
        return QStringLiteral("Win32 Executable");
    case SCS_DOS_BINARY:
        return QStringLiteral("DOS Executable");
    case SCS_WOW_BINARY:
        return QStringLiteral("Win16 Executable");
    case SCS_PIF_BINARY:
        return QStringLiteral("PIF File");
    case SCS_POSIX_BINARY:
        return QStringLiteral("POSIX Executable");
    case SCS_OS216_BINARY:
        return QStringLiteral("OS/2 16 bit Executable");
    default:
        return {};
    }
}

// ---- digests --------------------------------------------------------------------------------

const EVP_MD* DigestOf(ALG_ID AAlgorithm)
{
    switch (AAlgorithm) {
    case CALG_MD5:
        return EVP_md5();
    case CALG_SHA1:
        return EVP_sha1();
    case CALG_SHA_256:
        return EVP_sha256();
    case CALG_SHA_384:
        return EVP_sha384();
    case CALG_SHA_512:
        return EVP_sha512();
    default:
        return nullptr;
    }
}

struct TDigestContextFree {
    void operator()(EVP_MD_CTX* AContext) const { EVP_MD_CTX_free(AContext); }
};
using TDigestContext = std::unique_ptr<EVP_MD_CTX, TDigestContextFree>;

// A started digest of ALGORITHM, or null when the algorithm is unknown or unavailable.
TDigestContext StartDigest(ALG_ID AAlgorithm)
{
    const EVP_MD* md = DigestOf(AAlgorithm);
    if (!md)
        return {};
    TDigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), md, nullptr) != 1)
        return {};
    return context;
}

// Feeds LENGTH bytes in pieces of at most CHUNK bytes; false when the library refused a piece.
bool FeedDigest(EVP_MD_CTX* AContext, const char* AData, int64_t ALength, int64_t AChunk)
{
    while (ALength > 0) {
        const int64_t piece = std::min(AChunk, ALength);
        if (EVP_DigestUpdate(AContext, AData, size_t(piece)) != 1)
            return false;
        AData += piece;
        ALength -= piece;
    }
    return true;
}

void FinishDigest(EVP_MD_CTX* AContext, QByteArray& ADigest)
{
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(AContext, value, &length) == 1)
        ADigest = QByteArray(reinterpret_cast<const char*>(value), qsizetype(length));
}

} // namespace

// ---- file information -----------------------------------------------------------------------

TDateTime FileTimeToDateTime(uint64_t AFileTime, bool ALocalTime)
{
    int64_t ms = int64_t(AFileTime / 10000);
    if (AFileTime > uint64_t(INT64_MAX) || ms >= DaysFrom1601To10000 * MsPerDay)
        return 0;
    if (ALocalTime) {
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms - MsFrom1601To1970, Qt::UTC);
        const QDateTime local = utc.toLocalTime();
        if (local.isValid()) {
            const int64_t shifted = ms + int64_t(local.offsetFromUtc()) * 1000;
            if (shifted >= 0 && shifted < DaysFrom1601To10000 * MsPerDay)
                ms = shifted;
        }
    }
    return MsSince1601ToDateTime(ms);
}

uint64_t UnixTimeToFileTime(int64_t ASeconds, int64_t ANanoseconds)
{
    if (ASeconds < -SecondsFrom1601To1970)
        return 0;
    const uint64_t since1601 = uint64_t(ASeconds + SecondsFrom1601To1970);
    if (since1601 > (UINT64_MAX - 9999999) / 10000000)
        return UINT64_MAX;
    return since1601 * 10000000 + uint64_t(std::clamp<int64_t>(ANanoseconds, 0, 999999999) / 100);
}

void GetFileInfo(const QString& APath, TFileInfo& AInfo, bool ALocalTime)
{
    const QByteArray native = QFile::encodeName(APath);
    // O_NONBLOCK keeps a FIFO from blocking the open.
    const int fd = open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    struct statx st { };
    const bool statted = statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) == 0;
    close(fd);
    if (!statted || S_ISDIR(st.stx_mode))
        return;

    const QFileInfo fileInfo(APath);
    // The icon needs a GUI application (a platform theme); the bench tool runs without one.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        AInfo.IconHandle = QFileIconProvider().icon(fileInfo);

    // The catch-all type for unrecognised content describes nothing ("unknown"): no type name then.
    const QMimeType mimeType = QMimeDatabase().mimeTypeForFile(fileInfo);
    QString typeName = mimeType.isDefault() ? QString() : mimeType.comment();
    if (typeName.size() > 80)
        typeName.truncate(typeName.at(79).isHighSurrogate() ? 79 : 80);
    AInfo.FileType = typeName;

    AInfo.Size = st.stx_size;

    uint32_t attributes = 0;
    // Read-only: this user may not write it, or nobody may (which even the superuser sees that way).
    if ((st.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
        || faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (fileInfo.fileName().startsWith(u'.'))
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    struct stat link { };
    if (lstat(native.constData(), &link) == 0 && S_ISLNK(link.st_mode))
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    AInfo.Attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;

    auto toDateTime = [ALocalTime](const statx_timestamp& t) {
        return FileTimeToDateTime(UnixTimeToFileTime(t.tv_sec, t.tv_nsec), ALocalTime);
    };
    // Not every file system records a birth time; the earlier of the last change of the data and of
    // the entry is the closest stand-in (a creation time later than the last write would be absurd).
    statx_timestamp created = st.stx_mtime;
    if (st.stx_mask & STATX_BTIME)
        created = st.stx_btime;
    else if (st.stx_ctime.tv_sec < created.tv_sec
        || (st.stx_ctime.tv_sec == created.tv_sec && st.stx_ctime.tv_nsec < created.tv_nsec))
        created = st.stx_ctime;
    AInfo.Created = toDateTime(created);
    AInfo.Accessed = toDateTime(st.stx_atime);
    AInfo.Modified = toDateTime(st.stx_mtime);

    AInfo.BinaryType = GetBinaryTypeText(APath);
}

QString GetBinaryTypeText(const QString& APath)
{
    const TExeKind kind = ReadExeKind(APath);
    QString text = ExeTypeText(kind.ExeType);
    if (text.isEmpty())
        text = BinaryTypeText(kind.BinaryType);
    return text;
}

QString ExtractFileTitle(const QString& APath)
{
    const QString name = APath.mid(APath.lastIndexOf(u'/') + 1);
    if (APath == u"." || APath == u"..")
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

// ---- digests --------------------------------------------------------------------------------

void HashBuffer(
    const char* AData, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest, int64_t ATotalLength)
{
    ADigest.clear();
    const int64_t chunk = std::min<int64_t>(AChunkLength, ATotalLength);
    if (chunk <= 0)
        return;
    const TDigestContext context = StartDigest(AAlgorithm);
    if (!context)
        return;
    // A piece the library refuses ends the feeding; the digest of what it took is still given.
    FeedDigest(context.get(), AData, ATotalLength, chunk);
    FinishDigest(context.get(), ADigest);
}

void HashMappedFile(const TMappedFile& AFile, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest)
{
    // An empty file has no content to hash; like an unreadable one it leaves DIGEST as it was.
    if (!AFile.IsOpen() || AFile.Size() == 0)
        return;
    ADigest.clear();
    const int64_t total = AFile.Size();
    const int64_t chunk = std::min<int64_t>(AChunkLength, total);
    if (chunk <= 0)
        return;
    const TDigestContext context = StartDigest(AAlgorithm);
    if (!context)
        return;
    // Read in blocks of about 1 MiB (a whole number of chunks) so that a small chunk length does not
    // cost a system call per chunk; the pieces fed to the digest are still CHUNK bytes long.
    constexpr int64_t TargetBlock = 1 << 20;
    const int64_t block = chunk >= TargetBlock ? TargetBlock : TargetBlock / chunk * chunk;
    std::vector<char> buffer(size_t(std::min(block, total)));
    int64_t done = 0;
    while (done < total) {
        const int64_t want = std::min<int64_t>(int64_t(buffer.size()), total - done);
        // A file that shrank meanwhile ends early; that is no digest of the file, so none is given.
        if (!AFile.ReadFully(done, buffer.data(), want))
            return;
        if (!FeedDigest(context.get(), buffer.data(), want, chunk))
            break;
        done += want;
    }
    FinishDigest(context.get(), ADigest);
}

void HashFile(const QString& APath, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest)
{
    const TMappedFile file(APath);
    HashMappedFile(file, AAlgorithm, AChunkLength, ADigest);
}

QString BytesToHex(const QByteArray& ABytes)
{
    return QString::fromLatin1(ABytes.toHex().toUpper());
}

bool ReadFileBytes(const QString& APath, TByteBuffer& ABytes)
{
    ABytes.Clear();
    const QByteArray native = QFile::encodeName(APath);
    // Non-blocking, so that a FIFO cannot stall the open; regular files ignore the flag.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    ABytes.Reserve(size_t(st.st_size) + 1);
    for (;;) {
        ABytes.EnsureSpare(size_t(1) << 20);
        const ssize_t n = ::read(fd, ABytes.Data() + ABytes.Size(), ABytes.Capacity() - ABytes.Size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            ABytes.Release();
            return false;
        }
        if (n == 0)
            break;
        ABytes.ResizeUninitialized(ABytes.Size() + size_t(n));
    }
    ::close(fd);
    return true;
}

namespace {

// How many bytes at the end of DATA start a UTF-8 sequence that continues beyond it (0 to 3).
size_t IncompleteTail(const char* data, size_t size)
{
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(data[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

bool ReadDocumentBytes(const QString& APath, TByteBuffer& ABytes)
{
    constexpr size_t ChunkSize = size_t(1) << 20;
    ABytes.Clear();
    const QByteArray native = QFile::encodeName(APath);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct TCloser {
        int Fd;
        ~TCloser() { ::close(Fd); }
    } closer {fd};
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const auto fail = [&ABytes] {
        ABytes.Release();
        return false;
    };
    // Until the first zero byte everything is kept; the file's size is reserved once the first chunk
    // shows no zero, so that a long file grows no buffer step by step.
    ABytes.Reserve(size_t(qMin<qint64>(st.st_size, qint64(ChunkSize))) + 1);
    bool cut = false;
    std::unique_ptr<char[]> scratch; // after the cut: the chunk being checked, behind an unfinished sequence
    size_t carry = 0;
    const auto check = [&](size_t AFilled) {
        const size_t tail = IncompleteTail(scratch.get(), AFilled);
        if (!IsValidUtf8(std::string_view(scratch.get(), AFilled - tail)))
            return false;
        std::memmove(scratch.get(), scratch.get() + AFilled - tail, tail);
        carry = tail;
        return true;
    };
    for (;;) {
        char* into = nullptr;
        size_t room = 0;
        if (!cut) {
            if (ABytes.Size() >= ChunkSize && ABytes.Capacity() < size_t(st.st_size) + 1)
                ABytes.Reserve(size_t(st.st_size) + 1);
            // Room for one more byte is enough to see the end of the file; a file that grew meanwhile
            // grows the buffer.
            if (ABytes.Capacity() == ABytes.Size())
                ABytes.EnsureSpare(ChunkSize);
            into = ABytes.Data() + ABytes.Size();
            room = qMin(ABytes.Capacity() - ABytes.Size(), ChunkSize);
        } else {
            into = scratch.get() + carry;
            room = ChunkSize;
        }
        const ssize_t n = ::read(fd, into, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail();
        if (n == 0)
            break;
        if (cut) {
            if (!check(carry + size_t(n)))
                return fail();
            continue;
        }
        const void* nul = std::memchr(into, 0, size_t(n));
        if (!nul) {
            ABytes.ResizeUninitialized(ABytes.Size() + size_t(n));
            continue;
        }
        // The text ends here: the rest of this chunk and of the file is only checked.
        const size_t kept = size_t(static_cast<const char*>(nul) - into);
        scratch = std::make_unique<char[]>(ChunkSize + 4);
        const size_t rest = size_t(n) - kept;
        std::memcpy(scratch.get(), into + kept, rest);
        ABytes.ResizeUninitialized(ABytes.Size() + kept);
        ABytes.ShrinkToFit();
        cut = true;
        if (!check(rest))
            return fail();
    }
    // A sequence cut off by the end of the file.
    if (carry > 0)
        return fail();
    return true;
}

bool SameFile(const QString& AFirst, const QString& ASecond)
{
    const QFileInfo first(AFirst);
    const QFileInfo second(ASecond);
    const QString firstCanonical = first.canonicalFilePath();
    if (!firstCanonical.isEmpty() && firstCanonical == second.canonicalFilePath())
        return true;
    // A hard link, or a folder reached by two mounts, has another path but the same inode.
    struct stat a { };
    struct stat b { };
    if (::stat(QFile::encodeName(AFirst).constData(), &a) == 0
        && ::stat(QFile::encodeName(ASecond).constData(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}
