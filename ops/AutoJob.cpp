#include "ops/AutoJob.h"

#include <algorithm>
#include <cstring>

#include "app/Buffers.h"
#include "app/Messages.h"
#include "link/Protocol.h"
#include "ops/Production.h"

namespace zvk {
namespace {

const AutoStepInfo& Info(AutoStep step) { return kAutoSteps[static_cast<std::size_t>(step)]; }

}  // namespace

bool AutoRequest::Chosen(AutoStep step) const { return (steps & Info(step).bit) != 0; }

AutoRequest RememberedAutoRequest() {
    return {App().AutoSequence, App().ProtectionOptions, App().FlashLastAddress};
}

std::string ChosenStepNames(const AutoRequest& request) {
    std::string names;
    for (const AutoStepInfo& info : kAutoSteps) {
        if (!request.Chosen(info.step)) continue;
        if (!names.empty()) names += '+';
        names += info.name;
    }
    return names;
}

AutoSettingsDialog::AutoSettingsDialog() : saved_(App().AutoSequence) {
    const ProductionSettings settings = LoadProductionSettings();
    repeat = settings.repeat;
    logPath = settings.logPath;
    serial = settings.serial;
    serialPlan = settings.serialPlan;
}

void AutoSettingsDialog::Accept() const {
    ProductionSettings settings;
    settings.repeat = repeat;
    settings.logPath = logPath;
    settings.serial = serial;
    settings.serialPlan = serialPlan;
    StoreProductionSettings(settings);
}

bool AutoSettingsDialog::Checked(AutoStep step) const {
    return RememberedAutoRequest().Chosen(step);
}

void AutoSettingsDialog::Click(AutoStep step, bool checked) {
    if (checked) {
        App().AutoSequence |= Info(step).bit;
    } else {
        App().AutoSequence &= static_cast<std::uint8_t>(~Info(step).bit);
    }
}

bool AutoProgramReady(const AutoRequest& request) {
    if (!CheckProgrammer(App().ProgrammerLink)) return false;
    if ((request.steps & kAutoStepBits) == 0) {
        ShowMessage("No Operation is Selected for Auto Programming.", "Error", MessageIcon::Stop);
        return false;
    }
    return true;
}

AutoJob::AutoJob(const AutoRequest& request, std::chrono::milliseconds stepBudget)
    : request_(request),
      count_(static_cast<std::uint16_t>(request.lastAddress + 1)),
      walk_(0, count_),
      stepBudget_(stepBudget) {}

void ShowChosenSequence(AutoModel& model, const AutoRequest& request) {
    for (const AutoStepInfo& info : kAutoSteps) {
        model.steps[static_cast<std::size_t>(info.step)].enabled = request.Chosen(info.step);
    }
    model.title = WithPartName("Auto Programming Mode - ", "");
    model.progress = {0, static_cast<std::uint32_t>(request.lastAddress + 1), 0};
    model.percentage = "0%";
}

void AutoJob::Start() {
    ShowChosenSequence(model, request_);
    // The sequence cannot be stopped, from the first look at the dialog on.
    model.closeEnabled = false;
    // A failure here ends the sequence at its first step.
    (void)PrepareRead();
}

StepResult AutoJob::Step() {
    if (stage_ != Stage::Done && link_.Failed()) return EndFailed();
    if (pendingEnter_) {
        pendingEnter_ = false;
        return EnterStage(stage_);
    }
    switch (stage_) {
        case Stage::Begin:
            model.closeEnabled = false;
            return EnterStage(Stage::Erase);
        case Stage::Erase:
            if (eraseQuarter_ < 4) return EraseStep();
            model.steps[static_cast<std::size_t>(AutoStep::Erase)].ticked = true;
            return EnterStage(Stage::BlankCheck);
        case Stage::BlankCheck:
            return ScanSlice(false);
        case Stage::Program:
            return ProgramSlice();
        case Stage::Verify:
            return ScanSlice(true);
        case Stage::Protect:
        case Stage::Done:
            break;
    }
    return StepResult::Finish(0);
}

StepResult AutoJob::EnterStage(Stage stage) {
    // Stages Erase..Protect follow the order of kAutoSteps.
    while (stage != Stage::Done && !request_.Chosen(static_cast<AutoStep>(
                                       static_cast<int>(stage) - static_cast<int>(Stage::Erase)))) {
        stage = static_cast<Stage>(static_cast<int>(stage) + 1);
    }
    stage_ = stage;
    switch (stage) {
        case Stage::Erase:
            model.status = "Erasing...";
            model.progress = {0, 100, 0};
            if (!SendChipErase()) return EndFailed();
            return EraseStep();
        case Stage::BlankCheck:
            model.status = "Blank Checking...";
            ResetProgress();
            return ScanSlice(false);
        case Stage::Program:
            model.status = "Programming...";
            ResetProgress();
            model.percentage = "0%";
            if (!BeginProgramming(BufferKind::Flash, 0, count_)) return EndFailed();
            return ProgramSlice();
        case Stage::Verify:
            model.status = "Verifying...";
            ResetProgress();
            return ScanSlice(true);
        case Stage::Protect:
            if (SendLockBits(request_.lockBits)) {
                model.steps[static_cast<std::size_t>(AutoStep::Protect)].ticked = true;
            } else if (link_.Failed()) {
                return EndFailed();
            } else {
                ShowMessage("Protection option is disabled", "Error", MessageIcon::Stop);
                protectFailed_ = true;
                model.failedStep = AutoStep::Protect;
            }
            return EnterStage(Stage::Done);
        case Stage::Begin:
        case Stage::Done:
            break;
    }
    model.status = "Auto Programming Process Completed...";
    model.closeEnabled = true;
    model.closeFocused = true;
    model.staysOpen = true;
    model.succeeded = !protectFailed_;
    stage_ = Stage::Done;
    return StepResult::Finish(0);
}

// No answer marks the end of an erase: the four pauses are the time it is given.
StepResult AutoJob::EraseStep() {
    ++eraseQuarter_;
    model.progress.position = static_cast<std::uint32_t>(eraseQuarter_) * 25;
    model.percentage = PercentText(static_cast<std::uint32_t>(eraseQuarter_), 4);
    return StepResult::Continue(kEraseStepPause);
}

void AutoJob::ResetProgress() {
    walk_ = BlockWalk(0, count_);
    programmed_ = 0;
    model.progress = {0, count_, 0};
}

StepResult AutoJob::Failed(const char* step, std::uint16_t address) {
    ShowFailedAt(step, address);
    model.failedAddress = address;
    return EndFailed();
}

StepResult AutoJob::EndFailed() {
    if (!model.failedStep) {
        model.failedStep = CurrentStep();
        if (!model.failedAddress) model.failedAddress = CurrentAddress();
    }
    model.succeeded = false;
    stage_ = Stage::Done;
    return StepResult::Finish(1);
}

void AutoJob::Abandon() {
    if (stage_ == Stage::Done) return;
    (void)EndFailed();
    if (!FinishProgramming()) ReportUnitNotBack();
}

std::optional<AutoStep> AutoJob::CurrentStep() const {
    if (stage_ == Stage::Begin || stage_ == Stage::Done) return std::nullopt;
    return static_cast<AutoStep>(static_cast<int>(stage_) - static_cast<int>(Stage::Erase));
}

std::optional<std::uint16_t> AutoJob::CurrentAddress() const {
    switch (stage_) {
        case Stage::BlankCheck:
        case Stage::Verify:
            return walk_.NextAddress();
        case Stage::Program:
            return programmed_;
        default:
            return std::nullopt;
    }
}

// The pause after a finished step; the next Step() enters the step after it.
StepResult AutoJob::StepDone(AutoStep step, const char* status) {
    model.status = status;
    model.steps[static_cast<std::size_t>(step)].ticked = true;
    stage_ = static_cast<Stage>(static_cast<int>(step) + static_cast<int>(Stage::Erase) + 1);
    pendingEnter_ = true;
    return StepResult::Continue(kAutoStepDonePause);
}

StepResult AutoJob::ScanSlice(bool verify) {
    const StepBudget budget(stepBudget_);
    do {
        const std::uint16_t n = walk_.BlockLength();
        const std::uint16_t address = walk_.NextAddress();
        std::uint8_t expected[kReadBlockSize];
        std::uint8_t block[kReadBlockSize];
        if (verify) {
            for (std::uint16_t k = 0; k < n; ++k) {
                expected[k] = ImageByte(static_cast<std::uint16_t>(address + k));
            }
        } else {
            std::memset(expected, 0xFF, sizeof expected);
        }
        if (!ReadDeviceBlock(BufferKind::Flash, address, n, block)) return EndFailed();
        if (const auto k = FirstDifference(block, expected, n)) {
            return Failed(verify ? "Verify" : "Blank Check",
                          static_cast<std::uint16_t>(address + *k));
        }
        walk_.Advance(n, model);
    } while (!walk_.Done() && !budget.Spent());
    if (!walk_.Done()) return StepResult::Continue();
    if (verify && !VerifyEepromBytes()) return EndFailed();
    model.percentage = "100%";
    return verify ? StepDone(AutoStep::Verify, "Verify Completed...")
                  : StepDone(AutoStep::BlankCheck, "BlankCheck Completed...");
}

StepResult AutoJob::ProgramSlice() {
    const StepBudget budget(stepBudget_);
    do {
        // Buffer address = device address over the whole Flash.
        if (!ProgramByte(ImageByte(programmed_))) {
            const bool linkFailed = link_.Failed();
            const bool unitBack = FinishProgramming();
            StepResult end = linkFailed ? EndFailed() : Failed("Programming", programmed_);
            if (!unitBack) ReportUnitNotBack();
            return end;
        }
        ++programmed_;
        model.percentage = PercentText(programmed_, count_);
        model.progress.position = programmed_;
    } while (programmed_ < count_ && !budget.Spent());
    if (programmed_ < count_) return StepResult::Continue();
    if (!ProgramEepromBytes()) return EndFailed();
    return StepDone(AutoStep::Program, "Programming Completed...");
}

std::uint8_t AutoJob::ImageByte(std::uint16_t address) const {
    return image_ && address < image_->flash.size() ? image_->flash[address] : FlashRead(address);
}

bool AutoJob::ProgramEepromBytes() {
    if (!image_ || image_->eeprom.empty()) return true;
    const auto count = static_cast<std::uint16_t>(image_->eeprom.size());
    bool programmed = BeginProgramming(BufferKind::Eeprom, image_->eepromAddress, count);
    std::uint16_t done = 0;
    while (programmed && done < count) programmed = ProgramByte(image_->eeprom[done++]);
    if (programmed) return true;
    const auto address = static_cast<std::uint16_t>(image_->eepromAddress + done - (done > 0));
    if (!link_.Failed()) ShowFailedAt("EEPROM Programming", address);
    model.failedAddress = address;
    return false;
}

bool AutoJob::VerifyEepromBytes() {
    if (!image_ || image_->eeprom.empty()) return true;
    const std::vector<std::uint8_t>& expected = image_->eeprom;
    for (std::size_t from = 0; from < expected.size(); from += kReadBlockSize) {
        const auto n = static_cast<std::uint16_t>(
            std::min<std::size_t>(kReadBlockSize, expected.size() - from));
        const auto address = static_cast<std::uint16_t>(image_->eepromAddress + from);
        std::uint8_t block[kReadBlockSize];
        if (!ReadEepromBlock(address, n, block)) {
            // A block that did not come whole is a failure of the link, which
            // has said so.
            model.failedAddress = address;
            return false;
        }
        if (const auto k = FirstDifference(block, expected.data() + from, n)) {
            model.failedAddress = static_cast<std::uint16_t>(address + *k);
            ShowFailedAt("EEPROM Verify", *model.failedAddress);
            return false;
        }
    }
    return true;
}

}  // namespace zvk
