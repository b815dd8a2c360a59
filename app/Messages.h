#pragma once
// The core's one way to speak to the user. Errors and completions go through
// ShowMessage with the program's exact texts; the desktop program presents them
// in a message box, zvk-cli prints "CAPTION: text" to stderr, and tests record
// them.

#include <functional>
#include <string>
#include <string_view>

namespace zvk {

enum class MessageIcon { None, Stop, Information, Warning, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageResult { Ok, Cancel, Yes, No, Retry };

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

using MessagePresenter = std::function<MessageResult(const Message&)>;

// Installs a presenter; returns the one it replaces. An empty presenter
// restores the default, which prints "CAPTION: text" to stderr and answers
// with the first button (Ok, Yes or Retry).
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

MessageResult ShowMessage(std::string_view text, std::string_view caption,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok);

}  // namespace zvk
