#pragma once
// The machine's serial ports, and the COMn names a person gives them.
//
// Discovery reads what the kernel shows: every tty under <sys>/class/tty that
// sits on a device (a UART, a USB adapter) and has a node in <dev>, with the
// manufacturer, product and serial number of the USB device above it, and
// the stable name <dev>/serial/by-id/... that udev makes for it. The roots
// are parameters so that a test can build the tree in a folder of its own.
//
// An assignment is a symbolic link COMn in the settings folder
// (app/SettingsLocation.h) to the chosen device; ResolvePort (link/Link.h)
// finds it. Standard C++ only: zvk-cli and the Serial Port dialog share it.

#include <cstdint>
#include <string>
#include <vector>

#include "link/Link.h"

namespace zvk {

struct SerialPortInfo {
    std::string device;        // "/dev/ttyUSB0"
    std::string description;   // the USB product, else the name of the driver
    std::string manufacturer;  // the USB manufacturer, or empty
    std::string serialNumber;  // the USB serial number, or empty
    std::string stableName;    // "/dev/serial/by-id/...", or empty when udev made none
};

struct DiscoveryRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
};

// The serial ports present now, sorted by device name. Serial drivers list
// more UARTs than the machine has; those without hardware are left out.
[[nodiscard]] std::vector<SerialPortInfo> DiscoverSerialPorts(const DiscoveryRoots& roots = {});

// Whether a port name leads to something that exists now (links followed).
[[nodiscard]] bool PortPresent(const std::string& name);

// A COM name as a person sees it: the device it resolves to, where that
// leads when it is a link, and whether it is there now.
struct ComPortView {
    std::string com;  // "COM3"
    ResolvedPort resolved;
    std::string linkTarget;  // the link's target made absolute, or empty
    bool present = false;
};
[[nodiscard]] ComPortView DescribeComPort(std::uint8_t portIndex);

// What an assignment would link to: the stable by-id name when `device` is
// the node of a discovered port that has one, else `device` made absolute.
[[nodiscard]] std::string AssignmentTarget(const std::string& device,
                                           const DiscoveryRoots& roots = {});

// The COMn link in the settings folder, whether or not it exists.
[[nodiscard]] std::string AssignmentPath(std::uint8_t portIndex);

// Whether the settings folder holds a link COMn.
[[nodiscard]] bool HasAssignment(std::uint8_t portIndex);

// Makes COM<portIndex + 1> a link in the settings folder (made when needed)
// to the device, replacing an earlier link in one step. Returns an empty
// text when done, else why not: a device that does not exist, a COMn there
// that is not a link, a folder that cannot be written.
[[nodiscard]] std::string AssignPort(std::uint8_t portIndex, const std::string& device,
                                     const DiscoveryRoots& roots = {});

// Removes the link COMn from the settings folder. Returns an empty text when
// done, else why not (no such link there).
[[nodiscard]] std::string UnassignPort(std::uint8_t portIndex);

}  // namespace zvk
