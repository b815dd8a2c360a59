#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/AppState.h"
#include "app/DeviceTable.h"

namespace zvk {
namespace {

std::string FamilyName(DeviceFamily f) {
    switch (f) {
        case FamilyX051:
            return "X051";
        case FamilyC5x:
            return "C5x";
        case FamilyLV5x:
            return "LV5x";
        case FamilyS53:
            return "S53";
        case FamilyS5x:
            return "S5x";
    }
    return "?";
}

// One line per row, written out independently of the table, so a wrong cell in
// the catalogue shows up as a differing line.
std::string Row(const DeviceInfo& d) {
    char line[128];
    std::snprintf(line, sizeof line, "%s %s %04X %s %02X %d %s %s %s %02X/%d",
                  std::string(d.PartName).c_str(), std::string(d.DialogLabel).c_str(),
                  d.LastAddress(), d.HasEeprom ? "E" : "-", d.DeviceCode, d.LockLevels,
                  d.SpiCapable ? "spi" : "-", d.SerialProgramSwitch ? "sw" : "-",
                  FamilyName(d.Family).c_str(), d.CheckCommand, d.CheckReplyLength);
    return line;
}

TEST(DeviceTable, EveryRowMatchesTheCatalogue) {
    const char* expected[kDeviceCount] = {
        "AT89C1051 89C1051 03FF - 11 2 - - X051 0E/2",
        "AT89C2051 89C2051 07FF - 21 2 - - X051 0E/2",
        "AT89C4051 89C4051 0FFF - 41 2 - - X051 0E/2",
        "AT89C51 89C51 0FFF - 51 3 - - C5x 14/3",
        "AT89LV51 89LV51 0FFF - 61 3 - - LV5x 14/3",
        "AT89C52 89C52 1FFF - 52 3 - - C5x 14/3",
        "AT89LV52 89LV52 1FFF - 62 3 - - LV5x 14/3",
        "AT89S53 89S53 2FFF - 53 3 spi sw S53 14/3",
        "AT89LS53 89LS53 2FFF - 63 3 spi sw S53 14/3",
        "AT89C55 89C55 4FFF - 55 3 - - C5x 14/3",
        "AT89LV55 89LV55 4FFF - 65 3 - - LV5x 14/3",
        "AT89S8252 89S8252 1FFF E 72 3 spi sw S53 31/3",
        "AT89LS8252 89LS8252 1FFF E 82 3 spi sw S53 31/3",
        "AT89C1051U 89C1051U 03FF - 12 2 - - X051 0E/2",
        "AT89S51 89S51 0FFF - 51 3 spi - S5x 32/3",
        "AT89S52 89S52 1FFF - 52 3 spi - S5x 32/3",
        "AT89LS51 89LS51 0FFF - 61 3 spi - S5x 32/3",
        "AT89LS52 89LS52 1FFF - 62 3 spi - S5x 32/3",
    };
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        EXPECT_EQ(Row(DeviceTable[i]), expected[i]) << "row " << i;
        EXPECT_LE(DeviceTable[i].PartName.size(), 14U) << "fits the 15-byte name field";
    }
}

TEST(DeviceTable, FindsPartsByNameInAnyCase) {
    EXPECT_EQ(FindDeviceByName("AT89S52"), 15);
    EXPECT_EQ(FindDeviceByName("at89c1051u"), 13);
    EXPECT_EQ(FindDeviceByName("At89C1051"), 0);
    EXPECT_EQ(FindDeviceByName("AT89C1051X"), std::nullopt);
    EXPECT_EQ(FindDeviceByName("89S52"), std::nullopt);
    EXPECT_EQ(FindDeviceByName(""), std::nullopt);
}

TEST(DeviceTable, SelectingAPartSetsTheFlashBoundAndForcesParallelWithoutSpi) {
    ResetAppState();
    SelectDevice(9);  // AT89C55
    EXPECT_EQ(App().FlashLastAddress, 0x4FFF);
    SelectDevice(13);  // AT89C1051U
    EXPECT_EQ(App().FlashLastAddress, 0x03FF);

    SelectDevice(1);  // AT89C2051 cannot do SPI
    App().ProgrammingMode = 0;
    EnforceProgrammingMode();
    EXPECT_EQ(App().ProgrammingMode, kModeParallel);

    SelectDevice(15);  // AT89S52 keeps the stored mode
    App().ProgrammingMode = 0;
    EnforceProgrammingMode();
    EXPECT_EQ(App().ProgrammingMode, 0);
}

}  // namespace
}  // namespace zvk
