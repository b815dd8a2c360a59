#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "app/DeviceTable.h"
#include "sim/Dump.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"

namespace zvk::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kAck = '-';
constexpr std::uint8_t kErr = 'E';

UnitConfig ConfigFor(const char* part) {
    UnitConfig config;
    config.Part = *FindDeviceByName(part);
    return config;
}

Bytes Send(UnitModel& unit, std::initializer_list<std::uint8_t> bytes) {
    Bytes answer;
    for (std::uint8_t b : bytes) unit.Receive(b, answer);
    return answer;
}

TEST(UnitModel, AnswersTheProgrammerCheckAndEverySignatureCommand) {
    UnitModel s52(ConfigFor("AT89S52"));
    EXPECT_EQ(Send(s52, {0x0D}), Bytes{kAck});
    EXPECT_EQ(Send(s52, {0x32}), (Bytes{0x1E, 0x52, 0x06}));
    EXPECT_EQ(Send(s52, {0x14}), (Bytes{0x1E, 0x52, 0x06}));
    EXPECT_EQ(Send(s52, {0x0E}), (Bytes{0x1E, 0x52}));
    EXPECT_EQ(Send(s52, {0x31}), (Bytes{0x1E, 0x52, 0x06}));

    UnitModel c2051(ConfigFor("AT89C2051"));
    EXPECT_EQ(Send(c2051, {0x0E}), (Bytes{0x1E, 0x21}));

    UnitConfig wrong = ConfigFor("AT89S52");
    wrong.ReportedPart = *FindDeviceByName("AT89C51");
    UnitModel wrongPart(wrong);
    EXPECT_EQ(Send(wrongPart, {0x32}), (Bytes{0x1E, 0x51, 0xFF}));

    UnitConfig c51 = ConfigFor("AT89C51");
    c51.ThirdSignatureByte = 0x05;
    UnitModel secondKind(c51);
    EXPECT_EQ(Send(secondKind, {0x14}), (Bytes{0x1E, 0x51, 0x05}));

    UnitConfig empty = ConfigFor("AT89S52");
    empty.NoChip = true;
    UnitModel noChip(empty);
    EXPECT_EQ(Send(noChip, {0x0D, 0x32}), (Bytes{kAck, 0xFF, 0xFF, 0xFF}));

    UnitConfig off = ConfigFor("AT89S52");
    off.Silent = true;
    UnitModel silent(off);
    EXPECT_TRUE(Send(silent, {0x0D, 0x32, 0x38, 0, 0, 0, 1, 0x00, 0x33}).empty());
    EXPECT_EQ(silent.Chip().Flash[0], 0xFF);
}

TEST(UnitModel, ChipsAreSwappedInTheSocketEvenHalfWayThroughAnExchange) {
    UnitConfig config = ConfigFor("AT89S52");
    config.ReportedPart = *FindDeviceByName("AT89C2051");  // this chip's oddity
    config.FailAt = 0x0003;                                // the unit's
    UnitModel unit(config);

    // Pulled out while a read was being announced: it gives FF.
    EXPECT_EQ(Send(unit, {0x37, 0x00, 0x00, 0x00}), Bytes{});
    unit.RemoveChip();
    EXPECT_FALSE(unit.ChipPresent());
    EXPECT_EQ(Send(unit, {0x01}), Bytes{0xFF});
    // Pulled out after programming was announced: the data byte fails and
    // changes nothing.
    unit.InsertChip();
    unit.Chip().Flash[0] = 0x12;
    EXPECT_EQ(Send(unit, {0x38, 0x00, 0x00, 0x00, 0x01}), Bytes{});
    unit.RemoveChip();
    EXPECT_EQ(Send(unit, {0x00}), Bytes{kErr});
    EXPECT_EQ(unit.Chip().Flash[0], 0x12);
    EXPECT_EQ(Send(unit, {0x0D, 0x32}), (Bytes{kAck, 0xFF, 0xFF, 0xFF}));

    // A fresh chip of the same part: erased, with its own signature; the
    // unit's fault stays.
    unit.InsertChip();
    EXPECT_TRUE(unit.ChipPresent());
    EXPECT_EQ(Send(unit, {0x32}), (Bytes{0x1E, 0x52, 0x06}));
    EXPECT_EQ(unit.Chip().Flash, Bytes(8192, 0xFF));
    EXPECT_EQ(Send(unit, {0x38, 0x00, 0x03, 0x00, 0x01, 0x00}), Bytes{kErr});

    // Another part, with its size and its EEPROM or none.
    unit.InsertChip(*FindDeviceByName("AT89S8252"));
    EXPECT_EQ(Send(unit, {0x31}), (Bytes{0x1E, 0x72, 0xFF}));
    EXPECT_EQ(unit.Chip().Flash.size(), 8192U);
    EXPECT_EQ(unit.Chip().Eeprom.size(), kSimEepromSize);
    unit.InsertChip(*FindDeviceByName("AT89C51"));
    EXPECT_EQ(Send(unit, {0x14}), (Bytes{0x1E, 0x51, 0xFF}));
    EXPECT_EQ(unit.Chip().Flash.size(), 4096U);
    EXPECT_TRUE(unit.Chip().Eeprom.empty());
    std::ostringstream dump;
    WriteDump(dump, unit);
    EXPECT_TRUE(dump.str().starts_with("part AT89C51\n")) << dump.str();
    unit.RemoveChip();
    dump.str("");
    WriteDump(dump, unit);
    EXPECT_EQ(dump.str(), "socket empty\n");
}

TEST(UnitModel, AReadAnswersExactlyTheCountAskedAndFFPastTheEnd) {
    UnitModel unit(ConfigFor("AT89C1051"));  // 1 KB
    unit.Chip().Flash[0x3FF] = 0x5A;
    EXPECT_EQ(Send(unit, {0x12, 0x03, 0xFF, 0x00, 0x03}), (Bytes{0x5A, 0xFF, 0xFF}));
    EXPECT_TRUE(Send(unit, {0x12, 0x00, 0x00, 0x00, 0x00}).empty());
    EXPECT_EQ(Send(unit, {0x0D}), Bytes{kAck}) << "a count of 0 leaves the unit ready";
    EXPECT_EQ(Send(unit, {0x12, 0x00, 0x00, 0x01, 0x00}).size(), 256U);
}

TEST(UnitModel, ProgrammingCanOnlyClearBitsAndEraseSetsEverythingBack) {
    UnitModel unit(ConfigFor("AT89S52"));
    EXPECT_EQ(Send(unit, {0x38, 0x00, 0x10, 0x00, 0x02, 0xF0, 0x3C}), (Bytes{kAck, kAck}));
    EXPECT_EQ(Send(unit, {0x38, 0x00, 0x10, 0x00, 0x01, 0x0F}), Bytes{kAck});
    EXPECT_EQ(Send(unit, {0x37, 0x00, 0x10, 0x00, 0x02}), (Bytes{0x00, 0x3C}));
    Send(unit, {0x34});
    EXPECT_EQ(Send(unit, {0x33}), Bytes{});
    EXPECT_EQ(unit.Chip().LockBits, 0);
    EXPECT_EQ(Send(unit, {0x37, 0x00, 0x10, 0x00, 0x02}), (Bytes{0xFF, 0xFF}));
}

TEST(UnitModel, LockBitsOnlyAddUpLb1StopsProgrammingAndLb2Verify) {
    struct Case {
        const char* part;
        std::uint8_t program, read, lb1, lb2, erase;
    };
    for (const Case& c : {Case{"AT89S52", 0x38, 0x37, 0x34, 0x35, 0x33},
                          Case{"AT89C2051", 0x13, 0x12, 0x10, 0x11, 0x0F},
                          Case{"AT89S8252", 0x2C, 0x2B, 0x2D, 0x2E, 0x15}}) {
        SCOPED_TRACE(c.part);
        UnitModel unit(ConfigFor(c.part));
        unit.Chip().Flash[0x20] = 0x77;

        Send(unit, {c.lb1});
        EXPECT_TRUE(unit.Chip().ProgrammingLocked());
        // The first data byte fails and ends programming; the next byte is a command.
        EXPECT_EQ(Send(unit, {c.program, 0x00, 0x20, 0x00, 0x02, 0x00, 0x0D}), (Bytes{kErr, kAck}));
        EXPECT_EQ(Send(unit, {c.read, 0x00, 0x20, 0x00, 0x01}), Bytes{0x77});

        Send(unit, {c.lb2});
        Send(unit, {c.lb1});
        EXPECT_EQ(unit.Chip().LockBits, 0x03) << "no lock command lowers the level";
        EXPECT_EQ(Send(unit, {c.read, 0x00, 0x20, 0x00, 0x02}),
                  (Bytes{LockedReadPattern(0x20), LockedReadPattern(0x21)}));

        Send(unit, {c.erase});
        EXPECT_EQ(unit.Chip().LockBits, 0);
        EXPECT_EQ(Send(unit, {c.program, 0x00, 0x20, 0x00, 0x01, 0x12}), Bytes{kAck});
        EXPECT_EQ(Send(unit, {c.read, 0x00, 0x20, 0x00, 0x01}), Bytes{0x12});
    }
}

TEST(UnitModel, TheEepromHolds2KBAbove2000InParallelAndAtItsOwnAddressesInSpi) {
    UnitModel unit(ConfigFor("AT89S8252"));
    ASSERT_EQ(unit.Chip().Eeprom.size(), 2048U);
    EXPECT_EQ(Send(unit, {0x2C, 0x27, 0xFF, 0x00, 0x01, 0xA1}), Bytes{kAck});
    EXPECT_EQ(Send(unit, {0x2C, 0x28, 0x00, 0x00, 0x01, 0xA2}), Bytes{kErr}) << "past 2 KB";
    EXPECT_EQ(Send(unit, {0x27, 0x00, 0x00, 0x00, 0x01, 0xB0}), Bytes{kAck});
    EXPECT_EQ(Send(unit, {0x2C, 0x1F, 0xFF, 0x00, 0x01, 0xC0}), Bytes{kAck});
    EXPECT_EQ(unit.Chip().Eeprom[0x7FF], 0xA1);
    EXPECT_EQ(unit.Chip().Eeprom[0x000], 0xB0);
    EXPECT_EQ(unit.Chip().Flash[0x1FFF], 0xC0);
    EXPECT_EQ(Send(unit, {0x26, 0x07, 0xFF, 0x00, 0x01}), Bytes{0xA1});
    EXPECT_EQ(Send(unit, {0x2B, 0x20, 0x00, 0x00, 0x01}), Bytes{0xB0});
    EXPECT_EQ(Send(unit, {0x24, 0x1F, 0xFF, 0x00, 0x01}), Bytes{0xC0});

    // The AT89S53 has no EEPROM: 2000 and above is the rest of its 12 KB Flash.
    UnitModel s53(ConfigFor("AT89S53"));
    EXPECT_TRUE(s53.Chip().Eeprom.empty());
    EXPECT_EQ(Send(s53, {0x2C, 0x2F, 0xFF, 0x00, 0x01, 0x42}), Bytes{kAck});
    EXPECT_EQ(s53.Chip().Flash[0x2FFF], 0x42);
}

TEST(UnitModel, AC5xChipTakesOnlyTheCommandSetItsThirdByteSelects) {
    for (std::uint8_t third : {0xFF, 0x05}) {
        SCOPED_TRACE(third);
        UnitConfig config = ConfigFor("AT89C51");
        config.ThirdSignatureByte = third;
        UnitModel unit(config);
        const bool first = third == 0xFF;
        const std::uint8_t mine = first ? 0x1E : 0x1F, other = first ? 0x1F : 0x1E;
        EXPECT_EQ(Send(unit, {other, 0x00, 0x00, 0x00, 0x01, 0x00}), Bytes{kErr});
        EXPECT_EQ(Send(unit, {mine, 0x00, 0x00, 0x00, 0x01, 0x00}), Bytes{kAck});
        Send(unit, {static_cast<std::uint8_t>(first ? 0x16 : 0x15)});
        EXPECT_EQ(unit.Chip().Flash[0], 0x00) << "the other kind's erase does nothing";
        Send(unit, {static_cast<std::uint8_t>(first ? 0x15 : 0x16)});
        EXPECT_EQ(unit.Chip().Flash[0], 0xFF);
        Send(unit, {static_cast<std::uint8_t>(first ? 0x1A : 0x17)});
        EXPECT_EQ(unit.Chip().LockBits, 0);
        Send(unit, {static_cast<std::uint8_t>(first ? 0x17 : 0x1A)});
        EXPECT_EQ(unit.Chip().LockBits, 0x01);
    }
}

TEST(UnitModel, AnotherFamilysCommandIsTakenWithItsOperandsButTheChipIgnoresIt) {
    UnitModel unit(ConfigFor("AT89S52"));
    unit.Chip().Flash[0] = 0x12;
    EXPECT_EQ(Send(unit, {0x12, 0x00, 0x00, 0x00, 0x02}), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(Send(unit, {0x13, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0D}), (Bytes{kErr, kAck}));
    Send(unit, {0x0F, 0x10, 0x23, 0x2D});
    EXPECT_EQ(unit.Chip().Flash[0], 0x12);
    EXPECT_EQ(unit.Chip().LockBits, 0);
}

TEST(UnitModel, WithSerialProgrammingOffTheS53IgnoresItsSpiSet) {
    UnitModel unit(ConfigFor("AT89S8252"));
    unit.Chip().Flash[0] = 0x12;
    Send(unit, {0x21});
    EXPECT_FALSE(unit.Chip().SerialProgramming);
    EXPECT_EQ(Send(unit, {0x24, 0x00, 0x00, 0x00, 0x01}), Bytes{0xFF});
    EXPECT_EQ(Send(unit, {0x25, 0x00, 0x01, 0x00, 0x01, 0x00}), Bytes{kErr});
    Send(unit, {0x23, 0x28});
    EXPECT_EQ(unit.Chip().Flash[0], 0x12);
    EXPECT_EQ(unit.Chip().LockBits, 0);
    EXPECT_EQ(Send(unit, {0x2B, 0x00, 0x00, 0x00, 0x01}), Bytes{0x12}) << "Parallel still works";
    Send(unit, {0x20});
    EXPECT_EQ(Send(unit, {0x24, 0x00, 0x00, 0x00, 0x01}), Bytes{0x12});
}

TEST(UnitModel, FailAtAnswersErrorForTheDataByteOfThatAddressOnly) {
    UnitConfig config = ConfigFor("AT89C4051");
    config.FailAt = 0x0102;
    UnitModel unit(config);
    EXPECT_EQ(Send(unit, {0x13, 0x01, 0x00, 0x00, 0x04, 0x01, 0x02, 0x03, 0x04}),
              (Bytes{kAck, kAck, kErr}));
    EXPECT_EQ(unit.Chip().Flash[0x0101], 0x02);
    EXPECT_EQ(unit.Chip().Flash[0x0102], 0xFF);
    EXPECT_EQ(unit.Chip().Flash[0x0103], 0xFF) << "the fourth byte was taken as a command";
}

TEST(UnitModel, SilentAfterCutsTheAnswerUnderWayThenAnswersAndDoesNothing) {
    UnitConfig config = ConfigFor("AT89S52");
    config.SilentAfter = 3;
    UnitModel unit(config);
    unit.Chip().Flash[1] = 0x5A;
    EXPECT_EQ(Send(unit, {0x0D}), Bytes{kAck});
    EXPECT_EQ(Send(unit, {0x37, 0x00, 0x00, 0x00, 0x04}), (Bytes{0xFF, 0x5A}));
    EXPECT_TRUE(Send(unit, {0x0D, 0x38, 0x00, 0x00, 0x00, 0x01, 0x00, 0x33}).empty());
    EXPECT_EQ(unit.Chip().Flash[0], 0xFF);
}

TEST(UnitLine, TheWireLogHasOneExchangePerLine) {
    UnitModel unit(ConfigFor("AT89C2051"));
    std::ostringstream log;
    {
        UnitLine line(unit, {}, &log);
        Bytes toHost;
        for (std::uint8_t b : {0x0D, 0x0E, 0x13, 0x01, 0x00, 0x00, 0x02, 0xAB, 0xCD, 0x0F}) {
            line.FromHost(b, toHost);
        }
        EXPECT_EQ(toHost, (Bytes{kAck, 0x1E, 0x21, kAck, kAck}));
    }
    EXPECT_EQ(log.str(), "> 0D < 2D\n> 0E < 1E 21\n> 13 01 00 00 02\n> AB < 2D\n> CD < 2D\n> 0F\n");
}

TEST(UnitLine, NoiseLosesOrInvertsEveryNthByteTheUnitSends) {
    UnitModel unit(ConfigFor("AT89S52"));
    unit.Chip().Flash.assign(unit.Chip().Flash.size(), 0x00);
    const auto readEight = [&](LineNoise noise) {
        std::ostringstream log;
        UnitLine line(unit, noise, &log);
        Bytes toHost;
        for (std::uint8_t b : {0x37, 0x00, 0x00, 0x00, 0x08}) line.FromHost(b, toHost);
        return std::make_pair(toHost, log.str());
    };
    const auto [dropped, dropLog] = readEight(LineNoise{3, 0});
    EXPECT_EQ(dropped, Bytes(6, 0x00));
    EXPECT_EQ(dropLog, "> 37 00 00 00 08 < 00 00 00 00 00 00");
    const auto [spoiled, spoilLog] = readEight(LineNoise{0, 4});
    EXPECT_EQ(spoiled, (Bytes{0, 0, 0, 0xFF, 0, 0, 0, 0xFF}));
    EXPECT_EQ(spoilLog, "> 37 00 00 00 08 < 00 00 00 FF 00 00 00 FF");
}

TEST(Dump, ListsThePartTheLockBitsAndBothMemories) {
    UnitModel unit(ConfigFor("AT89S8252"));
    Bytes answer;
    for (std::uint8_t b : {0x2C, 0x00, 0x11, 0x00, 0x01, 0x42, 0x2C, 0x27, 0xFF, 0x00, 0x01, 0x24,
                           0x2D, 0x2F, 0x21}) {
        unit.Receive(b, answer);
    }
    std::ostringstream out;
    WriteDump(out, unit);
    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4U + 512U + 1U + 128U);
    EXPECT_EQ(lines[0], "part AT89S8252");
    EXPECT_EQ(lines[1], "lock-bits LB1 LB3");
    EXPECT_EQ(lines[2], "serial-programming disabled");
    EXPECT_EQ(lines[3], "flash 2000");
    EXPECT_EQ(lines[5], "0010: FF 42 FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(lines[4 + 512], "eeprom 0800");
    EXPECT_EQ(lines.back(), "07F0: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 24");

    UnitModel plain(ConfigFor("AT89C1051"));
    std::ostringstream small;
    WriteDump(small, plain);
    EXPECT_NE(small.str().find("lock-bits none\n"), std::string::npos);
    EXPECT_TRUE(small.str().ends_with("eeprom 0000\n"));
}

}  // namespace
}  // namespace zvk::sim
