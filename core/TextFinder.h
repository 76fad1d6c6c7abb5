#pragma once
// Finding a text in another while ignoring letter case, in UTF-8 bytes and in UTF-16 texts.
//
// Case is ignored by mapping every UTF-16 code unit of both texts to its upper case through a table
// that the caller supplies (one unit to one unit, so positions never shift: a character whose upper
// case is longer, such as the sharp s, stays as it is). A UTF-8 text is searched as the sequence of
// UTF-16 code units it decodes to; the search itself runs on the bytes, 16 at a time where it can.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The upper case of every UTF-16 code unit.
using TUpperCaseMap = std::array<char16_t, 65536>;

class TTextFinder {
public:
    static constexpr size_t npos = std::string_view::npos;

    // Prepares a search for APattern; AUpper must outlive the finder.
    TTextFinder(std::u16string_view APattern, const TUpperCaseMap& AUpper);

    // The pattern in upper case, as the texts are compared.
    const std::u16string& Pattern() const { return FPattern; }
    bool IsEmpty() const { return FPattern.empty(); }

    // The first occurrence in the UTF-8 text AText that starts at or after the byte offset AFrom (which
    // must stand at the start of a character): the byte offset of its start, with AEnd set to the
    // offset after it; npos when there is none. An occurrence starts and ends with whole characters.
    // The empty pattern is never found.
    size_t Find(std::string_view AText, size_t AFrom = 0, size_t* AEnd = nullptr) const;
    bool Contains(std::string_view AText) const { return Find(AText) != npos; }
    // The same in a UTF-16 text (code unit positions); here too an occurrence never takes half of a
    // surrogate pair.
    size_t Find(std::u16string_view AText, size_t AFrom = 0) const;
    bool Contains(std::u16string_view AText) const { return Find(AText) != npos; }

    // Whether every unit of the pattern is one of AUnits after upper-casing (true for the empty
    // pattern): when not, no text made of those units alone can hold it.
    bool MadeOf(std::u16string_view AUnits) const;

private:
    // Every unit of the pattern matches only ASCII bytes (one byte, one unit): a plain byte search.
    size_t FindAscii(
        const unsigned char* ABegin, const unsigned char* AFrom, const unsigned char* AEnd) const;
    // Candidates are the bytes that can start the first unit; each is checked by decoding.
    size_t FindDecoding(const unsigned char* ABegin, const unsigned char* AFrom, const unsigned char* AEnd,
        size_t* AMatchEnd) const;
    // The length in bytes of an occurrence at AAt, or 0.
    size_t MatchAt(const unsigned char* AAt, const unsigned char* AEnd) const;

    const TUpperCaseMap& FUpper;
    std::u16string FPattern;
    bool FAscii = false;
    // FAscii: the pattern's bytes, and the byte of each unit's other case (the same byte for a non-letter).
    std::string FBytes;
    std::string FOtherCase;
    // FAscii: every byte's upper case as the search compares it (a byte above 0x7F compares unequal).
    std::array<unsigned char, 256> FFold {};
    // The bytes that can start an occurrence (first bytes of the units whose upper case is the first
    // unit of the pattern), as a table and, when there are at most four of them, as a list.
    std::array<bool, 256> FLead {};
    unsigned char FLeadList[4] {};
    int FLeadCount = 0;
};
