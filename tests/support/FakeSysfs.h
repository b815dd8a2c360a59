#pragma once
// A small copy of what the kernel and udev show about serial ports, built in a
// test's folder: <root>/sys/class/tty/<name> with its device link, the USB
// device's attributes above it, and <root>/dev with the nodes (plain files
// here) and the serial/by-id links.

#include <filesystem>
#include <fstream>
#include <string>

namespace zvk::test {

class FakeSysfs {
  public:
    explicit FakeSysfs(std::filesystem::path root) : sys_(root / "sys"), dev_(root / "dev") {
        std::filesystem::create_directories(sys_ / "class" / "tty");
        std::filesystem::create_directories(dev_);
    }

    [[nodiscard]] std::string Sys() const { return sys_.string(); }
    [[nodiscard]] std::string Dev() const { return dev_.string(); }

    // A tty that is on no device (a console, a pseudo-terminal).
    void AddVirtual(const std::string& name) {
        std::filesystem::create_directories(sys_ / "class" / "tty" / name);
        Node(name);
    }

    // A UART at devices/<place>, with its driver and the port type the
    // serial core reports (0: no UART there).
    void AddUart(const std::string& name, const std::string& place, const std::string& driver,
                 int type, bool withNode = true) {
        const auto device = Folder("devices/" + place);
        Link(device / "driver", sys_ / "bus" / "platform" / "drivers" / driver);
        Link(device / "subsystem", sys_ / "bus" / "platform");
        const auto tty = Folder("class/tty/" + name);
        Link(tty / "device", device);
        Write(tty / "type", std::to_string(type) + "\n");
        if (withNode) Node(name);
    }

    // A USB adapter: the USB device at devices/<usbDevice> with the given
    // attributes (an empty one is left out), its interface below it, and the
    // tty on the interface (ttyACM) or one level further (ttyUSB).
    void AddUsb(const std::string& name, const std::string& usbDevice, const std::string& product,
                const std::string& manufacturer, const std::string& serial, bool extraLevel) {
        const auto device = Folder("devices/" + usbDevice);
        Write(device / "idVendor", "0403\n");
        if (!product.empty()) Write(device / "product", product + "\n");
        if (!manufacturer.empty()) Write(device / "manufacturer", manufacturer + "\n");
        if (!serial.empty()) Write(device / "serial", serial + "\n");
        auto at = device / (std::filesystem::path(usbDevice).filename().string() + ":1.0");
        std::filesystem::create_directories(at);
        if (extraLevel) {
            at /= name;
            std::filesystem::create_directories(at);
        }
        const auto tty = Folder("class/tty/" + name);
        Link(tty / "device", at);
        Node(name);
    }

    // /dev/serial/by-id/<id> -> ../../<name>, as udev makes it.
    void AddById(const std::string& id, const std::string& name) {
        std::filesystem::create_directories(dev_ / "serial" / "by-id");
        std::filesystem::create_symlink("../../" + name, dev_ / "serial" / "by-id" / id);
    }

    [[nodiscard]] std::string NodePath(const std::string& name) const {
        return (dev_ / name).string();
    }

  private:
    std::filesystem::path Folder(const std::string& relative) {
        const auto path = sys_ / relative;
        std::filesystem::create_directories(path);
        return path;
    }
    static void Link(const std::filesystem::path& link, const std::filesystem::path& target) {
        std::filesystem::create_directories(target);
        // Several ttys may sit on one device (the UARTs of one driver).
        if (!std::filesystem::is_symlink(link))
            std::filesystem::create_directory_symlink(target, link);
    }
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text;
    }
    void Node(const std::string& name) { Write(dev_ / name, ""); }

    std::filesystem::path sys_;
    std::filesystem::path dev_;
};

}  // namespace zvk::test
