#pragma once
// Runs a job behind a modal progress dialog: a single-shot timer steps the job
// (first tick kFirstTickDelay after the dialog opens, then the pause a step
// asks for). Steps that ask for no real pause run back to back for up to a
// frame's time, so that the serial line never waits for a repaint after each
// slice; the dialog's render callback then copies the job's model into the
// widgets, and the next frame follows through a zero timer once the dialog
// has drawn and handled its input. The dialog ends with the job's end code
// unless the job asks it to stay open for the user to read it. Also the
// application-starting cursor shown while a progress dialog runs.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

#include "app/Job.h"

class QDialog;

namespace zvk::ui {

class JobDriver : public QObject {
  public:
    // render: copies the model into the widgets. staysOpen: asked once the job
    // has finished; true keeps the dialog open (its Close button then ends it
    // with the end code). Empty: the dialog always closes at the end.
    JobDriver(QDialog& dialog, Job& job, std::function<void()> render,
              std::function<bool()> staysOpen = {});

    // Starts the job, renders its first state and arms the first tick; the
    // dialog's exec() then runs it.
    void Begin();
    // The dialog's Cancel or Close button: ends a finished job's dialog, or
    // asks a running job to stop and steps it at once so the stop shows.
    void Cancel();

    [[nodiscard]] bool Finished() const { return finished_; }
    [[nodiscard]] int EndCode() const { return endCode_; }

  private:
    void Tick();
    void Arm(std::chrono::milliseconds delay);

    QDialog& dialog_;
    Job& job_;
    std::function<void()> render_;
    std::function<bool()> staysOpen_;
    QTimer timer_;
    bool finished_ = false;
    bool inStep_ = false;
    int endCode_ = 0;
};

// Puts up the busy (application-starting) cursor, or takes it down again;
// calls nest. The frame installs it as the core's busy indicator.
void ShowBusyCursor(bool busy);

// Shows the busy (application-starting) cursor while it lives.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Runs the dialog modally with the busy cursor, its driver begun; returns the
// job's end code (0 when the dialog was closed before the job finished).
int RunJobDialog(QDialog& dialog, JobDriver& driver);

// Caps the waits between steps while it lives, so that tests do not sit
// through the erase pauses in real time.
class ScopedStepDelayLimit {
  public:
    explicit ScopedStepDelayLimit(std::chrono::milliseconds limit);
    ~ScopedStepDelayLimit();
    ScopedStepDelayLimit(const ScopedStepDelayLimit&) = delete;
    ScopedStepDelayLimit& operator=(const ScopedStepDelayLimit&) = delete;

  private:
    std::optional<std::chrono::milliseconds> previous_;
};

}  // namespace zvk::ui
