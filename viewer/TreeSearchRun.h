#pragma once
// The tree search of a document window on a worker thread, for outlines of millions of nodes: the
// window stays responsive while it runs, and the result comes back on the window's thread.

#include "core/Outline.h"
#include "core/TextFinder.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

class TTreeSearchRun : public QObject {
    Q_OBJECT
public:
    explicit TTreeSearchRun(QObject* AParent = nullptr);
    // Stops a search still running.
    ~TTreeSearchRun() override;

    // Searches AOutline for AText from AFrom on (as TTreeSearch::FindFrom); AFound gets the hit (NoNode
    // for none) on this object's thread once the search ends, unless it was stopped first. The outline
    // must stay as it is until then or until Stop returns.
    void Start(const TOutline& AOutline, std::u16string_view AText, const TUpperCaseMap& AUpper,
        TNodeIndex AFrom, std::function<void(TNodeIndex)> AFound);
    bool Running() const { return FWorker.joinable(); }
    // Cancels a running search and waits for its thread; its result is dropped.
    void Stop();

private:
    void Finish(unsigned AGeneration, TNodeIndex AHit);

    std::thread FWorker;
    std::atomic<bool> FCancel {false};
    std::optional<TTextFinder> FFinder;
    std::function<void(TNodeIndex)> FFound;
    // Tells the result of a stopped search from the current one.
    unsigned FGeneration = 0;
};
