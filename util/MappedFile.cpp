#include "util/MappedFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TMappedFile::TMappedFile(const QString& APath)
{
    const QByteArray native = QFile::encodeName(APath);
    // O_NONBLOCK keeps a FIFO or a device from blocking the open; regular files ignore it.
    const int fd = open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return;
    }
    FHandle = fd;
    FSize = int64_t(st.st_size);
    FFilename = APath;
}

TMappedFile::~TMappedFile()
{
    if (FHandle >= 0)
        close(FHandle);
}

int64_t TMappedFile::ReadAt(int64_t AOffset, char* ABuffer, int64_t ALength) const
{
    if (FHandle < 0 || AOffset < 0 || ALength < 0)
        return -1;
    for (;;) {
        const ssize_t n = pread(FHandle, ABuffer, size_t(ALength), off_t(AOffset));
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : int64_t(n);
    }
}

bool TMappedFile::ReadFully(int64_t AOffset, char* ABuffer, int64_t ALength) const
{
    while (ALength > 0) {
        const int64_t n = ReadAt(AOffset, ABuffer, ALength);
        if (n <= 0)
            return false;
        AOffset += n;
        ABuffer += n;
        ALength -= n;
    }
    return true;
}
