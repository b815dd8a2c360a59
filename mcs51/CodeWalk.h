#pragma once
// Finding instruction starts backwards in the Flash buffer. 8051 code has
// instructions of one to three bytes and no marks between them, so the way
// back is estimated: decode forwards from a little before the address until a
// run of instructions reaches it. The disassembly view steps and pages up with
// these.

#include <cstdint>

namespace zvk {

// Where a run of count instructions before address is estimated to begin:
// decoding forwards from there, count instructions pass address. 0 when the
// code before address is shorter than the run.
[[nodiscard]] std::uint16_t BacktrackStart(std::uint16_t address, int count);

// The number of bytes from the start of the instruction before address to
// address (0 when nothing lies before it), found by decoding forwards from
// BacktrackStart(address, count).
[[nodiscard]] std::uint16_t FindPreviousInstruction(std::uint16_t address, int count);

}  // namespace zvk
