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

std::uint8_t ProgrammingModeFor(std::uint8_t part, std::uint8_t mode) {
    assert(part < kDeviceCount);
    return DeviceTable[part].SpiCapable ? mode : static_cast<std::uint8_t>(mode | kModeParallel);
}

void EnforceProgrammingMode() {
    App().ProgrammingMode = ProgrammingModeFor(App().SelectedDevice, App().ProgrammingMode);
}

}  // namespace zvk
