#pragma once
// The one reader of hexadecimal address fields in dialogs (range, address,
// fill/copy/checksum and save dialogs) and of addresses on zvk-cli's command line.

#include <cstdint>
#include <string>

namespace zvk {

// Upper-cases the text in place; stores its value and returns true when it is
// one to four hexadecimal digits; returns false (value untouched) otherwise.
[[nodiscard]] bool ParseHexField(std::string& text, std::uint16_t& value);

}  // namespace zvk
