#pragma once
// Auto programming: up to five steps (Erase, Blank Check, Program, Verify,
// Protect) in that fixed order over the whole Flash, buffer address = device
// address, chosen by the request. Blank Check, Program and Verify end the
// sequence at their first failing byte; a Protect that applies to nothing only
// reports. Like Program it works in slices between timer ticks and cannot be
// stopped: Close stays disabled until the sequence has ended. A failure of the
// link ends the sequence as those failures do, with the link's message alone.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Job.h"
#include "link/Link.h"
#include "ops/JobSupport.h"
#include "ops/SerialNumber.h"

namespace zvk {

enum class AutoStep : std::uint8_t { Erase, BlankCheck, Program, Verify, Protect };
inline constexpr std::size_t kAutoStepCount = 5;

struct AutoStepInfo {
    AutoStep step;
    std::string_view name;          // zvk-cli's --steps and the production log
    std::uint8_t bit;               // in AutoSequence
    int settingsBoxId;              // check box of the settings dialog
    std::string_view settingsText;  // its text
    int progressBoxId;              // the box the progress dialog ticks
    int progressLabelId;
    std::string_view progressLabel;
};

// The steps in the order they run.
inline constexpr std::array<AutoStepInfo, kAutoStepCount> kAutoSteps{{
    {AutoStep::Erase, "erase", 0x01, 1036, "Erase", 1036, 1034, "Erase"},
    {AutoStep::BlankCheck, "blank", 0x02, 1037, "Blank Check", 1037, 1033, "Blank Check"},
    {AutoStep::Program, "program", 0x04, 1038, "Program", 1038, 1050, "Program"},
    {AutoStep::Verify, "verify", 0x08, 1040, "Verify", 1040, 1051, "Verify"},
    {AutoStep::Protect, "protect", 0x10, 1041, "Protect Device", 1041, 1052, "Protect"},
}};
inline constexpr std::uint8_t kAutoStepBits = 0x1F;

// What one Auto sequence does: the steps (AutoSequence bits), the lock bits
// Protect sends (ProtectionOptions bits) and the last Flash address the
// sequence covers. The desktop makes it from the remembered settings, zvk-cli
// from its options.
struct AutoRequest {
    std::uint8_t steps = 0;
    std::uint8_t lockBits = 0;
    std::uint16_t lastAddress = 0;

    [[nodiscard]] bool Chosen(AutoStep step) const;
};

// The request of the remembered AutoSequence and ProtectionOptions over the
// selected part's Flash.
[[nodiscard]] AutoRequest RememberedAutoRequest();

// The chosen steps by name, joined with '+' ("erase+blank+program+verify").
[[nodiscard]] std::string ChosenStepNames(const AutoRequest& request);

// The settings dialog " Setting - Auto Programming Mode": a click changes
// AutoSequence at once; Cancel puts back the value it had when the dialog
// opened. The production choices (repeat for the next chip, the log file)
// live outside zvk.dat and are kept only on OK.
class AutoSettingsDialog {
  public:
    static constexpr std::string_view kTitle = " Setting - Auto Programming Mode";
    static constexpr std::string_view kRepeatText = "Repeat for the next chip";
    static constexpr std::string_view kLogLabel = "Log file:";

    AutoSettingsDialog();
    [[nodiscard]] bool Checked(AutoStep step) const;
    void Click(AutoStep step, bool checked);
    void Cancel() { App().AutoSequence = saved_; }

    static constexpr std::string_view kSerialText = "Serial number in every chip";
    // The formats offered in the dialog; the file may name any other.
    static constexpr std::array<std::string_view, 10> kSerialFormats{
        "le16", "le32", "be16", "be32", "bcd4", "bcd8", "dec6", "dec8", "hex4", "hex8"};

    bool repeat = false;
    std::string logPath;  // empty: no log
    bool serial = false;
    SerialPlan serialPlan;  // buffer, address, format and file
    // Keeps repeat, logPath and the serial number choices.
    void Accept() const;

  private:
    std::uint8_t saved_;
};

struct AutoStepBox {
    bool enabled = true;  // box and label; greyed when the step is not chosen
    bool ticked = false;
};

struct AutoModel : DeviceProgressModel {
    std::array<AutoStepBox, kAutoStepCount> steps;
    // Where a sequence that did not succeed stopped: the step, and the
    // address when the step works on addresses (for the production log).
    std::optional<AutoStep> failedStep;
    std::optional<std::uint16_t> failedAddress;
};

// The dialog before the sequence has done anything: the chosen steps, the
// part in the title, no progress over the whole Flash.
void ShowChosenSequence(AutoModel& model, const AutoRequest& request);

inline constexpr std::chrono::milliseconds kAutoStepDonePause{25};

// The Auto command after the device check: false (after saying so) when the
// unit does not answer or no step is chosen; true when the progress dialog
// should open.
[[nodiscard]] bool AutoProgramReady(const AutoRequest& request);

// What one chip of a production run gets instead of the buffers: its own copy
// of the Flash image (with its serial number in it), and a few EEPROM bytes
// (its serial number there) that Program writes after the Flash and Verify
// compares after the Flash.
struct ChipImage {
    std::vector<std::uint8_t> flash;  // from address 0, lastAddress + 1 bytes
    std::uint16_t eepromAddress = 0;
    std::vector<std::uint8_t> eeprom;  // empty: nothing in the EEPROM
};

class AutoJob final : public Job {
  public:
    explicit AutoJob(const AutoRequest& request,
                     std::chrono::milliseconds stepBudget = kStepBudget);
    // The sequence writes and compares the chip's own image rather than the
    // Flash buffer. Before Start().
    void UseImage(ChipImage image) { image_ = std::move(image); }

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    // The sequence cannot be stopped half-way: ignored until it has ended.
    void Cancel() override {}
    // Gives the sequence up where it is, because the process is ending: the
    // chip counts as failed at the step under way, and the only exchanges
    // left are those that bring the unit back from programming under way.
    void Abandon();
    // Whether a transfer has failed since the sequence was made.
    [[nodiscard]] bool LinkFailed() const { return link_.Failed(); }

    AutoModel model;

  private:
    enum class Stage { Begin, Erase, BlankCheck, Program, Verify, Protect, Done };

    // Moves to the next chosen step from stage on, preparing its progress.
    StepResult EnterStage(Stage stage);
    StepResult StepDone(AutoStep step, const char* status);
    StepResult EraseStep();
    StepResult ScanSlice(bool verify);
    StepResult ProgramSlice();
    // "<step> Failed at <address>"; the sequence ends.
    StepResult Failed(const char* step, std::uint16_t address);
    // The sequence ends as failed and the dialog closes; after a failure of
    // the link, whose message has said what went wrong, without a word of its own.
    StepResult EndFailed();
    void ResetProgress();
    // The EEPROM bytes of the chip's image, after the Flash: programmed or
    // compared; the sequence ends when they fail.
    [[nodiscard]] bool ProgramEepromBytes();
    [[nodiscard]] bool VerifyEepromBytes();
    [[nodiscard]] std::uint8_t ImageByte(std::uint16_t address) const;
    // The step under way, and the address it has reached where it has one.
    [[nodiscard]] std::optional<AutoStep> CurrentStep() const;
    [[nodiscard]] std::optional<std::uint16_t> CurrentAddress() const;

    AutoRequest request_;
    LinkFailureWatch link_;
    Stage stage_ = Stage::Begin;
    std::uint16_t count_;
    BlockWalk walk_;                // Blank Check and Verify
    std::uint16_t programmed_ = 0;  // Program
    int eraseQuarter_ = 0;
    bool pendingEnter_ = false;
    bool protectFailed_ = false;
    std::chrono::milliseconds stepBudget_;
    std::optional<ChipImage> image_;
};

}  // namespace zvk
