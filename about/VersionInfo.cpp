#include "about/VersionInfo.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TVersionInfo AppVersionInfo;

namespace {

constexpr QByteArrayView VersionSectionName(".quillon.version");
constexpr qsizetype MaxSectionCount = 65536;
constexpr qsizetype MaxSectionNamesSize = 1024 * 1024;

uint16_t Le16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<uint16_t>(bytes.data() + at);
}

uint32_t Le32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<uint32_t>(bytes.data() + at);
}

uint64_t Le64(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<uint64_t>(bytes.data() + at);
}

// Reads exactly SIZE bytes at OFFSET of the open file FD; empty when the file does not hold them.
QByteArray ReadAt(int fd, uint64_t offset, uint64_t size, uint64_t fileSize)
{
    if (offset > fileSize || size > fileSize - offset || size > uint64_t(MaxSectionNamesSize) * 64)
        return {};
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset) + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {};
        done += got;
    }
    return bytes;
}

struct TSection {
    uint32_t Name = 0;
    uint32_t Type = 0;
    uint64_t Offset = 0;
    uint64_t Size = 0;
    uint32_t Link = 0;
};

TSection SectionAt(QByteArrayView table, qsizetype index, qsizetype entrySize)
{
    const qsizetype at = index * entrySize;
    return {Le32(table, at), Le32(table, at + 4), Le64(table, at + 24), Le64(table, at + 32),
        Le32(table, at + 40)};
}

// The bytes of the version section of the 64-bit little-endian ELF file FD; empty when it has none.
QByteArray FindVersionSection(int fd, uint64_t fileSize)
{
    constexpr uint32_t SHT_NOBITS = 8;
    constexpr qsizetype EntrySize = 64;
    const QByteArray header = ReadAt(fd, 0, 64, fileSize);
    if (header.size() != 64
        || !header.startsWith("\x7F"
                              "ELF")
        || header[4] != 2 || header[5] != 1)
        return {};
    const uint64_t tableOffset = Le64(header, 0x28);
    qsizetype count = Le16(header, 0x3C);
    qsizetype namesIndex = Le16(header, 0x3E);
    if (tableOffset == 0 || Le16(header, 0x3A) != EntrySize)
        return {};
    // Many sections: the real count and the names' index are kept in section 0.
    const QByteArray first = ReadAt(fd, tableOffset, EntrySize, fileSize);
    if (first.size() != EntrySize)
        return {};
    const TSection zero = SectionAt(first, 0, EntrySize);
    if (count == 0)
        count = qsizetype(qMin<uint64_t>(zero.Size, MaxSectionCount + 1));
    if (namesIndex == 0xFFFF)
        namesIndex = qsizetype(zero.Link);
    if (count <= 0 || count > MaxSectionCount || namesIndex >= count)
        return {};
    const QByteArray table = ReadAt(fd, tableOffset, uint64_t(count) * EntrySize, fileSize);
    if (table.size() != count * EntrySize)
        return {};
    const TSection namesSection = SectionAt(table, namesIndex, EntrySize);
    if (namesSection.Type == SHT_NOBITS || namesSection.Size > uint64_t(MaxSectionNamesSize))
        return {};
    const QByteArray names = ReadAt(fd, namesSection.Offset, namesSection.Size, fileSize);
    if (names.size() != qsizetype(namesSection.Size))
        return {};
    for (qsizetype i = 1; i < count; ++i) {
        const TSection section = SectionAt(table, i, EntrySize);
        if (section.Name >= uint64_t(names.size()))
            continue;
        const QByteArrayView rest = QByteArrayView(names).sliced(section.Name);
        const qsizetype end = rest.indexOf('\0');
        if (end < 0 || rest.first(end) != VersionSectionName)
            continue;
        if (section.Type == SHT_NOBITS || section.Size > uint64_t(MaxVersionBlockSize))
            return {};
        return ReadAt(fd, section.Offset, section.Size, fileSize);
    }
    return {};
}

} // namespace

bool ReadVersionInfo(const QString& path, TVersionInfo& info)
{
    info = TVersionInfo();
    info.FileName = path;
    // Non-blocking open and a check of the kind: a FIFO or device is no executable and must not
    // hang the start.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray section;
    struct stat st { };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        section = FindVersionSection(fd, uint64_t(st.st_size));
    ::close(fd);
    return ReadVersionSection(section, info);
}

QString ProgramFilePath()
{
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    // A replaced or deleted executable is still readable through the link itself.
    return target.isEmpty() || !QFileInfo::exists(target) ? QStringLiteral("/proc/self/exe") : target;
}
