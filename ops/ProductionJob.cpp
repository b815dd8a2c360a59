#include "ops/ProductionJob.h"

#include <algorithm>
#include <utility>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/DeviceCommands.h"
#include "link/Protocol.h"

namespace zvk {
namespace {

constexpr std::string_view kAbortedReason = "Aborted";
constexpr std::string_view kCheckStepName = "check";

// Keeps the first error message shown while it lives, and passes every
// message on: the log says why a chip failed in the words the user saw.
class ReasonTap {
  public:
    explicit ReasonTap(std::string& reason) {
        previous_ = SetMessagePresenter([this, &reason](const Message& message) {
            if (reason.empty() && message.icon == MessageIcon::Stop) reason = message.text;
            return previous_(message);
        });
    }
    ~ReasonTap() { SetMessagePresenter(std::move(previous_)); }
    ReasonTap(const ReasonTap&) = delete;
    ReasonTap& operator=(const ReasonTap&) = delete;

  private:
    MessagePresenter previous_;
};

}  // namespace

std::optional<std::string> SerialPlanProblem(const SerialPlan& plan, const AutoRequest& request) {
    if (plan.file.empty()) return "no serial number file is set";
    if (!request.Chosen(AutoStep::Program)) {
        return "serial numbers need the program step";
    }
    if (auto problem = SerialPlaceProblem(plan)) return problem;
    SerialCounter counter(plan);
    const auto next = counter.Peek();
    if (!next) return counter.Error();
    if (*next > LargestSerial(plan.format)) return SerialTooLargeText(*next, plan.format);
    return std::nullopt;
}

ChipImage ChipImageWithSerial(const SerialPlan& plan, std::uint64_t number,
                              std::uint16_t lastAddress) {
    ChipImage image;
    image.flash.resize(lastAddress + 1u);
    CopyFlashOut(0, image.flash.data(), static_cast<std::uint16_t>(image.flash.size()));
    const std::vector<std::uint8_t> bytes = EncodeSerial(number, plan.format);
    if (plan.buffer == BufferKind::Eeprom) {
        image.eepromAddress = plan.address;
        image.eeprom = bytes;
    } else if (plan.address + bytes.size() <= image.flash.size()) {
        std::copy(bytes.begin(), bytes.end(), image.flash.begin() + plan.address);
    }
    return image;
}

std::string TallyText(unsigned passed, unsigned failed) {
    return "Passed " + std::to_string(passed) + ", failed " + std::to_string(failed);
}

std::string_view WaitText(SocketWait wait) {
    switch (wait) {
        case SocketWait::Removal:
            return "Remove the chip...";
        case SocketWait::Chip:
            return "Insert a chip...";
        case SocketWait::None:
            break;
    }
    return {};
}

ProductionJob::ProductionJob(ProductionOptions options, std::chrono::milliseconds stepBudget)
    : options_(std::move(options)), stepBudget_(stepBudget) {
    if (!options_.wallClock) options_.wallClock = [] { return std::chrono::system_clock::now(); };
    if (options_.serial) counter_.emplace(*options_.serial);
}

void ProductionJob::ForceNextChip() {
    if (stage_ != Stage::WaitRemoval) return;
    stage_ = Stage::WaitChip;
    Wait(SocketWait::Chip);
}

bool ProductionJob::OpenLog() {
    if (options_.logPath.empty()) return true;
    if (log_.Open(options_.logPath)) return true;
    ShowLogError(log_);
    return false;
}

void ProductionJob::Start() {
    checksum_ = BufferChecksum(BufferKind::Flash, 0, options_.request.lastAddress);
    steps_ = ChosenStepNames(options_.request);
    ShowChosenSequence(model, options_.request);
    if (options_.firstChipChecked) {
        chipTime_ = options_.wallClock();
        chipStart_ = CurrentClock().Now();
        ReasonTap tap(reason_);
        if (!BeginSequence()) (void)End();
        return;
    }
    stage_ = Stage::WaitChip;
    Wait(SocketWait::Chip);
}

void ProductionJob::Cancel() {
    stopRequested_ = true;
    if (stage_ == Stage::Chip) model.stopping = true;
}

StepResult ProductionJob::Step() {
    if (stage_ == Stage::Done) return StepResult::Finish(model.succeeded ? 0 : 1);
    ReasonTap tap(reason_);
    if (abandon_) return stage_ == Stage::Chip ? AbandonChip() : End();
    if (stage_ == Stage::Chip) return StepChip();
    if (stopRequested_) return End();
    return Poll();
}

StepResult ProductionJob::Poll() {
    const SocketState state = ProbeSocket();
    switch (state) {
        case SocketState::Unreachable:
            model.unitLost = true;
            return End();
        case SocketState::NotChecked:
            // Without a signature a change of chip cannot be seen. A run that
            // asked for chips and can make none must not end as a success.
            ShowMessage(kRepeatNeedsParallelText, "Error", MessageIcon::Stop);
            blind_ = true;
            return End();
        case SocketState::Empty:
            if (stage_ == Stage::WaitRemoval) {
                stage_ = Stage::WaitChip;
                Wait(SocketWait::Chip);
            }
            break;
        case SocketState::Expected:
            if (stage_ == Stage::WaitChip) return StartChip();
            break;
        case SocketState::WrongPart:
            if (stage_ == Stage::WaitChip) return WrongChip();
            break;
    }
    return StepResult::Continue(kSocketPollInterval);
}

StepResult ProductionJob::StartChip() {
    chipTime_ = options_.wallClock();
    chipStart_ = CurrentClock().Now();
    reason_.clear();
    // As the Auto command asks for the unit once more after the device check.
    if (!CheckProgrammer(App().ProgrammerLink)) {
        model.unitLost = true;
        return End();
    }
    if (!BeginSequence()) return End();
    return StepResult::Continue();
}

bool ProductionJob::BeginSequence() {
    model.serial.reset();
    sequence_.emplace(options_.request, stepBudget_);
    if (counter_) {
        const auto number = counter_->Take();
        if (!number) {
            ShowMessage("Cannot take a serial number: " + counter_->Error(), "Error",
                        MessageIcon::Stop);
            serialFailed_ = true;
            return false;
        }
        model.serial = number;
        sequence_->UseImage(
            ChipImageWithSerial(*options_.serial, *number, options_.request.lastAddress));
    }
    sequence_->Start();
    stage_ = Stage::Chip;
    model.waiting = SocketWait::None;
    SyncFromSequence();
    return true;
}

void ProductionJob::SyncFromSequence() {
    static_cast<AutoModel&>(model) = sequence_->model;
    if (stage_ == Stage::Chip && options_.repeat) model.closeEnabled = false;
}

StepResult ProductionJob::StepChip() {
    const StepResult result = sequence_->Step();
    SyncFromSequence();
    if (!result.finished) return result;
    return ChipEnded(result);
}

ProductionRow ProductionJob::NewRow() const {
    ProductionRow row;
    row.time = chipTime_;
    row.part = SelectedDeviceInfo().PartName;
    row.image = options_.image;
    row.checksum = checksum_;
    row.steps = steps_;
    row.station = options_.station;
    if (model.serial) row.serial = std::to_string(*model.serial);
    return row;
}

bool ProductionJob::Record(ProductionRow row) {
    ++(row.passed ? model.passed : model.failed);
    const bool logged = !log_.IsOpen() || log_.Append(row);
    model.lastChip = std::move(row);
    if (!logged) {
        // A run whose chips go unrecorded must not go on.
        ShowLogError(log_);
        logFailed_ = true;
    }
    return logged;
}

ProductionRow ProductionJob::SequenceRow(bool passed, std::string_view reason) const {
    const AutoModel& sequence = sequence_->model;
    ProductionRow row = NewRow();
    row.passed = passed;
    if (!passed) {
        if (sequence.failedStep) {
            row.failedStep = kAutoSteps[static_cast<std::size_t>(*sequence.failedStep)].name;
        }
        row.failedAddress = sequence.failedAddress;
        row.reason = reason;
    }
    row.taken =
        std::chrono::duration_cast<std::chrono::milliseconds>(CurrentClock().Now() - chipStart_);
    return row;
}

StepResult ProductionJob::ChipEnded(const StepResult& result) {
    const bool logged =
        Record(SequenceRow(result.code == 0 && sequence_->model.succeeded, reason_));
    if (sequence_->LinkFailed()) {
        model.unitLost = true;
        return End();
    }
    if (!options_.repeat) {
        // One chip: the dialog ends as the sequence ends.
        stage_ = Stage::Done;
        if (!logged) return End();
        return result;
    }
    if (!logged || stopRequested_ || LastChip()) return End();
    stage_ = Stage::WaitRemoval;
    Wait(SocketWait::Removal);
    return StepResult::Continue(kSocketPollInterval);
}

StepResult ProductionJob::WrongChip() {
    chipTime_ = options_.wallClock();
    model.serial.reset();
    reason_.clear();
    ShowSocketMessage(SocketState::WrongPart);
    ProductionRow row = NewRow();
    row.failedStep = kCheckStepName;
    row.reason = reason_;
    if (!Record(std::move(row)) || !options_.repeat || LastChip()) return End();
    stage_ = Stage::WaitRemoval;
    Wait(SocketWait::Removal);
    return StepResult::Continue(kSocketPollInterval);
}

StepResult ProductionJob::AbandonChip() {
    sequence_->Abandon();
    SyncFromSequence();
    (void)Record(SequenceRow(false, kAbortedReason));
    return End();
}

bool ProductionJob::LastChip() const {
    return options_.count && model.passed + model.failed >= *options_.count;
}

void ProductionJob::Wait(SocketWait wait) {
    model.waiting = wait;
    model.status = TallyText(model.passed, model.failed) + ". " + std::string(WaitText(wait));
    model.closeEnabled = true;
    model.closeFocused = false;
    model.staysOpen = false;
}

StepResult ProductionJob::End() {
    stage_ = Stage::Done;
    model.waiting = SocketWait::None;
    model.stopping = false;
    model.closeEnabled = true;
    model.staysOpen = false;
    model.succeeded =
        model.failed == 0 && !model.unitLost && !logFailed_ && !blind_ && !serialFailed_;
    return StepResult::Finish(model.succeeded ? 0 : 1);
}

}  // namespace zvk
