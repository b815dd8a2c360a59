#include "app/DeviceTable.h"

#include <cassert>
#include <cctype>

#include "app/AppState.h"

namespace zvk {

const DeviceInfo& SelectedDeviceInfo() {
    assert(App().SelectedDevice < kDeviceCount);
    return DeviceTable[App().SelectedDevice];
}

std::optional<std::uint8_t> FindDeviceByName(std::string_view partName) {
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        const std::string_view name = DeviceTable[i].PartName;
        if (name.size() != partName.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) {
            same = std::toupper(static_cast<unsigned char>(partName[k])) == name[k];
        }
        if (same) return static_cast<std::uint8_t>(i);
    }
    return std::nullopt;
}

void SelectDevice(std::uint8_t index) {
    assert(index < kDeviceCount);
    App().SelectedDevice = index;
    App().FlashLastAddress = DeviceTable[index].LastAddress();
}

void EnforceProgrammingMode() {
    if (!SelectedDeviceInfo().SpiCapable) App().ProgrammingMode |= kModeParallel;
}

}  // namespace zvk
