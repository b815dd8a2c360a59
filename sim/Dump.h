#pragma once
// The chip's contents as zvk-unit-sim writes them at exit (--dump). A text
// file, every number upper-case hexadecimal:
//   part AT89S8252
//   lock-bits LB1 LB2          ("lock-bits none" when no lock bit is set)
//   serial-programming enabled ("disabled")
//   flash 2000                 (size in bytes; then size / 16 data lines)
//   0000: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF
//   ...
//   eeprom 0800                ("eeprom 0000" and no lines for parts without EEPROM)
//   0000: FF FF ...
// or the one line "socket empty" when no chip is in the socket.

#include <ostream>

#include "sim/UnitModel.h"

namespace zvk::sim {

void WriteDump(std::ostream& out, const UnitModel& model);

}  // namespace zvk::sim
