#include "viewer/TreeSearchRun.h"

#include "core/TreeSearch.h"

#include <QMetaObject>

#include <utility>

TTreeSearchRun::TTreeSearchRun(QObject* AParent)
    : QObject(AParent)
{
}

TTreeSearchRun::~TTreeSearchRun()
{
    Stop();
}

void TTreeSearchRun::Start(const TOutline& AOutline, std::u16string_view AText, const TUpperCaseMap& AUpper,
    TNodeIndex AFrom, std::function<void(TNodeIndex)> AFound)
{
    Stop();
    FFinder.emplace(AText, AUpper);
    FFound = std::move(AFound);
    FCancel = false;
    const unsigned generation = ++FGeneration;
    FWorker = std::thread([this, &AOutline, AFrom, generation] {
        const TNodeIndex hit = TTreeSearch(AOutline, *FFinder).FindFrom(AFrom, &FCancel);
        if (!FCancel)
            QMetaObject::invokeMethod(
                this, [this, generation, hit] { Finish(generation, hit); }, Qt::QueuedConnection);
    });
}

void TTreeSearchRun::Stop()
{
    if (!FWorker.joinable())
        return;
    FCancel = true;
    FWorker.join();
    // A result already on its way belongs to the search just stopped.
    ++FGeneration;
    FFound = nullptr;
}

void TTreeSearchRun::Finish(unsigned AGeneration, TNodeIndex AHit)
{
    if (AGeneration != FGeneration)
        return;
    FWorker.join();
    // The handler may start the next search.
    const std::function<void(TNodeIndex)> found = std::exchange(FFound, nullptr);
    found(AHit);
}
