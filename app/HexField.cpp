#include "app/HexField.h"

#include <cctype>

namespace zvk {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ParseHexField(std::string& text, std::uint16_t& value) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.empty() || text.size() > 4) return false;
    unsigned result = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return false;
        result = result * 16 + static_cast<unsigned>(digit);
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

}  // namespace zvk
