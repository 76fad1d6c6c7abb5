#pragma once
// Saving a file so that a failure never damages the file it replaces.
//
// The bytes go to a temporary file in the target's own folder (so that the final step is a rename
// within one file system), written in chunks with every write checked, flushed to the disk, given the
// original's permission bits (and owner, where the process may set it), and only then renamed over
// the original. A symbolic link is followed: the file it points to is replaced, the link stays.
// On any failure (full disk, no permission, a read-only or vanished folder) the original keeps every
// byte, the temporary file is removed and the reason comes back as text.

#include <QString>

#include <functional>
#include <string_view>

#include <sys/types.h>

// The system calls the save depends on, so that tests can make each of them fail.
struct TSafeSaveCalls {
    std::function<ssize_t(int AFd, const void* AData, size_t ASize)> Write;
    std::function<int(int AFd)> Sync;
    std::function<int(const char* AFrom, const char* ATo)> Rename;
};

// The calls of the system itself.
TSafeSaveCalls SystemSafeSaveCalls();
// Installs ACalls for every following save (empty members fall back to the system's); returns the
// calls that were installed before.
TSafeSaveCalls SetSafeSaveCalls(TSafeSaveCalls ACalls);

// Size of the pieces the data is written in.
inline constexpr size_t SafeSaveChunk = size_t(1) << 20;

// Replaces the file AFileName (or creates it) with AData. Returns false with the reason in AError
// (the system's own text, e.g. "No space left on device") when the file could not be saved; the file
// on disk is then exactly as it was before.
bool SafeSaveFile(const QString& AFileName, std::string_view AData, QString& AError);

// The file a save of AFileName writes: the end of its chain of symbolic links (AFileName itself when it
// is no link). Relative link targets are read from the link's folder.
QString SafeSaveTarget(const QString& AFileName);
