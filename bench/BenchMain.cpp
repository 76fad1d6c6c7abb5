// quillon-bench: runs the document load pipeline headless on a file and prints its results, so that
// benchmarks and reviewers can compare the program with other tools on the same file.
//
//   format FILE     the formatted text (UTF-8) on standard output; exit 1, printing nothing, when refused
//   outline FILE    one line per node in pre-order: depth, Name, Value, Typ (tab-separated)
//   counts FILE     the object, array and value counts
//   load FILE       the time of each stage (read, decode, parse+outline+format) and the peak memory;
//                   decoding checks the bytes, the outline is built from them without a copy
//   throughput FILE [SECONDS]   MB/s of decode+parse+outline+format in a warm in-process loop
//   digest FILE     the MD5 and SHA-1 report rows
//   report FILE     the report rows as the document window writes them
//   window FILE     load time and peak memory of a real document window, and the time until Ctrl+End
//                   shows coloured text in its source view
//   focus FILE      time to fill the details of the top-level node
//   expand FILE     time of "Full expand" and "Full collapse" of the whole tree
//   reload FILE     time of a reload that keeps the view (whole tree expanded, last node focused), and
//                   of a plain load
//   highlight [--raw] [--count] FILE   the source view's tokens (see BenchHighlight.h)
//   print FILE [PDF [tree]]            time to print the Source (or Tree) page of a document window to PDF
//   base64 encode|decode        standard input to standard output (with the utility library)
//   search FILE TEXT [--max N] [--time]   the tree search again and again from a fresh load, as F3
//                   would run it: INDEX, DEPTH and Name (escaped as by outline) of each hit, tab-separated,
//                   INDEX the pre-order index (root 0); MISS at the first miss, which ends it; at most N
//                   hits (default 1000). --time: the seconds spent searching on standard error.
//   findsource FILE TEXT [--time]   the source search from line 1, column 1 again and again: LINE and
//                   COL of each hit's start (from 1, UTF-16 code units), then MISS

//   paths FILE      one line per node in pre-order: INDEX, then its path as JSONPath, JSON Pointer, jq,
//                   JavaScript and Python, as "Copy path as" copies them (escaped as by outline),
//                   tab-separated; INDEX the pre-order index (root 0)
//   goto FILE PATH  the pre-order index of the node a path (any of those syntaxes, or the backslash path)
//                   leads to, as "Go to path..." finds it; or the reason it leads nowhere, exit status 1.
//                   --time: the seconds of the lookup and of copying the node's path on standard error

//   editor FILE     open, Format JSON and typing times of a real editor window
//   savebreaks FILE the line breaks a save of the editor writes for FILE's text: CR, LF or CRLF

#include "bench/BenchEditor.h"
#include "bench/BenchHighlight.h"
#include "bench/BenchUtil.h"
#include "bench/BenchWindow.h"
#include "core/ByteBuffer.h"
#include "core/DocumentText.h"
#include "core/Outline.h"
#include "core/OutlineBuilder.h"
#include "core/PathSyntax.h"
#include "core/SourceSearch.h"
#include "core/TreeSearch.h"
#include "core/Utf.h"
#include "editor/EditorText.h"
#include "util/FileUtils.h"
#include "viewer/UpperCaseMap.h"

#include <QLocale>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point AFrom, Clock::time_point ATo)
{
    return std::chrono::duration<double>(ATo - AFrom).count();
}

// Reads a whole file; false (with a message on standard error) when it cannot be read.
bool ReadFile(const char* APath, TByteBuffer& ABytes)
{
    if (ReadFileBytes(QString::fromLocal8Bit(APath), ABytes))
        return true;
    std::fprintf(stderr, "quillon-bench: cannot read %s\n", APath);
    return false;
}

void WriteAll(std::string_view AText)
{
    size_t done = 0;
    while (done < AText.size()) {
        const size_t n = std::fwrite(AText.data() + done, 1, AText.size() - done, stdout);
        if (n == 0)
            break;
        done += n;
    }
}

// Backslash, tab, CR and LF written as \\, \t, \r, \n so that every node stays on one line.
void AppendEscaped(std::string& ALine, std::u16string_view AText)
{
    for (char c : Utf16ToWtf8(AText)) {
        switch (c) {
        case '\\':
            ALine += "\\\\";
            break;
        case '\t':
            ALine += "\\t";
            break;
        case '\r':
            ALine += "\\r";
            break;
        case '\n':
            ALine += "\\n";
            break;
        default:
            ALine += c;
        }
    }
}

const char* TypName(TNodeType ATyp)
{
    static const char* const names[] = {
        "ntObject", "ntArray", "ntString", "ntNumber", "ntFalse", "ntTrue", "ntNull"};
    return names[ATyp];
}

std::u16string LocaleDecimalSeparator()
{
    return QLocale::system().decimalPoint().toStdU16String();
}

long PeakResidentKiB()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Loads FILE as the document window does; false when it cannot be read or gives no outline.
bool BuildFromFile(const char* APath, TOutline& AOutline, TJSONCounts& ACounts)
{
    TByteBuffer bytes;
    if (!ReadFile(APath, bytes))
        return false;
    TDocumentText refused;
    return BuildDocument(bytes.View(), AOutline, ACounts, refused) == TDocumentState::Formatted;
}

int Format(const char* APath)
{
    TOutline outline;
    TJSONCounts counts;
    if (!BuildFromFile(APath, outline, counts))
        return 1;
    WriteAll(outline.Text());
    return 0;
}

int Outline(const char* APath)
{
    TOutline outline;
    outline.SetDecimalSeparator(LocaleDecimalSeparator());
    TJSONCounts counts;
    if (!BuildFromFile(APath, outline, counts))
        return 1;
    // Pre-order, iteratively: documents nest up to 512 levels.
    std::vector<std::pair<TNodeIndex, int>> stack {{outline.Root(), 0}};
    std::string line;
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        const TNodeData data = outline.NodeData(node);
        line = std::to_string(depth);
        line += '\t';
        AppendEscaped(line, data.Name);
        line += '\t';
        AppendEscaped(line, data.Value);
        line += '\t';
        line += TypName(data.Typ);
        line += '\n';
        WriteAll(line);
        for (uint32_t row = outline.ChildCount(node); row-- > 0;)
            stack.emplace_back(outline.Child(node, row), depth + 1);
    }
    return 0;
}

int Counts(const char* APath)
{
    TOutline outline;
    TJSONCounts counts;
    BuildFromFile(APath, outline, counts);
    std::printf("objects %d\narrays %d\nvalues %d\n", counts.FObjCnt, counts.FArrCnt, counts.FValCnt);
    return 0;
}

int Load(const char* APath)
{
    const auto t0 = Clock::now();
    TByteBuffer bytes;
    if (!ReadFile(APath, bytes))
        return 1;
    const auto t1 = Clock::now();
    std::string_view text;
    const bool decoded = FindDocumentText(bytes.View(), text);
    const auto t2 = Clock::now();
    TOutline outline;
    TJSONCounts counts;
    size_t formattedSize = 0;
    if (decoded)
        formattedSize = BuildOutline(text, outline, counts, TLineBreaks::Normalize).size();
    const size_t fileSize = bytes.Size();
    bytes.Release();
    const auto t3 = Clock::now();
    std::printf("file      %zu bytes\n", fileSize);
    std::printf("read      %.3f s\n", Seconds(t0, t1));
    std::printf("decode    %.3f s%s\n", Seconds(t1, t2), decoded ? "" : " (not valid UTF-8)");
    std::printf("parse     %.3f s (parse+outline+format)%s\n", Seconds(t2, t3),
        decoded && formattedSize == 0 ? " (not valid JSON)" : "");
    std::printf("total     %.3f s\n", Seconds(t0, t3));
    std::printf("formatted %zu bytes\n", formattedSize);
    std::printf("nodes     %zu\n", outline.NodeCount());
    std::printf(
        "counts    objects %d, arrays %d, values %d\n", counts.FObjCnt, counts.FArrCnt, counts.FValCnt);
    std::printf("peak      %ld KiB resident\n", PeakResidentKiB());
    return 0;
}

int Throughput(const char* APath, double ASeconds)
{
    TByteBuffer bytes;
    if (!ReadFile(APath, bytes))
        return 1;
    size_t rounds = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    // One outline for all rounds, as a window that reloads its file.
    TOutline outline;
    do {
        TJSONCounts counts;
        TDocumentText refused;
        BuildDocument(bytes.View(), outline, counts, refused);
        ++rounds;
        elapsed = Seconds(start, Clock::now());
    } while (elapsed < ASeconds);
    const double mbps = double(bytes.Size()) * double(rounds) / elapsed / 1e6;
    std::printf("%.1f MB/s (%zu rounds of %zu bytes in %.2f s)\n", mbps, rounds, bytes.Size(), elapsed);
    return 0;
}

// The options after FILE TEXT of search and findsource.
struct TSearchOptions {
    long Max = 1000;
    bool Time = false;
};

TSearchOptions ReadSearchOptions(int AArgc, char** AArgv)
{
    TSearchOptions options;
    for (int i = 4; i < AArgc; ++i) {
        if (std::strcmp(AArgv[i], "--time") == 0)
            options.Time = true;
        else if (std::strcmp(AArgv[i], "--max") == 0 && i + 1 < AArgc)
            options.Max = std::atol(AArgv[++i]);
    }
    return options;
}

std::u16string ArgumentText(const char* AArgument)
{
    return QString::fromLocal8Bit(AArgument).toStdU16String();
}

int Search(const char* APath, const char* AText, const TSearchOptions& AOptions)
{
    TOutline outline;
    outline.SetDecimalSeparator(LocaleDecimalSeparator());
    TJSONCounts counts;
    if (!BuildFromFile(APath, outline, counts))
        outline.Clear();
    const TTextFinder finder(ArgumentText(AText), UpperCaseMap());
    TTreeSearch search(outline, finder);
    // Pre-order indexes, made at the first hit.
    std::vector<uint32_t> preorder;
    double seconds = 0;
    TNodeIndex from = NoNode;
    std::string line;
    for (long hits = 0; hits < AOptions.Max; ++hits) {
        const auto start = Clock::now();
        const TNodeIndex node = search.FindFrom(from);
        seconds += Seconds(start, Clock::now());
        if (node == NoNode) {
            WriteAll("MISS\n");
            break;
        }
        if (preorder.empty()) {
            preorder.resize(outline.NodeCount());
            uint32_t index = 0;
            for (TNodeIndex n = outline.Root(); n != NoNode; n = NextInPreOrder(outline, n))
                preorder[n] = index++;
        }
        line = std::to_string(preorder[node]);
        line += '\t';
        line += std::to_string(outline.Level(node));
        line += '\t';
        AppendEscaped(line, outline.NodeData(node).Name);
        line += '\n';
        WriteAll(line);
        // After the last node the next search starts at the first.
        from = NextInPreOrder(outline, node);
    }
    if (AOptions.Time)
        std::fprintf(stderr, "search %.3f s\n", seconds);
    return 0;
}

int FindSource(const char* APath, const char* AText, const TSearchOptions& AOptions)
{
    // The text the source view shows: the formatted text, or the file's own text when it is no JSON.
    TOutline outline;
    TJSONCounts counts;
    TDocumentText refused;
    TByteBuffer bytes;
    std::string_view source;
    if (ReadFile(APath, bytes)) {
        if (BuildDocument(bytes.View(), outline, counts, refused) == TDocumentState::Formatted)
            source = outline.Text();
        else
            source = refused.Text.View();
    }
    const TTextFinder finder(ArgumentText(AText), UpperCaseMap());
    TLineColumnCounter places(source);
    double seconds = 0;
    size_t caret = 0;
    for (;;) {
        const auto start = Clock::now();
        const std::optional<TSourceMatch> hit = FindInSource(source, caret, finder);
        seconds += Seconds(start, Clock::now());
        if (!hit) {
            WriteAll("MISS\n");
            break;
        }
        const TLineColumn place = places.At(hit->Start);
        std::printf("%zu\t%zu\n", place.Line, place.Column);
        caret = hit->End;
    }
    if (AOptions.Time)
        std::fprintf(stderr, "findsource %.3f s\n", seconds);
    return 0;
}

int Paths(const char* APath)
{
    TOutline outline;
    TJSONCounts counts;
    if (!BuildFromFile(APath, outline, counts))
        return 1;
    std::string line;
    uint64_t index = 0;
    for (TNodeIndex node = outline.Root(); node != NoNode; node = NextInPreOrder(outline, node), ++index) {
        line = std::to_string(index);
        for (TPathSyntax syntax : AllPathSyntaxes) {
            line += '\t';
            AppendEscaped(line, FormatNodePath(outline, node, syntax));
        }
        line += '\n';
        WriteAll(line);
    }
    return 0;
}

int GoTo(const char* APath, const char* AGoTo, bool ATime)
{
    TOutline outline;
    TJSONCounts counts;
    if (!BuildFromFile(APath, outline, counts))
        outline.Clear();
    const auto start = Clock::now();
    const TPathLookup found = FindNodeByAnyPath(outline, ArgumentText(AGoTo));
    if (ATime) {
        // Going there, then copying the node's path in every syntax, as the window would.
        const auto found_at = Clock::now();
        size_t copied = 0;
        if (found.Node != NoNode) {
            for (TPathSyntax syntax : AllPathSyntaxes)
                copied += FormatNodePath(outline, found.Node, syntax).size();
            copied += IsAmbiguousPath(outline, found.Node);
        }
        std::fprintf(stderr, "goto %.6f s, copy (5 syntaxes) %.6f s [%zu]\n", Seconds(start, found_at),
            Seconds(found_at, Clock::now()), copied);
    }
    if (found.Node == NoNode) {
        std::printf("%s\n", Utf16ToUtf8(found.Error).c_str());
        return 1;
    }
    uint64_t index = 0;
    for (TNodeIndex node = outline.Root(); node != found.Node; node = NextInPreOrder(outline, node))
        ++index;
    std::printf("%llu\n", static_cast<unsigned long long>(index));
    return 0;
}

// The line-break style the editor's Save would write for FILE as the editor loads it.
int SaveBreaks(const char* APath)
{
    TByteBuffer bytes;
    if (!ReadFile(APath, bytes))
        return 1;
    TEditorText text;
    if (!ReadEditorText(bytes.View(), text)) {
        std::fprintf(stderr, "quillon-bench: %s is not UTF-8 text\n", APath);
        return 1;
    }
    std::printf("%s\n", LineBreakName(text.Breaks));
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
        "usage: quillon-bench format|outline|counts|load FILE\n"
        "       quillon-bench throughput FILE [SECONDS]\n"
        "       quillon-bench digest FILE\n"
        "       quillon-bench base64 encode|decode\n"
        "       quillon-bench report|window|focus|expand|reload FILE\n"
        "       quillon-bench highlight [--raw] [--count] FILE\n"
        "       quillon-bench print FILE [PDF [tree]]\n"
        "       quillon-bench search FILE TEXT [--max N] [--time]\n"
        "       quillon-bench findsource FILE TEXT [--time]\n"
        "       quillon-bench editor|savebreaks FILE\n"
        "       quillon-bench paths FILE\n"
        "       quillon-bench goto FILE PATH [--time]\n");
    return 2;
}
} // namespace

int main(int AArgc, char** AArgv)
{
    if (AArgc < 3)
        return Usage();
    const std::string command = AArgv[1];
    const char* path = AArgv[2];
    if (command == "format")
        return Format(path);
    if (command == "outline")
        return Outline(path);
    if (command == "counts")
        return Counts(path);
    if (command == "load")
        return Load(path);
    if (command == "throughput")
        return Throughput(path, AArgc > 3 ? std::atof(AArgv[3]) : 2.0);
    if (command == "digest")
        return DigestCommand(path);
    if (command == "base64")
        return Base64Command(AArgv[2]);
    if (command == "report")
        return ReportCommand(path);
    if (command == "window")
        return WindowCommand(AArgc, AArgv, path);
    if (command == "focus")
        return FocusCommand(AArgc, AArgv, path);
    if (command == "expand")
        return ExpandCommand(AArgc, AArgv, path);
    if (command == "reload")
        return ReloadCommand(AArgc, AArgv, path);
    if (command == "print")
        return PrintCommand(AArgc, AArgv, path);
    if (command == "highlight")
        return HighlightCommand(AArgc - 2, AArgv + 2);
    if (command == "search" && AArgc > 3)
        return Search(path, AArgv[3], ReadSearchOptions(AArgc, AArgv));
    if (command == "findsource" && AArgc > 3)
        return FindSource(path, AArgv[3], ReadSearchOptions(AArgc, AArgv));
    if (command == "paths")
        return Paths(path);
    if (command == "goto" && AArgc > 3)
        return GoTo(path, AArgv[3], ReadSearchOptions(AArgc, AArgv).Time);
    if (command == "editor")
        return EditorCommand(AArgc, AArgv, path);
    if (command == "savebreaks")
        return SaveBreaks(path);
    return Usage();
}
