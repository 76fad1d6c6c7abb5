#include "textview/TextLoader.h"

#include "textview/CustomSynEdit.h"

#include <cstddef>
#include <cstdint>

// The text control's document loader, as its library defines it: data added from any thread, then turned
// into a document that a view can show. The library builds it in but installs no declaration, and offers
// no other way to fill a document off the GUI thread (appending text needs a view, so it would have to
// wait until the whole text is written). So the declaration is repeated here, pinned to the library
// version it was checked against; tst_customsynedit (loaderInterface) fails when the layout differs.
// Before widening the range: compare with the library's ILoader.h and run that test.
static_assert(QSCINTILLA_VERSION >= 0x020d00 && QSCINTILLA_VERSION < 0x020e00,
    "TTextLoader repeats the document loader interface of QScintilla 2.13: check it against this version");

class ILoaderFace {
public:
    virtual int Release() = 0;
    // 0 on success, else an error status (out of memory).
    virtual int AddData(const char* data, std::ptrdiff_t length) = 0;
    virtual void* ConvertToDocument() = 0;

protected:
    ~ILoaderFace() = default;
};

// The loader is the library's own object seen through the interface above, so the undefined-behaviour
// sanitizer's check of dynamic types cannot know it; functions that call it are left out of that check.
#define QUILLON_CALLS_LOADER __attribute__((no_sanitize("vptr")))

TTextLoader::TTextLoader(TCustomSynEdit* AView, size_t ABytesHint)
    : FView(AView)
{
    const long options = AView->DocumentOptionsFor(ABytesHint);
    // Without wide positions a document holds less than 2 GB.
    FLimit = (options & QsciScintillaBase::SC_DOCUMENTOPTION_TEXT_LARGE) ? SIZE_MAX : size_t(0x7FFFFFFF) - 1;
    // Room for the expected text at once: growing in steps would copy it over and over.
    const long loader = AView->SendScintilla(
        QsciScintillaBase::SCI_CREATELOADER, static_cast<unsigned long>(ABytesHint), options);
    FLoader = reinterpret_cast<ILoaderFace*>(loader);
    if (!FLoader)
        FFailed = true;
    FWorker = std::thread([this] { Work(); });
}

QUILLON_CALLS_LOADER TTextLoader::~TTextLoader()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FDone = true;
        FFailed = true;
    }
    FChanged.notify_all();
    if (FWorker.joinable())
        FWorker.join();
    if (FLoader)
        FLoader->Release();
}

void TTextLoader::Written(const char* AData, size_t ASize)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FBase = AData;
        FWritten = ASize;
        FMoving = false;
    }
    FChanged.notify_all();
}

void TTextLoader::BeforeMove()
{
    std::unique_lock<std::mutex> lock(FLock);
    FMoving = true;
    FChanged.wait(lock, [this] { return !FReading; });
}

QUILLON_CALLS_LOADER void TTextLoader::Work()
{
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FChanged.wait(lock, [this] { return FDone || FFailed || (!FMoving && FWritten > FConsumed); });
        if (FFailed)
            return;
        if (FMoving || FWritten == FConsumed) {
            if (FDone)
                return;
            continue;
        }
        const char* from = FBase + FConsumed;
        const size_t length = FWritten - FConsumed;
        if (length > FLimit - FConsumed) {
            FFailed = true;
            FChanged.notify_all();
            return;
        }
        FReading = true;
        lock.unlock();
        const bool ok = FLoader->AddData(from, static_cast<std::ptrdiff_t>(length)) == 0;
        lock.lock();
        FReading = false;
        FConsumed += length;
        if (!ok)
            FFailed = true;
        FChanged.notify_all();
    }
}

QUILLON_CALLS_LOADER bool TTextLoader::Finish()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FDone = true;
    }
    FChanged.notify_all();
    if (FWorker.joinable())
        FWorker.join();
    if (FFailed || !FLoader)
        return false;
    void* document = FLoader->ConvertToDocument();
    // The loader is used up by the conversion.
    FLoader = nullptr;
    if (!document)
        return false;
    FView->AdoptDocument(document);
    return true;
}
