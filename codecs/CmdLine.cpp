#include "codecs/CmdLine.h"

#include <QCoreApplication>
#include <QFile>

namespace {

constexpr qsizetype MaxSwitchText = 260;

// The first COUNT code units, one fewer when the cut would split a surrogate pair.
QString CutText(const QString& AText, qsizetype ACount)
{
    if (AText.size() <= ACount)
        return AText;
    if (AText.at(ACount - 1).isHighSurrogate())
        --ACount;
    return AText.left(ACount);
}

// Parameter parts: split at every ";" (empty parts included). A part that begins with a double quote
// is quoted text in which "" stands for one quote; a ";" inside the quotes belongs to the part, and
// text after the closing quote up to the next ";" is kept as it is.
QStringList SplitParameters(const QString& AParameter)
{
    QStringList parts;
    const qsizetype size = AParameter.size();
    qsizetype i = 0;
    for (;;) {
        QString part;
        if (i < size && AParameter.at(i) == u'"') {
            ++i;
            while (i < size) {
                if (AParameter.at(i) == u'"') {
                    if (i + 1 < size && AParameter.at(i + 1) == u'"') {
                        part += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                part += AParameter.at(i++);
            }
        }
        const qsizetype next = AParameter.indexOf(u';', i);
        part += AParameter.mid(i, (next < 0 ? size : next) - i);
        parts.append(part);
        if (next < 0)
            break;
        i = next + 1;
    }
    return parts;
}

} // namespace

TCommandLine::TCommandLine()
    : TCommandLine(ProcessArguments())
{
}

TCommandLine::TCommandLine(const QString& ACmdLine)
{
    // Lines as a text list reads them: each line ends at CR, LF, CR LF or the end.
    const qsizetype nul = ACmdLine.indexOf(QChar(0));
    const qsizetype end = nul < 0 ? ACmdLine.size() : nul;
    qsizetype i = 0;
    while (i < end) {
        const qsizetype start = i;
        while (i < end && ACmdLine.at(i) != u'\r' && ACmdLine.at(i) != u'\n')
            ++i;
        AddItem(ACmdLine.sliced(start, i - start));
        if (i < end && ACmdLine.at(i) == u'\r')
            ++i;
        if (i < end && ACmdLine.at(i) == u'\n')
            ++i;
    }
}

TCommandLine::TCommandLine(const QStringList& AArguments)
{
    for (const QString& argument : AArguments)
        AddItem(argument);
}

TCommandLine::~TCommandLine()
{
    FSL.clear();
    Clear();
}

void TCommandLine::Clear()
{
    FSwitches.clear();
}

QStringList TCommandLine::ProcessArguments()
{
    // Qt removes the options it handles itself (-platform, -style, ...) from the application's
    // arguments; before the application object exists the kernel's copy of argv is read.
    if (QCoreApplication::instance())
        return QCoreApplication::arguments().mid(1);
    QFile file(QStringLiteral("/proc/self/cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray all = file.readAll();
    if (all.endsWith('\0'))
        all.chop(1);
    QStringList arguments;
    const QList<QByteArray> parts = all.split('\0');
    for (qsizetype i = 1; i < parts.size(); ++i)
        arguments.append(QFile::decodeName(parts.at(i)));
    return arguments;
}

void TCommandLine::AddItem(const QString& AItem)
{
    FSL.append(AItem);
    if (AItem.isEmpty() || (AItem.at(0) != u'-' && AItem.at(0) != u'/'))
        return;
    TSwitch record;
    const qsizetype colon = AItem.indexOf(u':');
    if (colon >= 0) {
        record.Parameter = CutText(AItem.mid(colon + 1), MaxSwitchText);
        if (record.Parameter.size() >= 2 && record.Parameter.startsWith(u'\'')
            && record.Parameter.endsWith(u'\''))
            record.Parameter = record.Parameter.mid(1, record.Parameter.size() - 2);
        record.Switch = AItem.mid(1, colon - 1);
    } else {
        record.Switch = CutText(AItem.mid(1), MaxSwitchText);
    }
    record.Present = true;
    if (record.Parameter.contains(u';'))
        record.Parameters = SplitParameters(record.Parameter);
    FSwitches.append(record);
}
