#include "core/OutlineBuilder.h"

#include "core/JSONReader.h"
#include "core/JSONText.h"

#include <cstring>

namespace {
// A node waiting for its container to close, 8 bytes: its offset whole (40 bits: texts up to a
// terabyte), its kind, and for an object or array the run of its children as a distance (TRunCode).
struct TPendingNode {
    uint32_t OffsetLow;
    uint32_t OffsetHigh : 8;
    uint32_t Kind : 3;
    uint32_t RunCode : 21;

    static TPendingNode Make(uint64_t AOffset, TNodeType ATyp)
    {
        return {uint32_t(AOffset), uint32_t(AOffset >> 32) & 0xFFu, ATyp, TRunCode::Empty};
    }
    uint64_t Offset() const { return uint64_t(OffsetHigh) << 32 | OffsetLow; }
    TNodeType Typ() const { return TNodeType(Kind); }
};

static_assert(sizeof(TPendingNode) == 8);

// Writes the formatted text as the reader reports the document; with WithOutline also the nodes.
//
// Lines are written as they are reached rather than built per container and appended: a separator
// and line break are written when the next member or element starts, and a container's closing line
// when it ends, which gives the same characters with one copy of each token.
template<bool WithOutline> class TFormatWriter {
public:
    TFormatWriter(TByteBuffer& AOut, size_t ATextSize, TLineBreaks ABreaks)
        : FOut(AOut)
        , FNormalizeBreaks(ABreaks == TLineBreaks::Normalize)
    {
        // Address space only: the pages are touched as the text is written.
        FOut.Reserve(ATextSize * 3 + 64);
    }

    // Builds the nodes into these buffers, reusing their memory.
    void UseBuffers(TOutlineStore& AStore)
    {
        FStore.Swap(AStore);
        FStore.Clear();
    }

    void BeginNodes(size_t ATextSize)
    {
        FStore.Nodes.Reserve(ATextSize / 8 + 16);
        // The root's places, kept free until it closes last.
        FStore.Nodes.ResizeUninitialized(1);
        FStore.Blocks.PushBack({0, NoRun, 0});
    }

    TJSONCounts Counts() const { return {int32_t(FObjCnt), int32_t(FArrCnt), int32_t(FValCnt)}; }

    // Tells an observer about the text every few megabytes and before it moves.
    void SetObserver(TFormatObserver* AObserver)
    {
        FObserver = AObserver;
        if (AObserver)
            FOut.SetMoveHook(
                [](void* context) { static_cast<TFormatObserver*>(context)->BeforeMove(); }, AObserver);
    }
    void MaybeReport()
    {
        if (FObserver && FOut.Size() - FReported >= ObserverStep)
            ReportWritten();
    }
    void ReportWritten()
    {
        if (FObserver) {
            FObserver->Written(FOut.Data(), FOut.Size());
            FReported = FOut.Size();
            if (FInputAt)
                FObserver->InputPassed(FInputAt);
        }
    }
    TOutlineStore& Store() { return FStore; }

    void BeginObject()
    {
        ++FObjCnt;
        Open(false);
    }
    void BeginArray()
    {
        ++FArrCnt;
        Open(true);
    }
    void EndObject() { Close('}'); }
    void EndArray() { Close(']'); }

    void Key(std::string_view AContents, bool APlain)
    {
        FInputAt = AContents.data();
        MaybeReport();
        Frame& f = FFrames[FDepth];
        char* w = Space(2 * FDepth + 3);
        if (f.Count++ > 0)
            *w++ = ',';
        *w++ = '\r';
        *w++ = '\n';
        std::memset(w, ' ', 2 * FDepth);
        Commit(w + 2 * FDepth);
        FNameOffset = FOut.Size();
        AppendQuotedToken(FOut, AContents, APlain, FNormalizeBreaks);
        FOut.Append(std::string_view(": "));
    }

    void String(std::string_view AContents, bool APlain)
    {
        FInputAt = AContents.data();
        if (BeginScalar(ntString))
            AppendQuotedToken(FOut, AContents, APlain, FNormalizeBreaks);
    }
    void Number(std::string_view AText)
    {
        FInputAt = AText.data();
        if (BeginScalar(ntNumber))
            FOut.Append(AText);
    }
    void Literal(TJSONLiteral AWhich)
    {
        switch (AWhich) {
        case TJSONLiteral::True:
            if (BeginScalar(ntTrue))
                FOut.Append(std::string_view("true"));
            break;
        case TJSONLiteral::False:
            if (BeginScalar(ntFalse))
                FOut.Append(std::string_view("false"));
            break;
        case TJSONLiteral::Null:
            if (BeginScalar(ntNull))
                FOut.Append(std::string_view("null"));
            break;
        }
    }

private:
    // Nodes wait in FPending for their container to close. A waiting object or array tells the run of
    // its children as a distance from the runs there were when it opened; the rare farther ones are
    // kept in FPendingFar, in the order of their places in FPending.
    struct TPendingFar {
        size_t Index;
        TRunIndex Run;
    };
    struct Frame {
        bool IsArray;
        uint64_t Count; // members or elements written so far
        size_t ChildrenStart; // where this container's children begin in FPending
        TRunIndex RunsAtOpen; // how many runs there were when it opened
    };

    char* Space(size_t AN)
    {
        FOut.EnsureSpare(AN);
        return FOut.Data() + FOut.Size();
    }
    void Commit(char* AW) { FOut.ResizeUninitialized(size_t(AW - FOut.Data())); }

    // Starts an array element's line: separator, line break, 2 x depth spaces, plus extra spaces.
    void BeginElementLine(Frame& AF, size_t AExtra)
    {
        char* w = Space(2 * FDepth + AExtra + 3);
        if (AF.Count++ > 0)
            *w++ = ',';
        *w++ = '\r';
        *w++ = '\n';
        std::memset(w, ' ', 2 * FDepth + AExtra);
        Commit(w + 2 * FDepth + AExtra);
    }

    // Writes what precedes a scalar and adds its node; false for a root scalar, which gives no text.
    bool BeginScalar(TNodeType ATyp)
    {
        if (FDepth == 0)
            return false;
        MaybeReport();
        ++FValCnt;
        Frame& f = FFrames[FDepth];
        if (f.IsArray) {
            // A scalar element stands after its line's indentation plus the same again.
            BeginElementLine(f, 2 * FDepth);
            AddNode(FOut.Size(), ntString);
        } else {
            AddNode(FNameOffset, ATyp);
        }
        return true;
    }

    void Open(bool AIsArray)
    {
        const TNodeType typ = AIsArray ? ntArray : ntObject;
        if (FDepth == 0) {
            AddNode(0, typ);
        } else {
            Frame& f = FFrames[FDepth];
            if (f.IsArray) {
                BeginElementLine(f, 0);
                AddNode(FOut.Size(), typ);
            } else {
                AddNode(FNameOffset, typ);
            }
        }
        FOut.Append(AIsArray ? '[' : '{');
        ++FDepth;
        FFrames[FDepth] = Frame {AIsArray, 0, FPending.Size(), TRunIndex(FStore.Runs.Size())};
    }

    void Close(char ABracket)
    {
        MaybeReport();
        char* w = Space(2 * FDepth + 1);
        *w++ = '\r';
        *w++ = '\n';
        std::memset(w, ' ', 2 * (FDepth - 1));
        w += 2 * (FDepth - 1);
        *w++ = ABracket;
        Commit(w);
        if constexpr (WithOutline)
            MoveChildren(FFrames[FDepth].ChildrenStart);
        --FDepth;
    }

    void AddNode(size_t AOffset, TNodeType ATyp)
    {
        if constexpr (WithOutline)
            FPending.PushBack(TPendingNode::Make(AOffset, ATyp));
    }

    // A container closed: its children, the pending records from start on, take their final places
    // side by side as a new run; the runs of their own children learn their owner's index.
    void MoveChildren(size_t AStart)
    {
        const size_t count = FPending.Size() - AStart;
        const TRunIndex runsAtOpen = FFrames[FDepth].RunsAtOpen;
        TRunIndex run = NoRun;
        if (count > 0) {
            run = TRunIndex(FStore.Runs.Size());
            FStore.Runs.PushBack({TNodeIndex(FStore.Nodes.Size()), NoNode});
            FStore.Nodes.EnsureSpare(count);
        }
        const TPendingNode container = FPending[AStart - 1];
        // The children's far runs are the last ones listed.
        size_t far = FPendingFar.Size();
        while (far > 0 && FPendingFar[far - 1].Index >= AStart)
            --far;
        size_t nextFar = far;
        // The runs made before a child opened: those before its container opened, and those of the
        // children before it.
        TRunIndex runsBefore = runsAtOpen;
        // The root's children are the last to move and often the most: the pages they leave are given
        // back as they go, so that they are not held twice.
        const bool root = AStart == 1;
        for (size_t i = 0; i < count; ++i) {
            const TPendingNode child = FPending[AStart + i];
            TRunIndex childRun = NoRun;
            if (child.RunCode == TRunCode::Far)
                childRun = FPendingFar[nextFar++].Run;
            else if (child.RunCode != TRunCode::Empty)
                childRun = TRunIndex(runsBefore + TRunCode::Distance(child.RunCode));
            if (childRun != NoRun)
                runsBefore = childRun + 1;
            Place(child, childRun, run);
            if (root && (i + 1) % PendingDiscardStep == 0)
                FPending.DiscardFront(AStart + i + 1);
        }
        FPendingFar.Truncate(far);
        FPending.Truncate(AStart);
        if (root) {
            // The root: its place was kept free at the start; it stands at the start of the text and
            // of the first block.
            TOutlineNode top = TOutlineNode::Make(container.Typ());
            top.SetOffsetDistance(0);
            FStore.Nodes[0] = top;
            FStore.RootRun = run;
            if (run != NoRun)
                FStore.Runs[run].Owner = 0;
            FPending.Release();
            FPendingFar.Release();
            return;
        }
        // The container waits on with the distance of its own run.
        if (run != NoRun) {
            const uint32_t code = TRunCode::Of(int64_t(run) - int64_t(runsAtOpen));
            FPending[AStart - 1].RunCode = code;
            if (code == TRunCode::Far)
                FPendingFar.PushBack({AStart - 1, run});
        }
    }

    void Place(TPendingNode APending, TRunIndex AChildRun, TRunIndex ARun)
    {
        TOutlineStore& store = FStore;
        const TNodeIndex index = TNodeIndex(store.Nodes.Size());
        if ((index & ((1u << OutlineBlockShift) - 1)) == 0)
            store.Blocks.PushBack({ARun, NoRun, APending.Offset()});
        TOutlineBlock& block = store.Blocks.Back();
        TOutlineNode node = TOutlineNode::Make(APending.Typ());
        if (!node.SetOffsetDistance(int64_t(APending.Offset()) - int64_t(block.Base)))
            store.FarOffsets.PushBack({APending.Offset(), index});
        if (AChildRun != NoRun) {
            // The first run named in a block is what the others count from.
            if (block.RunBase == NoRun)
                block.RunBase = AChildRun;
            if (!node.SetRunDistance(int64_t(AChildRun) - int64_t(block.RunBase)))
                store.FarRuns.PushBack({index, AChildRun});
            store.Runs[AChildRun].Owner = index;
        }
        store.Nodes.PushBack(node);
    }

    // How many of the root's children move between two give-backs of the pages they leave.
    static constexpr size_t PendingDiscardStep = size_t(1) << 16;
    // How much new text an observer is told about at a time.
    static constexpr size_t ObserverStep = size_t(4) << 20;

    TByteBuffer& FOut;
    const bool FNormalizeBreaks;
    TFormatObserver* FObserver = nullptr;
    size_t FReported = 0;
    // Where in the input the last name or scalar began (what came before it is read).
    const char* FInputAt = nullptr;
    TOutlineStore FStore;
    TPodBuffer<TPendingNode> FPending;
    TPodBuffer<TPendingFar> FPendingFar;
    Frame FFrames[JSONNestingLimit + 1] = {};
    size_t FDepth = 0;
    size_t FNameOffset = 0;
    uint64_t FObjCnt = 0;
    uint64_t FArrCnt = 0;
    uint64_t FValCnt = 0;
};

// Whatever ends a build, an observer stops reading a text that is not handed over (the buffer is freed
// on refusal or when an error unwinds).
struct TStopReading {
    TFormatObserver* Observer;
    TByteBuffer& Text;
    bool HandedOver = false;
    ~TStopReading() { Stop(); }
    void Stop()
    {
        Text.SetMoveHook(nullptr, nullptr);
        if (Observer && !HandedOver)
            Observer->BeforeMove();
        Observer = nullptr;
    }
};
} // namespace

std::string_view BuildOutline(std::string_view AText, TOutline& AOutline, TJSONCounts& ACounts,
    TLineBreaks ABreaks, TFormatObserver* AObserver)
{
    ACounts = {};
    // A rebuild writes into the memory of the previous build. Reserved but unwritten capacity costs
    // address space only, so nothing is shrunk afterwards.
    TOutlineStore store;
    TByteBuffer formatted;
    AOutline.TakeBuffers(store, formatted);
    TStopReading stop {AObserver, formatted};
    TFormatWriter<true> writer(formatted, AText.size(), ABreaks);
    writer.UseBuffers(store);
    writer.BeginNodes(AText.size());
    writer.SetObserver(AObserver);
    if (!ReadJSON(AText, writer) || formatted.Empty()) {
        AOutline.Clear();
        return AOutline.Text();
    }
    stop.HandedOver = true;
    writer.ReportWritten();
    ACounts = writer.Counts();
    AOutline.Assign(std::move(writer.Store()), std::move(formatted));
    return AOutline.Text();
}

void FormatJSON(std::string_view AText, TByteBuffer& AFormatted, TJSONCounts& ACounts, TLineBreaks ABreaks,
    TFormatObserver* AObserver)
{
    ACounts = {};
    AFormatted.Clear();
    TStopReading stop {AObserver, AFormatted};
    TFormatWriter<false> writer(AFormatted, AText.size(), ABreaks);
    writer.SetObserver(AObserver);
    if (!ReadJSON(AText, writer) || AFormatted.Empty()) {
        stop.Stop();
        AFormatted.Release();
        return;
    }
    stop.HandedOver = true;
    writer.ReportWritten();
    ACounts = writer.Counts();
}

std::string FormatJSON(std::string_view AText, TJSONCounts& ACounts)
{
    TByteBuffer formatted;
    FormatJSON(AText, formatted, ACounts);
    return std::string(formatted.View());
}
