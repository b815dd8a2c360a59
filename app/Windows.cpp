#include "app/Windows.h"

#include <utility>

namespace zvk {
namespace {
CommandSender& Sender() {
    static CommandSender sender;
    return sender;
}
}  // namespace

CommandSender SetCommandSender(CommandSender sender) {
    return std::exchange(Sender(), std::move(sender));
}

void SendCommand(WindowHandle window, int command) {
    if (window != nullptr && Sender()) Sender()(window, command);
}

}  // namespace zvk
