#include "about/VersionInfo.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TVersionInfo AppVersionInfo;

namespace {

constexpr QByteArrayView VersionBlockMagic("QVERINFO", 8);
constexpr QByteArrayView VersionSectionName(".quillon.version");
constexpr qsizetype MaxSectionCount = 65536;
constexpr qsizetype MaxSectionNamesSize = 1024 * 1024;

uint16_t Le16(QByteArrayView bytes, qsizetype at)
{
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

uint32_t Le32(QByteArrayView bytes, qsizetype at)
{
    return uint32_t(Le16(bytes, at)) | uint32_t(Le16(bytes, at + 2)) << 16;
}

uint64_t Le64(QByteArrayView bytes, qsizetype at)
{
    return uint64_t(Le32(bytes, at)) | uint64_t(Le32(bytes, at + 4)) << 32;
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

QString VersionText(std::initializer_list<uint32_t> numbers)
{
    QString text;
    for (const uint32_t n : numbers) {
        if (!text.isEmpty())
            text += u'.';
        text += QString::number(n);
    }
    return text;
}

bool FillFromBlock(QByteArrayView block, TVersionInfo& info)
{
    if (block.size() < VersionBlockHeaderSize || block.size() > MaxVersionBlockSize
        || block.first(8) != VersionBlockMagic || Le32(block, 8) != uint32_t(block.size()))
        return false;
    // The strings: pairs of zero-terminated texts filling the rest exactly.
    const QByteArrayView strings = block.sliced(VersionBlockHeaderSize);
    if (!strings.isEmpty() && (!strings.endsWith('\0') || strings.count('\0') % 2 != 0))
        return false;

    const uint32_t fileMS = Le32(block, 12);
    const uint32_t fileLS = Le32(block, 16);
    const uint32_t productMS = Le32(block, 20);
    const uint32_t productLS = Le32(block, 24);
    const uint32_t flags = Le32(block, 28);
    info.Major = fileMS >> 16;
    info.Minor = fileMS & 0xFFFF;
    info.Release = fileLS >> 16;
    info.Build = fileLS & 0xFFFF;
    info.ProductMajor = productMS >> 16;
    info.ProductMinor = productMS & 0xFFFF;
    info.ProductRelease = productLS >> 16;
    info.ProductBuild = productLS & 0xFFFF;
    info.PreReleaseBuild = flags & VersionFlagPreRelease;
    info.DebugBuild = flags & VersionFlagDebug;
    info.PrivateBuild = flags & VersionFlagPrivateBuild;
    info.Translation = QStringLiteral("%1%2")
                           .arg(Le16(block, 32), 4, 16, QLatin1Char('0'))
                           .arg(Le16(block, 34), 4, 16, QLatin1Char('0'))
                           .toUpper();

    const std::pair<QLatin1StringView, QString*> fields[] = {
        {QLatin1StringView("ProductVersion"), &info.ProductVersionText},
        {QLatin1StringView("FileVersion"), &info.FileVersionText},
        {QLatin1StringView("FileDescription"), &info.Description},
        {QLatin1StringView("LegalCopyright"), &info.Copyright},
        {QLatin1StringView("LegalTrademarks"), &info.Trademarks},
        {QLatin1StringView("Comments"), &info.Comments},
        {QLatin1StringView("SpecialBuild"), &info.SpecialBuild},
        {QLatin1StringView("ProductName"), &info.ProductName},
        {QLatin1StringView("CompanyName"), &info.CompanyName},
        {QLatin1StringView("InternalName"), &info.InternalName},
        {QLatin1StringView("OriginalFilename"), &info.OriginalFilename},
        {QLatin1StringView("BuildTimestamp"), &info.BuildTimestamp},
    };
    qsizetype at = 0;
    while (at < strings.size()) {
        const qsizetype nameEnd = strings.indexOf('\0', at);
        const qsizetype valueEnd = strings.indexOf('\0', nameEnd + 1);
        const QString name = QString::fromUtf8(strings.sliced(at, nameEnd - at));
        for (const auto& [key, field] : fields) {
            // Names are matched as the system's version reader matches them: ignoring case.
            if (field->isEmpty() && name.compare(key, Qt::CaseInsensitive) == 0)
                *field = QString::fromUtf8(strings.sliced(nameEnd + 1, valueEnd - nameEnd - 1));
        }
        at = valueEnd + 1;
    }

    info.ProductVersion = VersionText({info.ProductMajor, info.ProductMinor, info.ProductRelease});
    info.FileVersion = VersionText({info.Major, info.Minor, info.Release, info.Build});
    if (info.PreReleaseBuild)
        info.FileVersion +=
            info.Build != 0 ? QStringLiteral(" BETA %1").arg(info.Build) : QStringLiteral(" BETA");
    return true;
}

} // namespace

bool ReadVersionBlock(QByteArrayView block, TVersionInfo& info)
{
    const QString fileName = info.FileName;
    info = TVersionInfo();
    info.FileName = fileName;
    if (FillFromBlock(block, info))
        return true;
    info = TVersionInfo();
    info.FileName = fileName;
    return false;
}

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
    if (section.size() < VersionBlockHeaderSize)
        return false;
    // The section may be padded after the block; the block states its own size.
    const uint32_t size = Le32(section, 8);
    if (size > uint32_t(section.size()))
        return false;
    return ReadVersionBlock(QByteArrayView(section).first(qsizetype(size)), info);
}

QString ProgramFilePath()
{
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    // A replaced or deleted executable is still readable through the link itself.
    return target.isEmpty() || !QFileInfo::exists(target) ? QStringLiteral("/proc/self/exe") : target;
}
