#pragma once
// While one lives, the given signals go to one handler and SIGPIPE is
// ignored; the handlers before it come back when it ends. A production run
// uses it so that a closed terminal, a dropped ssh session or a reader that
// went away cannot end the process before the chip's row is written.
// POSIX only.

#include <signal.h>

#include <array>
#include <cstddef>

namespace zvk::cli {

template <std::size_t N>
class ScopedSignalHandlers {
  public:
    // Not restarted (no SA_RESTART): a wait on the operator's keys or on a
    // child ends at once when a signal comes.
    ScopedSignalHandlers(void (*handler)(int), const std::array<int, N>& signals)
        : signals_(signals) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        for (std::size_t i = 0; i < N; ++i) sigaction(signals_[i], &action, &previous_[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &previousPipe_);
    }
    ~ScopedSignalHandlers() {
        for (std::size_t i = 0; i < N; ++i) sigaction(signals_[i], &previous_[i], nullptr);
        sigaction(SIGPIPE, &previousPipe_, nullptr);
    }
    ScopedSignalHandlers(const ScopedSignalHandlers&) = delete;
    ScopedSignalHandlers& operator=(const ScopedSignalHandlers&) = delete;

  private:
    std::array<int, N> signals_;
    std::array<struct sigaction, N> previous_{};
    struct sigaction previousPipe_ {};
};

}  // namespace zvk::cli
