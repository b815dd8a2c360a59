#include "ui/OperationDialogs.h"

#include <optional>
#include <string>

#include "app/AppState.h"
#include "app/Messages.h"
#include "files/BlockOps.h"
#include "files/FileLoad.h"
#include "files/FileSave.h"
#include "files/Reload.h"
#include "ops/AutoJob.h"
#include "ops/BlankCheckJob.h"
#include "ops/OperationRange.h"
#include "ops/ProductionJob.h"
#include "ops/ProgramJob.h"
#include "ops/ReadJob.h"
#include "ops/VerifyJob.h"
#include "ui/DialogHelpers.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/ProgressDialogs.h"

namespace zvk::ui {

namespace {

FieldDialogRunner FieldRunner(QWidget* frame) {
    return [frame](FieldDialog& dialog) { return RunFieldDialog(frame, dialog); };
}

// The range dialog, then on OK the runner with the progress dialog D of job J.
template <typename J, typename D>
void RunRangeOperation(QWidget* frame, RangeOperation operation) {
    RangeDialog range(operation);
    RangeDialogView view(frame, range);
    if (view.exec() != QDialog::Accepted) return;
    (void)RunOperation(operation, [frame](const DeviceRangeRequest& run) {
        J job(run);
        D dialog(frame, job);
        (void)dialog.Run();
    });
}

// The dialogs of a load: the start address, the loading dialog, the details.
LoadFrontEnd LoadDialogs(QWidget* frame) {
    LoadFrontEnd frontEnd;
    frontEnd.askStartAddress = [frame]() -> std::optional<std::uint16_t> {
        if (!AskAddress(frame)) return std::nullopt;
        return App().EnteredAddress;
    };
    frontEnd.runLoadDialog = [frame](FileLoadJob& job) {
        FileProgressDialog dialog(frame, job, job.Model(), "Cancel");
        return dialog.Run();
    };
    frontEnd.showDetails = [frame](const LoadDetailsModel& details) {
        LoadDetailsDialog dialog(frame, details);
        dialog.exec();
    };
    frontEnd.rememberForReload = true;
    return frontEnd;
}

}  // namespace

void RunLoadFile(QWidget* frame) {
    App().SelectedFileName.clear();
    const auto path = AskImageFile(frame, {.title = QString::fromUtf8(kLoadFileDialogTitle),
                                           .filters = NameFilters(kLoadFileFilters)});
    if (!path || path->isEmpty()) return;
    App().SelectedFileName = path->toStdString();
    (void)LoadFileCommand(LoadDialogs(frame));
}

int RunLoadPath(QWidget* frame, BufferKind kind, const std::string& path) {
    App().CurrentBufferKind = kind;
    App().SelectedFileName = path;
    return LoadFileCommand(LoadDialogs(frame));
}

void RunReload(QWidget* frame) { (void)ReloadCommand(LoadDialogs(frame)); }

bool ReloadChangedFileFirst(QWidget* frame, BufferKind kind) {
    return zvk::ReloadChangedFileFirst(kind, LoadDialogs(frame));
}

void RunSaveAs(QWidget* frame) {
    SaveFrontEnd frontEnd;
    frontEnd.runSaveMemoryDialog = FieldRunner(frame);
    frontEnd.askSavePath = [frame](const SaveFileQuestion& question) -> std::optional<std::string> {
        const auto path =
            AskImageFile(frame, {.title = QString::fromUtf8(question.title),
                                 .filters = NameFilters(question.filters),
                                 .defaultSuffix = QString::fromUtf8(question.defaultExtension),
                                 .save = true});
        if (!path) return std::nullopt;
        return path->toStdString();
    };
    frontEnd.runSaveDialog = [frame](FileSaveJob& job) {
        FileProgressDialog dialog(frame, job, job.Model(), "&Cancel");
        return dialog.Run();
    };
    (void)SaveCommand(frontEnd);
}

void RunFill(QWidget* frame) { FillCommand(FieldRunner(frame)); }

void RunCopy(QWidget* frame) { CopyCommand(FieldRunner(frame)); }

void RunChecksum(QWidget* frame) { ChecksumCommand(FieldRunner(frame)); }

void RunBlankCheck(QWidget* frame) {
    RunRangeOperation<BlankCheckJob, ScanDialog>(frame, RangeOperation::BlankCheck);
}

void RunProgram(QWidget* frame) {
    RunRangeOperation<ProgramJob, ProgramDialog>(frame, RangeOperation::Program);
}

void RunRead(QWidget* frame) {
    RunRangeOperation<ReadJob, ReadDialog>(frame, RangeOperation::Read);
}

void RunVerify(QWidget* frame) {
    RunRangeOperation<VerifyJob, ScanDialog>(frame, RangeOperation::Verify);
}

void RunAuto(QWidget* frame) {
    const AutoRequest request = RememberedAutoRequest();
    if (!AutoProgramReady(request)) return;
    const ProductionSettings settings = LoadProductionSettings();
    if (!settings.repeat && settings.logPath.empty()) {
        AutoJob job(request);
        AutoDialog dialog(frame, job);
        (void)dialog.Run();
        return;
    }
    // Repeating needs the device check to see a chip go and come; SPI mode
    // reads no signature, so there it is one chip as without repeat.
    const bool repeat = settings.repeat && (App().ProgrammingMode & kModeParallel) != 0;
    std::optional<SerialPlan> serial;
    if (repeat && settings.serial) {
        serial = settings.serialPlan;
        if (const auto problem = SerialPlanProblem(*serial, request)) {
            ShowMessage("Cannot give the chips serial numbers: " + *problem, "Error",
                        MessageIcon::Stop);
            return;
        }
    }
    ProductionJob job({.request = request,
                       .repeat = repeat,
                       .count = std::nullopt,
                       .firstChipChecked = true,
                       // Auto programs the Flash buffer: the log names the
                       // file that was loaded into it, not one loaded into
                       // the EEPROM buffer since.
                       .image = App().LoadedFiles[static_cast<std::size_t>(BufferKind::Flash)].path,
                       .logPath = settings.logPath,
                       .serial = serial,
                       .station = ComName(App().PortIndex),
                       .wallClock = {}});
    if (!job.OpenLog()) return;
    AutoDialog dialog(frame, job);
    (void)dialog.Run();
}

}  // namespace zvk::ui
