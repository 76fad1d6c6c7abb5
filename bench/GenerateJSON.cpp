// quillon-gen: writes a deterministic JSON document of about SIZE megabytes, shaped like the records
// that people open in the program (API dumps, logs): an array of objects with short names, numbers,
// literals, nested objects and arrays, escapes and some non-ASCII text, written without spaces.
//
//   quillon-gen SIZE_MB OUTPUT_FILE
//   quillon-gen flat COUNT OUTPUT_FILE    an array of COUNT numbers, for the details of huge arrays

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
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint64_t FState = 0x2545F4914F6CDD1DULL;
};

void AppendRecord(std::string& out, uint64_t id, TRandom& r)
{
    static const char* const words[] = {"alpha", "beta", "gamma", "delta", "caf\xC3\xA9",
        "\xE4\xB8\x80\xE4\xBA\x8C", "line\\nbreak", "quote\\\"d", "path\\/to", "x"};
    static const char* const tags[] = {"a", "bc", "def", "ghij", "k"};
    out += "{\"id\":";
    out += std::to_string(id);
    out += ",\"name\":\"";
    out += words[r.Below(10)];
    out += '_';
    out += std::to_string(r.Below(100000));
    out += "\",\"ok\":";
    out += r.Below(2) ? "true" : "false";
    out += ",\"score\":";
    out += std::to_string(r.Below(1000));
    out += '.';
    out += std::to_string(r.Below(100));
    out += ",\"tags\":[";
    const uint32_t n = r.Below(5);
    for (uint32_t i = 0; i < n; ++i) {
        if (i)
            out += ',';
        out += '"';
        out += tags[r.Below(5)];
        out += '"';
    }
    out += "],\"pos\":{\"x\":";
    out += std::to_string(int(r.Below(2000)) - 1000);
    out += ",\"y\":";
    out += std::to_string(r.Below(1000));
    out += "e-3},\"v\":[";
    out += std::to_string(r.Below(10));
    out += ',';
    out += std::to_string(r.Below(100));
    out += ",null],\"url\":\"https://example.org/r/";
    out += std::to_string(id);
    out += "\"}";
}
} // namespace

// An array of the numbers 0 .. count-1.
int WriteFlat(long count, const char* path)
{
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        return 1;
    }
    std::fputc('[', f);
    for (long i = 0; i < count; ++i)
        std::fprintf(f, i ? ",%ld" : "%ld", i);
    std::fputc(']', f);
    return std::fclose(f) == 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "flat")
        return WriteFlat(std::atol(argv[2]), argv[3]);
    if (argc != 3) {
        std::fprintf(
            stderr, "usage: quillon-gen SIZE_MB OUTPUT_FILE\n       quillon-gen flat COUNT OUTPUT_FILE\n");
        return 2;
    }
    const uint64_t target = uint64_t(std::atof(argv[1]) * 1e6);
    FILE* f = std::fopen(argv[2], "wb");
    if (!f) {
        std::perror(argv[2]);
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
            AppendRecord(chunk, id++, r);
        }
        written += chunk.size();
        if (std::fwrite(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
            std::perror(argv[2]);
            return 1;
        }
    }
    std::fputc(']', f);
    return std::fclose(f) == 0 ? 0 : 1;
}
