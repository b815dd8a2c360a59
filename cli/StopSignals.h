#pragma once
// Ctrl+C, SIGTERM and SIGHUP while a chip is being programmed. A chip left
// half-programmed is worse than one finished a moment late, so while a
// StopSignals lives these signals are only counted; the command that made it
// decides what each one means (finish the chip, give it up, end the run).
// On Windows the console's events count instead: Ctrl+C as SIGINT, and
// Ctrl+Break, closing the console, logging off and shutting down as SIGTERM.

namespace zvk::cli {

class StopSignals {
  public:
    // Starts counting from zero. One made while another lives (a job inside
    // a command that runs several) changes nothing and goes on counting.
    StopSignals();
    // Puts back the handlers that were there before the outermost one.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Ctrl+C (SIGINT) received so far.
    [[nodiscard]] static int Interrupts();
    // Whether SIGTERM or SIGHUP (on Windows, a console event other than
    // Ctrl+C) has come: the process is asked to end.
    [[nodiscard]] static bool Terminated();
    // Every one of the three received so far.
    [[nodiscard]] static int Count();
};

}  // namespace zvk::cli
