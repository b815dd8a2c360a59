#include "mcs51/Tables.h"

#include <algorithm>
#include <cstdio>

namespace zvk {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace

std::string HexByteText(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string HexWordText(std::uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string SfrName(std::uint8_t address) {
    const auto row = std::find_if(SfrNameTable.begin(), SfrNameTable.end(),
                                  [&](const SfrRow& r) { return r.address == address; });
    return row != SfrNameTable.end() ? std::string(row->name) : HexByteText(address);
}

std::string BitName(std::uint8_t bitAddress) {
    const auto row = std::find_if(BitNameTable.begin(), BitNameTable.end(),
                                  [&](const BitRow& r) { return r.bitAddress == bitAddress; });
    return row != BitNameTable.end() ? std::string(row->name) : HexByteText(bitAddress);
}

Colour KeywordColour(std::string_view word) {
    if (word.empty()) return kPlainBlack;
    const auto row =
        std::find_if(KeywordColourTable.begin(), KeywordColourTable.end(),
                     [&](const KeywordRow& r) { return EqualIgnoringCase(r.word, word); });
    return row != KeywordColourTable.end() ? row->colour : kPlainBlack;
}

}  // namespace zvk
