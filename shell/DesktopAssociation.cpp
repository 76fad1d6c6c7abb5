#include "shell/DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {
const QString DefaultApplicationsSection = QStringLiteral("[Default Applications]");
// The cache update is a quick local tool; a hung one must not hold the program longer than this.
constexpr int CacheUpdateTimeoutMs = 5000;

QString XdgFolder(const char* AVariable, const QString& AFallback)
{
    const QString value = qEnvironmentVariable(AVariable);
    // Relative paths are invalid there and must be ignored.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + AFallback;
}

// A value of a desktop entry: backslash and the control characters a line cannot hold, escaped.
QString EscapeValue(const QString& AText)
{
    QString out;
    for (const QChar c : AText) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool WriteFileAtomically(const QString& APath, const QByteArray& AData)
{
    QDir().mkpath(QFileInfo(APath).absolutePath());
    QSaveFile file(APath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(AData);
    return file.commit();
}

// The ids of a list value "a.desktop;b.desktop;", blanks around them dropped.
QStringList SplitIds(const QString& AValue)
{
    QStringList ids;
    for (const QString& id : AValue.split(u';', Qt::SkipEmptyParts))
        if (!id.trimmed().isEmpty())
            ids.append(id.trimmed());
    return ids;
}

} // namespace

QString UserDataHome()
{
    return XdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString UserConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString UserApplicationsFolder()
{
    return UserDataHome() + QStringLiteral("/applications");
}

QString UserMimeAppsList()
{
    return UserConfigHome() + QStringLiteral("/mimeapps.list");
}

QString MediaTypeOfExtension(const QString& AExtension)
{
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("file") + AExtension, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name() : QString();
}

QString DesktopEntryId(const QString& AClassName)
{
    // Only letters, digits, '-' and '_' are safe in an id.
    QString part;
    for (const QChar c : AClassName) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_')
            part += c;
        else if (u >= 'A' && u <= 'Z')
            part += QChar(u + ('a' - 'A'));
        else
            part += u'_';
    }
    return QStringLiteral("ravek-quillon-%1.desktop").arg(part);
}

QString DesktopExecArgument(const QString& AExecutable)
{
    // An argument with a reserved character is quoted; inside the quotes '"', '`', '$' and '\' take a
    // backslash. A '%' would start a field code, so it is doubled. The value escapes of the entry
    // (EscapeValue) come on top, which is why one backslash of the path ends as four in the file.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : AExecutable)
        quote = quote || reserved.contains(c);
    QString arg;
    for (const QChar c : AExecutable) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            arg += u'\\';
        arg += c;
        if (c == u'%')
            arg += u'%';
    }
    return quote ? u'"' + arg + u'"' : arg;
}

QString DesktopEntryText(const QString& AName, const QString& AExecutable, const QString& AMediaType)
{
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=%1\n").arg(EscapeValue(AName));
    text += QStringLiteral("Exec=%1 %F\n").arg(EscapeValue(DesktopExecArgument(AExecutable)));
    text += QStringLiteral("Icon=ravek-quillon\n");
    text += QStringLiteral("MimeType=%1;\n").arg(EscapeValue(AMediaType));
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("NoDisplay=true\n");
    return text;
}

QString EditMimeAppsList(const QString& AText, const QString& AMediaType, const QString& ADesktopId, bool AOn)
{
    // Lines are edited one by one; the others keep their text, line ends included.
    QStringList lines = AText.split(u'\n');
    const bool endsWithNewline = AText.isEmpty() || AText.endsWith(u'\n');
    if (AText.endsWith(u'\n'))
        lines.removeLast();
    if (AText.isEmpty())
        lines.clear();

    qsizetype section = -1;
    for (qsizetype i = 0; i < lines.size() && section < 0; ++i)
        if (lines[i].trimmed() == DefaultApplicationsSection)
            section = i;

    qsizetype sectionEnd = lines.size(); // one past the section's last line
    qsizetype entry = -1;
    if (section >= 0) {
        for (qsizetype i = section + 1; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.startsWith(u'[')) {
                sectionEnd = i;
                break;
            }
            const qsizetype eq = line.indexOf(u'=');
            if (entry < 0 && eq > 0 && line.left(eq).trimmed() == AMediaType)
                entry = i;
        }
    }

    QStringList ids;
    if (entry >= 0) {
        const QString& line = lines[entry];
        ids = SplitIds(line.mid(line.indexOf(u'=') + 1));
    }
    const bool hadOurs = ids.removeAll(ADesktopId) > 0;
    if (!AOn && !hadOurs)
        return AText;
    if (AOn)
        ids.prepend(ADesktopId);

    const QString newLine = AMediaType + u'=' + ids.join(u';') + u';';
    if (entry >= 0) {
        const bool cr = lines[entry].endsWith(u'\r');
        if (ids.isEmpty())
            lines.removeAt(entry);
        else
            lines[entry] = cr ? newLine + u'\r' : newLine;
    } else if (section >= 0) {
        // After the section's last non-blank line, so a blank line before the next section stays.
        qsizetype at = sectionEnd;
        while (at > section + 1 && lines[at - 1].trimmed().isEmpty())
            --at;
        lines.insert(at, newLine);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(DefaultApplicationsSection);
        lines.append(newLine);
    }
    QString out = lines.join(u'\n');
    if (endsWithNewline || section < 0)
        out += u'\n';
    return out;
}

bool InstallDesktopAssociation(
    const QString& ADesktopId, const QString& AName, const QString& AExecutable, const QString& AMediaType)
{
    const QString entry = UserApplicationsFolder() + u'/' + ADesktopId;
    bool ok = WriteFileAtomically(entry, DesktopEntryText(AName, AExecutable, AMediaType).toUtf8());
    QFile list(UserMimeAppsList());
    QString text;
    if (list.open(QIODevice::ReadOnly)) {
        const QByteArray raw = list.readAll();
        text = QString::fromUtf8(raw);
        // A list that is not UTF-8 would be damaged by a rewrite, so it is left alone.
        if (text.toUtf8() != raw)
            return false;
    } else if (list.exists()) {
        return false; // a list we cannot read is not overwritten
    }
    list.close();
    ok =
        WriteFileAtomically(UserMimeAppsList(), EditMimeAppsList(text, AMediaType, ADesktopId, true).toUtf8())
        && ok;
    return ok;
}

bool RemoveDesktopAssociation(const QString& ADesktopId, const QString& AMediaType)
{
    bool ok = true;
    QFile list(UserMimeAppsList());
    if (list.open(QIODevice::ReadOnly)) {
        const QByteArray raw = list.readAll();
        const QString text = QString::fromUtf8(raw);
        list.close();
        if (text.toUtf8() != raw)
            return false;
        const QString edited = EditMimeAppsList(text, AMediaType, ADesktopId, false);
        if (edited != text)
            ok = WriteFileAtomically(UserMimeAppsList(), edited.toUtf8());
    }
    QFile entry(UserApplicationsFolder() + u'/' + ADesktopId);
    if (entry.exists())
        ok = entry.remove() && ok;
    return ok;
}

void NotifyDesktopAssociationChanged()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    const QString folder = UserApplicationsFolder();
    if (tool.isEmpty() || !QDir(folder).exists())
        return;
    QProcess process;
    process.setProgram(tool);
    process.setArguments({QStringLiteral("-q"), folder});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (process.waitForStarted() && !process.waitForFinished(CacheUpdateTimeoutMs))
        process.kill();
    process.waitForFinished(CacheUpdateTimeoutMs);
}
