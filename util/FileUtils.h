#pragma once
// File facts and digests: the type name, size, times, attributes, executable kind and icon of a
// file, its title, and MD5/SHA-1 (and SHA-2) digests with their hexadecimal text.
//
// Every routine reports failure by leaving its output untouched (GetFileInfo, HashFile) or empty.

#include "core/ByteBuffer.h"
#include <QByteArray>
#include <QIcon>
#include <QString>

#include <cstdint>

class TMappedFile;

// A date-time value: days since 1899-12-30 00:00, the fraction being the time of day.
using TDateTime = double;

// File attribute bits, with the values the rest of the program knows them by.
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_ATTRIBUTE_SPARSE_FILE = 0x200;
inline constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

struct TFileInfo {
    QString Name; // never written by GetFileInfo
    QString FileType; // the desktop's description of the file's type, at most 80 characters
    uint64_t Size = 0;
    TDateTime Created = 0;
    TDateTime Accessed = 0;
    TDateTime Modified = 0;
    uint32_t Attributes = 0; // FILE_ATTRIBUTE_* bits
    QString BinaryType; // executable kind, empty for other files
    QIcon IconHandle; // the file's icon; null without a GUI application
};

// Fills INFO for the file at PATH; leaves INFO exactly as it was when the file is missing, is a
// directory or cannot be opened for reading. Times are UTC unless LOCALTIME is set.
void GetFileInfo(const QString& APath, TFileInfo& AInfo, bool ALocalTime = false);

// Whether two names denote the same file: the same canonical path (links and ".." resolved), or the
// same device and inode. Names compare exactly, letter case included. Two names of which neither
// exists are the same only when their cleaned absolute paths are equal.
bool SameFile(const QString& AFirst, const QString& ASecond);

// The file name without folder and extension: "/x/a.b.json" gives "a.b", "/x/.json" gives "".
QString ExtractFileTitle(const QString& APath);

// "DOS Executable", "Win32 Executable", ... for DOS and Windows executables; empty for other files.
QString GetBinaryTypeText(const QString& APath);

// A file time (100-ns intervals since 1601-01-01 UTC) as a date-time at millisecond resolution;
// 0 when it lies outside the years 1601 to 9999.
TDateTime FileTimeToDateTime(uint64_t AFileTime, bool ALocalTime = false);
// A time of the file system (seconds and nanoseconds since 1970-01-01 UTC) as a file time; 0 before 1601.
uint64_t UnixTimeToFileTime(int64_t ASeconds, int64_t ANanoseconds);

// Digest algorithm identifiers.
using ALG_ID = uint32_t;
inline constexpr ALG_ID CALG_MD5 = 32771;
inline constexpr ALG_ID CALG_SHA1 = 32772;
inline constexpr ALG_ID CALG_SHA_256 = 0x800C;
inline constexpr ALG_ID CALG_SHA_384 = 0x800D;
inline constexpr ALG_ID CALG_SHA_512 = 0x800E;

// Digest of the whole file, its bytes fed in pieces of CHUNKLENGTH. DIGEST is left as it was when the
// file cannot be opened or is empty; otherwise it is emptied and set only when every byte could be
// hashed. A chunk length of 0 or an unknown algorithm give no digest. A file that shrinks or fails to
// read while it is hashed gives no digest either, never the digest of a part of it.
void HashFile(const QString& APath, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest);
// The same over an opened file, for its FSize bytes.
void HashMappedFile(const TMappedFile& AFile, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest);
// Digest of TOTALLENGTH bytes at DATA, fed in pieces of CHUNKLENGTH. DIGEST is emptied first.
void HashBuffer(
    const char* AData, ALG_ID AAlgorithm, uint32_t AChunkLength, QByteArray& ADigest, int64_t ATotalLength);

// Two upper-case hexadecimal digits per byte: {0x0A, 0xFF} gives "0AFF".
QString BytesToHex(const QByteArray& ABytes);

// Reads the whole regular file at PATH into BYTES (replacing what it held). False when the file is
// missing, is no regular file (a FIFO, device or directory is never read), or a read fails; BYTES is
// then empty.
bool ReadFileBytes(const QString& APath, TByteBuffer& ABytes);

// Reads what a document keeps of the regular file at APath: its bytes up to the first zero byte (a
// document's text ends there). The bytes after it are read only to check that they are UTF-8 and are
// not kept, so a file of a few bytes of text and a long run of zeros takes little memory. False, with
// ABytes empty, as ReadFileBytes, and also when the bytes after the first zero are no strict UTF-8.
bool ReadDocumentBytes(const QString& APath, TByteBuffer& ABytes);
