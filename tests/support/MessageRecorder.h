#pragma once
// Records every ShowMessage call while it lives, answering with queued results
// (or the first button when the queue is empty), and restores the previous
// presenter when it goes.

#include <deque>
#include <string>
#include <vector>

#include "app/Messages.h"

namespace zvk::test {

class MessageRecorder {
  public:
    MessageRecorder() {
        previous_ = SetMessagePresenter([this](const Message& m) {
            messages.push_back(m);
            if (!answers.empty()) {
                const MessageResult r = answers.front();
                answers.pop_front();
                return r;
            }
            switch (m.buttons) {
                case MessageButtons::YesNo:
                case MessageButtons::YesNoCancel:
                    return MessageResult::Yes;
                case MessageButtons::RetryCancel:
                    return MessageResult::Retry;
                default:
                    return MessageResult::Ok;
            }
        });
    }
    ~MessageRecorder() { SetMessagePresenter(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // "caption|text" of every message, in order: compact to compare in tests.
    [[nodiscard]] std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.caption + "|" + m.text);
        return out;
    }

    std::vector<Message> messages;
    std::deque<MessageResult> answers;

  private:
    MessagePresenter previous_;
};

}  // namespace zvk::test
