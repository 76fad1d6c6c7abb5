#pragma once
// Fills the next document of a text control on a worker thread while its text is still being written
// on the calling thread, so that the two costs overlap: writing the text (the formatter) and the
// control's own indexing of it (a few seconds for texts of hundreds of megabytes).
//
// Use: create it on the GUI thread, pass it as the observer of the writer (it reads what is written
// and stops reading before the text moves), then Finish (the control shows the new document) or
// drop it (the document is discarded).

#include "core/OutlineBuilder.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class TCustomSynEdit;

class TTextLoader : public TFormatObserver {
public:
    // ABytesHint: roughly how large the text will be (chooses the document's options).
    TTextLoader(TCustomSynEdit* AView, size_t ABytesHint);
    ~TTextLoader() override;
    TTextLoader(const TTextLoader&) = delete;
    TTextLoader& operator=(const TTextLoader&) = delete;

    void Written(const char* AData, size_t ASize) override;
    void BeforeMove() override;

    // All text is written (the last Written call gave all of it): waits for the worker and shows the
    // document in the view. False when the control could not take the text (nothing changes then):
    // out of memory, or a text larger than the hint allowed for (SetTextBytes then takes it).
    bool Finish();

private:
    void Work();

    TCustomSynEdit* FView;
    class ILoaderFace* FLoader = nullptr;
    std::mutex FLock;
    std::condition_variable FChanged;
    const char* FBase = nullptr;
    size_t FWritten = 0; // bytes the writer has published
    size_t FConsumed = 0; // bytes the worker has handed to the loader
    bool FMoving = false; // the text is moving: its old place must not be read
    bool FReading = false;
    bool FDone = false; // no more text comes
    bool FFailed = false;
    size_t FLimit = 0; // the most the document can hold with its options
    std::thread FWorker;
};
