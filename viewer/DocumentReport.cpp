#include "viewer/DocumentReport.h"

#include "core/ByteBuffer.h"
#include "util/FileUtils.h"

#include <QDir>
#include <QFileInfo>

#include <new>

TDocumentBuild BuildDocumentFile(const QString& path, TOutline& outline, TFormatObserver* observer)
{
    return BuildDocumentFile(path, outline, [observer](size_t) { return observer; });
}

TDocumentBuild BuildDocumentFile(
    const QString& path, TOutline& outline, const TFormatObserverFactory& observerFor)
{
    TDocumentBuild build;
    try {
        TByteBuffer bytes;
        if (ReadDocumentBytes(path, bytes)) {
            TFormatObserver* observer = observerFor ? observerFor(bytes.Size()) : nullptr;
            build.State = BuildDocument(bytes.View(), outline, build.Counts, build.Refused, observer);
        }
    } catch (const std::bad_alloc&) {
        // Whatever was built so far goes: it is of no use, and the memory is needed.
        outline.Clear();
        build.Counts = {};
        build.Refused = {};
        build.State = TDocumentState::Unreadable;
        build.OutOfMemory = true;
        build.ErrorText = NotEnoughMemoryText(path, uint64_t(QFileInfo(path).size()), QLocale());
        return build;
    }
    if (build.State != TDocumentState::Formatted)
        build.ErrorText = QString::fromLatin1(NotValidJSONText);
    return build;
}

QString NotEnoughMemoryText(const QString& path, uint64_t size, const QLocale& locale)
{
    return QStringLiteral("Not enough memory to open %1 (%2).")
        .arg(QDir::toNativeSeparators(path), locale.formattedDataSize(qint64(size)));
}

TFileDigests::TFileDigests(const QString& path)
    : FWork(std::async(std::launch::async, [path] {
        QByteArray md5;
        QByteArray sha1;
        HashFile(path, CALG_MD5, 1024, md5);
        HashFile(path, CALG_SHA1, 1024, sha1);
        return std::make_pair(md5, sha1);
    }))
{
}

TFileDigests::~TFileDigests()
{
    if (FWork.valid())
        FWork.wait();
}

void TFileDigests::Wait()
{
    if (FDone)
        return;
    std::tie(FMd5, FSha1) = FWork.get();
    FDone = true;
}

QByteArray TFileDigests::Md5()
{
    Wait();
    return FMd5;
}

QByteArray TFileDigests::Sha1()
{
    Wait();
    return FSha1;
}

QString SizeRowText(uint64_t size, const QLocale& locale)
{
    if (size < 1024)
        return QStringLiteral("File size: %1 B").arg(locale.toString(qulonglong(size)));
    return QStringLiteral("File size: %1 KB").arg(locale.toString(qulonglong(size / 1024)));
}

QString TimeRowText(qint64 milliseconds, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Parsing time: %1 s").arg(plain.toString(double(milliseconds) / 1000.0, 'f', 2));
}

QList<TReportRow> MakeReport(uint64_t size, TFileDigests& digests, const QString& errorText,
    const TJSONCounts& counts, const QElapsedTimer& since, const QLocale& locale)
{
    QList<TReportRow> rows;
    rows.append({rpSize, SizeRowText(size, locale)});
    rows.append({rpDigest, QStringLiteral("MD5: ") + BytesToHex(digests.Md5()).toUpper()});
    rows.append({rpDigest, QStringLiteral("SHA1: ") + BytesToHex(digests.Sha1()).toUpper()});
    if (!errorText.isEmpty()) {
        rows.append({rpError, errorText});
    } else {
        rows.append({rpObjects, QStringLiteral("Object count: %1").arg(locale.toString(counts.FObjCnt))});
        rows.append({rpArrays, QStringLiteral("Array count: %1").arg(locale.toString(counts.FArrCnt))});
        rows.append({rpValues, QStringLiteral("Value count: %1").arg(locale.toString(counts.FValCnt))});
    }
    rows.append({rpTime, TimeRowText(since.elapsed(), locale)});
    return rows;
}
