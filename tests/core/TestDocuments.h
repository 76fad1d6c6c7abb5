#pragma once
// Test documents: random JSON texts that exercise every corner of the language, and the public
// conformance files beside the repository.

#include <QDir>
#include <QString>

#include <random>
#include <string>

// A random document of the accepted language: nesting, duplicate names, every escape (lone
// surrogates and escaped special characters included), raw control and non-ASCII characters,
// numbers of every form (some without a display value) and whitespace wherever it may stand.
class TRandomDocument {
public:
    explicit TRandomDocument(unsigned seed)
        : FRandom(seed)
    {
    }

    std::string Make()
    {
        std::string out;
        Space(out);
        if (Chance(50))
            Object(out, 1);
        else
            Array(out, 1);
        Space(out);
        return out;
    }

private:
    bool Chance(int percent) { return int(FRandom() % 100) < percent; }
    size_t Pick(size_t n) { return size_t(FRandom() % n); }

    void Space(std::string& out)
    {
        static const char spaces[] = {' ', '\t', '\r', '\n'};
        while (Chance(25))
            out += spaces[Pick(4)];
    }

    void String(std::string& out)
    {
        static const char* const pieces[] = {"a", "Zz", " ", "/", "\\\"", "\\\\", "\\/", "\\b", "\\f", "\\n",
            "\\r", "\\t", "\\u00e9", "\\u002F", "\\u0022", "\\u005C", "\\u0008", "\\u000a", "\\u0000",
            "\\uD83D\\uDE00", "\\uD800", "\\uDFFF", "\\uD800x", "\\u4E00", "\t", "\r\n", "\r", "\n", "\n\r",
            "\x01", "\x7F", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "http://x", "12", "}", "]", ",",
            ":"};
        out += '"';
        const size_t n = Pick(6);
        for (size_t i = 0; i < n; ++i)
            out += pieces[Pick(sizeof pieces / sizeof *pieces)];
        out += '"';
    }

    void Scalar(std::string& out)
    {
        static const char* const numbers[] = {"0", "-0", "1.50", "1e3", "-e5", "-E+2", "0.00001", "2.5E-7",
            "12345678901", "123456789012345678", "12345678901234567890", "1e400", "-9223372036854775808",
            "123456789.123456789", "7"};
        switch (Pick(6)) {
        case 0:
        case 1:
            String(out);
            break;
        case 2:
        case 3:
            out += numbers[Pick(sizeof numbers / sizeof *numbers)];
            break;
        case 4:
            out += Chance(50) ? "true" : "false";
            break;
        default:
            out += "null";
        }
    }

    void Value(std::string& out, int depth)
    {
        const int roll = int(Pick(10));
        if (depth < 6 && roll < 2)
            Object(out, depth + 1);
        else if (depth < 6 && roll < 4)
            Array(out, depth + 1);
        else
            Scalar(out);
    }

    void Object(std::string& out, int depth)
    {
        out += '{';
        Space(out);
        const size_t n = Pick(5);
        for (size_t i = 0; i < n; ++i) {
            if (i > 0) {
                out += ',';
                Space(out);
            }
            if (Chance(20))
                out += "\"dup\"";
            else
                String(out);
            Space(out);
            out += ':';
            Space(out);
            Value(out, depth);
            Space(out);
        }
        out += '}';
    }

    void Array(std::string& out, int depth)
    {
        out += '[';
        Space(out);
        const size_t n = Pick(5);
        for (size_t i = 0; i < n; ++i) {
            if (i > 0) {
                out += ',';
                Space(out);
            }
            Value(out, depth);
            Space(out);
        }
        out += ']';
    }

    std::mt19937 FRandom;
};

// The folder of shared test material beside the repository (set by the test registration).
inline QDir SharedDir()
{
    return QDir(qEnvironmentVariable("QUILLON_SHARED_DIR"));
}
