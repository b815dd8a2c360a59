#pragma once
// Ending the desktop program from outside: SIGTERM (what a shut-down sends),
// SIGINT (Ctrl+C in the terminal that started it), SIGHUP (that terminal
// went away) and the session manager's end of session. Each closes the frame
// the way File > Exit does, from the event loop and never inside a signal
// handler, so that the usual shut-down order runs and the settings are written
// once after the loop.
//
// Whatever is open at that moment is ended first, as if the user pressed
// Escape in it until it went away: a message box takes its Escape answer, a
// dialog is cancelled, a job that can stop is cancelled and one that cannot
// (Program, Auto) runs to its end. Only then, back in the main loop, does the
// frame close, so no job ever works on buffers that are already released.
// While such a job still runs, the settings are written at once as well: a
// shut-down that loses patience and kills the program then loses nothing.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QSocketNotifier;

namespace zvk::ui {

class FrameWnd;

class SessionEnd : public QObject {
  public:
    // Catches the signals from now on; one SessionEnd at a time. A signal the
    // program was started with ignored (nohup, a background job of a script)
    // stays ignored.
    SessionEnd();
    // Puts the previous handlers back.
    ~SessionEnd() override;
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // The frame to close. A signal caught before is acted on once the event
    // loop runs.
    void Watch(FrameWnd& frame);

    // How the settings are written when a job that cannot stop holds up the
    // end; they are written again after the loop, as on every way out.
    void SetEarlySave(std::function<void()> save) { earlySave_ = std::move(save); }

    // Ends the session; signal is the one that asked, 0 for the session
    // manager. A second request changes nothing.
    void Request(int signal);

    // The signal that ended the program, 0 when none did.
    [[nodiscard]] int EndingSignal() const { return signal_; }

  private:
    void Drain();
    void Pump();

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QPointer<FrameWnd> frame_;
    QTimer pump_;
    std::function<void()> earlySave_;
    bool savedEarly_ = false;
    bool requested_ = false;
    int signal_ = 0;
};

}  // namespace zvk::ui
