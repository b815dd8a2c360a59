#pragma once
// The pauses the programmer needs (erase steps, lock-bit programming) and the
// deadlines of serial reads go through one replaceable clock, so tests run at
// once and can still assert every pause exactly.

#include <chrono>
#include <memory>
#include <vector>

namespace zvk {

class Clock {
  public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    [[nodiscard]] virtual TimePoint Now() = 0;
    virtual void Sleep(Duration duration) = 0;
};

// The real clock.
class SteadyClock final : public Clock {
  public:
    TimePoint Now() override;
    void Sleep(Duration duration) override;
};

// A clock for tests: time moves only by Sleep() and Advance(), and every
// Sleep() is recorded.
class ManualClock final : public Clock {
  public:
    TimePoint Now() override { return now_; }
    void Sleep(Duration duration) override {
        sleeps.push_back(duration);
        now_ += duration;
    }
    void Advance(Duration duration) { now_ += duration; }

    std::vector<Duration> sleeps;

  private:
    TimePoint now_{};
};

// The process-wide clock; SteadyClock unless replaced.
Clock& CurrentClock();

// Replaces the process-wide clock while it lives (tests), then puts the old one back.
class ScopedClock {
  public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    Clock* previous_;
};

}  // namespace zvk
