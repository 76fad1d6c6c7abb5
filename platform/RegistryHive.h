#pragma once

#include "util/QuillonError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

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

// The per-user settings hive: a tree of keys holding typed values, kept in one SQLite file.
// Key paths use backslashes ("Software\Ravek\Quillon"); key and value names compare case-insensitively
// (ASCII letters only). Values enumerate in the order they were first written. Every operation is its
// own transaction (writes take the write lock at once), so several processes can share one file.
class TRegistryHive {
public:
    // Data larger than this is refused (the registry keeps values small, so does this store).
    static constexpr qsizetype MaxValueSize = 1024 * 1024;

    // Opens the hive file at APath, creating it and its folder when missing. A store that does not open
    // or fails its integrity check is moved aside (never deleted) with a notice, and a fresh one replaces it.
    // When no file can be written at all, the hive lives in memory for this process (see IsPersistent).
    static std::shared_ptr<TRegistryHive> Open(const QString& APath);

    // The hive file of the current user: $XDG_CONFIG_HOME/ravek/quillon/registry.db (honours Qt's test mode).
    static QString DefaultPath();
    // The process-wide hive at DefaultPath, opened on first use.
    static std::shared_ptr<TRegistryHive> CurrentUser();

    ~TRegistryHive();
    TRegistryHive(const TRegistryHive&) = delete;
    TRegistryHive& operator=(const TRegistryHive&) = delete;

    QString Path() const { return FPath; }
    bool IsPersistent() const { return FPersistent; }
    QString LastError() const;

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
    TRegistryHive() = default;
    bool BeginWrite();
    bool Commit();
    void Rollback();
    bool EnsureKey(const QString& ANormalKey);
    void RememberError();

    mutable std::mutex FLock;
    sqlite3* FDb = nullptr;
    QString FPath;
    QString FLastError;
    bool FPersistent = false;

    friend class TRegistryHiveOpener;
};
