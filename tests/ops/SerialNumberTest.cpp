// Serial numbers: the formats a number is written in, the checks of its place,
// and the counter file that several processes take numbers from.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "ops/SerialNumber.h"
#include "tests/support/RunAtOnce.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

using test::ReadTextFile;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

TEST(SerialFormatTest, EachFormatWritesTheNumberAsNamed) {
    const struct {
        const char* name;
        std::uint64_t number;
        Bytes bytes;
        std::uint64_t largest;
    } cases[] = {
        {"le32", 0x12345678, {0x78, 0x56, 0x34, 0x12}, 0xFFFFFFFF},
        {"be16", 0x1234, {0x12, 0x34}, 0xFFFF},
        {"le8", 0xAB, {0xAB}, 0xFF},
        {"be64", 0x0102030405060708, {1, 2, 3, 4, 5, 6, 7, 8}, ~std::uint64_t{0}},
        {"le24", 0x0A0B0C, {0x0C, 0x0B, 0x0A}, 0xFFFFFF},
        {"bcd6", 123456, {0x12, 0x34, 0x56}, 999999},
        {"bcd4", 42, {0x00, 0x42}, 9999},
        {"dec5", 1234, {'0', '1', '2', '3', '4'}, 99999},
        {"hex4", 0xBEEF, {'B', 'E', 'E', 'F'}, 0xFFFF},
        {"dec20", 7, Bytes(19, '0'), ~std::uint64_t{0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto format = ParseSerialFormat(c.name);
        ASSERT_TRUE(format);
        EXPECT_EQ(SerialFormatName(*format), c.name);
        EXPECT_EQ(LargestSerial(*format), c.largest);
        Bytes expected = c.bytes;
        if (std::string(c.name) == "dec20") expected.push_back('7');
        EXPECT_EQ(EncodeSerial(c.number, *format), expected);
        EXPECT_EQ(SerialByteCount(*format), expected.size());
    }
    for (const char* bad : {"le", "le0", "le12", "le72", "be08", "bcd3", "bcd22", "dec0", "dec21",
                            "hex17", "LE32", "le32 ", "xyz8", ""}) {
        EXPECT_FALSE(ParseSerialFormat(bad)) << bad;
    }
}

TEST(SerialFormatTest, NumbersAreDecimalOrHexAfter0x) {
    EXPECT_EQ(ParseSerialNumber("1000"), 1000u);
    EXPECT_EQ(ParseSerialNumber("0x1F"), 31u);
    EXPECT_EQ(ParseSerialNumber("18446744073709551615"), ~std::uint64_t{0});
    for (const char* bad : {"", "-1", "12a", " 1", "0x", "18446744073709551616"}) {
        EXPECT_FALSE(ParseSerialNumber(bad)) << bad;
    }
}

class SerialPlaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        (void)AllocateBuffers();
    }
};

TEST_F(SerialPlaceTest, APlaceOutsideThePartOrOverTheImageIsRefused) {
    SelectDevice(*FindDeviceByName("AT89C2051"));  // Flash 0000-07FF, no EEPROM
    FlashWrite(0x0100, 0x12);
    SetOrigin(BufferKind::Flash, 0x0100, OriginFile);
    SerialPlan plan;
    plan.format = *ParseSerialFormat("le32");
    struct Case {
        BufferKind buffer;
        std::uint16_t address;
        bool overwrite;
        const char* problem;  // nullptr: fine
    };
    const Case cases[] = {
        {BufferKind::Flash, 0x07FC, false, nullptr},
        {BufferKind::Flash, 0x07FD, false,
         "the serial number's place Flash 07FD-0800 lies outside the AT89C2051 (last address "
         "07FF)"},
        {BufferKind::Flash, 0x00FE, false,
         "the serial number's place Flash 00FE-0101 holds bytes of the image "
         "(--serial-overwrite writes over them)"},
        {BufferKind::Flash, 0x00FE, true, nullptr},
        {BufferKind::Flash, 0x0101, false, nullptr},
        {BufferKind::Eeprom, 0x0000, false, "AT89C2051 has no EEPROM for the serial number"},
    };
    for (const Case& c : cases) {
        plan.buffer = c.buffer;
        plan.address = c.address;
        plan.overwrite = c.overwrite;
        const auto problem = SerialPlaceProblem(plan);
        if (c.problem == nullptr) {
            EXPECT_FALSE(problem) << c.address << ": " << *problem;
        } else {
            EXPECT_EQ(problem.value_or("fine"), c.problem);
        }
    }
    SelectDevice(*FindDeviceByName("AT89S8252"));
    plan = {BufferKind::Eeprom, 0x07FC, *ParseSerialFormat("be32"), "", 1, 1, false};
    EXPECT_FALSE(SerialPlaceProblem(plan));
    plan.address = 0x07FE;
    EXPECT_TRUE(SerialPlaceProblem(plan));
}

SerialPlan CounterPlan(const std::filesystem::path& file, std::uint64_t start = 1,
                       std::uint64_t step = 1, const char* format = "le32") {
    SerialPlan plan;
    plan.format = *ParseSerialFormat(format);
    plan.file = file.string();
    plan.start = start;
    plan.step = step;
    return plan;
}

TEST(SerialCounterTest, ANewFileStartsAtStartAndHoldsTheNextNumberBeforeOneIsGiven) {
    TempDir dir;
    const auto file = dir / "sn.txt";
    SerialCounter counter(CounterPlan(file, 1000, 5));
    EXPECT_EQ(counter.Peek(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(file)) << "a look takes nothing";
    EXPECT_EQ(counter.Take(), 1000u);
    EXPECT_EQ(ReadTextFile(file), "1005\n");
    EXPECT_EQ(counter.Take(), 1005u);
    // Another run (another start) continues from the file, not from its start.
    SerialCounter later(CounterPlan(file, 1, 5));
    EXPECT_EQ(later.Take(), 1010u);
    EXPECT_EQ(ReadTextFile(file), "1015\n");
    // Nothing but the file and its lock is left in the folder.
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"sn.txt", "sn.txt.lock"}));
}

TEST(SerialCounterTest, WhatCannotGiveANumberGivesNoneAndLeavesTheFile) {
    TempDir dir;
    const auto file = dir / "sn.txt";
    const struct {
        const char* content;  // nullptr: the file is a folder
        const char* format;
        const char* error;
    } cases[] = {
        {"12x\n", "le32", "does not hold a number"},
        {"", "le32", "does not hold a number"},
        {"256\n", "le8", "serial number 256 does not fit le8 (largest 255)"},
        {"18446744073709551615\n", "le64", "no serial number follows 18446744073709551615"},
        {nullptr, "le32", "cannot read the serial number file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        std::filesystem::remove_all(file);
        if (c.content == nullptr) {
            std::filesystem::create_directory(file);
        } else {
            std::ofstream(file, std::ios::binary) << c.content;
        }
        SerialCounter counter(CounterPlan(file, 1, 1, c.format));
        EXPECT_FALSE(counter.Take());
        EXPECT_NE(counter.Error().find(c.error), std::string::npos) << counter.Error();
        if (c.content != nullptr) {
            EXPECT_EQ(ReadTextFile(file), c.content);
        }
    }
#ifndef _WIN32
    // A folder the file cannot be written in (Windows' access rules, which
    // decide this there, are not in reach of a test).
    std::filesystem::remove_all(file);
    std::filesystem::create_directory(dir / "ro");
    std::filesystem::permissions(
        dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {
        SerialCounter counter(CounterPlan(dir / "ro" / "sn.txt"));
        EXPECT_FALSE(counter.Take());
        EXPECT_FALSE(counter.Error().empty());
    }
    std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_all);
#endif
}

// Counters that share the file never take the same number, and together
// leave no gap. On Linux they live in processes; on Windows, whose
// LockFileEx locks belong to a handle, in threads.
TEST(SerialCounterTest, CountersSharingTheFileTakeEveryNumberOnce) {
    TempDir dir;
    const auto file = dir / "sn.txt";
    constexpr int kProcesses = 4;
    constexpr int kEach = 40;
    const auto take = [&](int p) {
        SerialCounter counter(CounterPlan(file, 500));
        std::ofstream out(dir / ("taken" + std::to_string(p)));
        for (int i = 0; i < kEach; ++i) {
            const auto n = counter.Take();
            if (!n) return false;
            out << *n << "\n";
        }
        out.close();
        return static_cast<bool>(out);
    };
    EXPECT_TRUE(test::RunAtOnce(kProcesses, take));
    std::vector<std::uint64_t> all;
    for (int p = 0; p < kProcesses; ++p) {
        std::ifstream in(dir / ("taken" + std::to_string(p)));
        for (std::uint64_t n; in >> n;) all.push_back(n);
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), std::size_t{kProcesses * kEach});
    for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], 500 + i);
    EXPECT_EQ(ReadTextFile(file), std::to_string(500 + kProcesses * kEach) + "\n");
}

}  // namespace
}  // namespace zvk
