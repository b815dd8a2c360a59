#include "app/Clock.h"

#include <thread>

namespace zvk {
namespace {
Clock*& Current() {
    static SteadyClock steady;
    static Clock* current = &steady;
    return current;
}
}  // namespace

Clock::TimePoint SteadyClock::Now() { return std::chrono::steady_clock::now(); }
void SteadyClock::Sleep(Duration duration) { std::this_thread::sleep_for(duration); }

Clock& CurrentClock() { return *Current(); }

ScopedClock::ScopedClock(Clock& clock) : previous_(Current()) { Current() = &clock; }
ScopedClock::~ScopedClock() { Current() = previous_; }

}  // namespace zvk
