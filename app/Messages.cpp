#include "app/Messages.h"

#include <cstdio>
#include <utility>

namespace zvk {
namespace {

MessageResult FirstButton(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return MessageResult::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageResult::Yes;
        case MessageButtons::RetryCancel:
            return MessageResult::Retry;
    }
    return MessageResult::Ok;
}

MessageResult PrintToStderr(const Message& m) {
    std::fprintf(stderr, "%s: %s\n", m.caption.c_str(), m.text.c_str());
    return FirstButton(m.buttons);
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter = PrintToStderr;
    return presenter;
}

}  // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    if (!presenter) presenter = PrintToStderr;
    return std::exchange(Presenter(), std::move(presenter));
}

MessageResult ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                          MessageButtons buttons) {
    return Presenter()(Message{std::string(text), std::string(caption), icon, buttons});
}

}  // namespace zvk
