#include "shell/FileTypeRegistration.h"

#include "platform/RegistryHive.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/DesktopAssociation.h"

#include <QtEndian>

namespace {
const QString ClassesKey = QStringLiteral("Software\\Classes\\");
const QString CommandKey = QStringLiteral("\\shell\\open\\command");

// Writes the default value of AKey, creating the key; a key that cannot be made is skipped.
void WriteDefault(TRegistryHive& AHive, const QString& AKey, const QString& AValue)
{
    const auto result =
        AHive.SetValue(AKey, QString(), REG_SZ, TLayoutManagerRegistryStorage::EncodeString(AValue), true);
    if (result == TRegistryResult::rrFailed)
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(AKey));
}

// The default value of AKey as text; empty when the key, the value or text is missing.
QString ReadDefault(TRegistryHive& AHive, const QString& AKey)
{
    TRegistryValue value;
    if (AHive.QueryValue(AKey, QString(), value) != TRegistryResult::rrOk)
        return QString();
    if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)
        return QString();
    QString text;
    for (qsizetype i = 0; i + 1 < value.Data.size(); i += 2) {
        const quint16 c = qFromLittleEndian<quint16>(value.Data.constData() + i);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

// Equal texts, or equal ignoring the case of A-Z only.
bool SameTextAscii(const QString& A, const QString& B)
{
    return TRegistryHive::FoldName(A) == TRegistryHive::FoldName(B);
}

// What "trim" takes from both ends of a command: blanks and control characters.
QString TrimControls(const QString& AText)
{
    qsizetype begin = 0;
    qsizetype end = AText.size();
    while (begin < end && AText.at(begin).unicode() <= u' ')
        ++begin;
    while (end > begin && AText.at(end - 1).unicode() <= u' ')
        --end;
    return AText.mid(begin, end - begin);
}

} // namespace

QString NormalizeExtension(const QString& AExtension)
{
    QString bare = AExtension;
    bare.remove(u'.');
    return bare.isEmpty() ? QString() : u'.' + bare;
}

void RegisterFileType(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName,
    const QString& ADescription, const QString& AIcon, const QString& AExecutable)
{
    const QString extension = NormalizeExtension(AExtension);
    if (extension.isEmpty() || AClassName.isEmpty() || AExecutable.isEmpty())
        return;
    const QString classKey = ClassesKey + AClassName;
    WriteDefault(AHive, ClassesKey + extension, AClassName);
    WriteDefault(AHive, classKey, ADescription);
    WriteDefault(AHive, classKey + QStringLiteral("\\DefaultIcon"), AIcon);
    // The path unquoted, even with blanks in it: the query reads it back up to the first quote.
    WriteDefault(AHive, classKey + CommandKey, AExecutable + QStringLiteral(" \"%1\""));

    const QString mediaType = MediaTypeOfExtension(extension);
    if (!mediaType.isEmpty())
        InstallDesktopAssociation(DesktopEntryId(AClassName), ADescription, AExecutable, mediaType);
    NotifyDesktopAssociationChanged();
}

void UnregisterFileType(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName)
{
    const QString extension = NormalizeExtension(AExtension);
    if (extension.isEmpty() || AClassName.isEmpty())
        return;
    // The extension is detached only from this class; one that names another class keeps its value.
    const QString extensionKey = ClassesKey + extension;
    if (AHive.KeyExists(extensionKey) && SameTextAscii(ReadDefault(AHive, extensionKey), AClassName))
        WriteDefault(AHive, extensionKey, QString());
    const QString classKey = ClassesKey + AClassName;
    for (const char* sub : {"\\shell\\open\\command", "\\shell\\open", "\\shell", "\\DefaultIcon", ""})
        AHive.DeleteKey(classKey + QLatin1String(sub));

    const QString mediaType = MediaTypeOfExtension(extension);
    if (!mediaType.isEmpty())
        RemoveDesktopAssociation(DesktopEntryId(AClassName), mediaType);
    NotifyDesktopAssociationChanged();
}

QString GetFileTypeCommand(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName)
{
    if (NormalizeExtension(AExtension).isEmpty() || AClassName.isEmpty())
        return QString();
    const QString command = ReadDefault(AHive, ClassesKey + AClassName + CommandKey);
    if (command.startsWith(u'"')) {
        const qsizetype close = command.indexOf(u'"', 1);
        return close < 0 ? QString() : command.mid(1, close - 1);
    }
    const qsizetype quote = command.indexOf(u'"');
    return quote < 0 ? QString() : TrimControls(command.left(quote));
}

void RegisterFileType(const QString& AExtension, const QString& AClassName, const QString& ADescription,
    const QString& AIcon, const QString& AExecutable)
{
    RegisterFileType(*TRegistryHive::CurrentUser(), AExtension, AClassName, ADescription, AIcon, AExecutable);
}

void UnregisterFileType(const QString& AExtension, const QString& AClassName)
{
    UnregisterFileType(*TRegistryHive::CurrentUser(), AExtension, AClassName);
}

QString GetFileTypeCommand(const QString& AExtension, const QString& AClassName)
{
    return GetFileTypeCommand(*TRegistryHive::CurrentUser(), AExtension, AClassName);
}
