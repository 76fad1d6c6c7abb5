#include "platform/RegistryHive.h"

#include "platform/Notice.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr int BusyTimeoutMs = 5000;
// The store's creation lock is held for moments. One older than this is taken over: a program killed
// just as it made the lock file leaves it empty, with no process to check, and the next start would
// otherwise wait out the whole lock wait.
constexpr int CreationLockStaleMs = 3000;
constexpr int CreationLockWaitMs = 30000;
// Writes kept back while another program held the lock are tried again this often.
constexpr int RetryIntervalMs = 500;
constexpr int ApplicationId = 0x52515531; // "RQU1": marks the file as a settings hive of this program

const char* const SchemaSql = "CREATE TABLE IF NOT EXISTS hive_keys("
                              "  path_fold TEXT PRIMARY KEY,"
                              "  parent_fold TEXT NOT NULL,"
                              "  name TEXT NOT NULL) WITHOUT ROWID;"
                              "CREATE INDEX IF NOT EXISTS hive_keys_parent ON hive_keys(parent_fold);"
                              "CREATE TABLE IF NOT EXISTS hive_values("
                              "  id INTEGER PRIMARY KEY,"
                              "  key_fold TEXT NOT NULL,"
                              "  name_fold TEXT NOT NULL,"
                              "  name TEXT NOT NULL,"
                              "  type INTEGER NOT NULL,"
                              "  data BLOB NOT NULL,"
                              "  UNIQUE(key_fold, name_fold));";

// One prepared statement, finalized on scope exit.
class TStatement {
public:
    TStatement(sqlite3* ADb, const char* ASql) { FRc = sqlite3_prepare_v2(ADb, ASql, -1, &FStmt, nullptr); }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    bool Ok() const { return FRc == SQLITE_OK && FStmt != nullptr; }
    void Bind(int AIndex, const QString& AText)
    {
        const QByteArray utf8 = AText.toUtf8();
        sqlite3_bind_text(FStmt, AIndex, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void Bind(int AIndex, const QByteArray& ABlob)
    {
        // A zero-length blob must still be a blob, not NULL.
        sqlite3_bind_blob(
            FStmt, AIndex, ABlob.isEmpty() ? "" : ABlob.constData(), int(ABlob.size()), SQLITE_TRANSIENT);
    }
    void Bind(int AIndex, qint64 AValue) { sqlite3_bind_int64(FStmt, AIndex, AValue); }
    int Step() { return sqlite3_step(FStmt); }
    QString Text(int ACol) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, ACol));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(FStmt, ACol)) : QString();
    }
    QByteArray Blob(int ACol) const
    {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(FStmt, ACol));
        return p ? QByteArray(p, sqlite3_column_bytes(FStmt, ACol)) : QByteArray();
    }
    qint64 Int(int ACol) const { return sqlite3_column_int64(FStmt, ACol); }

private:
    sqlite3_stmt* FStmt = nullptr;
    int FRc = SQLITE_ERROR;
};

bool IsBusy(int ARc)
{
    const int primary = ARc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

} // namespace

// Opening, checking and (when needed) replacing the hive file.
class TRegistryHiveOpener {
public:
    enum class TProblem { pNone, pDamaged, pUnusable };
    struct TOpened {
        sqlite3* Db = nullptr;
        TProblem Problem = TProblem::pNone;
        QString Text;
    };
    static TOpened OpenChecked(const QString& APath);
    static sqlite3* OpenMemory();
    static bool CopyReadOnly(const QString& APath, sqlite3* ATarget);
    static bool CreateStore(const QString& APath, QString& AProblem);
    static bool MakePrivateFolder(const QString& ADir);
    static QString MoveAside(const QString& APath);
};

namespace {

// The file cannot take writes (or cannot be reached at all); nothing says it is damaged.
bool IsUnwritable(int ARc)
{
    switch (ARc & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

bool IsDamage(int ARc)
{
    const int primary = ARc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT;
}

QString ErrorText(sqlite3* ADb, int ARc)
{
    return QString::fromUtf8(ADb ? sqlite3_errmsg(ADb) : sqlite3_errstr(ARc));
}

// Why a write failed, as the user is told.
QString UnwritableReason(int ARc, const QString& AError)
{
    switch (ARc & 0xff) {
    case SQLITE_READONLY:
        return QStringLiteral("the settings store is read-only");
    case SQLITE_FULL:
        return QStringLiteral("the disk is full");
    default:
        return AError;
    }
}

} // namespace

sqlite3* TRegistryHiveOpener::OpenMemory()
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(
            ":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr)
            != SQLITE_OK
        || sqlite3_exec(db, SchemaSql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    return db;
}

// Copies a sound store that cannot be opened for writing (a read-only file system, a folder without
// write access) into ATarget. False when the file cannot be read as a store of this program.
bool TRegistryHiveOpener::CopyReadOnly(const QString& APath, sqlite3* ATarget)
{
    // Immutable: no locks, no -shm file, nothing written beside the file.
    const QByteArray uri =
        "file:" + QUrl::fromLocalFile(APath).toEncoded(QUrl::RemoveScheme) + "?immutable=1";
    sqlite3* db = nullptr;
    bool copied = false;
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        TStatement appId(db, "PRAGMA application_id");
        TStatement tables(
            db, "SELECT count(*) FROM sqlite_master WHERE name IN ('hive_keys', 'hive_values')");
        if (appId.Ok() && appId.Step() == SQLITE_ROW && appId.Int(0) == ApplicationId && tables.Ok()
            && tables.Step() == SQLITE_ROW && tables.Int(0) == 2) {
            sqlite3_backup* backup = sqlite3_backup_init(ATarget, "main", db, "main");
            copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
    }
    sqlite3_close(db);
    return copied;
}

// Builds a new, empty store in a file beside APath and moves it into place (replacing an empty file), so
// that a creation that fails half-way, on a full disk for example, leaves no file behind.
bool TRegistryHiveOpener::CreateStore(const QString& APath, QString& AProblem)
{
    const QString temp = APath + QStringLiteral(".new-%1").arg(::getpid());
    const QByteArray native = QFile::encodeName(temp);
    const auto removeTemp = [&] {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            ::unlink((native + suffix).constData());
    };
    removeTemp();
    // The store holds the user's recent file names: only the user may read it.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        AProblem = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::close(fd);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        // The schema is written with a rollback journal; WAL mode is switched on last, so the finished
        // file holds everything and no log is left to carry along.
        const QByteArray setup = QByteArray("PRAGMA application_id=") + QByteArray::number(ApplicationId)
            + "; BEGIN; " + SchemaSql + " COMMIT; PRAGMA journal_mode=WAL;";
        rc = sqlite3_exec(db, setup.constData(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK)
        AProblem = ErrorText(db, rc);
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK) {
        rc = SQLITE_ERROR;
        AProblem = QStringLiteral("the new store could not be closed");
    }
    if (rc == SQLITE_OK && ::rename(native.constData(), QFile::encodeName(APath).constData()) != 0) {
        rc = SQLITE_ERROR;
        AProblem = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (rc != SQLITE_OK) {
        removeTemp();
        return false;
    }
    return true;
}

bool TRegistryHiveOpener::MakePrivateFolder(const QString& ADir)
{
    // Folders made here are the user's own (0700); existing ones are left as they are.
    QString path;
    for (const QString& part : QDir::cleanPath(ADir).split(QLatin1Char('/'))) {
        path += part.isEmpty() && path.isEmpty() ? QString() : QLatin1Char('/') + part;
        if (path.isEmpty() || QFileInfo(path).isDir())
            continue;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(ADir).isDir();
}

QString TRegistryHiveOpener::MoveAside(const QString& APath)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString target = APath + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = APath + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(APath, target))
        return QString();
    // The write-ahead log belongs to the old file: applied to a fresh store it would damage it.
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString side = APath + QLatin1String(suffix);
        if (QFileInfo::exists(side))
            QFile::rename(side, target + QLatin1String(suffix));
    }
    return target;
}

TRegistryHiveOpener::TOpened TRegistryHiveOpener::OpenChecked(const QString& APath)
{
    TOpened opened;
    const QFileInfo info(APath);
    if (info.exists() && !info.isFile()) {
        // Somebody else's folder (or device) where the store belongs: never touched.
        opened.Problem = TProblem::pUnusable;
        opened.Text = info.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("it is no file");
        return opened;
    }
    // No file, or an empty one (nothing was ever stored in it): a new store.
    if (!info.exists() || info.size() == 0) {
        if (!CreateStore(APath, opened.Text)) {
            opened.Problem = TProblem::pUnusable;
            return opened;
        }
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(
        QFile::encodeName(APath).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    const auto fail = [&](TProblem AProblem, const QString& AText) {
        opened.Problem = AProblem;
        opened.Text = AText;
        // Closed once the statements still open here are finished.
        sqlite3_close_v2(db);
        return opened;
    };
    if (rc != SQLITE_OK)
        return fail(IsDamage(rc) ? TProblem::pDamaged : TProblem::pUnusable, ErrorText(db, rc));
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Reading the schema is the first real access: garbage or a truncated header fails here, and so does a
    // file that cannot be reached for reading (which says nothing about its contents).
    {
        TStatement check(db, "PRAGMA quick_check");
        rc = check.Ok() ? check.Step() : sqlite3_errcode(db);
        if (rc != SQLITE_ROW) {
            const int code = sqlite3_extended_errcode(db);
            return fail(
                IsUnwritable(code) || (code & 0xff) == SQLITE_BUSY ? TProblem::pUnusable : TProblem::pDamaged,
                ErrorText(db, code));
        }
        if (check.Text(0) != QLatin1String("ok"))
            return fail(TProblem::pDamaged, QStringLiteral("the integrity check failed"));
    }
    {
        // A database of some other kind is left alone and moved aside like a damaged one.
        TStatement appId(db, "PRAGMA application_id");
        TStatement tables(
            db, "SELECT count(*) FROM sqlite_master WHERE name IN ('hive_keys', 'hive_values')");
        if (!appId.Ok() || appId.Step() != SQLITE_ROW || appId.Int(0) != ApplicationId || !tables.Ok()
            || tables.Step() != SQLITE_ROW || tables.Int(0) != 2)
            return fail(TProblem::pDamaged, QStringLiteral("it is no settings store"));
    }
    // Nothing here writes: a read-only store opens all the same, and its first write tells the user.
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    opened.Db = db;
    return opened;
}

std::shared_ptr<TRegistryHive> TRegistryHive::Open(const QString& APath)
{
    std::shared_ptr<TRegistryHive> hive(new TRegistryHive);
    hive->FPath = QFileInfo(APath).absoluteFilePath();
    const QString dir = QFileInfo(hive->FPath).absolutePath();
    const QString shownPath = QDir::toNativeSeparators(hive->FPath);
    if (TRegistryHiveOpener::MakePrivateFolder(dir)) {
        // Creating, checking and moving the file aside happen under a lock, so that two programs starting
        // at once neither both create the file nor move aside the fresh store of the other.
        QLockFile lock(hive->FPath + QStringLiteral(".lock"));
        lock.setStaleLockTime(CreationLockStaleMs);
        const bool locked = lock.tryLock(CreationLockWaitMs);
        TRegistryHiveOpener::TOpened opened = TRegistryHiveOpener::OpenChecked(hive->FPath);
        if (opened.Problem == TRegistryHiveOpener::TProblem::pDamaged && locked) {
            const QString aside = TRegistryHiveOpener::MoveAside(hive->FPath);
            if (!aside.isEmpty()) {
                ShowNotice(TNoticeKind::nkWarning,
                    QStringLiteral("The settings store \"%1\" is damaged (%2). It was moved to \"%3\"; "
                                   "the program starts with default settings.")
                        .arg(shownPath, opened.Text, QDir::toNativeSeparators(aside)));
                opened = TRegistryHiveOpener::OpenChecked(hive->FPath);
            }
        }
        if (opened.Db) {
            hive->FFileDb = hive->FDb = opened.Db;
            return hive;
        }
        hive->FMemoryDb = hive->FDb = TRegistryHiveOpener::OpenMemory();
        hive->FForGood = true;
        // A sound store that cannot take writes still gives this run its settings.
        if (opened.Problem == TRegistryHiveOpener::TProblem::pUnusable && QFileInfo(hive->FPath).isFile()
            && TRegistryHiveOpener::CopyReadOnly(hive->FPath, hive->FMemoryDb)) {
            ShowNotice(TNoticeKind::nkWarning,
                QStringLiteral("Settings cannot be saved: the settings store \"%1\" cannot be written (%2). "
                               "Changes are kept until the program ends.")
                    .arg(shownPath, opened.Text));
            return hive;
        }
        ShowNotice(TNoticeKind::nkWarning,
            QStringLiteral("The settings store \"%1\" cannot be used (%2). Settings are kept only until the "
                           "program ends.")
                .arg(shownPath, opened.Text.isEmpty() ? QStringLiteral("locked") : opened.Text));
        return hive;
    }
    ShowNotice(TNoticeKind::nkWarning,
        QStringLiteral("The folder \"%1\" cannot be created. Settings are kept only until the program ends.")
            .arg(QDir::toNativeSeparators(dir)));
    hive->FMemoryDb = hive->FDb = TRegistryHiveOpener::OpenMemory();
    hive->FForGood = true;
    return hive;
}

QString TRegistryHive::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/ravek/quillon/registry.db");
}

std::shared_ptr<TRegistryHive> TRegistryHive::CurrentUser()
{
    static std::mutex lock;
    static std::weak_ptr<TRegistryHive> current;
    std::lock_guard guard(lock);
    std::shared_ptr<TRegistryHive> hive = current.lock();
    if (!hive) {
        hive = Open(DefaultPath());
        current = hive;
    }
    return hive;
}

TRegistryHive::~TRegistryHive()
{
    {
        std::lock_guard guard(FLock);
        FRetryContext.reset();
        // The program is ending: what another program kept from the file so far gets a last, longer chance.
        FlushLocked(std::chrono::milliseconds(BusyTimeoutMs));
    }
    sqlite3_close(FMemoryDb);
    sqlite3_close(FFileDb);
}

bool TRegistryHive::IsPersistent() const
{
    std::lock_guard guard(FLock);
    return FFileDb != nullptr && !FForGood;
}

QString TRegistryHive::LastError() const
{
    std::lock_guard guard(FLock);
    return FLastError;
}

void TRegistryHive::SetWritePolicy(std::chrono::milliseconds AWait, bool ADefer)
{
    std::lock_guard guard(FLock);
    FWriteWait = AWait;
    FDeferWrites = ADefer;
    // SQLite's own wait inside one statement must not outlast the whole write's.
    if (FFileDb)
        sqlite3_busy_timeout(FFileDb, int(qMin<qint64>(AWait.count(), BusyTimeoutMs)));
}

bool TRegistryHive::HasPendingWrites() const
{
    std::lock_guard guard(FLock);
    return !FPending.empty();
}

bool TRegistryHive::FlushPendingWrites(std::chrono::milliseconds AWait)
{
    std::lock_guard guard(FLock);
    return FlushLocked(AWait);
}

void TRegistryHive::RememberError(sqlite3* ADb)
{
    FLastCode = ADb ? sqlite3_extended_errcode(ADb) : SQLITE_ERROR;
    FLastError = ADb ? QString::fromUtf8(sqlite3_errmsg(ADb)) : QStringLiteral("no store");
}

QString TRegistryHive::FoldName(const QString& AName)
{
    QString folded = AName;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

QString TRegistryHive::NormalizeKey(const QString& AKey)
{
    return AKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

// Takes the write lock at once; waits for other writers up to AWait.
TRegistryHive::TBegin TRegistryHive::BeginWrite(sqlite3* ADb, std::chrono::milliseconds AWait)
{
    const auto deadline = std::chrono::steady_clock::now() + AWait;
    for (;;) {
        const int rc = sqlite3_exec(ADb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return TBegin::bOk;
        RememberError(ADb);
        if (IsUnwritable(FLastCode))
            return TBegin::bUnwritable;
        if (!IsBusy(rc))
            return TBegin::bFailed;
        if (std::chrono::steady_clock::now() >= deadline)
            return TBegin::bBusy;
        QThread::msleep(5);
    }
}

bool TRegistryHive::Commit(sqlite3* ADb, std::chrono::milliseconds AWait)
{
    const auto deadline = std::chrono::steady_clock::now() + AWait;
    for (;;) {
        const int rc = sqlite3_exec(ADb, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return true;
        RememberError(ADb);
        if (!IsBusy(rc) || std::chrono::steady_clock::now() >= deadline) {
            Rollback(ADb);
            return false;
        }
        QThread::msleep(5);
    }
}

void TRegistryHive::Rollback(sqlite3* ADb)
{
    if (sqlite3_get_autocommit(ADb) == 0)
        sqlite3_exec(ADb, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Inside a write transaction: make sure the key and all its ancestors exist.
bool TRegistryHive::EnsureKey(sqlite3* ADb, const QString& ANormalKey)
{
    if (ANormalKey.isEmpty())
        return true;
    const QStringList parts = ANormalKey.split(QLatin1Char('\\'));
    QString path;
    for (const QString& part : parts) {
        const QString parent = path;
        path = path.isEmpty() ? part : path + QLatin1Char('\\') + part;
        TStatement step(
            ADb, "INSERT OR IGNORE INTO hive_keys(path_fold, parent_fold, name) VALUES(?1, ?2, ?3)");
        step.Bind(1, FoldName(path));
        step.Bind(2, FoldName(parent));
        step.Bind(3, part);
        if (step.Step() != SQLITE_DONE) {
            RememberError(ADb);
            return false;
        }
    }
    return true;
}

// One change inside an open transaction; Commit says whether the transaction should keep it.
TRegistryHive::TApplied TRegistryHive::Apply(sqlite3* ADb, const TRegistryWrite& AWrite)
{
    TApplied applied;
    const QString key = NormalizeKey(AWrite.Key);
    const QString keyFold = FoldName(key);
    switch (AWrite.Kind) {
    case TRegistryWrite::rwCreateKey:
        applied.Commit = EnsureKey(ADb, key);
        applied.Result = applied.Commit ? TRegistryResult::rrOk : TRegistryResult::rrFailed;
        return applied;
    case TRegistryWrite::rwDeleteKey: {
        if (keyFold.isEmpty())
            return applied;
        // The subtree is every path that starts with "key\": the range from "key\" up to "key]" ('\' + 1).
        const QString low = keyFold + QLatin1Char('\\');
        const QString high = keyFold + QLatin1Char(']');
        TStatement values(
            ADb, "DELETE FROM hive_values WHERE key_fold = ?1 OR (key_fold >= ?2 AND key_fold < ?3)");
        values.Bind(1, keyFold);
        values.Bind(2, low);
        values.Bind(3, high);
        TStatement keys(
            ADb, "DELETE FROM hive_keys WHERE path_fold = ?1 OR (path_fold >= ?2 AND path_fold < ?3)");
        keys.Bind(1, keyFold);
        keys.Bind(2, low);
        keys.Bind(3, high);
        if (values.Step() != SQLITE_DONE || keys.Step() != SQLITE_DONE) {
            RememberError(ADb);
            return applied;
        }
        applied.Existed = sqlite3_changes(ADb) > 0;
        applied.Commit = true;
        applied.Result = TRegistryResult::rrOk;
        return applied;
    }
    case TRegistryWrite::rwDeleteValue: {
        TStatement del(ADb, "DELETE FROM hive_values WHERE key_fold = ?1 AND name_fold = ?2");
        del.Bind(1, keyFold);
        del.Bind(2, FoldName(AWrite.Name));
        if (del.Step() != SQLITE_DONE) {
            RememberError(ADb);
            return applied;
        }
        applied.Existed = sqlite3_changes(ADb) > 0;
        applied.Commit = true;
        applied.Result = applied.Existed ? TRegistryResult::rrOk : TRegistryResult::rrNotFound;
        return applied;
    }
    case TRegistryWrite::rwSetValue:
        break;
    }
    if (AWrite.CreateKey) {
        if (!EnsureKey(ADb, key)) {
            applied.Result = TRegistryResult::rrNotFound;
            return applied;
        }
    } else if (!key.isEmpty()) {
        TStatement q(ADb, "SELECT 1 FROM hive_keys WHERE path_fold = ?1");
        q.Bind(1, keyFold);
        if (q.Step() != SQLITE_ROW) {
            applied.Result = TRegistryResult::rrNotFound;
            return applied;
        }
    }
    if (AWrite.Data.size() > MaxValueSize) {
        FLastError = QStringLiteral("value too large");
        FLastCode = SQLITE_TOOBIG;
        // The key stays: it opened (or was created) before the value was refused.
        applied.Commit = true;
        return applied;
    }
    // Replace in place so the value keeps its position in the enumeration order.
    TStatement update(
        ADb, "UPDATE hive_values SET type = ?3, data = ?4 WHERE key_fold = ?1 AND name_fold = ?2");
    update.Bind(1, keyFold);
    update.Bind(2, FoldName(AWrite.Name));
    update.Bind(3, qint64(AWrite.Type));
    update.Bind(4, AWrite.Data);
    if (update.Step() != SQLITE_DONE) {
        RememberError(ADb);
        return applied;
    }
    if (sqlite3_changes(ADb) == 0) {
        TStatement insert(
            ADb, "INSERT INTO hive_values(key_fold, name_fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)");
        insert.Bind(1, keyFold);
        insert.Bind(2, FoldName(AWrite.Name));
        insert.Bind(3, AWrite.Name);
        insert.Bind(4, qint64(AWrite.Type));
        insert.Bind(5, AWrite.Data);
        if (insert.Step() != SQLITE_DONE) {
            RememberError(ADb);
            return applied;
        }
    }
    applied.Commit = true;
    applied.Result = TRegistryResult::rrOk;
    return applied;
}

TRegistryHive::TApplied TRegistryHive::ApplyInMemory(const TRegistryWrite& AWrite)
{
    TApplied applied;
    if (!FMemoryDb || sqlite3_exec(FMemoryDb, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return applied;
    applied = Apply(FMemoryDb, AWrite);
    applied.Begun = true;
    if (!applied.Commit || sqlite3_exec(FMemoryDb, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Rollback(FMemoryDb);
        if (applied.Commit)
            applied.Result = TRegistryResult::rrFailed;
    }
    return applied;
}

TRegistryHive::TApplied TRegistryHive::Execute(const TRegistryWrite& AWrite)
{
    if (!FDb)
        return {};
    if (FDb == FMemoryDb) {
        const TApplied applied = ApplyInMemory(AWrite);
        if (!FForGood) {
            FPending.push_back(AWrite);
            ScheduleRetry();
        }
        return applied;
    }
    if (sqlite3_db_readonly(FFileDb, "main") == 1) {
        Detach(true, UnwritableReason(SQLITE_READONLY, QString()));
        return ApplyInMemory(AWrite);
    }
    switch (BeginWrite(FFileDb, FWriteWait)) {
    case TBegin::bOk:
        break;
    case TBegin::bBusy:
        if (!FDeferWrites)
            return {};
        // Another program holds the lock: go on in memory and write it all later.
        Detach(false, QString());
        FPending.push_back(AWrite);
        ScheduleRetry();
        return ApplyInMemory(AWrite);
    case TBegin::bUnwritable:
        Detach(true, UnwritableReason(FLastCode, FLastError));
        return ApplyInMemory(AWrite);
    case TBegin::bFailed:
        return {};
    }
    TApplied applied = Apply(FFileDb, AWrite);
    applied.Begun = true;
    if (applied.Commit && Commit(FFileDb, FWriteWait))
        return applied;
    Rollback(FFileDb);
    if (IsUnwritable(FLastCode)) {
        Detach(true, UnwritableReason(FLastCode, FLastError));
        return ApplyInMemory(AWrite);
    }
    if (applied.Commit && IsBusy(FLastCode) && FDeferWrites) {
        Detach(false, QString());
        FPending.push_back(AWrite);
        ScheduleRetry();
        return ApplyInMemory(AWrite);
    }
    if (applied.Commit)
        applied.Result = TRegistryResult::rrFailed;
    return applied;
}

void TRegistryHive::Detach(bool AForGood, const QString& AReason)
{
    if (FDb != FMemoryDb || !FMemoryDb) {
        // A copy of what the file holds now, so that reads go on seeing the stored settings.
        sqlite3* memory = nullptr;
        sqlite3_open_v2(":memory:", &memory, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
        bool copied = false;
        if (memory && FFileDb) {
            sqlite3_backup* backup = sqlite3_backup_init(memory, "main", FFileDb, "main");
            copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
        if (!copied) {
            sqlite3_close(memory);
            memory = TRegistryHiveOpener::OpenMemory();
        }
        sqlite3_extended_result_codes(memory, 1);
        FMemoryDb = memory;
        FDb = memory;
    }
    if (!AForGood || FForGood)
        return;
    FForGood = true;
    FPending.clear();
    const QString text = QStringLiteral("Settings cannot be saved: %1 (\"%2\"). Changes are kept until the "
                                        "program ends.")
                             .arg(AReason, QDir::toNativeSeparators(FPath));
    // Told once, after the write that found out has finished: the box runs an event loop, and a save
    // there must not find the store in the middle of this one.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [text] { ShowNotice(TNoticeKind::nkWarning, text); }, Qt::QueuedConnection);
    else
        ShowNotice(TNoticeKind::nkWarning, text);
}

bool TRegistryHive::FlushLocked(std::chrono::milliseconds AWait)
{
    if (FPending.empty())
        return true;
    if (FForGood || !FFileDb) {
        FPending.clear();
        return true;
    }
    switch (BeginWrite(FFileDb, AWait)) {
    case TBegin::bOk:
        break;
    case TBegin::bBusy:
    case TBegin::bFailed:
        return false;
    case TBegin::bUnwritable:
        Detach(true, UnwritableReason(FLastCode, FLastError));
        return true;
    }
    // Each change keeps its own outcome, as it had when it was made in memory.
    for (const TRegistryWrite& write : FPending) {
        sqlite3_exec(FFileDb, "SAVEPOINT pending", nullptr, nullptr, nullptr);
        const TApplied applied = Apply(FFileDb, write);
        if (!applied.Commit && IsUnwritable(FLastCode)) {
            Rollback(FFileDb);
            Detach(true, UnwritableReason(FLastCode, FLastError));
            return true;
        }
        if (!applied.Commit)
            sqlite3_exec(FFileDb, "ROLLBACK TO pending", nullptr, nullptr, nullptr);
        sqlite3_exec(FFileDb, "RELEASE pending", nullptr, nullptr, nullptr);
    }
    if (!Commit(FFileDb, AWait)) {
        if (IsUnwritable(FLastCode)) {
            Detach(true, UnwritableReason(FLastCode, FLastError));
            return true;
        }
        return false;
    }
    FPending.clear();
    FDb = FFileDb;
    sqlite3_close(FMemoryDb);
    FMemoryDb = nullptr;
    return true;
}

void TRegistryHive::ScheduleRetry()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (FRetryScheduled || !app || QThread::currentThread() != app->thread())
        return;
    if (!FRetryContext)
        FRetryContext = std::make_unique<QObject>();
    FRetryScheduled = true;
    QTimer::singleShot(RetryIntervalMs, FRetryContext.get(), [this] {
        std::lock_guard guard(FLock);
        FRetryScheduled = false;
        if (!FlushLocked(FWriteWait))
            ScheduleRetry();
    });
}

bool TRegistryHive::KeyExists(const QString& AKey)
{
    std::lock_guard guard(FLock);
    const QString key = NormalizeKey(AKey);
    if (key.isEmpty())
        return FDb != nullptr;
    if (!FDb)
        return false;
    TStatement q(FDb, "SELECT 1 FROM hive_keys WHERE path_fold = ?1");
    q.Bind(1, FoldName(key));
    return q.Ok() && q.Step() == SQLITE_ROW;
}

bool TRegistryHive::CreateKey(const QString& AKey)
{
    std::lock_guard guard(FLock);
    TRegistryWrite write;
    write.Kind = TRegistryWrite::rwCreateKey;
    write.Key = AKey;
    return Execute(write).Result == TRegistryResult::rrOk;
}

bool TRegistryHive::DeleteKey(const QString& AKey)
{
    std::lock_guard guard(FLock);
    if (NormalizeKey(AKey).isEmpty())
        return false;
    TRegistryWrite write;
    write.Kind = TRegistryWrite::rwDeleteKey;
    write.Key = AKey;
    const TApplied applied = Execute(write);
    return applied.Result == TRegistryResult::rrOk && applied.Existed;
}

QStringList TRegistryHive::SubKeyNames(const QString& AKey)
{
    std::lock_guard guard(FLock);
    QStringList names;
    if (!FDb)
        return names;
    TStatement q(FDb, "SELECT name FROM hive_keys WHERE parent_fold = ?1 ORDER BY path_fold");
    q.Bind(1, FoldName(NormalizeKey(AKey)));
    while (q.Ok() && q.Step() == SQLITE_ROW)
        names.append(q.Text(0));
    return names;
}

QStringList TRegistryHive::ValueNames(const QString& AKey)
{
    std::lock_guard guard(FLock);
    QStringList names;
    if (!FDb)
        return names;
    TStatement q(FDb, "SELECT name FROM hive_values WHERE key_fold = ?1 ORDER BY id");
    q.Bind(1, FoldName(NormalizeKey(AKey)));
    while (q.Ok() && q.Step() == SQLITE_ROW)
        names.append(q.Text(0));
    return names;
}

bool TRegistryHive::ValueExists(const QString& AKey, const QString& AName)
{
    TRegistryValue value;
    return QueryValue(AKey, AName, value) == TRegistryResult::rrOk;
}

TRegistryResult TRegistryHive::QueryValue(const QString& AKey, const QString& AName, TRegistryValue& AValue)
{
    std::lock_guard guard(FLock);
    if (!FDb)
        return TRegistryResult::rrFailed;
    TStatement q(FDb, "SELECT type, data FROM hive_values WHERE key_fold = ?1 AND name_fold = ?2");
    if (!q.Ok()) {
        RememberError(FDb);
        return TRegistryResult::rrFailed;
    }
    q.Bind(1, FoldName(NormalizeKey(AKey)));
    q.Bind(2, FoldName(AName));
    const int rc = q.Step();
    if (rc == SQLITE_DONE)
        return TRegistryResult::rrNotFound;
    if (rc != SQLITE_ROW) {
        RememberError(FDb);
        return TRegistryResult::rrFailed;
    }
    AValue.Type = quint32(q.Int(0));
    AValue.Data = q.Blob(1);
    return TRegistryResult::rrOk;
}

TRegistryResult TRegistryHive::SetValue(
    const QString& AKey, const QString& AName, quint32 AType, const QByteArray& AData, bool ACreateKey)
{
    std::lock_guard guard(FLock);
    TRegistryWrite write;
    write.Kind = TRegistryWrite::rwSetValue;
    write.Key = AKey;
    write.Name = AName;
    write.Type = AType;
    write.Data = AData;
    write.CreateKey = ACreateKey;
    const TApplied applied = Execute(write);
    // Without the write lock the key could not be opened: nothing is written.
    return applied.Begun ? applied.Result : TRegistryResult::rrNotFound;
}

TRegistryResult TRegistryHive::DeleteValue(const QString& AKey, const QString& AName)
{
    std::lock_guard guard(FLock);
    TRegistryWrite write;
    write.Kind = TRegistryWrite::rwDeleteValue;
    write.Key = AKey;
    write.Name = AName;
    return Execute(write).Result;
}

bool TRegistryHive::CheckIntegrity()
{
    std::lock_guard guard(FLock);
    if (!FDb)
        return false;
    TStatement q(FDb, "PRAGMA integrity_check");
    return q.Ok() && q.Step() == SQLITE_ROW && q.Text(0) == QLatin1String("ok");
}
