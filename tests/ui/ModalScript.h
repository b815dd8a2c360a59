#pragma once
// Plays the user's part for modal dialogs in the Qt tests: each step waits for
// the active modal dialog to be of its type and acts on it (fills fields,
// clicks a button). A step may return false to be asked again at the next
// poll, e.g. until a progress dialog's job has finished. A progress dialog no
// step waits for runs on by itself; any other dialog left open when no step
// expects it, and a finished progress dialog that stays open, is closed and
// counted, so a test never blocks.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

#include "ui/ProgressDialogs.h"

namespace zvk::test {

class ModalScript {
  public:
    ModalScript() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    template <typename T>
    ModalScript& Then(std::function<bool(T*)> act) {
        steps_.push_back([act](QWidget* w) {
            auto* dialog = dynamic_cast<T*>(w);
            return dialog != nullptr && act(dialog);
        });
        return *this;
    }

    [[nodiscard]] bool Done() const { return steps_.empty(); }
    // Dialogs the script had to close because no step expected them.
    [[nodiscard]] int Unexpected() const { return unexpected_; }

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (!steps_.empty()) {
            if (steps_.front()(modal)) steps_.pop_front();
            return;
        }
        if (auto* job = dynamic_cast<ui::JobDialog*>(modal);
            job != nullptr && !job->Driver().Finished()) {
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            ++unexpected_;
            dialog->done(0);
        }
    }

    QTimer timer_;
    std::deque<std::function<bool(QWidget*)>> steps_;
    int unexpected_ = 0;
};

// A step for a progress dialog: waits for its job to finish, lets `seen` read
// what the dialog shows, then presses Close.
template <typename D>
std::function<bool(D*)> CloseWhenDone(std::function<void(D*)> seen = {}) {
    return [seen](D* dialog) {
        if (!dialog->Driver().Finished()) return false;
        if (seen) seen(dialog);
        dialog->StopButton()->click();
        return true;
    };
}

}  // namespace zvk::test
