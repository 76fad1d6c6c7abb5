#include "viewer/DocumentReport.h"

#include "core/ByteBuffer.h"
#include "util/FileUtils.h"

#include <QDir>
#include <QFileInfo>

#include <new>

TDocumentBuild BuildDocumentFile(const QString& APath, TOutline& AOutline, TFormatObserver* AObserver)
{
    return BuildDocumentFile(APath, AOutline, [AObserver](size_t) { return AObserver; });
}

namespace {
// Gives the file's bytes back to the system as the build passes them (it reads them once), so that
// the file, the formatted text and the outline are not all held at the peak of a large load. Passes
// everything on to the caller's observer.
class TInputReleaser final : public TFormatObserver {
public:
    TInputReleaser(TByteBuffer& ABytes, TFormatObserver* AInner)
        : FBytes(ABytes)
        , FInner(AInner)
    {
    }
    void Written(const char* AData, size_t ASize) override
    {
        if (FInner)
            FInner->Written(AData, ASize);
    }
    void BeforeMove() override
    {
        if (FInner)
            FInner->BeforeMove();
    }
    void InputPassed(const char* AUpTo) override
    {
        if (FInner)
            FInner->InputPassed(AUpTo);
        if (AUpTo < FBytes.Data() || AUpTo > FBytes.Data() + FBytes.Size())
            return;
        if (FBytes.DiscardFront(size_t(AUpTo - FBytes.Data())))
            FDiscarded = true;
    }
    // Some of the bytes read as zeros now.
    bool Discarded() const { return FDiscarded; }

private:
    TByteBuffer& FBytes;
    TFormatObserver* FInner;
    bool FDiscarded = false;
};
} // namespace

TDocumentBuild BuildDocumentFile(
    const QString& APath, TOutline& AOutline, const TFormatObserverFactory& AObserverFor)
{
    TDocumentBuild build;
    try {
        TByteBuffer bytes;
        if (ReadDocumentBytes(APath, bytes)) {
            TInputReleaser releaser(bytes, AObserverFor ? AObserverFor(bytes.Size()) : nullptr);
            build.State = BuildDocument(bytes.View(), AOutline, build.Counts, build.Refused, &releaser);
            // A document refused after part of its bytes was given back: its text is read again.
            if (build.State == TDocumentState::NotJSON && releaser.Discarded()) {
                build.Refused = {};
                bytes.Release();
                if (!ReadDocumentBytes(APath, bytes) || !ReadDocumentText(bytes.View(), build.Refused))
                    build.State = TDocumentState::Unreadable;
            }
            // Only a refused file pays for finding its error.
            std::string_view text;
            if (build.State == TDocumentState::NotJSON && FindDocumentText(bytes.View(), text))
                build.ErrorPlace = FindJSONErrorPlace(text);
            else if (build.State == TDocumentState::Unreadable)
                build.ErrorPlace = FindUtf8ErrorPlace(bytes.View());
        }
    } catch (const std::bad_alloc&) {
        // Whatever was built so far goes: it is of no use, and the memory is needed.
        AOutline.Clear();
        build.Counts = {};
        build.Refused = {};
        build.ErrorPlace.reset();
        build.State = TDocumentState::Unreadable;
        build.OutOfMemory = true;
        build.ErrorText = NotEnoughMemoryText(APath, uint64_t(QFileInfo(APath).size()), QLocale());
        return build;
    }
    if (build.State != TDocumentState::Formatted)
        build.ErrorText = QString::fromLatin1(NotValidJSONText);
    return build;
}

QString NotEnoughMemoryText(const QString& APath, uint64_t ASize, const QLocale& ALocale)
{
    return QStringLiteral("Not enough memory to open %1 (%2).")
        .arg(QDir::toNativeSeparators(APath), ALocale.formattedDataSize(qint64(ASize)));
}

TFileDigests::TFileDigests(const QString& APath)
    : FWork(std::async(std::launch::async, [APath] {
        QByteArray md5;
        QByteArray sha1;
        HashFile(APath, CALG_MD5, 1024, md5);
        HashFile(APath, CALG_SHA1, 1024, sha1);
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

QString SizeRowText(uint64_t ASize, const QLocale& ALocale)
{
    if (ASize < 1024)
        return QStringLiteral("File size: %1 B").arg(ALocale.toString(qulonglong(ASize)));
    return QStringLiteral("File size: %1 KB").arg(ALocale.toString(qulonglong(ASize / 1024)));
}

QString TimeRowText(qint64 AMilliseconds, const QLocale& ALocale)
{
    QLocale plain = ALocale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Parsing time: %1 s").arg(plain.toString(double(AMilliseconds) / 1000.0, 'f', 2));
}

QString ErrorPlaceText(const TJSONErrorPlace& APlace)
{
    return QStringLiteral("Line %1, column %2: %3")
        .arg(QString::number(APlace.Line), QString::number(APlace.Column),
            QString::fromStdString(APlace.Reason));
}

QList<TReportRow> MakeReport(uint64_t ASize, TFileDigests& ADigests, const QString& AErrorText,
    const TJSONCounts& ACounts, const QElapsedTimer& ASince, const QLocale& ALocale,
    const std::optional<TJSONErrorPlace>& AErrorPlace)
{
    QList<TReportRow> rows;
    rows.append({TMenuPicture::FileSize, SizeRowText(ASize, ALocale)});
    rows.append({TMenuPicture::Digest, QStringLiteral("MD5: ") + BytesToHex(ADigests.Md5()).toUpper()});
    rows.append({TMenuPicture::Digest, QStringLiteral("SHA1: ") + BytesToHex(ADigests.Sha1()).toUpper()});
    if (!AErrorText.isEmpty()) {
        rows.append({TMenuPicture::Error, AErrorText});
        if (AErrorPlace && !AErrorPlace->Reason.empty())
            rows.append({TMenuPicture::Error, ErrorPlaceText(*AErrorPlace)});
    } else {
        rows.append({TMenuPicture::JSONObject,
            QStringLiteral("Object count: %1").arg(ALocale.toString(ACounts.FObjCnt))});
        rows.append({TMenuPicture::JSONArray,
            QStringLiteral("Array count: %1").arg(ALocale.toString(ACounts.FArrCnt))});
        rows.append({TMenuPicture::JSONValue,
            QStringLiteral("Value count: %1").arg(ALocale.toString(ACounts.FValCnt))});
    }
    rows.append({TMenuPicture::Time, TimeRowText(ASince.elapsed(), ALocale)});
    return rows;
}
