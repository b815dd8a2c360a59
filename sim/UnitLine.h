#pragma once
// The serial line between the host and the virtual unit: it hands the host's
// bytes to the UnitModel, spoils the unit's answers as configured (every Nth
// byte the unit sends lost, or inverted), and keeps the wire log.
//
// Wire log: one exchange per line, "> " and the host's bytes, then, when the
// unit answered, " < " and the bytes it put on the wire, all as two upper-case
// hex digits separated by blanks:
//   > 0D < 2D
//   > 13 01 00 00 03
//   > 12 < 2D
// An exchange is a command with its address and count, or one data byte
// during programming. A lost byte does not appear; an inverted one appears as
// sent. The log is flushed before the answer goes out, so a host that has the
// answer finds its exchange in the log.

#include <cstdint>
#include <ostream>
#include <vector>

#include "sim/UnitModel.h"

namespace zvk::sim {

struct LineNoise {
    unsigned DropEvery = 0;     // lose every Nth byte the unit sends; 0 never
    unsigned GarbageEvery = 0;  // invert every Nth byte the unit sends; 0 never
};

class UnitLine {
  public:
    // wireLog may be null: no log.
    UnitLine(UnitModel& model, LineNoise noise, std::ostream* wireLog);
    ~UnitLine();
    UnitLine(const UnitLine&) = delete;
    UnitLine& operator=(const UnitLine&) = delete;

    // Takes one byte from the host; appends what reaches the host.
    void FromHost(std::uint8_t byte, std::vector<std::uint8_t>& toHost);

    [[nodiscard]] UnitModel& Model() { return model_; }

  private:
    void LogByte(char direction, std::uint8_t byte);

    UnitModel& model_;
    LineNoise noise_;
    std::ostream* log_;
    unsigned long long sent_ = 0;
    bool lineOpen_ = false;
    char lastDirection_ = 0;
    std::vector<std::uint8_t> answer_;
};

}  // namespace zvk::sim
