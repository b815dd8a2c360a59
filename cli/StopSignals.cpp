#include "cli/StopSignals.h"

#include <array>
#include <csignal>

namespace zvk::cli {
namespace {

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_terminations = 0;
// StopSignals alive; only the outermost installs and counts from zero.
int g_depth = 0;

#ifdef _WIN32
constexpr std::array<int, 2> kStopSignals{SIGINT, SIGTERM};
std::array<void (*)(int), kStopSignals.size()> g_previous{};
#else
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kStopSignals.size()> g_previous{};
#endif

void OnStopSignal(int signal) {
    if (signal == SIGINT) {
        g_interrupts = g_interrupts + 1;
    } else {
        g_terminations = g_terminations + 1;
    }
#ifdef _WIN32
    // The C runtime puts the default action back before calling a handler.
    std::signal(signal, OnStopSignal);
#endif
}

}  // namespace

StopSignals::StopSignals() {
    if (g_depth++ > 0) return;
    g_interrupts = 0;
    g_terminations = 0;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
#ifdef _WIN32
        g_previous[i] = std::signal(kStopSignals[i], OnStopSignal);
#else
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // A transfer under way goes on; the command looks at the counts
        // between its steps.
        action.sa_flags = SA_RESTART;
        sigaction(kStopSignals[i], &action, &g_previous[i]);
#endif
    }
}

StopSignals::~StopSignals() {
    if (--g_depth > 0) return;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
#ifdef _WIN32
        std::signal(kStopSignals[i], g_previous[i]);
#else
        sigaction(kStopSignals[i], &g_previous[i], nullptr);
#endif
    }
}

int StopSignals::Interrupts() { return g_interrupts; }

bool StopSignals::Terminated() { return g_terminations != 0; }

int StopSignals::Count() { return g_interrupts + g_terminations; }

}  // namespace zvk::cli
