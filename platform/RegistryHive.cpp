#include "platform/RegistryHive.h"

#include "platform/Notice.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <chrono>

namespace {

constexpr int BusyTimeoutMs = 5000;
// A writer that still finds the store busy after this long reports a failure instead of waiting on.
constexpr auto WriteDeadline = std::chrono::seconds(60);
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
    static sqlite3* OpenChecked(const QString& APath, QString& AProblem);
    static sqlite3* OpenMemory();
    static bool Prepare(sqlite3* ADb, bool ANew);
    static QString MoveAside(const QString& APath);
};

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
    return db;
}

// Sets the connection up and checks the file; false when the file is no sound hive.
bool TRegistryHiveOpener::Prepare(sqlite3* ADb, bool ANew)
{
    sqlite3_busy_timeout(ADb, BusyTimeoutMs);
    sqlite3_extended_result_codes(ADb, 1);
    // Reading the schema is the first real access: garbage or a truncated header fails here.
    {
        TStatement check(ADb, "PRAGMA quick_check");
        if (!check.Ok() || check.Step() != SQLITE_ROW || check.Text(0) != QLatin1String("ok"))
            return false;
    }
    if (!ANew) {
        TStatement appId(ADb, "PRAGMA application_id");
        if (!appId.Ok() || appId.Step() != SQLITE_ROW)
            return false;
        const qint64 id = appId.Int(0);
        // A database of some other kind is left alone and moved aside like a damaged one.
        if (id != ApplicationId)
            return false;
    }
    char* err = nullptr;
    const QByteArray setup = QByteArray("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; ")
        + (ANew ? QByteArray("PRAGMA application_id=") + QByteArray::number(ApplicationId) + ';'
                : QByteArray())
        + SchemaSql;
    const int rc = sqlite3_exec(ADb, setup.constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    return rc == SQLITE_OK;
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

sqlite3* TRegistryHiveOpener::OpenChecked(const QString& APath, QString& AProblem)
{
    const QFileInfo info(APath);
    bool exists = info.exists();
    // Only an interrupted creation leaves an empty file; it holds nothing, so it is treated as damaged.
    if (exists && info.size() == 0) {
        AProblem = QStringLiteral("the file is empty");
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (exists ? 0 : SQLITE_OPEN_CREATE);
    const int rc = sqlite3_open_v2(QFile::encodeName(APath).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        AProblem = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    if (!Prepare(db, !exists)) {
        AProblem = QString::fromUtf8(sqlite3_errmsg(db));
        if (AProblem == QLatin1String("not an error"))
            AProblem = QStringLiteral("the integrity check failed");
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

std::shared_ptr<TRegistryHive> TRegistryHive::Open(const QString& APath)
{
    std::shared_ptr<TRegistryHive> hive(new TRegistryHive);
    hive->FPath = QFileInfo(APath).absoluteFilePath();
    const QString dir = QFileInfo(hive->FPath).absolutePath();
    if (QDir().mkpath(dir)) {
        // Creating, checking and moving the file aside happen under a lock, so that two programs starting
        // at once neither both create the file nor move aside the fresh store of the other.
        QLockFile lock(hive->FPath + QStringLiteral(".lock"));
        lock.setStaleLockTime(30000);
        const bool locked = lock.tryLock(30000);
        QString problem;
        hive->FDb = TRegistryHiveOpener::OpenChecked(hive->FPath, problem);
        if (!hive->FDb && locked && QFileInfo::exists(hive->FPath)) {
            const QString aside = TRegistryHiveOpener::MoveAside(hive->FPath);
            if (!aside.isEmpty()) {
                ShowNotice(TNoticeKind::nkWarning,
                    QStringLiteral("The settings store \"%1\" is damaged (%2). It was moved to \"%3\"; "
                                   "the program starts with default settings.")
                        .arg(
                            QDir::toNativeSeparators(hive->FPath), problem, QDir::toNativeSeparators(aside)));
                problem.clear();
                hive->FDb = TRegistryHiveOpener::OpenChecked(hive->FPath, problem);
            }
        }
        if (hive->FDb) {
            hive->FPersistent = true;
            return hive;
        }
        ShowNotice(TNoticeKind::nkWarning,
            QStringLiteral("The settings store \"%1\" cannot be used (%2). Settings are kept only until the "
                           "program ends.")
                .arg(QDir::toNativeSeparators(hive->FPath),
                    problem.isEmpty() ? QStringLiteral("locked") : problem));
    } else {
        ShowNotice(TNoticeKind::nkWarning,
            QStringLiteral(
                "The folder \"%1\" cannot be created. Settings are kept only until the program ends.")
                .arg(QDir::toNativeSeparators(dir)));
    }
    hive->FDb = TRegistryHiveOpener::OpenMemory();
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
    sqlite3_close(FDb);
}

QString TRegistryHive::LastError() const
{
    std::lock_guard guard(FLock);
    return FLastError;
}

void TRegistryHive::RememberError()
{
    FLastError = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QStringLiteral("no store");
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

// Takes the write lock at once; waits for other writers well beyond SQLite's own busy timeout.
bool TRegistryHive::BeginWrite()
{
    if (!FDb)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + WriteDeadline;
    for (;;) {
        const int rc = sqlite3_exec(FDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return true;
        if (!IsBusy(rc) || std::chrono::steady_clock::now() >= deadline) {
            RememberError();
            return false;
        }
        QThread::msleep(5);
    }
}

bool TRegistryHive::Commit()
{
    const auto deadline = std::chrono::steady_clock::now() + WriteDeadline;
    for (;;) {
        const int rc = sqlite3_exec(FDb, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return true;
        if (!IsBusy(rc) || std::chrono::steady_clock::now() >= deadline) {
            RememberError();
            Rollback();
            return false;
        }
        QThread::msleep(5);
    }
}

void TRegistryHive::Rollback()
{
    if (sqlite3_get_autocommit(FDb) == 0)
        sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Inside a write transaction: make sure the key and all its ancestors exist.
bool TRegistryHive::EnsureKey(const QString& ANormalKey)
{
    if (ANormalKey.isEmpty())
        return true;
    const QStringList parts = ANormalKey.split(QLatin1Char('\\'));
    QString path;
    for (const QString& part : parts) {
        const QString parent = path;
        path = path.isEmpty() ? part : path + QLatin1Char('\\') + part;
        TStatement step(
            FDb, "INSERT OR IGNORE INTO hive_keys(path_fold, parent_fold, name) VALUES(?1, ?2, ?3)");
        step.Bind(1, FoldName(path));
        step.Bind(2, FoldName(parent));
        step.Bind(3, part);
        if (step.Step() != SQLITE_DONE) {
            RememberError();
            return false;
        }
    }
    return true;
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
    if (!BeginWrite())
        return false;
    if (!EnsureKey(NormalizeKey(AKey))) {
        Rollback();
        return false;
    }
    return Commit();
}

bool TRegistryHive::DeleteKey(const QString& AKey)
{
    std::lock_guard guard(FLock);
    const QString key = FoldName(NormalizeKey(AKey));
    if (key.isEmpty() || !BeginWrite())
        return false;
    // The subtree is every path that starts with "key\": the range from "key\" up to "key]" ('\' + 1).
    const QString low = key + QLatin1Char('\\');
    const QString high = key + QLatin1Char(']');
    TStatement values(
        FDb, "DELETE FROM hive_values WHERE key_fold = ?1 OR (key_fold >= ?2 AND key_fold < ?3)");
    values.Bind(1, key);
    values.Bind(2, low);
    values.Bind(3, high);
    TStatement keys(
        FDb, "DELETE FROM hive_keys WHERE path_fold = ?1 OR (path_fold >= ?2 AND path_fold < ?3)");
    keys.Bind(1, key);
    keys.Bind(2, low);
    keys.Bind(3, high);
    if (values.Step() != SQLITE_DONE || keys.Step() != SQLITE_DONE) {
        RememberError();
        Rollback();
        return false;
    }
    const bool existed = sqlite3_changes(FDb) > 0;
    return Commit() && existed;
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
        RememberError();
        return TRegistryResult::rrFailed;
    }
    q.Bind(1, FoldName(NormalizeKey(AKey)));
    q.Bind(2, FoldName(AName));
    const int rc = q.Step();
    if (rc == SQLITE_DONE)
        return TRegistryResult::rrNotFound;
    if (rc != SQLITE_ROW) {
        RememberError();
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
    const QString key = NormalizeKey(AKey);
    if (!BeginWrite())
        return TRegistryResult::rrNotFound;
    if (ACreateKey) {
        if (!EnsureKey(key)) {
            Rollback();
            return TRegistryResult::rrNotFound;
        }
    } else if (!key.isEmpty()) {
        TStatement q(FDb, "SELECT 1 FROM hive_keys WHERE path_fold = ?1");
        q.Bind(1, FoldName(key));
        if (q.Step() != SQLITE_ROW) {
            Rollback();
            return TRegistryResult::rrNotFound;
        }
    }
    if (AData.size() > MaxValueSize) {
        FLastError = QStringLiteral("value too large");
        // The key stays: it opened (or was created) before the value was refused.
        Commit();
        return TRegistryResult::rrFailed;
    }
    // Replace in place so the value keeps its position in the enumeration order.
    TStatement update(
        FDb, "UPDATE hive_values SET type = ?3, data = ?4 WHERE key_fold = ?1 AND name_fold = ?2");
    update.Bind(1, FoldName(key));
    update.Bind(2, FoldName(AName));
    update.Bind(3, qint64(AType));
    update.Bind(4, AData);
    if (update.Step() != SQLITE_DONE) {
        RememberError();
        Rollback();
        return TRegistryResult::rrFailed;
    }
    if (sqlite3_changes(FDb) == 0) {
        TStatement insert(
            FDb, "INSERT INTO hive_values(key_fold, name_fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)");
        insert.Bind(1, FoldName(key));
        insert.Bind(2, FoldName(AName));
        insert.Bind(3, AName);
        insert.Bind(4, qint64(AType));
        insert.Bind(5, AData);
        if (insert.Step() != SQLITE_DONE) {
            RememberError();
            Rollback();
            return TRegistryResult::rrFailed;
        }
    }
    return Commit() ? TRegistryResult::rrOk : TRegistryResult::rrFailed;
}

TRegistryResult TRegistryHive::DeleteValue(const QString& AKey, const QString& AName)
{
    std::lock_guard guard(FLock);
    if (!BeginWrite())
        return TRegistryResult::rrFailed;
    TStatement del(FDb, "DELETE FROM hive_values WHERE key_fold = ?1 AND name_fold = ?2");
    del.Bind(1, FoldName(NormalizeKey(AKey)));
    del.Bind(2, FoldName(AName));
    if (del.Step() != SQLITE_DONE) {
        RememberError();
        Rollback();
        return TRegistryResult::rrFailed;
    }
    const bool existed = sqlite3_changes(FDb) > 0;
    if (!Commit())
        return TRegistryResult::rrFailed;
    return existed ? TRegistryResult::rrOk : TRegistryResult::rrNotFound;
}

bool TRegistryHive::CheckIntegrity()
{
    std::lock_guard guard(FLock);
    if (!FDb)
        return false;
    TStatement q(FDb, "PRAGMA integrity_check");
    return q.Ok() && q.Step() == SQLITE_ROW && q.Text(0) == QLatin1String("ok");
}
