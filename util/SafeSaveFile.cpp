#include "util/SafeSaveFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before the chain counts as a loop, as the kernel counts them.
constexpr int MaxLinkHops = 40;
// The random part mkstemp fills in.
constexpr char TempSuffix[] = ".XXXXXX";
// Permission bits a file keeps (set-id and sticky bits included).
constexpr mode_t PermissionBits = 07777;
// Mode of a new file before the process's umask, as editors and the shell create files.
constexpr mode_t NewFileMode = 0666;

TSafeSaveCalls Installed;

ssize_t SystemWrite(int AFd, const void* AData, size_t ASize)
{
    return ::write(AFd, AData, ASize);
}

int SystemSync(int AFd)
{
    return ::fsync(AFd);
}

int SystemRename(const char* AFrom, const char* ATo)
{
    return ::rename(AFrom, ATo);
}

QString ErrorText(int AError)
{
    return QString::fromLocal8Bit(std::strerror(AError));
}

QByteArray FolderOf(const QByteArray& APath)
{
    const qsizetype slash = APath.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return APath.left(slash);
}

// Follows the chain of links from APath; 0 and the final path, or an errno value.
int ResolveLinks(QByteArray& APath)
{
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat st { };
        if (::lstat(APath.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0; // a missing file is created where the chain ends
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(APath.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return errno;
        if (length >= target.size())
            return ENAMETOOLONG;
        target.truncate(length);
        if (!target.startsWith('/'))
            target = FolderOf(APath) + '/' + target;
        APath = target;
    }
    return ELOOP;
}

// The temporary file's name pattern: hidden, beside the target, named after it when the name allows.
QByteArray TempPattern(const QByteArray& ATarget)
{
    const QByteArray folder = FolderOf(ATarget);
    const QByteArray name = ATarget.mid(ATarget.lastIndexOf('/') + 1);
    const qsizetype room = NAME_MAX - qsizetype(sizeof(TempSuffix)) - 1;
    const QByteArray stem = name.size() <= room ? name : QByteArrayLiteral("quillon-save");
    return folder + "/." + stem + TempSuffix;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Writes all of AData in chunks; 0 or an errno value.
int WriteAll(const TSafeSaveCalls& ACalls, int AFd, std::string_view AData)
{
    size_t done = 0;
    while (done < AData.size()) {
        const size_t piece = std::min(SafeSaveChunk, AData.size() - done);
        const ssize_t written = ACalls.Write(AFd, AData.data() + done, piece);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        // A write that takes nothing makes no progress: the device is full.
        if (written == 0)
            return ENOSPC;
        done += size_t(written);
    }
    return 0;
}

// The temporary file while the save runs: closed and removed unless the save completed.
class TTempFile {
public:
    explicit TTempFile(QByteArray APattern)
        : FPath(std::move(APattern))
    {
        FFd = ::mkostemp(FPath.data(), O_CLOEXEC);
        FError = FFd < 0 ? errno : 0;
    }
    ~TTempFile()
    {
        if (FFd >= 0)
            ::close(FFd);
        if (!FKept && FError == 0)
            ::unlink(FPath.constData());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    int Fd() const { return FFd; }
    int OpenError() const { return FError; }
    const QByteArray& Path() const { return FPath; }
    // Closes the file; 0 or an errno value (a failed close can report a failed write).
    int Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }
    // The file was renamed into place: nothing to remove.
    void Keep() { FKept = true; }

private:
    QByteArray FPath;
    int FFd = -1;
    int FError = 0;
    bool FKept = false;
};

} // namespace

TSafeSaveCalls SystemSafeSaveCalls()
{
    return {SystemWrite, SystemSync, SystemRename};
}

TSafeSaveCalls SetSafeSaveCalls(TSafeSaveCalls ACalls)
{
    TSafeSaveCalls previous = Installed;
    Installed = std::move(ACalls);
    return previous;
}

QString SafeSaveTarget(const QString& AFileName)
{
    QByteArray path = QFile::encodeName(AFileName);
    ResolveLinks(path);
    return QFile::decodeName(path);
}

bool SafeSaveFile(const QString& AFileName, std::string_view AData, QString& AError)
{
    TSafeSaveCalls calls = SystemSafeSaveCalls();
    if (Installed.Write)
        calls.Write = Installed.Write;
    if (Installed.Sync)
        calls.Sync = Installed.Sync;
    if (Installed.Rename)
        calls.Rename = Installed.Rename;

    const auto fail = [&AError](int AErrno) {
        AError = ErrorText(AErrno);
        return false;
    };

    QByteArray target = QFile::encodeName(AFileName);
    if (target.isEmpty())
        return fail(ENOENT);
    if (const int error = ResolveLinks(target))
        return fail(error);

    struct stat original { };
    const bool exists = ::stat(target.constData(), &original) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists) {
        if (S_ISDIR(original.st_mode))
            return fail(EISDIR);
        // Only a regular file is replaced; a device or pipe would lose what it is.
        if (!S_ISREG(original.st_mode))
            return fail(EINVAL);
        // A file the user may not write stays as it is, although its folder would allow replacing it.
        if (::access(target.constData(), W_OK) != 0)
            return fail(errno);
    }

    TTempFile temp(TempPattern(target));
    if (temp.OpenError())
        return fail(temp.OpenError());
    const mode_t mode = exists ? (original.st_mode & PermissionBits) : (NewFileMode & ~CurrentUmask());
    if (exists && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Keeping the owner needs privileges the process may lack; the file then belongs to the user who
        // saved it, as with any editor that replaces files.
        if (::fchown(temp.Fd(), original.st_uid, original.st_gid) != 0)
            (void)::fchown(temp.Fd(), uid_t(-1), original.st_gid);
    }
    // After fchown, which may clear set-id bits.
    if (::fchmod(temp.Fd(), mode) != 0)
        return fail(errno);
    if (const int error = WriteAll(calls, temp.Fd(), AData))
        return fail(error);
    if (calls.Sync(temp.Fd()) != 0)
        return fail(errno);
    if (const int error = temp.Close())
        return fail(error);
    if (calls.Rename(temp.Path().constData(), target.constData()) != 0)
        return fail(errno);
    temp.Keep();
    // Make the rename itself durable; the file is saved whatever this answers.
    const int folder = ::open(FolderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return true;
}
