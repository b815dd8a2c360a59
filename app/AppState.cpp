#include "app/AppState.h"

#include <utility>

namespace zvk {

AppState& App() {
    static AppState state;
    return state;
}

void ResetAppState() {
    std::string directory = std::move(App().ProgramDirectory);
    App() = AppState{};
    App().ProgramDirectory = std::move(directory);
}

std::uint16_t CurrentLastAddress() {
    return App().CurrentBufferKind == BufferKind::Flash ? App().FlashLastAddress
                                                        : App().EepromLastAddress;
}

}  // namespace zvk
