#include "codecs/VersionBlock.h"

#include <initializer_list>
#include <utility>

namespace {

constexpr QByteArrayView VersionBlockMagic("QVERINFO", 8);

uint16_t Le16(QByteArrayView bytes, qsizetype at)
{
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

uint32_t Le32(QByteArrayView bytes, qsizetype at)
{
    return uint32_t(Le16(bytes, at)) | uint32_t(Le16(bytes, at + 2)) << 16;
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

bool ReadVersionSection(QByteArrayView section, TVersionInfo& info)
{
    // The block states its own size; what follows it in the section is padding.
    const uint32_t size = section.size() < VersionBlockHeaderSize ? 0 : Le32(section, 8);
    if (size > uint32_t(section.size()))
        return ReadVersionBlock({}, info);
    return ReadVersionBlock(section.first(qsizetype(size)), info);
}
