#pragma once
// Small helpers of the dialog tests: the messages shown, as a list Qt Test
// prints when it differs, the file question answered, a whole file read back,
// and a wait for a condition
// that lets a progress dialog's 1 ms ticks run at their own pace (QTRY_*
// sleeps 10 ms between its looks).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/VirtualUnit.h"
#include "ui/FileQuestion.h"

namespace zvk::test {

// The messages shown so far, "caption|text" each.
inline QStringList Shown(const VirtualUnit& unit) {
    QStringList lines;
    for (const std::string& line : unit.messages.Lines())
        lines.append(QString::fromStdString(line));
    return lines;
}

// Answers every file question with a fixed path (nullopt: the user cancels)
// while it lives, and remembers the questions asked.
class FileAnswer {
  public:
    explicit FileAnswer(std::optional<QString> path) {
        previous_ = ui::SetFileQuestionHook([this, path](QWidget*, const ui::FileQuestion& q) {
            questions.push_back(q);
            return path;
        });
    }
    ~FileAnswer() { ui::SetFileQuestionHook(previous_); }
    FileAnswer(const FileAnswer&) = delete;
    FileAnswer& operator=(const FileAnswer&) = delete;

    std::vector<ui::FileQuestion> questions;

  private:
    ui::FileQuestionHook previous_;
};

inline QString ReadWholeFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return QString::fromStdString(out.str());
}

// Runs the event loop until done() holds or timeoutMs has passed.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // so that the loop looks again even when no event comes
    wake.start(5);
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

}  // namespace zvk::test
