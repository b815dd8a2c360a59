#pragma once
// What a production run (chip after chip through the Auto sequence) keeps
// outside the job itself: the desktop program's production choices, stored in
// the preferences beside zvk.dat and never in it, and the CSV log that
// zvk-cli and the desktop program append one row to for every chip.
//
// The log is a record of the chips made, so it is appended to, never
// rewritten: each row goes out in one write under an exclusive lock on the
// log (several stations and runs may share it), is flushed to the disk at
// once, and a write cut short (a full disk) is taken back, so that the log
// always ends with a whole row. A log cut short by a crash gets its broken
// last line ended rather than a row glued to it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ops/SerialNumber.h"

namespace zvk {

struct ProductionSettings {
    bool repeat = false;  // wait for the next chip after each one
    std::string logPath;  // empty: no log
    // A serial number in every chip of a repeat run; the plan's start, step
    // and overwrite keep their defaults in the desktop program.
    bool serial = false;
    SerialPlan serialPlan;
};

[[nodiscard]] ProductionSettings LoadProductionSettings();
void StoreProductionSettings(const ProductionSettings& settings);

inline constexpr std::string_view kProductionLogHeader =
    "time,part,image,checksum,steps,result,failed_step,failed_address,seconds,reason,serial,"
    "station";

// One chip's row.
struct ProductionRow {
    std::chrono::system_clock::time_point time;  // when the chip was started
    std::string part;
    std::string image;
    std::uint16_t checksum = 0;  // of the image over the programmed range
    std::string steps;           // the chosen steps, "erase+blank+program+verify"
    bool passed = false;
    std::string failedStep;  // a step's name, or "check" for the device check
    std::optional<std::uint16_t> failedAddress;
    std::chrono::milliseconds taken{0};
    std::string reason;   // the message that said why the chip failed
    std::string serial;   // the number the chip was given, empty without one
    std::string station;  // the port, as given
};

// Local time as ISO 8601 with the offset from UTC: 2024-05-17T09:41:07+02:00.
[[nodiscard]] std::string IsoLocalTime(std::chrono::system_clock::time_point time);

// A field as CSV needs it: quoted when it holds a comma, a quote or a line
// end, with quotes doubled.
[[nodiscard]] std::string CsvField(std::string_view text);

// The row with its line end.
[[nodiscard]] std::string FormatProductionRow(const ProductionRow& row);

class ProductionLog {
  public:
    ProductionLog() = default;
    ~ProductionLog();
    ProductionLog(const ProductionLog&) = delete;
    ProductionLog& operator=(const ProductionLog&) = delete;

    // Opens the log for appending, creating it with its header row when it
    // is new or empty. False, with the reason in Error(), when it cannot be
    // written or is not a regular file.
    [[nodiscard]] bool Open(const std::string& path);
    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
    // Appends the row in one write under the lock and flushes it to the
    // disk; false, with the reason in Error(), when that failed, the log then
    // ending as it did before.
    [[nodiscard]] bool Append(const ProductionRow& row);
    [[nodiscard]] const std::string& Error() const { return error_; }
    [[nodiscard]] const std::string& Path() const { return path_; }

  private:
    // Appends the text in one write; a short write is taken back.
    bool WriteWhole(const std::string& text);

    int fd_ = -1;
    std::string path_;
    std::string error_;
};

// "Cannot write the log file PATH: REASON", caption "Error".
void ShowLogError(const ProductionLog& log);

}  // namespace zvk
