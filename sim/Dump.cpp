#include "sim/Dump.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace zvk::sim {
namespace {

constexpr std::size_t kBytesPerLine = 16;

void WriteMemory(std::ostream& out, std::string_view name, const std::vector<std::uint8_t>& m) {
    char text[24];
    std::snprintf(text, sizeof text, "%04zX", m.size());
    out << name << ' ' << text << '\n';
    for (std::size_t line = 0; line < m.size(); line += kBytesPerLine) {
        std::snprintf(text, sizeof text, "%04zX:", line);
        out << text;
        for (std::size_t i = line; i < line + kBytesPerLine && i < m.size(); ++i) {
            std::snprintf(text, sizeof text, " %02X", m[i]);
            out << text;
        }
        out << '\n';
    }
}

}  // namespace

void WriteDump(std::ostream& out, const UnitModel& model) {
    if (!model.ChipPresent()) {
        out << "socket empty\n";
        return;
    }
    const ChipState& chip = model.Chip();
    out << "part " << model.Part().PartName << '\n';
    out << "lock-bits";
    if (chip.LockBits == 0) out << " none";
    for (std::size_t level = 0; level < kLockBitCount; ++level) {
        if (((chip.LockBits >> level) & 1U) != 0) out << " LB" << level + 1;
    }
    out << "\nserial-programming " << (chip.SerialProgramming ? "enabled" : "disabled") << '\n';
    WriteMemory(out, "flash", chip.Flash);
    WriteMemory(out, "eeprom", chip.Eeprom);
}

}  // namespace zvk::sim
