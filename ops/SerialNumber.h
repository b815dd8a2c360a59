#pragma once
// Serial numbers for a production run: a unique number written into each
// chip's copy of the image, in one of a few formats, taken from a counter
// file that several runs may share.
//
// Formats, by name:
//   le8 .. le64, be8 .. be64   binary, little- or big-endian, 8 to 64 bits in whole bytes
//   bcdN                       packed BCD of N digits (N even, 2 to 20), first digits first
//   decN, hexN                 ASCII decimal (N 1 to 20) or upper-case hex (N 1 to 16)
//                              characters, zero-padded to N
//
// The counter file holds the next number as decimal text and a line end. A
// number is taken under an exclusive lock on FILE.lock beside it, and FILE
// holds the number after it (safe save, flushed to the disk, folder too)
// before the number is handed out: a run killed at any moment, or a power
// cut, never gives a number twice; at worst one is never used.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"

namespace zvk {

enum class SerialEncoding : std::uint8_t { LittleEndian, BigEndian, Bcd, Decimal, Hex };

struct SerialFormat {
    SerialEncoding encoding = SerialEncoding::LittleEndian;
    unsigned size = 4;  // bytes for binary; digits for BCD and ASCII
};

// "le32" and the like; nullopt for a name that is none of the formats.
[[nodiscard]] std::optional<SerialFormat> ParseSerialFormat(std::string_view name);
[[nodiscard]] std::string SerialFormatName(const SerialFormat& format);
// The bytes the number takes in the image.
[[nodiscard]] unsigned SerialByteCount(const SerialFormat& format);
// The largest number the format holds.
[[nodiscard]] std::uint64_t LargestSerial(const SerialFormat& format);
// The number's bytes; the number must fit (LargestSerial).
[[nodiscard]] std::vector<std::uint8_t> EncodeSerial(std::uint64_t number,
                                                     const SerialFormat& format);

// A whole number as a user writes one: decimal, or hexadecimal after 0x.
[[nodiscard]] std::optional<std::uint64_t> ParseSerialNumber(std::string_view text);

// Where and how each chip gets its number.
struct SerialPlan {
    BufferKind buffer = BufferKind::Flash;
    std::uint16_t address = 0;
    SerialFormat format;
    std::string file;         // the counter file
    std::uint64_t start = 1;  // when the file is new
    std::uint64_t step = 1;
    bool overwrite = false;  // the place may hold bytes of the image (placeholders)
};

// Why the plan cannot serve the selected part and the loaded buffers, or
// nullopt when it can: a place outside the part or over the image's bytes.
[[nodiscard]] std::optional<std::string> SerialPlaceProblem(const SerialPlan& plan);

class SerialCounter {
  public:
    explicit SerialCounter(SerialPlan plan) : plan_(std::move(plan)) {}

    // The number the next Take() would give, without taking it; nullopt
    // after setting Error() when the file cannot be read.
    [[nodiscard]] std::optional<std::uint64_t> Peek();
    // Takes the next number and stores the one after it first. nullopt,
    // with the reason in Error(), when the file cannot be read or written or
    // the number does not fit the format: nothing is taken then.
    [[nodiscard]] std::optional<std::uint64_t> Take();
    [[nodiscard]] const std::string& Error() const { return error_; }
    [[nodiscard]] const SerialPlan& Plan() const { return plan_; }

  private:
    // Opens the lock file and reads the counter while locked.
    std::optional<std::uint64_t> ReadLocked();

    SerialPlan plan_;
    std::string error_;
};

// "Serial number N does not fit the format F" and the like, for a number
// that cannot be written.
[[nodiscard]] std::string SerialTooLargeText(std::uint64_t number, const SerialFormat& format);

}  // namespace zvk
