#pragma once
// The load of a file as the document window performs it, without widgets: reading and building the
// document, and the rows of its report (size, digests, counts or error, time). The window and
// `quillon-bench report` both use it, so the bench prints exactly what the window shows.

#include "controls/MenuImages.h"
#include "core/DocumentText.h"
#include "core/JSONErrorPlace.h"
#include "core/Outline.h"
#include "core/OutlineBuilder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QLocale>
#include <QString>

#include <functional>
#include <future>
#include <optional>

struct TReportRow {
    TMenuPicture Picture;
    QString Text;
    bool operator==(const TReportRow&) const = default;
};

// The message of every document that cannot be shown as JSON.
inline const char* const NotValidJSONText = "File is not valid JSON.";

// The result of reading and building a file.
struct TDocumentBuild {
    TDocumentState State = TDocumentState::Unreadable;
    TJSONCounts Counts;
    TDocumentText Refused; // the document text of a refused file, to show it as it is
    QString ErrorText; // empty, "File is not valid JSON." or the out-of-memory message
    bool OutOfMemory = false; // the document needed more memory than the machine gave
    // Where a file that was read but refused is broken: in the document text for a refused document,
    // at the first byte that is no UTF-8 for an unreadable one. Found only after a refusal.
    std::optional<TJSONErrorPlace> ErrorPlace;
};

// "Not enough memory to open %s (%s).": the file's path and its size.
QString NotEnoughMemoryText(const QString& APath, uint64_t ASize, const QLocale& ALocale);

// Makes the observer of the formatted text once the size of the document's text is known (its bytes
// up to the first zero byte); may give none. The observer must live until the build has returned.
using TFormatObserverFactory = std::function<TFormatObserver*(size_t ATextBytes)>;

// Reads the file and builds its outline and formatted text. A file that cannot be read, is no UTF-8,
// is refused or has no object or array at its root gives "File is not valid JSON."; a document that
// needs more memory than there is gives the out-of-memory message, with OutOfMemory set and nothing
// built. An observer reads the formatted text while it is written (see TFormatObserver).
TDocumentBuild BuildDocumentFile(
    const QString& APath, TOutline& AOutline, TFormatObserver* AObserver = nullptr);
TDocumentBuild BuildDocumentFile(
    const QString& APath, TOutline& AOutline, const TFormatObserverFactory& AObserverFor);

// The MD5 and SHA-1 digests of a file, computed on a worker thread while the caller goes on.
class TFileDigests {
public:
    explicit TFileDigests(const QString& APath);
    ~TFileDigests();
    TFileDigests(const TFileDigests&) = delete;
    TFileDigests& operator=(const TFileDigests&) = delete;
    // Wait for the digests; empty when the file could not be hashed.
    QByteArray Md5();
    QByteArray Sha1();

private:
    void Wait();
    std::future<std::pair<QByteArray, QByteArray>> FWork;
    QByteArray FMd5;
    QByteArray FSha1;
    bool FDone = false;
};

// "File size: %1.0n B" below 1024 bytes, else "File size: %1.0n KB" (whole kilobytes, rounded down).
QString SizeRowText(uint64_t ASize, const QLocale& ALocale);
// "Parsing time: %1.2f s".
QString TimeRowText(qint64 AMilliseconds, const QLocale& ALocale);

// "Line %d, column %d: %s": where a refused file is broken and why.
QString ErrorPlaceText(const TJSONErrorPlace& APlace);

// The report in row order: size; MD5; SHA1; the error (followed by the place of a refused file's
// error, when known) or the three counts; the time, read from `since` after the digests are in.
QList<TReportRow> MakeReport(uint64_t ASize, TFileDigests& ADigests, const QString& AErrorText,
    const TJSONCounts& ACounts, const QElapsedTimer& ASince, const QLocale& ALocale,
    const std::optional<TJSONErrorPlace>& AErrorPlace = std::nullopt);
