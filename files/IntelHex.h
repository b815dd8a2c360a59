#pragma once
// The Intel HEX record format as this program reads and writes it: one record
// a line, ':' LL AAAA TT DD... CC, where the checksum CC makes the bytes from
// LL to CC add up to zero modulo 256. The reader takes digits in either letter
// case; the writer writes upper case, CR LF after each data record and LF
// alone after the end record.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

enum HexRecordType : std::uint8_t {
    kHexData = 0x00,
    kHexEndOfFile = 0x01,
    kHexExtendedSegment = 0x02,
    kHexExtendedLinear = 0x04,
};

struct HexRecord {
    std::uint8_t type = 0;
    std::uint16_t offset = 0;  // AAAA
    std::vector<std::uint8_t> data;
};

// Decodes a line that starts with ':'. False when a digit of the record is not
// hexadecimal, the line is too short for its byte count, or the checksum does
// not match. Characters after the checksum are ignored.
[[nodiscard]] bool DecodeHexRecord(std::string_view line, HexRecord& record);

// Appends one data record of count bytes (at most 255), ended by CR LF.
void AppendDataRecord(std::string& out, std::uint16_t offset, const std::uint8_t* bytes,
                      std::size_t count);

// True when text, the opening of a file, reads as Intel HEX: its first byte
// other than a blank or a line end is ':', and its first records (up to four
// whole lines, or all of them when the text holds fewer) decode. A binary image
// whose first byte happens to be 0x3A fails at its first record.
[[nodiscard]] bool LooksLikeIntelHex(std::string_view text);

inline constexpr std::string_view kHexEndRecordLine = ":00000001FF\n";

}  // namespace zvk
