#pragma once
// A virtual programmer unit wired in-process as ProgrammerLink, with a manual
// clock (pauses cost no time and are recorded), recorded messages, recorded
// window commands and the wire log; AppState is reset with the part selected
// and the buffers allocated.

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "app/Job.h"
#include "sim/InProcessTransport.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"
#include "tests/support/BufferChangeLog.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {

class VirtualUnit {
  public:
    explicit VirtualUnit(std::string_view part, sim::UnitConfig config = {},
                         sim::LineNoise noise = {})
        : scopedClock_(clock) {
        ResetAppState();
        SelectDevice(*FindDeviceByName(part));
        App().ProgrammingMode = kModeParallel;
        (void)AllocateBuffers();
        config.Part = App().SelectedDevice;
        model_ = std::make_unique<sim::UnitModel>(config);
        line_ = std::make_unique<sim::UnitLine>(*model_, noise, &wire_);
        transport_ = std::make_unique<sim::InProcessTransport>(*line_, "unit");
        (void)transport_->Open("unit");
        App().ProgrammerLink = transport_.get();
    }
    ~VirtualUnit() { App().ProgrammerLink = nullptr; }
    VirtualUnit(const VirtualUnit&) = delete;
    VirtualUnit& operator=(const VirtualUnit&) = delete;

    sim::ChipState& Chip() { return model_->Chip(); }
    // Chips out of and into the socket; a fresh chip of the part last in it
    // unless one is named.
    void RemoveChip() { model_->RemoveChip(); }
    void InsertChip(std::string_view part = {}) {
        model_->InsertChip(part.empty() ? std::nullopt : FindDeviceByName(part));
    }
    // The wire log's lines so far.
    std::vector<std::string> WireLines() const {
        std::vector<std::string> lines;
        std::istringstream in(wire_.str());
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    void ClearWire() { wire_.str(""); }
    // Every transfer fails once this many more writes have gone: the
    // adapter has been unplugged.
    void BreakAfterWrites(std::size_t writes) { transport_->BreakAfterWrites(writes); }

    ManualClock clock;
    MessageRecorder messages;
    BufferChangeLog bufferChanges;

  private:
    ScopedClock scopedClock_;
    std::ostringstream wire_;
    std::unique_ptr<sim::UnitModel> model_;
    std::unique_ptr<sim::UnitLine> line_;
    std::unique_ptr<sim::InProcessTransport> transport_;
};

inline sim::UnitConfig FailingAt(std::optional<std::uint16_t> address) {
    sim::UnitConfig config;
    config.FailAt = address;
    return config;
}

inline sim::UnitConfig SilentUnit() {
    sim::UnitConfig config;
    config.Silent = true;
    return config;
}

// A unit that stops answering once it has sent this many bytes.
inline sim::UnitConfig SilentAfter(unsigned long bytes) {
    sim::UnitConfig config;
    config.SilentAfter = bytes;
    return config;
}

// A line that loses every nth byte the unit sends.
inline sim::LineNoise DroppingEvery(unsigned n) { return {n, 0}; }

// How a job went when stepped to its end.
struct JobRun {
    StepResult last;
    int steps = 0;
    std::vector<std::chrono::milliseconds> delays;  // asked for between steps
};

// Starts the job and steps it until it finishes (or maxSteps).
inline JobRun DriveJob(Job& job, int maxSteps = 1000000) {
    JobRun run;
    job.Start();
    while (run.steps < maxSteps) {
        run.last = job.Step();
        ++run.steps;
        if (run.last.finished) break;
        run.delays.push_back(run.last.delay);
    }
    return run;
}

}  // namespace zvk::test
