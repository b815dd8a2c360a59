#include "ui/SessionEnd.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QThread>
#include <QWidget>

#include <array>
#include <atomic>
#include <cassert>
#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include "ui/FrameWnd.h"

namespace zvk::ui {
namespace {

// Often enough that a shut-down is quick, seldom enough that waiting for a
// job that cannot stop costs nothing.
constexpr int kPumpIntervalMs = 10;

#ifndef _WIN32
constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGINT, SIGHUP};

// The handler only wakes the event loop: one byte, the signal's number, into
// a non-blocking pipe. All the rest happens in the loop.
std::atomic<int> wakeFd{-1};

struct PreviousHandler {
    bool replaced = false;
    struct sigaction action {};
};
std::array<PreviousHandler, kEndingSignals.size()> previousHandlers;

void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    const int fd = wakeFd.load();
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}
#endif

// Ends a modal window the way its close box or Escape would.
void EndModal(QWidget* modal) {
    modal->close();
    // A question without an Escape answer refuses to close; it is dismissed
    // with no button pressed.
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->isVisible()) {
        box->reject();
    }
}

}  // namespace

SessionEnd::SessionEnd() {
    pump_.setInterval(kPumpIntervalMs);
    connect(&pump_, &QTimer::timeout, this, &SessionEnd::Pump);
#ifndef _WIN32
    assert(wakeFd.load() < 0 && "one SessionEnd at a time");
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
        wakeFd = wakeWrite_;
        for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
            struct sigaction old {};
            if (::sigaction(kEndingSignals[i], nullptr, &old) != 0 || old.sa_handler == SIG_IGN) {
                continue;
            }
            struct sigaction action {};
            action.sa_handler = OnEndingSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            previousHandlers[i].replaced =
                ::sigaction(kEndingSignals[i], &action, &previousHandlers[i].action) == 0;
        }
        notifier_ = new QSocketNotifier(wakeRead_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::Drain);
    }
#endif
#if QT_CONFIG(sessionmanager)
    // Logging off: the same as a shut-down. The frame closes from the loop,
    // not inside the request.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { Request(0); });
#endif
}

SessionEnd::~SessionEnd() {
#ifndef _WIN32
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (!previousHandlers[i].replaced) continue;
        ::sigaction(kEndingSignals[i], &previousHandlers[i].action, nullptr);
        previousHandlers[i].replaced = false;
    }
    wakeFd = -1;
    delete notifier_;
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
#endif
}

void SessionEnd::Watch(FrameWnd& frame) { frame_ = &frame; }

void SessionEnd::Request(int signal) {
    if (requested_) return;
    requested_ = true;
    signal_ = signal;
    // Also before the frame is known: a message box of the start-up (the
    // port that cannot be opened) runs its own loop before the main one.
    pump_.start();
}

void SessionEnd::Drain() {
#ifndef _WIN32
    int first = 0;
    unsigned char bytes[16];
    ssize_t got = 0;
    while ((got = ::read(wakeRead_, bytes, sizeof bytes)) > 0) {
        if (first == 0) first = bytes[0];
    }
    if (first != 0) Request(first);
#endif
}

void SessionEnd::Pump() {
    if (frame_ && frame_->Closed()) {
        pump_.stop();
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        EndModal(modal);
        // Still there: a job that cannot stop (Program, Auto) runs on to its
        // end, which may take longer than a shut-down waits. Settings
        // dialogs have all gone by now, so what AppState holds is settled.
        if (modal->isVisible() && !savedEarly_ && earlySave_) {
            savedEarly_ = true;
            earlySave_();
        }
        return;
    }
    // A dialog that has just ended returns to whoever opened it first; that
    // code may still use the buffers or open the next dialog.
    if (!frame_ || QThread::currentThread()->loopLevel() > 1) return;
    frame_->close();
}

}  // namespace zvk::ui
