#pragma once
// The ways the link test suite reaches a virtual unit: in the same process
// (InProcessRig: the unit model behind an in-process transport, time on a
// ManualClock, the program's own time-outs) and through a real
// pseudo-terminal (PtyRig: zvk-unit-sim as a child process, reached through a
// real serial transport, QSerialPort or termios; real time for reads, pauses
// only recorded). Each opens its unit's port, Port(), with OpenProgrammerPort
// from a temporary program directory; NowherePort() is a port that cannot be
// opened.
//
// On Linux the unit's port is COM2, a link in the program directory, which
// also holds a COM6 link to nowhere. A Windows test program under Wine
// reaches the Linux zvk-unit-sim through the Win32 transport on a Wine COM
// port of its own (COM100 and up), since the tests run side by side; COM256
// is the port to nowhere there.

#include <gtest/gtest.h>

#ifdef ZVK_TEST_QT_TRANSPORT
#include <QCoreApplication>
#endif

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "link/Link.h"
#ifdef _WIN32
#include "link/Win32SerialTransport.h"
#else
#include "link/PosixSerialTransport.h"
#endif
#ifdef ZVK_TEST_QT_TRANSPORT
#include "link/QtSerialTransport.h"
#endif
#include "sim/InProcessTransport.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk::test {

// How the virtual unit is set up for one test.
struct SimSetup {
    std::string part = "AT89S52";
    std::optional<std::string> wrongPart;
    std::optional<std::uint8_t> thirdByte;
    bool silent = false;
    bool noChip = false;
    std::optional<std::uint16_t> failAt;
    unsigned garbageEvery = 0;
    unsigned dropEvery = 0;
    std::optional<unsigned long> silentAfter;
    std::vector<std::uint8_t> image;  // initial Flash from address 0

    SimSetup& WrongPart(std::string p) {
        wrongPart = std::move(p);
        return *this;
    }
    SimSetup& ThirdByte(std::uint8_t b) {
        thirdByte = b;
        return *this;
    }
    SimSetup& Silent() {
        silent = true;
        return *this;
    }
    SimSetup& NoChip() {
        noChip = true;
        return *this;
    }
    SimSetup& FailAt(std::uint16_t a) {
        failAt = a;
        return *this;
    }
    SimSetup& GarbageEvery(unsigned n) {
        garbageEvery = n;
        return *this;
    }
    SimSetup& DropEvery(unsigned n) {
        dropEvery = n;
        return *this;
    }
    SimSetup& SilentAfter(unsigned long bytes) {
        silentAfter = bytes;
        return *this;
    }
    SimSetup& Image(std::vector<std::uint8_t> i) {
        image = std::move(i);
        return *this;
    }
};

// A unit with this part in the socket.
inline SimSetup Unit(std::string part = "AT89S52") {
    SimSetup setup;
    setup.part = std::move(part);
    return setup;
}

inline constexpr std::uint8_t kCom2 = 1;  // port index
inline constexpr std::uint8_t kCom6 = 5;  // a link to nowhere

// Real time for the serial reads, but pauses that are only recorded: the
// unit on the terminal does not need them, and the tests need not wait.
class RealTimeRecordedPauses final : public Clock {
  public:
    TimePoint Now() override { return steady_.Now(); }
    void Sleep(Duration duration) override { sleeps.push_back(duration); }
    std::vector<Duration> sleeps;

  private:
    SteadyClock steady_;
};

// The chip as the dump text describes it.
inline sim::ChipState ParseDump(const std::string& text) {
    sim::ChipState chip;
    std::vector<std::uint8_t>* memory = nullptr;
    for (const std::string& line : SplitLines(text)) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "lock-bits") {
            for (std::string bit; in >> bit;) {
                if (bit.starts_with("LB")) chip.LockBits |= 1U << (bit[2] - '1');
            }
        } else if (word == "serial-programming") {
            in >> word;
            chip.SerialProgramming = word == "enabled";
        } else if (word == "flash" || word == "eeprom") {
            memory = word == "flash" ? &chip.Flash : &chip.Eeprom;
        } else if (memory != nullptr && word.ends_with(":")) {
            for (unsigned value = 0; in >> std::hex >> value;) {
                memory->push_back(static_cast<std::uint8_t>(value));
            }
        }
    }
    return chip;
}

// The real serial transports, each as the factory a PtyRig installs.
#ifdef ZVK_TEST_QT_TRANSPORT
struct QtPort {
    static constexpr const char* kName = "QtSerialPort";
    static TransportFactory Factory() {
        // QSerialPort needs the process's Qt application object.
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "zvk_link_tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication application(argc, argv);
        }
        return MakeQtSerialTransport;
    }
};
#endif

#ifdef _WIN32
struct Win32Port {
    static constexpr const char* kName = "Win32";
    static TransportFactory Factory() { return MakeWin32SerialTransport; }
};

// A Wine COM port of this test's own among COM100 to COM250, away from the
// system's low ports and those the script-driven Wine tests link. Claimed by
// a folder in the prefix's temporary folder, made only when it is new.
class ClaimedComPort {
  public:
    ClaimedComPort() {
        const auto base = std::filesystem::temp_directory_path();
        for (unsigned index = 99; index < 250 && claim_.empty(); ++index) {
            const auto candidate = base / ("zvk-claimed-com" + std::to_string(index + 1));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec) && !ec) {
                claim_ = candidate;
                index_ = static_cast<std::uint8_t>(index);
            }
        }
    }
    ~ClaimedComPort() {
        std::error_code ec;
        if (!claim_.empty()) std::filesystem::remove(claim_, ec);
    }
    ClaimedComPort(const ClaimedComPort&) = delete;
    ClaimedComPort& operator=(const ClaimedComPort&) = delete;

    [[nodiscard]] bool Claimed() const { return !claim_.empty(); }
    [[nodiscard]] std::uint8_t Index() const { return index_; }

  private:
    std::filesystem::path claim_;
    std::uint8_t index_ = 0;
};
#else
struct TermiosPort {
    static constexpr const char* kName = "Termios";
    static TransportFactory Factory() { return MakePosixSerialTransport; }
};
#endif

class InProcessRig {
  public:
    static constexpr const char* kName = "InProcess";
    static constexpr bool kExactTime = true;

    void Start(const SimSetup& setup) {
        App().ProgramDirectory = dir_.Path().string();
#ifndef _WIN32  // on Windows COM6 is the system's own, which nothing answers here
        std::filesystem::create_symlink(dir_ / "nowhere", dir_ / "COM6");
#endif
        sim::UnitConfig config;
        config.Part = *FindDeviceByName(setup.part);
        if (setup.wrongPart) config.ReportedPart = *FindDeviceByName(*setup.wrongPart);
        config.ThirdSignatureByte = setup.thirdByte;
        config.Silent = setup.silent;
        config.NoChip = setup.noChip;
        config.FailAt = setup.failAt;
        config.SilentAfter = setup.silentAfter;
        model_ = std::make_unique<sim::UnitModel>(config);
        std::copy(setup.image.begin(), setup.image.end(), model_->Chip().Flash.begin());
        line_ = std::make_unique<sim::UnitLine>(
            *model_, sim::LineNoise{setup.dropEvery, setup.garbageEvery}, &log_);
        const std::string device = ResolvePortName(kCom2);
        previousFactory_ = SetTransportFactory(
            [this, device] { return std::make_unique<sim::InProcessTransport>(*line_, device); });
    }
    void Stop() { SetTransportFactory(std::move(previousFactory_)); }

    [[nodiscard]] std::uint8_t Port() const { return kCom2; }
    [[nodiscard]] std::uint8_t NowherePort() const { return kCom6; }

    // The wire log of everything so far; the unit stays as it is.
    std::vector<std::string> Wire() { return SplitLines(log_.str()); }
    sim::ChipState Chip() { return model_->Chip(); }
    std::vector<Clock::Duration>& Sleeps() { return clock_.sleeps; }
    [[nodiscard]] LinkTimeouts TimingTimeouts() const { return {}; }

  private:
    TempDir dir_;
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    std::ostringstream log_;
    std::unique_ptr<sim::UnitModel> model_;
    std::unique_ptr<sim::UnitLine> line_;
    TransportFactory previousFactory_;
};

#ifdef ZVK_UNIT_SIM_PATH  // zvk-unit-sim on a pseudo-terminal
template <typename Transport>
class PtyRig {
  public:
    static constexpr const char* kName = Transport::kName;
    static constexpr bool kExactTime = false;

    void Start(const SimSetup& setup) {
        App().ProgramDirectory = dir_.Path().string();
#ifdef _WIN32
        ASSERT_TRUE(port_.Claimed()) << "no Wine COM port free among COM100 to COM250";
#else
        std::filesystem::create_symlink(dir_ / "nowhere", dir_ / "COM6");
#endif
        answers_ = !setup.silent && !setup.silentAfter;
        std::vector<std::string> options{"--part", setup.part};
        if (setup.wrongPart) options.insert(options.end(), {"--wrong-part", *setup.wrongPart});
        if (setup.thirdByte) options.insert(options.end(), {"--third-byte", Hex(*setup.thirdByte)});
        if (setup.silent) options.emplace_back("--silent");
        if (setup.noChip) options.emplace_back("--no-chip");
        if (setup.failAt) options.insert(options.end(), {"--fail-at", Hex(*setup.failAt)});
        if (setup.garbageEvery != 0) {
            options.insert(options.end(), {"--garbage-every", std::to_string(setup.garbageEvery)});
        }
        if (setup.dropEvery != 0) {
            options.insert(options.end(), {"--drop-every", std::to_string(setup.dropEvery)});
        }
        if (setup.silentAfter) {
            options.insert(options.end(), {"--silent-after", std::to_string(*setup.silentAfter)});
        }
        if (!setup.image.empty()) {
            std::ofstream(dir_ / "image.bin", std::ios::binary)
                .write(reinterpret_cast<const char*>(setup.image.data()),
                       static_cast<std::streamsize>(setup.image.size()));
            options.insert(options.end(),
                           {"--image", UnitSimProcess::UnitPath(dir_ / "image.bin")});
        }
        ASSERT_TRUE(unit_.Start(dir_.Path(), ComName(Port()), options))
            << "zvk-unit-sim did not start: " << unit_.Output();
        previousFactory_ = SetTransportFactory(Transport::Factory());
    }
    void Stop() {
        unit_.Stop();
        SetTransportFactory(std::move(previousFactory_));
    }

#ifdef _WIN32
    [[nodiscard]] std::uint8_t Port() const { return port_.Index(); }
    [[nodiscard]] std::uint8_t NowherePort() const { return 255; }
#else
    [[nodiscard]] std::uint8_t Port() const { return kCom2; }
    [[nodiscard]] std::uint8_t NowherePort() const { return kCom6; }
#endif

    // Ends the unit once it has carried out everything the host sent, and
    // gives its wire log.
    std::vector<std::string> Wire() {
        Finish();
        return wire_;
    }
    sim::ChipState Chip() {
        Finish();
        return chip_;
    }
    std::vector<Clock::Duration>& Sleeps() { return clock_.sleeps; }
    // Short enough that a silent unit costs little real time, long enough
    // for a unit that answers.
    [[nodiscard]] LinkTimeouts TimingTimeouts() const {
        return {Clock::Duration(500), Clock::Duration(50), Clock::Duration(50),
                Clock::Duration(300)};
    }

  private:
    static std::string Hex(unsigned value) {
        std::ostringstream out;
        out << std::hex << value;
        return out.str();
    }

    void Finish() {
        if (unit_.Pid() <= 0) return;
        // The unit answers in order, so once the answer to this last check
        // is back, everything before it has been carried out and logged. A
        // silent unit still carries out what has reached it before it ends.
        bool synced = false;
        SerialTransport* port = App().ProgrammerLink;
        if (port != nullptr && answers_) {
            port->Purge();
            std::uint8_t byte = kCheckProgrammerByte;
            synced = port->Write(&byte, 1, Clock::Duration(1000)) == 1 &&
                     port->Read(&byte, 1, Clock::Duration(2000)) == 1;
        }
        unit_.Stop();
        wire_ = unit_.WireLog();
        if (synced && !wire_.empty() && wire_.back().starts_with("> 0D")) wire_.pop_back();
        chip_ = ParseDump(unit_.Dump());
    }

    static constexpr std::uint8_t kCheckProgrammerByte = 0x0D;

#ifdef _WIN32
    ClaimedComPort port_;
#endif
    TempDir dir_;
    bool answers_ = true;
    RealTimeRecordedPauses clock_;
    ScopedClock scopedClock_{clock_};
    UnitSimProcess unit_;
    std::vector<std::string> wire_;
    sim::ChipState chip_;
    TransportFactory previousFactory_;
};
#endif

}  // namespace zvk::test
