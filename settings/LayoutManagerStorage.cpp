#include "settings/LayoutManagerStorage.h"

#include <QtEndian>

#include <cstring>

ILayoutManagerStoragePtr LayoutStorage;

namespace {

QString GetDataError(const QString& AName)
{
    return QStringLiteral("Failed to get data for '%1'").arg(AName);
}

QString DataTypeError(const QString& AName)
{
    return QStringLiteral("Invalid data type for '%1'").arg(AName);
}

QString SetDataError(const QString& AName)
{
    return QStringLiteral("Failed to set data for '%1'").arg(AName);
}

// The number held by a REG_DWORD or REG_QWORD value. A DWORD is sign-extended: the readers of this program
// use the low 32 bits, and positions such as -8 come back as written.
qint64 DecodeInteger(const TRegistryValue& AValue)
{
    unsigned char raw[8] = {};
    std::memcpy(raw, AValue.Data.constData(), size_t(qMin<qsizetype>(AValue.Data.size(), 8)));
    if (AValue.Type == REG_DWORD)
        return qint64(qint32(qFromLittleEndian<quint32>(raw)));
    return qFromLittleEndian<qint64>(raw);
}

} // namespace

TLayoutManagerRegistryStorage::TLayoutManagerRegistryStorage()
    : FRootKeyName(QStringLiteral("SOFTWARE\\"))
{
}

TLayoutManagerRegistryStorage::~TLayoutManagerRegistryStorage() = default;

QByteArray TLayoutManagerRegistryStorage::EncodeString(const QString& AValue)
{
    QByteArray data;
    data.resize((AValue.size() + 1) * 2);
    char* out = data.data();
    for (qsizetype i = 0; i < AValue.size(); ++i)
        qToLittleEndian<quint16>(AValue.at(i).unicode(), out + i * 2);
    qToLittleEndian<quint16>(0, out + AValue.size() * 2);
    return data;
}

TRegistryValue TLayoutManagerRegistryStorage::EncodeInteger(qint64 AValue)
{
    TRegistryValue value;
    // Values from -2^31 to 2^32-1 fit a DWORD (negative ones as two's complement); anything else would lose
    // its high bits there and goes into a QWORD.
    if (AValue >= -2147483648LL && AValue <= 4294967295LL) {
        value.Type = REG_DWORD;
        value.Data.resize(4);
        qToLittleEndian<quint32>(quint32(AValue), value.Data.data());
    } else {
        value.Type = REG_QWORD;
        value.Data.resize(8);
        qToLittleEndian<qint64>(AValue, value.Data.data());
    }
    return value;
}

QByteArray TLayoutManagerRegistryStorage::EncodeDouble(double AValue)
{
    quint64 bits = 0;
    std::memcpy(&bits, &AValue, sizeof bits);
    QByteArray data(8, Qt::Uninitialized);
    qToLittleEndian<quint64>(bits, data.data());
    return data;
}

bool TLayoutManagerRegistryStorage::GetOpened() const
{
    return FStorage != nullptr;
}

void TLayoutManagerRegistryStorage::SetOpened(bool AValue)
{
    if (AValue)
        Open(true);
    else
        Close();
}

void TLayoutManagerRegistryStorage::Open(bool AReadOnly)
{
    // Reads and writes choose their access per key, so the read-only flag changes nothing here.
    Q_UNUSED(AReadOnly);
    // The current user's hive is resolved once and kept: closing the storage must not close the file,
    // which would be opened and checked again for every item of every save.
    if (!FRootKey) {
        FRootKey = TRegistryHive::CurrentUser();
        ApplyWritePolicy();
    }
    if (!FStorage)
        FStorage = FRootKey;
}

void TLayoutManagerRegistryStorage::Close()
{
    FStorage.reset();
}

void TLayoutManagerRegistryStorage::Save()
{
    // Every write is committed as it happens.
}

TRegistryHive& TLayoutManagerRegistryStorage::Hive()
{
    if (!FStorage)
        Open(true);
    return *FStorage;
}

void TLayoutManagerRegistryStorage::SetRootKey(std::shared_ptr<TRegistryHive> AValue)
{
    if (AValue == FRootKey)
        return;
    FRootKey = std::move(AValue);
    ApplyWritePolicy();
    if (FStorage) {
        Close();
        Open(true);
    }
}

void TLayoutManagerRegistryStorage::SetGuiWriteWait(std::chrono::milliseconds AValue)
{
    FGuiWriteWait = AValue;
    ApplyWritePolicy();
}

void TLayoutManagerRegistryStorage::ApplyWritePolicy()
{
    if (FRootKey && FGuiWriteWait.count() > 0)
        FRootKey->SetWritePolicy(FGuiWriteWait, true);
}

void TLayoutManagerRegistryStorage::SetRootKeyName(const QString& AValue)
{
    FRootKeyName = AValue.endsWith(QLatin1Char('\\')) ? AValue : AValue + QLatin1Char('\\');
}

bool TLayoutManagerRegistryStorage::SectionExists(const QString& AName)
{
    return Hive().KeyExists(KeyOf(AName));
}

bool TLayoutManagerRegistryStorage::ValueExists(const QString& ASection, const QString& AName)
{
    return Hive().ValueExists(KeyOf(ASection), AName);
}

void TLayoutManagerRegistryStorage::WriteValue(
    const QString& ASection, const QString& AName, quint32 AType, const QByteArray& AData)
{
    // A key that cannot be opened or created means nothing is written and nothing is reported; a refused
    // value in a key that did open is an error.
    if (Hive().SetValue(KeyOf(ASection), AName, AType, AData, true) == TRegistryResult::rrFailed)
        throw ERegistryException(SetDataError(AName));
}

void TLayoutManagerRegistryStorage::WriteInteger(const QString& ASection, const QString& AName, qint64 AValue)
{
    const TRegistryValue value = EncodeInteger(AValue);
    WriteValue(ASection, AName, value.Type, value.Data);
}

void TLayoutManagerRegistryStorage::WriteString(
    const QString& ASection, const QString& AName, const QString& AValue)
{
    WriteValue(ASection, AName, REG_SZ, EncodeString(AValue));
}

void TLayoutManagerRegistryStorage::WriteFloat(const QString& ASection, const QString& AName, double AValue)
{
    WriteValue(ASection, AName, REG_BINARY, EncodeDouble(AValue));
}

void TLayoutManagerRegistryStorage::WriteDatetime(
    const QString& ASection, const QString& AName, double AValue)
{
    WriteValue(ASection, AName, REG_BINARY, EncodeDouble(AValue));
}

void TLayoutManagerRegistryStorage::WriteBoolean(const QString& ASection, const QString& AName, bool AValue)
{
    WriteInteger(ASection, AName, AValue ? 1 : 0);
}

bool TLayoutManagerRegistryStorage::ReadValue(
    const QString& ASection, const QString& AName, qsizetype ABufferSize, TRegistryValue& AValue)
{
    switch (Hive().QueryValue(KeyOf(ASection), AName, AValue)) {
    case TRegistryResult::rrOk:
        break;
    case TRegistryResult::rrNotFound:
        return false;
    case TRegistryResult::rrFailed:
        throw ERegistryException(GetDataError(AName));
    }
    // Data that does not fit the caller's buffer is refused before its type is looked at.
    if (ABufferSize >= 0 && AValue.Data.size() > ABufferSize)
        throw ERegistryException(GetDataError(AName));
    return true;
}

qint64 TLayoutManagerRegistryStorage::ReadInteger(
    const QString& ASection, const QString& AName, qint64 ADefault)
{
    TRegistryValue value;
    if (!ReadValue(ASection, AName, 8, value))
        return ADefault;
    if (value.Type != REG_DWORD && value.Type != REG_QWORD)
        throw ERegistryException(DataTypeError(AName));
    return DecodeInteger(value);
}

QString TLayoutManagerRegistryStorage::ReadString(
    const QString& ASection, const QString& AName, const QString& ADefault)
{
    TRegistryValue value;
    if (!ReadValue(ASection, AName, -1, value))
        return ADefault;
    if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)
        throw ERegistryException(DataTypeError(AName));
    // The text ends at the first zero character (or with the data; an odd last byte is no character).
    const qsizetype chars = value.Data.size() / 2;
    QString text;
    text.reserve(chars);
    for (qsizetype i = 0; i < chars; ++i) {
        const quint16 c = qFromLittleEndian<quint16>(value.Data.constData() + i * 2);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

double TLayoutManagerRegistryStorage::ReadDouble(
    const QString& ASection, const QString& AName, double ADefault)
{
    TRegistryValue value;
    if (!ReadValue(ASection, AName, 8, value))
        return ADefault;
    if (value.Type != REG_BINARY || value.Data.size() != 8)
        throw ERegistryException(DataTypeError(AName));
    const quint64 bits = qFromLittleEndian<quint64>(value.Data.constData());
    double result = 0;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

double TLayoutManagerRegistryStorage::ReadFloat(
    const QString& ASection, const QString& AName, double ADefault)
{
    return ReadDouble(ASection, AName, ADefault);
}

double TLayoutManagerRegistryStorage::ReadDatetime(
    const QString& ASection, const QString& AName, double ADefault)
{
    return ReadDouble(ASection, AName, ADefault);
}

bool TLayoutManagerRegistryStorage::ReadBoolean(const QString& ASection, const QString& AName, bool ADefault)
{
    TRegistryValue value;
    if (!ReadValue(ASection, AName, 4, value))
        return ADefault;
    if (value.Type != REG_DWORD)
        throw ERegistryException(DataTypeError(AName));
    return DecodeInteger(value) != 0;
}

void TLayoutManagerRegistryStorage::ReadSection(const QString& ASection, QStringList& AList)
{
    AList = Hive().ValueNames(KeyOf(ASection));
}

void TLayoutManagerRegistryStorage::DeleteSection(const QString& ASection)
{
    Hive().DeleteKey(KeyOf(ASection));
}

void TLayoutManagerRegistryStorage::DeleteValue(const QString& ASection, const QString& AName)
{
    Hive().DeleteValue(KeyOf(ASection), AName);
}

ILayoutManagerStoragePtr CreateLayoutStorage()
{
    auto storage = std::make_shared<TLayoutManagerRegistryStorage>();
    storage->SetRootKeyName(QString::fromLatin1(LayoutStorageRootKeyName));
    // Saves run on the GUI thread: a busy store must not freeze the program (nor a hand-off waiting on it).
    storage->SetGuiWriteWait(GuiWriteWait);
    return storage;
}
