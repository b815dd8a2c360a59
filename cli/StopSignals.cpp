#include "cli/StopSignals.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <atomic>
#include <csignal>

namespace zvk::cli {
namespace {

// Lock-free, so that a signal handler, or the thread Windows calls a console
// handler on, may count.
std::atomic<int> g_interrupts{0};
std::atomic<int> g_terminations{0};
static_assert(std::atomic<int>::is_always_lock_free);
// StopSignals alive; only the outermost installs and counts from zero.
int g_depth = 0;

#ifdef _WIN32
std::atomic<bool> g_counting{false};

// The console's events as the signals are on POSIX systems: Ctrl+C as SIGINT;
// Ctrl+Break, closing the console, logging off and shutting down as SIGTERM.
// Windows ends the process once the handler returns from the last three, so
// it holds the process (Windows allows about five seconds) until the
// outermost StopSignals has gone: the chip is finished or given up by then.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT) {
        ++g_interrupts;
        return TRUE;
    }
    ++g_terminations;
    if (event != CTRL_BREAK_EVENT) {
        for (int i = 0; i < 450 && g_counting; ++i) ::Sleep(10);
    }
    return TRUE;
}
#else
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kStopSignals.size()> g_previous{};

void OnStopSignal(int signal) {
    if (signal == SIGINT) {
        ++g_interrupts;
    } else {
        ++g_terminations;
    }
}
#endif

}  // namespace

StopSignals::StopSignals() {
    if (g_depth++ > 0) return;
    g_interrupts = 0;
    g_terminations = 0;
#ifdef _WIN32
    g_counting = true;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // A transfer under way goes on; the command looks at the counts
        // between its steps.
        action.sa_flags = SA_RESTART;
        sigaction(kStopSignals[i], &action, &g_previous[i]);
    }
#endif
}

StopSignals::~StopSignals() {
    if (--g_depth > 0) return;
#ifdef _WIN32
    g_counting = false;
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#else
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &g_previous[i], nullptr);
    }
#endif
}

int StopSignals::Interrupts() { return g_interrupts; }

bool StopSignals::Terminated() { return g_terminations != 0; }

int StopSignals::Count() { return g_interrupts + g_terminations; }

}  // namespace zvk::cli
