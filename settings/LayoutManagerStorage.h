#pragma once

#include "platform/RegistryHive.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// Named sections holding typed, named values: where every setting that survives a restart lives.
// Shared by reference (std::shared_ptr); all text is UTF-16, a date-time is a double counting days since
// 1899-12-30. Every operation but Open, Close, Save and the Opened property opens the storage by itself.
class ILayoutManagerStorage {
public:
    virtual ~ILayoutManagerStorage() = default;

    virtual bool GetOpened() const = 0;
    virtual void SetOpened(bool AValue) = 0;
    virtual bool SectionExists(const QString& AName) = 0;
    virtual bool ValueExists(const QString& ASection, const QString& AName) = 0;
    virtual void WriteInteger(const QString& ASection, const QString& AName, qint64 AValue) = 0;
    virtual void WriteString(const QString& ASection, const QString& AName, const QString& AValue) = 0;
    virtual void WriteFloat(const QString& ASection, const QString& AName, double AValue) = 0;
    virtual void WriteDatetime(const QString& ASection, const QString& AName, double AValue) = 0;
    virtual void WriteBoolean(const QString& ASection, const QString& AName, bool AValue) = 0;
    virtual qint64 ReadInteger(const QString& ASection, const QString& AName, qint64 ADefault) = 0;
    virtual QString ReadString(const QString& ASection, const QString& AName, const QString& ADefault) = 0;
    virtual double ReadFloat(const QString& ASection, const QString& AName, double ADefault) = 0;
    virtual double ReadDatetime(const QString& ASection, const QString& AName, double ADefault) = 0;
    virtual bool ReadBoolean(const QString& ASection, const QString& AName, bool ADefault) = 0;
    virtual void ReadSection(const QString& ASection, QStringList& AList) = 0;
    virtual void DeleteSection(const QString& ASection) = 0;
    virtual void DeleteValue(const QString& ASection, const QString& AName) = 0;
    virtual void Save() = 0;
    virtual void Open(bool AReadOnly) = 0;
    virtual void Close() = 0;

    bool Opened() const { return GetOpened(); }
};

using ILayoutManagerStoragePtr = std::shared_ptr<ILayoutManagerStorage>;

// Closes a storage at the end of a restore or save, also when an error escapes.
class TStorageCloser {
public:
    explicit TStorageCloser(ILayoutManagerStorage& AStorage)
        : FStorage(AStorage)
    {
    }
    ~TStorageCloser() { FStorage.Close(); }
    TStorageCloser(const TStorageCloser&) = delete;
    TStorageCloser& operator=(const TStorageCloser&) = delete;

private:
    ILayoutManagerStorage& FStorage;
};

// The storage on the per-user hive: section S is the key RootKeyName + S; text is REG_SZ, integers REG_DWORD
// (REG_QWORD when they do not fit 32 bits), Booleans REG_DWORD 0/1, floats and date-times 8-byte REG_BINARY.
// Decoding failures raise ERegistryException naming the value.
class TLayoutManagerRegistryStorage : public ILayoutManagerStorage {
public:
    TLayoutManagerRegistryStorage();
    ~TLayoutManagerRegistryStorage() override;

    bool GetOpened() const override;
    void SetOpened(bool AValue) override;
    bool SectionExists(const QString& AName) override;
    bool ValueExists(const QString& ASection, const QString& AName) override;
    void WriteInteger(const QString& ASection, const QString& AName, qint64 AValue) override;
    void WriteString(const QString& ASection, const QString& AName, const QString& AValue) override;
    void WriteFloat(const QString& ASection, const QString& AName, double AValue) override;
    void WriteDatetime(const QString& ASection, const QString& AName, double AValue) override;
    void WriteBoolean(const QString& ASection, const QString& AName, bool AValue) override;
    qint64 ReadInteger(const QString& ASection, const QString& AName, qint64 ADefault) override;
    QString ReadString(const QString& ASection, const QString& AName, const QString& ADefault) override;
    double ReadFloat(const QString& ASection, const QString& AName, double ADefault) override;
    double ReadDatetime(const QString& ASection, const QString& AName, double ADefault) override;
    bool ReadBoolean(const QString& ASection, const QString& AName, bool ADefault) override;
    void ReadSection(const QString& ASection, QStringList& AList) override;
    void DeleteSection(const QString& ASection) override;
    void DeleteValue(const QString& ASection, const QString& AName) override;
    void Save() override;
    void Open(bool AReadOnly) override;
    void Close() override;

    // The hive the sections live in; by default the current user's (resolved when the storage first opens).
    std::shared_ptr<TRegistryHive> RootKey() const { return FRootKey; }
    void SetRootKey(std::shared_ptr<TRegistryHive> AValue);
    // Always ends with a backslash; default "SOFTWARE\".
    QString RootKeyName() const { return FRootKeyName; }
    void SetRootKeyName(const QString& AValue);
    // Writes on the GUI thread wait at most this long for another program's write lock; what they could
    // not write then is kept and written later (see TRegistryHive::SetWritePolicy). Zero: the hive's own.
    void SetGuiWriteWait(std::chrono::milliseconds AValue);

    // Encodings of the values, shared with the tests.
    static QByteArray EncodeString(const QString& AValue);
    static TRegistryValue EncodeInteger(qint64 AValue);
    static QByteArray EncodeDouble(double AValue);

private:
    QString KeyOf(const QString& ASection) const { return FRootKeyName + ASection; }
    TRegistryHive& Hive();
    void WriteValue(const QString& ASection, const QString& AName, quint32 AType, const QByteArray& AData);
    // Reads a value as the registry hands it to a caller with a buffer of ABufferSize bytes (-1: unlimited);
    // false when the key or the value is missing.
    bool ReadValue(
        const QString& ASection, const QString& AName, qsizetype ABufferSize, TRegistryValue& AValue);
    double ReadDouble(const QString& ASection, const QString& AName, double ADefault);

    std::shared_ptr<TRegistryHive> FStorage; // the open accessor; none while closed
    void ApplyWritePolicy();

    std::shared_ptr<TRegistryHive> FRootKey;
    QString FRootKeyName;
    std::chrono::milliseconds FGuiWriteWait {0};
};

// How long the program's saves wait for another program's write lock before they are retried later.
inline constexpr std::chrono::milliseconds GuiWriteWait {100};

// The root of this program's settings tree below the current user's hive.
inline constexpr const char* LayoutStorageRootKeyName = "Software\\Ravek\\Quillon\\1.x";

// The storage shared by every layout manager and the recent-files list; start-up sets it
// (CreateLayoutStorage) before any window exists and it lives until the process ends.
extern ILayoutManagerStoragePtr LayoutStorage;

// A registry storage on the current user's hive with this program's root key name.
ILayoutManagerStoragePtr CreateLayoutStorage();
