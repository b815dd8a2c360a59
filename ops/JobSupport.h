#pragma once
// What the device-operation jobs share: the progress fields every progress
// dialog shows, the texts they format, the list of findings that Verify and
// Blank Check fill, the per-step work budget, and block reads that can never
// pass off a missing byte as a good one.
//
// A failure of the link ends an operation: the link has shown its message,
// and the job ends as failed without a message of its own, without another
// exchange and without showing what did not come as chip data. Otherwise a
// unit that has gone would cost a pair of message boxes for every block.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/AppState.h"
#include "app/Clock.h"
#include "app/Job.h"

namespace zvk {

struct ProgressBar {
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
    std::uint32_t position = 0;
};

// The fields every progress dialog shows, and how its job ended.
struct DeviceProgressModel {
    std::string title;
    std::string status;
    std::string percentage;
    ProgressBar progress;
    bool closeEnabled = true;
    bool closeFocused = false;
    // Set when the job has finished and the dialog stays open for the user to
    // read it; when a job finishes without it, the dialog closes with the end code.
    bool staysOpen = false;
    // The operation did what was asked: no failure, no difference, no
    // non-blank byte (what zvk-cli turns into its exit status).
    bool succeeded = false;
};

// "%d%%" of done * 100 / total, never above "100%".
[[nodiscard]] std::string PercentText(std::uint32_t done, std::uint32_t total);
// An address as a progress dialog shows it: "%04XH".
[[nodiscard]] std::string AddressText(std::uint16_t address);
// printf into a std::string.
[[nodiscard]] std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "<what> Failed at %04X" with caption "Error": how Program and Auto stop at
// their first failing byte.
void ShowFailedAt(std::string_view what, std::uint16_t address);
// "Writing to AT89C2051..." and friends: the selected part's name between two texts.
[[nodiscard]] std::string WithPartName(std::string_view before, std::string_view after);

// The list of findings of Verify and Blank Check: lines are added until the
// text holds kListCapacity characters, then "More ..." once, then nothing.
class FindingList {
  public:
    static constexpr std::size_t kListCapacity = 29000;
    static constexpr std::string_view kMore = "More ...";

    void Add(std::string_view line);
    // Replaces the whole text (the "... OK" line of a clean run).
    void Replace(std::string_view text) { text_ = text; }

    [[nodiscard]] const std::string& Text() const { return text_; }
    [[nodiscard]] bool Listed() const { return listed_; }

  private:
    std::string text_;
    bool listed_ = false;
    bool full_ = false;
};

// Ends a step once it has worked for its budget; the first unit of work always
// runs, so a zero budget means one unit per step.
class StepBudget {
  public:
    explicit StepBudget(std::chrono::milliseconds budget)
        : budget_(budget), start_(CurrentClock().Now()) {}
    [[nodiscard]] bool Spent() const { return CurrentClock().Now() - start_ >= budget_; }

  private:
    std::chrono::milliseconds budget_;
    Clock::TimePoint start_;
};

inline constexpr std::uint16_t kReadBlockSize = 16;

// The unit does not report the end of an erase; four pauses of this length
// are the whole time it is given.
inline constexpr std::chrono::milliseconds kEraseStepPause{300};

// A walk over a stretch of the chip in blocks of kReadBlockSize bytes and a
// shorter last block, with the buffer offset that pairs with each block.
class BlockWalk {
  public:
    BlockWalk(std::uint16_t deviceStart, std::uint16_t count)
        : remaining_(count), nextAddress_(deviceStart), total_(count) {}

    [[nodiscard]] bool Done() const { return remaining_ == 0; }
    [[nodiscard]] std::uint16_t BlockLength() const {
        return remaining_ < kReadBlockSize ? remaining_ : kReadBlockSize;
    }
    [[nodiscard]] std::uint16_t NextAddress() const { return nextAddress_; }
    [[nodiscard]] std::uint16_t Offset() const { return offset_; }

    // Moves past a block of n bytes and shows it: the bar at the bytes done,
    // the percentage of the total ("100%" after a short block).
    void Advance(std::uint16_t n, DeviceProgressModel& model);

  private:
    std::uint16_t remaining_;
    std::uint16_t nextAddress_;
    std::uint16_t offset_ = 0;
    std::uint32_t bytesDone_ = 0;
    std::uint32_t total_;
};

// Reads count (up to 16) chip bytes of the given kind into block. False when
// they did not all come: the link has said why, and the block holds no chip
// data.
[[nodiscard]] bool ReadDeviceBlock(BufferKind kind, std::uint16_t address, std::uint16_t count,
                                   std::uint8_t* block);

// The index of the first of count bytes that differs, or nullopt when all match.
[[nodiscard]] std::optional<std::uint16_t> FirstDifference(const std::uint8_t* block,
                                                           const std::uint8_t* expected,
                                                           std::uint16_t count);

// The buffer bytes a device block is compared with.
void CopyBufferOut(BufferKind kind, std::uint16_t address, std::uint8_t* destination,
                   std::uint16_t count);

}  // namespace zvk
