#pragma once
// Read-only access to a whole file for the digest routines.
//
// The file is read with pread() into the caller's buffer rather than through a memory mapping: a
// mapped view of a file that another process truncates meanwhile raises SIGBUS on the next touch of
// a page past the new end, which would kill the program. With plain reads a shrunk file shows up as
// an early end of file, which the caller can treat as a failed read.

#include <QString>

#include <cstdint>

class TMappedFile {
public:
    // Opens PATH for reading; IsOpen() is false when the file is missing, is a directory or cannot be
    // read. FSize is taken once, here; later changes of the file do not change it.
    explicit TMappedFile(const QString& APath);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    bool IsOpen() const { return FHandle >= 0; }
    const QString& Filename() const { return FFilename; }
    int64_t Size() const { return FSize; }

    // Reads up to LENGTH bytes at OFFSET into BUFFER. Returns the number of bytes read (0 at end of
    // file, which may come before FSize when the file shrank), or -1 on a read error.
    int64_t ReadAt(int64_t AOffset, char* ABuffer, int64_t ALength) const;

    // Reads exactly LENGTH bytes at OFFSET; false on a read error or when the file ends first.
    bool ReadFully(int64_t AOffset, char* ABuffer, int64_t ALength) const;

private:
    QString FFilename; // set only when the file was opened
    int FHandle = -1; // the open descriptor, -1 when none
    int64_t FSize = 0; // size in bytes when the object was created
};
