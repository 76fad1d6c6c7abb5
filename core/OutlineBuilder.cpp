#include "core/OutlineBuilder.h"

#include "core/JSONReader.h"
#include "core/JSONText.h"

#include <cstring>

namespace {
// Writes the formatted text as the reader reports the document; with WithOutline also the nodes.
//
// Lines are written as they are reached rather than built per container and appended: a separator
// and line break are written when the next member or element starts, and a container's closing line
// when it ends, which gives the same characters with one copy of each token.
template<bool WithOutline> class TFormatWriter {
public:
    TFormatWriter(TByteBuffer& out, size_t textSize, TLineBreaks breaks)
        : FOut(out)
        , FNormalizeBreaks(breaks == TLineBreaks::Normalize)
    {
        // Address space only: the pages are touched as the text is written.
        FOut.Reserve(textSize * 3 + 64);
    }

    // Builds the nodes into these buffers, reusing their memory.
    void UseBuffers(TPodBuffer<TOutlineNode>& nodes, TPodBuffer<TOutlineContainer>& containers)
    {
        FNodes.Swap(nodes);
        FContainers.Swap(containers);
        FNodes.Clear();
        FContainers.Clear();
    }

    void BeginNodes(size_t textSize)
    {
        FNodes.Reserve(textSize / 8 + 16);
        FNodes.ResizeUninitialized(1); // the root's place
    }

    TJSONCounts Counts() const { return {int32_t(FObjCnt), int32_t(FArrCnt), int32_t(FValCnt)}; }

    // Tells an observer about the text every few megabytes and before it moves.
    void SetObserver(TFormatObserver* observer)
    {
        FObserver = observer;
        if (observer)
            FOut.SetMoveHook(
                [](void* context) { static_cast<TFormatObserver*>(context)->BeforeMove(); }, observer);
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
        }
    }
    TPodBuffer<TOutlineNode>& Nodes() { return FNodes; }
    TPodBuffer<TOutlineContainer>& Containers() { return FContainers; }

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

    void Key(std::string_view contents, bool plain)
    {
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
        AppendQuotedToken(FOut, contents, plain, FNormalizeBreaks);
        FOut.Append(std::string_view(": "));
    }

    void String(std::string_view contents, bool plain)
    {
        if (BeginScalar(ntString))
            AppendQuotedToken(FOut, contents, plain, FNormalizeBreaks);
    }
    void Number(std::string_view text)
    {
        if (BeginScalar(ntNumber))
            FOut.Append(text);
    }
    void Literal(TJSONLiteral which)
    {
        switch (which) {
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
    struct Frame {
        bool IsArray;
        uint64_t Count; // members or elements written so far
        size_t ChildrenStart; // where this container's children begin in FPending
    };

    char* Space(size_t n)
    {
        FOut.EnsureSpare(n);
        return FOut.Data() + FOut.Size();
    }
    void Commit(char* w) { FOut.ResizeUninitialized(size_t(w - FOut.Data())); }

    // Starts an array element's line: separator, line break, 2 x depth spaces, plus extra spaces.
    void BeginElementLine(Frame& f, size_t extra)
    {
        char* w = Space(2 * FDepth + extra + 3);
        if (f.Count++ > 0)
            *w++ = ',';
        *w++ = '\r';
        *w++ = '\n';
        std::memset(w, ' ', 2 * FDepth + extra);
        Commit(w + 2 * FDepth + extra);
    }

    // Writes what precedes a scalar and adds its node; false for a root scalar, which gives no text.
    bool BeginScalar(TNodeType typ)
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
            AddNode(FNameOffset, typ);
        }
        return true;
    }

    void Open(bool isArray)
    {
        const TNodeType typ = isArray ? ntArray : ntObject;
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
        FOut.Append(isArray ? '[' : '{');
        ++FDepth;
        FFrames[FDepth] = Frame {isArray, 0, FPending.Size()};
    }

    void Close(char bracket)
    {
        MaybeReport();
        char* w = Space(2 * FDepth + 1);
        *w++ = '\r';
        *w++ = '\n';
        std::memset(w, ' ', 2 * (FDepth - 1));
        w += 2 * (FDepth - 1);
        *w++ = bracket;
        Commit(w);
        if constexpr (WithOutline)
            MoveChildren(FFrames[FDepth].ChildrenStart);
        --FDepth;
    }

    void AddNode(size_t offset, TNodeType typ)
    {
        if constexpr (WithOutline)
            FPending.PushBack(TOutlineNode::Make(offset, typ));
    }

    // A container closed: its children, the pending records from start on, take their final places
    // side by side; their own children learn their parent's index now that it is known.
    void MoveChildren(size_t start)
    {
        const size_t count = FPending.Size() - start;
        TOutlineNode& container = FPending[start - 1];
        const TNodeIndex first = TNodeIndex(FNodes.Size());
        container.Container = uint32_t(FContainers.Size());
        FContainers.PushBack(TOutlineContainer {count ? first : 0, uint32_t(count)});
        FNodes.Append(FPending.Data() + start, count);
        FPending.Truncate(start);
        for (size_t i = 0; i < count; ++i) {
            const TOutlineNode& child = FNodes[first + i];
            if (child.Typ != ntObject && child.Typ != ntArray)
                continue;
            const TOutlineContainer& grand = FContainers[child.Container];
            for (uint32_t k = 0; k < grand.ChildCount; ++k)
                FNodes[grand.FirstChild + k].Parent = TNodeIndex(first + i);
        }
        if (start == 1) {
            // The root: its place was kept free at the start.
            FNodes[0] = container;
            for (size_t i = 0; i < count; ++i)
                FNodes[first + i].Parent = 0;
            FPending.Clear();
        }
    }

    // How much new text an observer is told about at a time.
    static constexpr size_t ObserverStep = size_t(4) << 20;

    TByteBuffer& FOut;
    const bool FNormalizeBreaks;
    TFormatObserver* FObserver = nullptr;
    size_t FReported = 0;
    TPodBuffer<TOutlineNode> FNodes;
    TPodBuffer<TOutlineContainer> FContainers;
    TPodBuffer<TOutlineNode> FPending;
    Frame FFrames[JSONNestingLimit + 1] = {};
    size_t FDepth = 0;
    size_t FNameOffset = 0;
    uint64_t FObjCnt = 0;
    uint64_t FArrCnt = 0;
    uint64_t FValCnt = 0;
};
} // namespace

std::string_view BuildOutline(std::string_view text, TOutline& outline, TJSONCounts& counts,
    TLineBreaks breaks, TFormatObserver* observer)
{
    counts = {};
    // A rebuild writes into the memory of the previous build. Reserved but unwritten capacity costs
    // address space only, so nothing is shrunk afterwards.
    TPodBuffer<TOutlineNode> nodes;
    TPodBuffer<TOutlineContainer> containers;
    TByteBuffer formatted;
    outline.TakeBuffers(nodes, containers, formatted);
    // Whatever ends the build, an observer stops reading a text that is not handed over (the buffer is
    // freed on refusal or when an error unwinds).
    struct TStopReading {
        TFormatObserver* Observer;
        TByteBuffer& Text;
        bool HandedOver = false;
        ~TStopReading()
        {
            Text.SetMoveHook(nullptr, nullptr);
            if (Observer && !HandedOver)
                Observer->BeforeMove();
        }
    } stop {observer, formatted};
    TFormatWriter<true> writer(formatted, text.size(), breaks);
    writer.UseBuffers(nodes, containers);
    writer.BeginNodes(text.size());
    writer.SetObserver(observer);
    if (!ReadJSON(text, writer) || formatted.Empty()) {
        outline.Clear();
        return outline.Text();
    }
    stop.HandedOver = true;
    writer.ReportWritten();
    counts = writer.Counts();
    outline.Assign(std::move(writer.Nodes()), std::move(writer.Containers()), std::move(formatted));
    return outline.Text();
}

void FormatJSON(std::string_view text, TByteBuffer& formatted, TJSONCounts& counts)
{
    counts = {};
    formatted.Clear();
    TFormatWriter<false> writer(formatted, text.size(), TLineBreaks::AsWritten);
    if (!ReadJSON(text, writer) || formatted.Empty()) {
        formatted.Release();
        return;
    }
    counts = writer.Counts();
}

std::string FormatJSON(std::string_view text, TJSONCounts& counts)
{
    TByteBuffer formatted;
    FormatJSON(text, formatted, counts);
    return std::string(formatted.View());
}
