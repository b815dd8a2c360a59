#include "ui/JobDriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <algorithm>

#include "app/Messages.h"

namespace zvk::ui {

namespace {

// A step's wait of this or less only lets an event loop run; the next step
// may come at once. Longer ones are pauses the operation needs.
constexpr std::chrono::milliseconds kNoPause{1};

// How long the steps run back to back before the dialog draws and handles
// input.
constexpr std::chrono::milliseconds kFrameTime{50};

std::optional<std::chrono::milliseconds>& StepDelayLimit() {
    static std::optional<std::chrono::milliseconds> limit;
    return limit;
}

}  // namespace

JobDriver::JobDriver(QDialog& dialog, Job& job, std::function<void()> render,
                     std::function<bool()> staysOpen)
    : QObject(&dialog),
      dialog_(dialog),
      job_(job),
      render_(std::move(render)),
      staysOpen_(std::move(staysOpen)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &JobDriver::Tick);
}

void JobDriver::Begin() {
    job_.Start();
    if (render_) render_();
    Arm(kFirstTickDelay);
}

void JobDriver::Cancel() {
    if (finished_) {
        dialog_.done(endCode_);
        return;
    }
    job_.Cancel();
    // A job that can be stopped finishes at its next step; take it now rather
    // than after the pending wait. One that cannot ignores the request.
    if (!inStep_) {
        timer_.stop();
        Tick();
    }
}

void JobDriver::Arm(std::chrono::milliseconds delay) {
    if (const auto& limit = StepDelayLimit()) delay = std::min(delay, *limit);
    timer_.start(delay);
}

void JobDriver::Tick() {
    if (finished_ || inStep_) return;
    inStep_ = true;
    StepResult result;
    {
        // A message the step shows (a failure, say) opens over the dialog as
        // the step has brought it, not as the step before left it.
        MessagePresenter outer;
        outer = SetMessagePresenter([this, &outer](const Message& message) {
            if (render_) render_();
            dialog_.repaint();
            return outer(message);
        });
        // A step that asks for no real pause is followed by the next one at
        // once, for a frame's time: the line waits neither for a timer nor
        // for a repaint after every slice, and the dialog still draws and
        // sees Cancel several times a second.
        QElapsedTimer frame;
        frame.start();
        do {
            result = job_.Step();
        } while (!result.finished && result.delay <= kNoPause &&
                 frame.elapsed() < kFrameTime.count());
        SetMessagePresenter(std::move(outer));
    }
    inStep_ = false;
    if (render_) render_();
    if (!result.finished) {
        Arm(result.delay <= kNoPause ? std::chrono::milliseconds(0) : result.delay);
        return;
    }
    finished_ = true;
    endCode_ = result.code;
    if (staysOpen_ && staysOpen_()) return;
    dialog_.done(endCode_);
}

void ShowBusyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

BusyCursor::BusyCursor() { ShowBusyCursor(true); }
BusyCursor::~BusyCursor() { ShowBusyCursor(false); }

int RunJobDialog(QDialog& dialog, JobDriver& driver) {
    BusyCursor cursor;
    driver.Begin();
    dialog.exec();
    return driver.Finished() ? driver.EndCode() : 0;
}

ScopedStepDelayLimit::ScopedStepDelayLimit(std::chrono::milliseconds limit)
    : previous_(StepDelayLimit()) {
    StepDelayLimit() = limit;
}

ScopedStepDelayLimit::~ScopedStepDelayLimit() { StepDelayLimit() = previous_; }

}  // namespace zvk::ui
