#pragma once
// The one reader of hexadecimal address fields in dialogs (range, address,
// fill/copy/checksum and save dialogs) and of addresses on zvk-cli's command line,
// and the hexadecimal digit value it, the settings file and Intel HEX share.

#include <cstdint>
#include <string>

namespace zvk {

// The value of one hexadecimal digit in either case, or -1.
[[nodiscard]] int HexDigitValue(char c);

// Upper-cases the text in place; stores its value and returns true when it is
// one to four hexadecimal digits; returns false (value untouched) otherwise.
[[nodiscard]] bool ParseHexField(std::string& text, std::uint16_t& value);

}  // namespace zvk
