#include "sim/InProcessTransport.h"

#include <algorithm>
#include <utility>

namespace zvk::sim {

InProcessTransport::InProcessTransport(UnitLine& line, std::string deviceName)
    : line_(line), deviceName_(std::move(deviceName)) {}

bool InProcessTransport::Open(const std::string& name) {
    open_ = name == deviceName_;
    return open_;
}

std::ptrdiff_t InProcessTransport::Write(const std::uint8_t* data, std::size_t count,
                                         Clock::Duration /*timeout*/) {
    if (writesLeft_ && *writesLeft_ == 0) open_ = false;
    if (writesLeft_ && *writesLeft_ > 0) --*writesLeft_;
    if (!open_) return -1;
    for (std::size_t i = 0; i < count; ++i) {
        answer_.clear();
        line_.FromHost(data[i], answer_);
        toHost_.insert(toHost_.end(), answer_.begin(), answer_.end());
    }
    return static_cast<std::ptrdiff_t>(count);
}

std::ptrdiff_t InProcessTransport::Read(std::uint8_t* data, std::size_t count,
                                        Clock::Duration timeout) {
    if (!open_) return -1;
    if (toHost_.empty()) {
        // Nothing more can come until the host writes again.
        if (timeout > Clock::Duration(0)) CurrentClock().Sleep(timeout);
        return 0;
    }
    const std::size_t n = std::min(count, toHost_.size());
    std::copy_n(toHost_.begin(), n, data);
    toHost_.erase(toHost_.begin(), toHost_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<std::ptrdiff_t>(n);
}

}  // namespace zvk::sim
