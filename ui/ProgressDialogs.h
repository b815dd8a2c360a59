#pragma once
// The progress dialogs of the long operations. Each renders the model of its
// job after every step (JobDriver) and forwards Cancel or Close to the job:
// Loading... and Saving... (files), Program, Read, Verify, Blank Check and
// Auto (device), plus the details shown after a load.

#include <QDialog>

#include <array>
#include <functional>
#include <string>

#include "app/Job.h"
#include "files/FileJob.h"
#include "files/FileLoad.h"
#include "ops/AutoJob.h"
#include "ops/BlankCheckJob.h"
#include "ops/ProductionJob.h"
#include "ops/ProgramJob.h"
#include "ops/ReadJob.h"
#include "ops/VerifyJob.h"
#include "ui/JobDriver.h"

class QCheckBox;
class QLabel;
class QSpacerItem;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace zvk::ui {

// What all progress dialogs share: the driver and the button that stops the
// job or, once it has finished, closes the dialog. Escape and the window's
// close box act like that button while it is enabled.
class JobDialog : public QDialog {
  public:
    // Runs the dialog modally with the busy cursor; returns the job's end code.
    int Run() { return RunJobDialog(*this, *driver_); }

    [[nodiscard]] JobDriver& Driver() { return *driver_; }
    [[nodiscard]] QPushButton* StopButton() const { return stop_; }
    [[nodiscard]] QProgressBar* Progress() const { return progress_; }
    // The status line and the percentage; null in the file dialogs.
    [[nodiscard]] QLabel* Status() const { return status_; }
    [[nodiscard]] QLabel* Percentage() const { return percentage_; }

    void reject() override;

  protected:
    JobDialog(QWidget* parent, Job& job, const QString& stopText);
    // Creates the driver; called last by each dialog's constructor.
    void Drive(std::function<bool()> staysOpen = {});
    // Makes room for what the last render wrote.
    void FitContents();
    // Keeps the dialog at least this wide from now on.
    void Widen(int width);
    virtual void Render() = 0;
    // The status line, then the bar with the percentage beside it.
    void AddProgressLines(QVBoxLayout* layout);
    // The common fields of the device dialogs.
    void RenderDevice(const DeviceProgressModel& model);
    void closeEvent(QCloseEvent* event) override;

    Job& job_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QLabel* status_ = nullptr;
    QLabel* percentage_ = nullptr;

  private:
    JobDriver* driver_ = nullptr;
    // A gap as wide as the dialog must stay, at the foot of its layout.
    QSpacerItem* floor_;
};

// "Loading..." and "Saving...": the label, the bar and Cancel.
class FileProgressDialog final : public JobDialog {
  public:
    FileProgressDialog(QWidget* parent, Job& job, const ProgressModel& model,
                       const QString& cancelText);
    [[nodiscard]] QLabel* Label() const { return label_; }

  private:
    void Render() override;
    const ProgressModel& model_;
    QLabel* label_;
};

// "File Loading Details": the load's headline and the address ranges loaded,
// one a line.
class LoadDetailsDialog final : public QDialog {
  public:
    LoadDetailsDialog(QWidget* parent, const LoadDetailsModel& model);
    [[nodiscard]] QLabel* Headline() const { return headline_; }
    [[nodiscard]] QPlainTextEdit* Details() const { return details_; }

  private:
    QLabel* headline_;
    QPlainTextEdit* details_;
};

class ProgramDialog final : public JobDialog {
  public:
    ProgramDialog(QWidget* parent, ProgramJob& job);

    QLabel* eraseLabel;
    QLabel* eraseResult;
    QLabel* verifyLabel;
    QLabel* verifyResult;
    QLabel* bytesProgrammed;
    QLabel* deviceStart;
    QLabel* deviceEnd;
    QLabel* bufferStart;

  private:
    void Render() override;
    const ProgramModel& model_;
};

class ReadDialog final : public JobDialog {
  public:
    ReadDialog(QWidget* parent, ReadJob& job);

  private:
    void Render() override;
    const ReadModel& model_;
};

// Verify and Blank Check: the range, the list of findings and, for Verify,
// the buffer start and "Store to disk".
class ScanDialog final : public JobDialog {
  public:
    ScanDialog(QWidget* parent, VerifyJob& job);
    ScanDialog(QWidget* parent, BlankCheckJob& job);

    QLabel* deviceStart;
    QLabel* deviceEnd;
    QLabel* bufferStart = nullptr;       // Verify only
    QPushButton* storeButton = nullptr;  // Verify only
    QPlainTextEdit* list;

    // The list as the dialog shows it, line ends as typed in a text box.
    [[nodiscard]] QString ListText() const;

  private:
    ScanDialog(QWidget* parent, Job& job, const ScanModel& model, const VerifyModel* verify);
    void Render() override;
    void StoreToDisk();

    const ScanModel& model_;
    const VerifyModel* verify_;
    std::string shownList_;  // the part of the model's list already shown
};

// Auto, for one chip or, as a production run, chip after chip: between chips
// the status line shows the tally and what the run waits for, and Close ends it.
// A production run also shows the serial number of the chip under way, and
// "Next Chip" takes the chip in the socket as the next one where a swap went
// unseen.
class AutoDialog final : public JobDialog {
  public:
    AutoDialog(QWidget* parent, AutoJob& job);
    AutoDialog(QWidget* parent, ProductionJob& job);

    std::array<QCheckBox*, kAutoStepCount> boxes{};
    std::array<QLabel*, kAutoStepCount> labels{};
    QLabel* serial = nullptr;         // production runs only
    QPushButton* nextChip = nullptr;  // production runs only

  private:
    AutoDialog(QWidget* parent, Job& job, const AutoModel& model, ProductionJob* production);
    void Render() override;
    const AutoModel& model_;
    ProductionJob* production_;
};

}  // namespace zvk::ui
