#include "files/IntelHex.h"

#include <cassert>

#include "app/HexField.h"

namespace zvk {
namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

// The byte of two digits at pos, or -1.
int ByteAt(std::string_view line, std::size_t pos) {
    if (pos + 1 >= line.size()) return -1;
    const int high = HexDigitValue(line[pos]);
    const int low = HexDigitValue(line[pos + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

void AppendByte(std::string& out, unsigned value) {
    out += kUpperDigits[(value >> 4) & 0x0F];
    out += kUpperDigits[value & 0x0F];
}

}  // namespace

bool DecodeHexRecord(std::string_view line, HexRecord& record) {
    assert(!line.empty() && line[0] == ':');
    const int count = ByteAt(line, 1);
    const int high = ByteAt(line, 3);
    const int low = ByteAt(line, 5);
    const int type = ByteAt(line, 7);
    if (count < 0 || high < 0 || low < 0 || type < 0) return false;
    unsigned sum = static_cast<unsigned>(count + high + low + type);
    record.data.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < record.data.size(); ++i) {
        const int value = ByteAt(line, 9 + 2 * i);
        if (value < 0) return false;
        record.data[i] = static_cast<std::uint8_t>(value);
        sum += static_cast<unsigned>(value);
    }
    const int checksum = ByteAt(line, 9 + 2 * record.data.size());
    if (checksum < 0 || ((sum + static_cast<unsigned>(checksum)) & 0xFF) != 0) return false;
    record.type = static_cast<std::uint8_t>(type);
    record.offset = static_cast<std::uint16_t>(high * 256 + low);
    return true;
}

void AppendDataRecord(std::string& out, std::uint16_t offset, const std::uint8_t* bytes,
                      std::size_t count) {
    assert(count <= 255);
    out += ':';
    unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF);
    AppendByte(out, static_cast<unsigned>(count));
    AppendByte(out, offset >> 8);
    AppendByte(out, offset & 0xFF);
    AppendByte(out, kHexData);
    for (std::size_t i = 0; i < count; ++i) {
        AppendByte(out, bytes[i]);
        sum += bytes[i];
    }
    AppendByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
    out += "\r\n";
}

bool LooksLikeIntelHex(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    constexpr int kRecordsLooked = 4;
    std::size_t pos = text.find_first_not_of(kBlanks);
    if (pos == std::string_view::npos || text[pos] != ':') return false;
    for (int looked = 0; looked < kRecordsLooked && pos < text.size(); ++looked) {
        const std::size_t end = text.find('\n', pos);
        // A line cut off by the end of the text is judged by the lines before it.
        if (end == std::string_view::npos && looked > 0) break;
        std::string_view line =
            text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        HexRecord record;
        if (line.empty() || line[0] != ':' || !DecodeHexRecord(line, record)) return false;
        if (record.type == kHexEndOfFile || end == std::string_view::npos) break;
        pos = text.find_first_not_of(kBlanks, end);
    }
    return true;
}

}  // namespace zvk
