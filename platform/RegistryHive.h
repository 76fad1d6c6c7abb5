#pragma once

#include "util/QuillonError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

class QObject;
struct sqlite3;

// Value types of the per-user hive, numbered as the registry numbers them.
enum TRegistryType : quint32 {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_QWORD = 11,
};

// Error of registry access; the message names the value ("Failed to get data for 'Pos'").
class ERegistryException : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

struct TRegistryValue {
    quint32 Type = REG_NONE;
    QByteArray Data; // raw bytes: text as UTF-16LE with its terminator, numbers little-endian
};

enum class TRegistryResult {
    rrOk,
    rrNotFound, // the key (or the value) does not exist, or the key could not be opened or created
    rrFailed, // the store refused the operation
};

// One change of the hive, as kept while the file is out of reach.
struct TRegistryWrite {
    enum TKind { rwSetValue, rwDeleteValue, rwCreateKey, rwDeleteKey };
    TKind Kind = rwSetValue;
    QString Key;
    QString Name;
    quint32 Type = REG_NONE;
    QByteArray Data;
    bool CreateKey = true;
};

// The per-user settings hive: a tree of keys holding typed values, kept in one SQLite file.
// Key paths use backslashes ("Software\Ravek\Quillon"); key and value names compare case-insensitively
// (ASCII letters only). Values enumerate in the order they were first written. Every operation is its
// own transaction (writes take the write lock at once), so several processes can share one file.
//
// When the file cannot take writes (read-only, a full disk), the hive tells the user once and goes on with
// a copy in memory for the rest of the run. With deferred writes (SetWritePolicy), a write that finds the
// write lock held by another program longer than the wait allows is kept in memory and written later.
class TRegistryHive {
public:
    // Data larger than this is refused (the registry keeps values small, so does this store).
    static constexpr qsizetype MaxValueSize = 1024 * 1024;

    // Opens the hive file at APath, creating it and its folder when missing (file 0600, folders 0700; a
    // new file is built aside and moved into place, so a failed creation leaves no file, and an empty file
    // counts as no store). A store that is damaged is moved aside (never deleted) with a notice, and a
    // fresh one replaces it. When the file cannot be written, the hive lives in memory for this process
    // (see IsPersistent), starting from what the file holds when it can be read.
    static std::shared_ptr<TRegistryHive> Open(const QString& APath);

    // The hive file of the current user: $XDG_CONFIG_HOME/ravek/quillon/registry.db (honours Qt's test mode).
    static QString DefaultPath();
    // The process-wide hive at DefaultPath, opened on first use.
    static std::shared_ptr<TRegistryHive> CurrentUser();

    ~TRegistryHive();
    TRegistryHive(const TRegistryHive&) = delete;
    TRegistryHive& operator=(const TRegistryHive&) = delete;

    QString Path() const { return FPath; }
    // Writes reach the file (false once the hive went over to memory for good).
    bool IsPersistent() const;
    QString LastError() const;

    // How long a write waits for another program's write lock, and whether it is then kept back and
    // retried later (true) or fails (false). Default: one minute, no deferral.
    void SetWritePolicy(std::chrono::milliseconds AWait, bool ADefer);
    // Writes kept back while another program held the lock.
    bool HasPendingWrites() const;
    // Writes what was kept back, waiting at most AWait for the lock; true when nothing is left pending.
    bool FlushPendingWrites(std::chrono::milliseconds AWait);

    bool KeyExists(const QString& AKey);
    // Creates AKey and every missing key on its path; true when the key exists afterwards.
    bool CreateKey(const QString& AKey);
    // Deletes AKey with all keys and values below it; false when it did not exist or is the root.
    bool DeleteKey(const QString& AKey);
    QStringList SubKeyNames(const QString& AKey);
    // Names of the key's values in insertion order; empty for a missing key.
    QStringList ValueNames(const QString& AKey);

    bool ValueExists(const QString& AKey, const QString& AName);
    TRegistryResult QueryValue(const QString& AKey, const QString& AName, TRegistryValue& AValue);
    // Writes a value, replacing one of that name whatever its type (it keeps its place in the order).
    // With ACreateKey the key and its path are created first; otherwise a missing key gives rrNotFound.
    // rrNotFound also when the key could not be created; rrFailed when the store refused the value.
    TRegistryResult SetValue(const QString& AKey, const QString& AName, quint32 AType,
        const QByteArray& AData, bool ACreateKey = true);
    TRegistryResult DeleteValue(const QString& AKey, const QString& AName);

    // SQLite's quick integrity check of the file.
    bool CheckIntegrity();

    // Folding used for key and value names: ASCII A-Z to a-z, nothing else.
    static QString FoldName(const QString& AName);
    // "a\\b\" and "\a\b" name the same key as "a\b".
    static QString NormalizeKey(const QString& AKey);

private:
    enum class TBegin { bOk, bBusy, bUnwritable, bFailed };
    struct TApplied {
        TRegistryResult Result = TRegistryResult::rrFailed;
        bool Commit = false;
        bool Existed = false; // key or value deletions: something was there
        bool Begun = false; // the change reached a transaction
    };

    TRegistryHive() = default;
    TApplied Execute(const TRegistryWrite& AWrite);
    TApplied Apply(sqlite3* ADb, const TRegistryWrite& AWrite);
    TApplied ApplyInMemory(const TRegistryWrite& AWrite);
    TBegin BeginWrite(sqlite3* ADb, std::chrono::milliseconds AWait);
    bool Commit(sqlite3* ADb, std::chrono::milliseconds AWait);
    static void Rollback(sqlite3* ADb);
    bool EnsureKey(sqlite3* ADb, const QString& ANormalKey);
    // Goes over to a copy of the file in memory; AForGood: the file cannot take writes at all (the user
    // is told once, with AReason).
    void Detach(bool AForGood, const QString& AReason);
    bool FlushLocked(std::chrono::milliseconds AWait);
    void ScheduleRetry();
    void RememberError(sqlite3* ADb);
    friend class TRegistryHiveOpener;

    mutable std::mutex FLock;
    sqlite3* FDb = nullptr; // where reads and writes go: the file, or the copy in memory
    sqlite3* FFileDb = nullptr;
    sqlite3* FMemoryDb = nullptr;
    QString FPath;
    QString FLastError;
    int FLastCode = 0;
    bool FForGood = false; // in memory for the rest of the run
    std::chrono::milliseconds FWriteWait {60000};
    bool FDeferWrites = false;
    std::vector<TRegistryWrite> FPending;
    std::unique_ptr<QObject> FRetryContext;
    bool FRetryScheduled = false;
};
