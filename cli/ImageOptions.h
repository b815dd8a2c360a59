#pragma once
// What the image commands (disasm, convert, checksum) share: the --part, --eeprom and
// --load-at options, and a watch over the messages the engine shows.

#include <cstdint>
#include <string_view>

#include "app/AppState.h"
#include "app/Messages.h"
#include "cli/Args.h"

namespace zvk::cli {

// The image options every image command takes.
inline constexpr std::string_view kPartOption = "--part";
inline constexpr std::string_view kLoadAtOption = "--load-at";
inline constexpr std::string_view kEepromFlag = "--eeprom";

struct ImageOptions {
    BufferKind kind = BufferKind::Flash;
    std::uint16_t loadAt = 0;
};

// Selects the part (AT89C55 unless --part names one, so that the whole Flash
// buffer is reachable) and reads --eeprom and --load-at. False after printing
// why.
bool ReadImageOptions(const ParsedArgs& parsed, ImageOptions& options);

// While it lives, prints every message as "CAPTION: text" on stderr, counts
// the errors among them, and answers Cancel to Retry/Cancel questions, so
// that nothing waits for a person.
class MessageWatch {
  public:
    MessageWatch();
    ~MessageWatch();
    MessageWatch(const MessageWatch&) = delete;
    MessageWatch& operator=(const MessageWatch&) = delete;

    [[nodiscard]] bool ErrorShown() const { return errors_ > 0; }

  private:
    MessagePresenter previous_;
    int errors_ = 0;
};

}  // namespace zvk::cli
