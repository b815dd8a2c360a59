#include "cli/ImageOptions.h"

namespace zvk::cli {

bool ReadImageOptions(const ParsedArgs& parsed, ImageOptions& options) {
    if (!SelectPartOption(parsed, "AT89C55")) return false;
    options.kind = parsed.Has(kEepromFlag) ? BufferKind::Eeprom : BufferKind::Flash;
    return ReadAddressOption(parsed, kLoadAtOption, options.loadAt);
}

MessageWatch::MessageWatch() {
    previous_ = SetMessagePresenter([this](const Message& m) {
        if (m.icon == MessageIcon::Stop || m.icon == MessageIcon::Warning) ++errors_;
        const MessageResult answer = previous_(m);
        return m.buttons == MessageButtons::RetryCancel ? MessageResult::Cancel : answer;
    });
}

MessageWatch::~MessageWatch() { SetMessagePresenter(previous_); }

}  // namespace zvk::cli
