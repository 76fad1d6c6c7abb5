#pragma once
// The program's version information as a block of bytes: what the build writes into the executable
// (cmake/QuillonVersionInfo.cmake) and what about/VersionInfo.h reads back from the file.
//
// Block layout, little-endian:
//
//   offset  size  content
//   0       8     "QVERINFO"
//   8       4     size of the whole block
//   12      4     file version, most significant half (major << 16 | minor)
//   16      4     file version, least significant half (release << 16 | build)
//   20      4     product version, most significant half
//   24      4     product version, least significant half
//   28      4     file flags (VersionFlagDebug, VersionFlagPreRelease, VersionFlagPrivateBuild)
//   32      2     language of the strings
//   34      2     code page of the strings
//   36      ...   the strings: name, 0, value, 0, name, 0, value, 0 ... (UTF-8)

#include <QByteArrayView>
#include <QString>

#include <cstdint>

inline constexpr uint32_t VersionFlagDebug = 0x01;
inline constexpr uint32_t VersionFlagPreRelease = 0x02;
inline constexpr uint32_t VersionFlagPrivateBuild = 0x08;
inline constexpr qsizetype VersionBlockHeaderSize = 36;
inline constexpr qsizetype MaxVersionBlockSize = 64 * 1024;

struct TVersionInfo {
    QString FileName;
    QString FileVersion; // "major.minor.release.build", with " BETA n" / " BETA" for a pre-release
    QString ProductVersion; // "major.minor.release"
    QString ProductName;
    QString Description;
    QString Comments;
    QString Copyright;
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Release = 0;
    uint32_t Build = 0;
    uint32_t ProductMajor = 0;
    uint32_t ProductMinor = 0;
    uint32_t ProductRelease = 0;
    uint32_t ProductBuild = 0;
    bool PreReleaseBuild = false;
    bool DebugBuild = false;
    bool PrivateBuild = false;
    QString BuildTimestamp;
    // The other standard strings, which nothing shows.
    QString FileVersionText;
    QString ProductVersionText;
    QString CompanyName;
    QString Trademarks;
    QString InternalName;
    QString OriginalFilename;
    QString SpecialBuild;
    QString Translation; // language and code page as eight hexadecimal digits, "040904E4"
};

// Fills INFO from the bytes of a version block alone. INFO is cleared first, its FileName kept;
// false (the rest left empty) when the block is damaged.
bool ReadVersionBlock(QByteArrayView block, TVersionInfo& info);

// The same from a whole version section, which may be padded after the block (the block states its
// own size).
bool ReadVersionSection(QByteArrayView section, TVersionInfo& info);
