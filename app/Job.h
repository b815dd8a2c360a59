#pragma once
// A long operation (load, save, program, read, verify, blank check, auto) is a
// job: Start() once, then Step() until it reports Finished, with Cancel()
// possible between steps. A job writes everything its dialog shows into its own
// model struct; the desktop dialog renders the model and calls Step() from a
// single-shot timer (first tick 50 ms after opening, then the delay asked for),
// zvk-cli calls it in a loop, tests call it directly.

#include <chrono>

namespace zvk {

struct StepResult {
    bool finished = false;
    int code = 0;                        // the dialog's end code, once finished
    std::chrono::milliseconds delay{1};  // wait before the next Step(), while not finished

    static StepResult Continue(std::chrono::milliseconds after = std::chrono::milliseconds(1)) {
        return {false, 0, after};
    }
    static StepResult Finish(int endCode) { return {true, endCode, {}}; }
};

class Job {
  public:
    virtual ~Job() = default;
    virtual void Start() = 0;
    [[nodiscard]] virtual StepResult Step() = 0;
    virtual void Cancel() = 0;
};

// The first tick of a progress dialog comes this long after it opens, so that
// the dialog is on the screen before work starts.
inline constexpr std::chrono::milliseconds kFirstTickDelay{50};

// How long one Step() may work before it hands control back, so that the
// window repaints and Cancel is seen.
inline constexpr std::chrono::milliseconds kStepBudget{8};

}  // namespace zvk
