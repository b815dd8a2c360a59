// zvk-cli ports: what COM1 to COM9 stand for on this machine and the serial
// ports found on it; --assign and --unassign give a COM name a device, as the
// Serial Port dialog's Assign does.

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "app/SettingsLocation.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "link/Link.h"
#include "link/PortDiscovery.h"

namespace zvk::cli {
namespace {

// Where a COM name's entry was found, by PortSource.
constexpr std::array<const char*, 3> kSourceWords{
    "beside the program",
    "assigned in the settings folder",
    "the system's own name",
};

void PrintComPort(std::uint8_t index) {
    const ComPortView view = DescribeComPort(index);
    std::string line = view.com + "  " + view.resolved.name;
    if (!view.linkTarget.empty()) line += " -> " + view.linkTarget;
    line += "  (";
#ifndef _WIN32
    line += view.present ? "present, " : "not present, ";
#endif
    line += kSourceWords[static_cast<std::size_t>(view.resolved.source)];
    line += ")";
    std::printf("%s\n", line.c_str());
}

void PrintDetectedPorts() {
    const auto ports = DiscoverSerialPorts();
    std::printf("serial ports found:%s\n", ports.empty() ? " none" : "");
    for (const SerialPortInfo& port : ports) {
        std::string line = "  " + port.device;
        const auto add = [&line](const char* label, const std::string& value) {
            if (!value.empty()) line += std::string(label) + value;
        };
        add("  ", port.description);
        add("; manufacturer: ", port.manufacturer);
        add("; serial number: ", port.serialNumber);
        add("; stable name: ", port.stableName);
        std::printf("%s\n", line.c_str());
    }
}

std::optional<std::uint8_t> ComOption(const std::string& name) {
    const auto index = ParseComName(name);
    if (!index) UsageError(name + " is not a COM name: COM1 to COM9");
    return index;
}

}  // namespace

int RunPorts(Args args) {
    const auto parsed = ParseArgs(args, {"--assign", "--unassign"}, {});
    if (!parsed) return 2;
    const auto assign = parsed->Value("--assign");
    const auto unassign = parsed->Value("--unassign");
    if (assign && unassign) return UsageError("ports: --assign and --unassign do not go together");

    if (assign) {
        if (parsed->positional.size() != 1) {
            return UsageError("ports --assign COMn DEVICE: one device is needed");
        }
        const auto index = ComOption(*assign);
        if (!index) return 2;
        const std::string failure = AssignPort(*index, parsed->positional[0]);
        if (!failure.empty()) {
            std::fprintf(stderr, "zvk-cli: %s\n", failure.c_str());
            return 1;
        }
        // Shows what the name reaches now, which tells also when an entry
        // beside the program still comes first.
        PrintComPort(*index);
        return 0;
    }
    if (unassign) {
        if (!parsed->positional.empty()) return UsageError("ports --unassign COMn takes no device");
        const auto index = ComOption(*unassign);
        if (!index) return 2;
        const std::string failure = UnassignPort(*index);
        if (!failure.empty()) {
            std::fprintf(stderr, "zvk-cli: %s\n", failure.c_str());
            return 1;
        }
        PrintComPort(*index);
        return 0;
    }
    if (!parsed->positional.empty()) return UsageError("ports takes no arguments without --assign");

    std::printf("settings folder: %s\n", SettingsDirectory().c_str());
    for (std::uint8_t index = 0; index < kComPortCount; ++index) PrintComPort(index);
    PrintDetectedPorts();
    return 0;
}

}  // namespace zvk::cli
