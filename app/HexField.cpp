#include "app/HexField.h"

#include <cctype>

namespace zvk {

bool ParseHexField(std::string& text, std::uint16_t& value) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.empty() || text.size() > 4) return false;
    unsigned result = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            result = result * 16 + static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            result = result * 16 + static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

}  // namespace zvk
