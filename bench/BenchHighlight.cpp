#include "bench/BenchHighlight.h"

#include "core/ByteBuffer.h"
#include "core/DocumentText.h"
#include "core/OutlineBuilder.h"
#include "textview/JSONTokenizer.h"
#include "util/FileUtils.h"

#include <QString>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {
constexpr size_t KindCount = tkUnknown + 1;
constexpr size_t OutputChunk = size_t(1) << 20;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

using TKindCounts = std::array<uint64_t, KindCount>;

// Counts the tokens of AText (whole lines) from AState, as reports list them; returns the state after.
TRangeState CountTokens(std::string_view AText, TRangeState AState, TKindCounts& ACounts)
{
    TJSONTokenizer scanner(AText, AState);
    TJSONToken token;
    while (scanner.Next(token)) {
        const bool twoUnits =
            token.Kind == tkUnknown && IsSupplementaryCharacter(AText.substr(token.Start, token.Length));
        ACounts[token.Kind] += twoUnits ? 2 : 1;
    }
    return scanner.State();
}

// Counts the tokens of the formatted text on a second thread while the text is being written, so
// that scanning it costs no time of its own.
class TTokenCounter final : public TFormatObserver {
public:
    TTokenCounter()
        : FWorker([this] { Work(); })
    {
    }
    ~TTokenCounter() override { Finish(); }
    TTokenCounter(const TTokenCounter&) = delete;
    TTokenCounter& operator=(const TTokenCounter&) = delete;

    void Written(const char* AData, size_t ASize) override
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FBase = AData;
            FWritten = ASize;
            FMoving = false;
        }
        FChanged.notify_all();
    }
    void BeforeMove() override
    {
        std::unique_lock<std::mutex> lock(FLock);
        FMoving = true;
        FChanged.wait(lock, [this] { return !FReading; });
    }
    // All text is written: counts the rest and waits for the worker.
    const TKindCounts& Finish()
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FDone = true;
        }
        FChanged.notify_all();
        if (FWorker.joinable())
            FWorker.join();
        return FCounts;
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(FLock);
        for (;;) {
            FChanged.wait(lock, [this] { return FDone || (!FMoving && FWritten > FConsumed); });
            if (FMoving || FWritten == FConsumed) {
                if (FDone)
                    return;
                continue;
            }
            std::string_view text(FBase + FConsumed, FWritten - FConsumed);
            if (!FDone) {
                // Whole lines only: a line may go on in the next piece.
                const size_t lastBreak = text.find_last_of('\n');
                if (lastBreak == std::string_view::npos) {
                    FChanged.wait(lock);
                    continue;
                }
                text = text.substr(0, lastBreak + 1);
            }
            FReading = true;
            lock.unlock();
            FState = CountTokens(text, FState, FCounts);
            lock.lock();
            FReading = false;
            FConsumed += text.size();
            FChanged.notify_all();
        }
    }

    std::mutex FLock;
    std::condition_variable FChanged;
    const char* FBase = nullptr;
    size_t FWritten = 0;
    size_t FConsumed = 0;
    bool FMoving = false;
    bool FReading = false;
    bool FDone = false;
    TRangeState FState = rsUnknown;
    TKindCounts FCounts {};
    std::thread FWorker;
};

void PrintCounts(const TKindCounts& ACounts)
{
    for (size_t kind = 0; kind < KindCount; ++kind)
        std::printf(
            "%s\t%llu\n", TokenKindName(TtkTokenKind(kind)), static_cast<unsigned long long>(ACounts[kind]));
}

void ListTokens(std::string_view AText)
{
    std::string out;
    out.reserve(OutputChunk + 256);
    char line[160];
    ReportTokens(AText, [&](const TJSONTokenReport& AToken) {
        const int n = std::snprintf(line, sizeof line, "%zu\t%zu\t%zu\t%s\t%s\n", AToken.Line, AToken.Column,
            AToken.Length, TokenKindName(AToken.Kind), SynAttributeName(AToken.Attribute));
        out.append(line, size_t(n));
        if (out.size() >= OutputChunk) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int Usage()
{
    std::fprintf(stderr, "usage: quillon-bench highlight [--raw] [--count] FILE\n");
    return 2;
}
} // namespace

int HighlightCommand(int argc, char** argv)
{
    bool raw = false;
    bool count = false;
    const char* path = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0)
            raw = true;
        else if (std::strcmp(argv[i], "--count") == 0)
            count = true;
        else if (!path)
            path = argv[i];
        else
            return Usage();
    }
    if (!path)
        return Usage();
    TByteBuffer bytes;
    if (!ReadFileBytes(QString::fromLocal8Bit(path), bytes)) {
        std::fprintf(stderr, "quillon-bench: cannot read %s\n", path);
        return 1;
    }

    std::string_view text = bytes.View();
    TByteBuffer formatted;
    TDocumentText refused;
    TKindCounts counts {};
    bool counted = false;
    if (raw) {
        // The file as the editor loads it.
        if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark)
            text.remove_prefix(ByteOrderMark.size());
    } else {
        // The text the Source page shows: the formatted text (as the document window makes it, without
        // the outline beside it, which colouring does not read), or the file's own when it is no JSON.
        if (!FindDocumentText(bytes.View(), text)) {
            std::fprintf(stderr, "quillon-bench: %s is no UTF-8 text\n", path);
            return 1;
        }
        TJSONCounts jsonCounts;
        TTokenCounter counter;
        FormatJSON(text, formatted, jsonCounts, TLineBreaks::Normalize, count ? &counter : nullptr);
        const TKindCounts& formattedCounts = counter.Finish();
        if (!formatted.Empty()) {
            text = formatted.View();
            counts = formattedCounts;
            counted = true;
        } else {
            ReadDocumentText(bytes.View(), refused);
            text = refused.Text.View();
        }
    }
    if (count) {
        if (!counted)
            CountTokens(text, rsUnknown, counts);
        PrintCounts(counts);
    } else {
        ListTokens(text);
    }
    return 0;
}
