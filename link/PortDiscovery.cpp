#include "link/PortDiscovery.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "app/SafeFile.h"
#include "app/SettingsLocation.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need; initguid makes devguid.h define the ports
// class rather than only declare it.
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>

#include "app/Utf8Path.h"
#else
#include <unistd.h>
#endif

namespace zvk {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// The COM number of "COMn", for sorting COM2 before COM10; 0 for other names.
unsigned ComNumber(const std::string& name) {
    unsigned n = 0;
    if (name.size() < 4) return 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return n;
}

// A string value of a registry key, or empty.
std::string RegistryText(HKEY key, const wchar_t* name) {
    wchar_t value[256];
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    value[size / sizeof(wchar_t)] = L'\0';
    return Utf8FromWide(value);
}

// The ports the serial drivers have announced: name -> the driver's device.
std::map<std::string, std::string> SerialCommPorts() {
    std::map<std::string, std::string> ports;
    HKEY key{};
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameSize = 255;
        wchar_t data[256];
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status = ::RegEnumValueW(key, i, name, &nameSize, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize / sizeof(wchar_t)] = L'\0';
        ports.emplace(Utf8FromWide(data), Utf8FromWide(std::wstring_view(name, nameSize)));
    }
    ::RegCloseKey(key);
    return ports;
}

// What Device Manager shows of each present port: its friendly name
// ("USB Serial Port (COM3)") and maker, by COM name.
std::map<std::string, SerialPortInfo> PortsClassDevices() {
    std::map<std::string, SerialPortInfo> devices;
    const HDEVINFO set =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return devices;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const std::string com = RegistryText(key, L"PortName");
        ::RegCloseKey(key);
        if (com.empty()) continue;
        const auto property = [&](DWORD which) {
            wchar_t value[256];
            DWORD type = 0;
            if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, which, &type,
                                                     reinterpret_cast<BYTE*>(value),
                                                     sizeof value - sizeof(wchar_t), nullptr) ||
                type != REG_SZ) {
                return std::string();
            }
            value[255] = L'\0';
            return Utf8FromWide(value);
        };
        SerialPortInfo info;
        info.device = com;
        info.description = property(SPDRP_FRIENDLYNAME);
        if (info.description.empty()) info.description = property(SPDRP_DEVICEDESC);
        info.manufacturer = property(SPDRP_MFG);
        devices.emplace(com, std::move(info));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return devices;
}
#endif

#ifndef _WIN32
// How far above a tty's device its USB device may sit: the interface, then
// the device (usb-serial adds one level of its own).
constexpr int kUsbSearchDepth = 4;

// A sysfs attribute's first line, without trailing blanks; empty when absent.
std::string ReadAttribute(const fs::path& path) {
    std::string line;
    std::FILE* in = OpenRegularFileForReading(path.string());
    if (in == nullptr) return line;
    for (int c; (c = std::fgetc(in)) != EOF && c != '\n';) line += static_cast<char>(c);
    std::fclose(in);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

#endif

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool IsLink(const fs::path& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec));
}

#ifndef _WIN32
// The stable names udev made: device node -> by-id link.
std::map<std::string, std::string> StableNames(const fs::path& dev) {
    std::map<std::string, std::string> names;
    const fs::path byId = dev / "serial" / "by-id";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(byId, ec)) {
        std::error_code linkEc;
        const fs::path target = fs::read_symlink(entry.path(), linkEc);
        if (linkEc) continue;
        const fs::path node = (target.is_absolute() ? target : byId / target).lexically_normal();
        // Two names for one node: the first in name order, so that the
        // choice does not depend on the order the folder lists them in.
        auto [it, added] = names.emplace(node.string(), entry.path().string());
        if (!added && entry.path().string() < it->second) it->second = entry.path().string();
    }
    return names;
}

// The last part of a link's target ("driver" -> ".../drivers/serial" gives
// "serial"), or empty.
std::string LinkName(const fs::path& link) {
    std::error_code ec;
    return fs::read_symlink(link, ec).filename().string();
}

SerialPortInfo Describe(const fs::path& ttyEntry, const fs::path& node) {
    SerialPortInfo info;
    info.device = node.string();
    std::error_code ec;
    fs::path at = fs::canonical(ttyEntry / "device", ec);
    if (ec) return info;
    std::string driver;
    for (int level = 0; level <= kUsbSearchDepth && at.has_relative_path(); ++level) {
        if (Exists(at / "idVendor")) {
            info.manufacturer = ReadAttribute(at / "manufacturer");
            info.description = ReadAttribute(at / "product");
            info.serialNumber = ReadAttribute(at / "serial");
            break;
        }
        // Newer kernels put the serial core's own port and controller
        // devices between the tty and the UART; the UART's driver says more.
        const std::string subsystem = LinkName(at / "subsystem");
        if (driver.empty() && subsystem != "serial-base") {
            driver = LinkName(at / "driver");
            if (!driver.empty() && !subsystem.empty()) driver += " (" + subsystem + ")";
        }
        at = at.parent_path();
    }
    if (info.description.empty()) info.description = driver;
    return info;
}
#endif

}  // namespace

std::vector<SerialPortInfo> DiscoverSerialPorts(const DiscoveryRoots& roots) {
    std::vector<SerialPortInfo> ports;
#ifndef _WIN32
    const fs::path dev = fs::path(roots.dev).lexically_normal();
    const auto stable = StableNames(dev);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(roots.sys) / "class" / "tty", ec)) {
        const fs::path tty = entry.path();
        // Consoles and pseudo-terminals sit on no device.
        if (!Exists(tty / "device")) continue;
        // A serial driver lists all the UARTs it could drive; type 0 says
        // that no UART answered at that place.
        if (Exists(tty / "type") && ReadAttribute(tty / "type") == "0") continue;
        const fs::path node = (dev / tty.filename()).lexically_normal();
        if (!Exists(node)) continue;
        SerialPortInfo info = Describe(tty, node);
        if (const auto it = stable.find(node.string()); it != stable.end()) {
            info.stableName = it->second;
        }
        ports.push_back(std::move(info));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.device < b.device; });
#else
    // The system's own list, with what Device Manager tells of each port.
    (void)roots;
    std::map<std::string, SerialPortInfo> devices = PortsClassDevices();
    for (const auto& [com, driverDevice] : SerialCommPorts()) {
        SerialPortInfo info;
        if (const auto it = devices.find(com); it != devices.end()) info = it->second;
        info.device = com;
        if (info.description.empty()) info.description = driverDevice;
        ports.push_back(std::move(info));
        devices.erase(com);
    }
    for (auto& [com, info] : devices) ports.push_back(std::move(info));
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        const unsigned na = ComNumber(a.device);
        const unsigned nb = ComNumber(b.device);
        return na != nb ? na < nb : a.device < b.device;
    });
#endif
    return ports;
}

bool PortPresent(const std::string& name) { return Exists(name); }

ComPortView DescribeComPort(std::uint8_t portIndex) {
    ComPortView view;
    view.com = ComName(portIndex);
    view.resolved = ResolvePort(portIndex);
#ifndef _WIN32
    const fs::path name = view.resolved.name;
    std::error_code ec;
    if (IsLink(name)) {
        const fs::path target = fs::read_symlink(name, ec);
        if (!ec) {
            view.linkTarget =
                (target.is_absolute() ? target : name.parent_path() / target).lexically_normal();
        }
    }
    view.present = Exists(name);
#endif
    return view;
}

std::string AssignmentTarget(const std::string& device, const DiscoveryRoots& roots) {
    std::error_code ec;
    const std::string absolute = fs::absolute(device, ec).lexically_normal().string();
    for (const SerialPortInfo& port : DiscoverSerialPorts(roots)) {
        if (port.device == absolute && !port.stableName.empty()) return port.stableName;
    }
    return absolute;
}

std::string AssignmentPath(std::uint8_t portIndex) { return SettingsFilePath(ComName(portIndex)); }

bool HasAssignment(std::uint8_t portIndex) { return IsLink(AssignmentPath(portIndex)); }

std::string AssignPort(std::uint8_t portIndex, const std::string& device,
                       const DiscoveryRoots& roots) {
#ifdef _WIN32
    (void)portIndex, (void)device, (void)roots;
    return "COM names are the system's own on Windows";
#else
    fs::path chosen = device;
    // A bare name such as ttyUSB0 means the node in the device folder.
    if (!chosen.empty() && !chosen.has_parent_path() && !Exists(chosen)) {
        chosen = fs::path(roots.dev) / chosen;
    }
    std::error_code kindEc;
    if (device.empty() || !Exists(chosen) || fs::is_directory(chosen, kindEc)) {
        return device + " does not exist";
    }
    const std::string target = AssignmentTarget(chosen.string(), roots);
    const fs::path link = SettingsFilePathForWriting(ComName(portIndex));
    if (link.empty()) {
        return "there is no settings folder for " + ComName(portIndex) +
               ": neither XDG_CONFIG_HOME nor HOME names a folder";
    }
    std::error_code ec;
    if (fs::symlink_status(link, ec).type() != fs::file_type::not_found && !IsLink(link)) {
        return link.string() + " is not a link; it was left as it is";
    }
    // Made under a name of its own and renamed over the old link, so that
    // the name never points nowhere and never at a half-made link.
    static std::atomic<unsigned> counter{0};
    const fs::path temporary =
        link.parent_path() / ("." + link.filename().string() + ".zvk-" +
                              std::to_string(::getpid()) + "-" + std::to_string(counter++));
    if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), link.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(temporary.c_str());
        return "cannot write " + link.string() + ": " + why;
    }
    return {};
#endif
}

std::string UnassignPort(std::uint8_t portIndex) {
    const fs::path link = AssignmentPath(portIndex);
    if (!IsLink(link)) {
        return ComName(portIndex) + " has no assignment in " + link.parent_path().string();
    }
    std::error_code ec;
    fs::remove(link, ec);
    if (ec) return "cannot remove " + link.string() + ": " + ec.message();
    return {};
}

}  // namespace zvk
