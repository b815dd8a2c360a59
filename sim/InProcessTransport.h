#pragma once
// A SerialTransport wired straight to a virtual unit in the same process, for
// fast protocol tests. It opens only under the one device name it is given.
// A read that finds nothing waits out its time on the current clock, so with
// a ManualClock a silent unit costs no real time and the wait can be asserted.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/SerialTransport.h"
#include "sim/UnitLine.h"

namespace zvk::sim {

class InProcessTransport final : public SerialTransport {
  public:
    InProcessTransport(UnitLine& line, std::string deviceName);

    bool Open(const std::string& name) override;
    bool Configure() override { return open_; }
    void Purge() override { toHost_.clear(); }
    std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count,
                         Clock::Duration timeout) override;
    std::ptrdiff_t Read(std::uint8_t* data, std::size_t count, Clock::Duration timeout) override;
    void Close() override { open_ = false; }

    // After this many more writes every transfer fails, as on an adapter
    // that has been unplugged; 0: at once.
    void BreakAfterWrites(std::size_t writes) { writesLeft_ = writes; }

  private:
    UnitLine& line_;
    std::string deviceName_;
    bool open_ = false;
    std::optional<std::size_t> writesLeft_;  // until the port breaks; none: never
    std::deque<std::uint8_t> toHost_;
    std::vector<std::uint8_t> answer_;
};

}  // namespace zvk::sim
