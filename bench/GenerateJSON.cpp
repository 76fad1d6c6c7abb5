// quillon-gen: writes a deterministic JSON document of about SIZE megabytes, shaped like the records
// that people open in the program (API dumps, logs): an array of objects with short names, numbers,
// literals, nested objects and arrays, escapes and some non-ASCII text, written without spaces.
//
//   quillon-gen SIZE_MB OUTPUT_FILE
//   quillon-gen flat COUNT OUTPUT_FILE    an array of COUNT numbers, for the details of huge arrays
//   quillon-gen strings SIZE_MB OUTPUT_FILE   records whose text is mostly long strings (few lines)
//   quillon-gen short SIZE_MB OUTPUT_FILE     small records of short members (many short lines)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
class TRandom {
public:
    uint32_t Next()
    {
        FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(FState >> 33);
    }
    uint32_t Below(uint32_t AN) { return Next() % AN; }

private:
    uint64_t FState = 0x2545F4914F6CDD1DULL;
};

void AppendRecord(std::string& AOut, uint64_t AId, TRandom& AR)
{
    static const char* const words[] = {"alpha", "beta", "gamma", "delta", "caf\xC3\xA9",
        "\xE4\xB8\x80\xE4\xBA\x8C", "line\\nbreak", "quote\\\"d", "path\\/to", "x"};
    static const char* const tags[] = {"a", "bc", "def", "ghij", "k"};
    AOut += "{\"id\":";
    AOut += std::to_string(AId);
    AOut += ",\"name\":\"";
    AOut += words[AR.Below(10)];
    AOut += '_';
    AOut += std::to_string(AR.Below(100000));
    AOut += "\",\"ok\":";
    AOut += AR.Below(2) ? "true" : "false";
    AOut += ",\"score\":";
    AOut += std::to_string(AR.Below(1000));
    AOut += '.';
    AOut += std::to_string(AR.Below(100));
    AOut += ",\"tags\":[";
    const uint32_t n = AR.Below(5);
    for (uint32_t i = 0; i < n; ++i) {
        if (i)
            AOut += ',';
        AOut += '"';
        AOut += tags[AR.Below(5)];
        AOut += '"';
    }
    AOut += "],\"pos\":{\"x\":";
    AOut += std::to_string(int(AR.Below(2000)) - 1000);
    AOut += ",\"y\":";
    AOut += std::to_string(AR.Below(1000));
    AOut += "e-3},\"v\":[";
    AOut += std::to_string(AR.Below(10));
    AOut += ',';
    AOut += std::to_string(AR.Below(100));
    AOut += ",null],\"url\":\"https://example.org/r/";
    AOut += std::to_string(AId);
    AOut += "\"}";
}
// A record holding a string of one to eight kilobytes of words.
void AppendLongRecord(std::string& AOut, uint64_t AId, TRandom& AR)
{
    static const char* const words[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet ", "caf\xC3\xA9 ", "\\n",
        "consectetur ", "adipiscing ", "elit "};
    AOut += "{\"id\":";
    AOut += std::to_string(AId);
    AOut += ",\"text\":\"";
    const uint32_t length = 1024 + AR.Below(7 * 1024);
    const size_t start = AOut.size();
    while (AOut.size() - start < length)
        AOut += words[AR.Below(10)];
    AOut += "\",\"ok\":true}";
}

// A small record: short names, small numbers, literals, a short array.
void AppendShortRecord(std::string& AOut, uint64_t AId, TRandom& AR)
{
    AOut += "{\"a\":";
    AOut += std::to_string(AId % 100);
    AOut += ",\"b\":";
    AOut += AR.Below(2) ? "true" : "false";
    AOut += ",\"c\":null,\"d\":[";
    AOut += std::to_string(AR.Below(10));
    AOut += ',';
    AOut += std::to_string(AR.Below(10));
    AOut += "],\"e\":\"x\"}";
}

using TAppendRecord = void (*)(std::string&, uint64_t, TRandom&);

// An array of records of about ASizeMb megabytes.
int WriteRecords(const char* ASizeMb, const char* APath, TAppendRecord AAppend)
{
    const uint64_t target = uint64_t(std::atof(ASizeMb) * 1e6);
    FILE* f = std::fopen(APath, "wb");
    if (!f) {
        std::perror(APath);
        return 1;
    }
    TRandom r;
    std::string chunk;
    uint64_t written = 1;
    uint64_t id = 0;
    std::fputc('[', f);
    while (written < target) {
        chunk.clear();
        while (chunk.size() < (1 << 20) && written + chunk.size() < target) {
            if (id)
                chunk += ',';
            AAppend(chunk, id++, r);
        }
        written += chunk.size();
        if (std::fwrite(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
            std::perror(APath);
            return 1;
        }
    }
    std::fputc(']', f);
    return std::fclose(f) == 0 ? 0 : 1;
}
} // namespace

// An array of the numbers 0 .. count-1.
int WriteFlat(long ACount, const char* APath)
{
    FILE* f = std::fopen(APath, "wb");
    if (!f) {
        std::perror(APath);
        return 1;
    }
    std::fputc('[', f);
    for (long i = 0; i < ACount; ++i)
        std::fprintf(f, i ? ",%ld" : "%ld", i);
    std::fputc(']', f);
    return std::fclose(f) == 0 ? 0 : 1;
}

int main(int AArgc, char** AArgv)
{
    if (AArgc == 4 && std::string(AArgv[1]) == "flat")
        return WriteFlat(std::atol(AArgv[2]), AArgv[3]);
    if (AArgc == 4 && std::string(AArgv[1]) == "strings")
        return WriteRecords(AArgv[2], AArgv[3], AppendLongRecord);
    if (AArgc == 4 && std::string(AArgv[1]) == "short")
        return WriteRecords(AArgv[2], AArgv[3], AppendShortRecord);
    if (AArgc != 3) {
        std::fprintf(stderr,
            "usage: quillon-gen SIZE_MB OUTPUT_FILE\n       quillon-gen flat COUNT OUTPUT_FILE\n"
            "       quillon-gen strings|short SIZE_MB OUTPUT_FILE\n");
        return 2;
    }
    return WriteRecords(AArgv[1], AArgv[2], AppendRecord);
}
