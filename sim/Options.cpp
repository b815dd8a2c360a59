#include "sim/Options.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/Installation.h"

namespace zvk::sim {
namespace {

constexpr const char* kUsage =
    "Usage: zvk-unit-sim [OPTIONS]\n"
    "A virtual programmer unit with a virtual AT89 chip, on a pseudo-terminal.\n"
    "\n"
    "  --link PATH          create a symbolic link PATH to the terminal; zvk reaches\n"
    "                       it as COMn when PATH is COMn beside the zvk executable\n"
    "                       or in its settings folder (zvk-cli ports shows it)\n"
    "  --part PART          the chip in the socket (default AT89S52)\n"
    "  --image FILE         initial Flash contents, raw binary from address 0\n"
    "  --dump FILE          write the chip's Flash, EEPROM and lock bits at exit\n"
    "  --wire-log FILE      log every byte in both directions, one exchange a line\n"
    "  --socket-control PATH\n"
    "                       create a FIFO PATH that takes one command a line, to\n"
    "                       change chips while the unit runs (Socket control below)\n"
    "  --baud N             take the wire time of each byte (10 bits) at N baud;\n"
    "                       default: no delay\n"
    "  --third-byte HH      the third signature byte (default 06 for AT89S51, S52,\n"
    "                       LS51 and LS52, else FF); for AT89C51, C52 and C55 it\n"
    "                       selects the command set: FF the first, any other the second\n"
    "faults:\n"
    "  --silent             the unit answers nothing\n"
    "  --silent-after N     the unit answers nothing and does nothing once it has\n"
    "                       sent N bytes (the answer under way is cut there)\n"
    "  --no-chip            the socket is empty\n"
    "  --wrong-part PART    the chip gives PART's signature\n"
    "  --fail-at ADDR       answer 'E' to the data byte for ADDR (hex, as announced)\n"
    "  --drop-every N       lose every Nth byte the unit sends\n"
    "  --garbage-every N    invert every Nth byte the unit sends\n"
    "other options:\n"
    "  --help               show this text and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "The chip behaves like flash: programming only clears bits, erase sets FF and\n"
    "clears the lock bits. LB1 (or higher) stops programming; LB2 or LB3 stops\n"
    "verify: each byte then reads as its address XOR A5 (low byte).\n"
    "\n"
    "Ends on SIGTERM or SIGINT and removes its link.\n"
    "\n"
    "Wire log lines: \"> \" and the host's bytes, then \" < \" and the unit's answer,\n"
    "in hex, for example \"> 0D < 2D\".\n"
    "\n"
    "Socket control:\n"
    "  The lines the FIFO of --socket-control takes, e.g. echo remove > PATH; an\n"
    "  unknown command or part is reported on stderr and ignored.\n"
    "    remove        empty the socket (as --no-chip)\n"
    "    insert        a fresh erased chip of the part last in the socket\n"
    "    insert PART   a fresh erased chip of PART\n"
    "    dump FILE     the chip's contents into FILE now, as --dump writes them\n"
    "\n"
    "Dump format:\n"
    "  The file --dump writes: text, numbers in upper-case hex.\n"
    "  part AT89S8252\n"
    "  lock-bits LB1 LB2              (or: lock-bits none)\n"
    "  serial-programming enabled     (or: disabled)\n"
    "  flash 2000                     (size, then one line of 16 bytes per 16)\n"
    "  0000: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "  ...\n"
    "  eeprom 0800                    (eeprom 0000 and no lines without EEPROM)\n"
    "  0000: FF FF ...\n"
    "or the one line \"socket empty\" when the socket is empty at exit.\n";

enum OptionId {
    kLink = 1000,
    kPart,
    kImage,
    kDump,
    kWireLog,
    kSocketControl,
    kBaud,
    kThirdByte,
    kSilent,
    kSilentAfter,
    kNoChip,
    kWrongPart,
    kFailAt,
    kDropEvery,
    kGarbageEvery,
    kHelp,
    kVersion,
};

constexpr option kOptions[] = {
    {"link", required_argument, nullptr, kLink},
    {"part", required_argument, nullptr, kPart},
    {"image", required_argument, nullptr, kImage},
    {"dump", required_argument, nullptr, kDump},
    {"wire-log", required_argument, nullptr, kWireLog},
    {"socket-control", required_argument, nullptr, kSocketControl},
    {"baud", required_argument, nullptr, kBaud},
    {"third-byte", required_argument, nullptr, kThirdByte},
    {"silent", no_argument, nullptr, kSilent},
    {"silent-after", required_argument, nullptr, kSilentAfter},
    {"no-chip", no_argument, nullptr, kNoChip},
    {"wrong-part", required_argument, nullptr, kWrongPart},
    {"fail-at", required_argument, nullptr, kFailAt},
    {"drop-every", required_argument, nullptr, kDropEvery},
    {"garbage-every", required_argument, nullptr, kGarbageEvery},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

bool Number(const char* text, int base, unsigned long max, unsigned long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(text, &end, base);
    return *text != '\0' && *end == '\0' && errno == 0 && out <= max && text[0] != '-';
}

}  // namespace

std::optional<SimOptions> ParseOptions(int argc, char** argv, int& exitStatus) {
    SimOptions o;
    exitStatus = 2;
    const auto fail = [](const char* what, const char* value) {
        std::fprintf(stderr, "zvk-unit-sim: %s: %s\n", what, value);
        return std::nullopt;
    };
    ::optind = 1;
    ::opterr = 0;
    int id = 0;
    while ((id = ::getopt_long(argc, argv, ":", kOptions, nullptr)) != -1) {
        unsigned long n = 0;
        const char* arg = ::optarg;
        switch (id) {
            case kLink:
                o.Pty.LinkPath = arg;
                break;
            case kImage:
                o.ImagePath = arg;
                break;
            case kDump:
                o.DumpPath = arg;
                break;
            case kWireLog:
                o.WireLogPath = arg;
                break;
            case kSocketControl:
                o.Pty.SocketControlPath = arg;
                break;
            case kSilent:
                o.Unit.Silent = true;
                break;
            case kSilentAfter:
                if (!Number(arg, 10, 1'000'000'000, n)) return fail("bad count", arg);
                o.Unit.SilentAfter = n;
                break;
            case kNoChip:
                o.Unit.NoChip = true;
                break;
            case kPart:
            case kWrongPart: {
                const auto part = FindDeviceByName(arg);
                if (!part) return fail("unknown part", arg);
                (id == kPart ? o.Unit.Part : o.Unit.ReportedPart.emplace()) = *part;
                break;
            }
            case kBaud:
                if (!Number(arg, 10, 4'000'000, n) || n == 0) return fail("bad baud rate", arg);
                o.Pty.Baud = static_cast<unsigned>(n);
                break;
            case kThirdByte:
                if (!Number(arg, 16, 0xFF, n)) return fail("bad byte", arg);
                o.Unit.ThirdSignatureByte = static_cast<std::uint8_t>(n);
                break;
            case kFailAt:
                if (!Number(arg, 16, 0xFFFF, n)) return fail("bad address", arg);
                o.Unit.FailAt = static_cast<std::uint16_t>(n);
                break;
            case kDropEvery:
            case kGarbageEvery:
                if (!Number(arg, 10, 1'000'000'000, n) || n == 0) return fail("bad count", arg);
                (id == kDropEvery ? o.Noise.DropEvery : o.Noise.GarbageEvery) =
                    static_cast<unsigned>(n);
                break;
            case kHelp:
                std::fputs(kUsage, stdout);
                exitStatus = 0;
                return std::nullopt;
            case kVersion: {
                const std::string_view version = ProgramVersion();
                std::printf("zvk-unit-sim %.*s\n", static_cast<int>(version.size()),
                            version.data());
                exitStatus = 0;
                return std::nullopt;
            }
            default:
                fail(id == ':' ? "missing value" : "unknown option", argv[::optind - 1]);
                std::fputs(kUsage, stderr);
                return std::nullopt;
        }
    }
    if (::optind < argc) return fail("unexpected argument", argv[::optind]);
    return o;
}

}  // namespace zvk::sim
