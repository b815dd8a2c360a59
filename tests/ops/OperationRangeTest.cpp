#include "ops/OperationRange.h"

#include <gtest/gtest.h>

#include <string>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "tests/support/MessageRecorder.h"

namespace zvk {
namespace {

class OperationRangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(*FindDeviceByName("AT89C1051"));  // L = 03FF
        App().CurrentBufferKind = BufferKind::Flash;
    }
    test::MessageRecorder messages;
};

TEST_F(OperationRangeTest, RulesInOrderWithTheirMessages) {
    struct Case {
        std::uint16_t start, end, buffer;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        // Start beyond end wins even when both are also beyond the capacity.
        {0x0500, 0x0400, 0x0000, "Device Ending Address is Less than Device Starting Address!"},
        {0x0400, 0x0400, 0x0000, "Device Starting Address is Greater than Maximum Capacity!"},
        {0x0000, 0x0400, 0x0000, "Device Ending Address is Greater than Maximum Capacity!"},
        {0x0000, 0x03FF, 0x0400, "Buffer Starting Address is Greater than Maximum Capacity!"},
        {0x0000, 0x00FF, 0x0301, "Illegal Buffer Starting Address!"},
        {0x0000, 0x00FF, 0x0300, nullptr},  // end - start + buffer = 03FF exactly
        {0x0000, 0x0000, 0x0000, nullptr},  // one byte
        {0x0100, 0x03FF, 0x0000, nullptr},
        // A buffer start below the device start shifts the buffer stretch down.
        {0x0300, 0x03FF, 0x0000, nullptr},
    };
    for (const Case& c : cases) {
        messages.messages.clear();
        SCOPED_TRACE(testing::Message() << std::hex << c.start << "-" << c.end << "@" << c.buffer);
        const bool rejected = ValidateOperationRange(BufferKind::Flash, c.start, c.end, c.buffer);
        EXPECT_EQ(rejected, c.message != nullptr);
        if (c.message) {
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_EQ(messages.messages[0].text, c.message);
            EXPECT_EQ(messages.messages[0].caption, "Error");
            EXPECT_EQ(messages.messages[0].icon, MessageIcon::Stop);
        } else {
            EXPECT_TRUE(messages.messages.empty());
        }
    }
}

TEST_F(OperationRangeTest, EepromCapacityIsTheEepromsWhateverThePart) {
    // L = 07FF, Flash is only 03FF
    EXPECT_FALSE(ValidateOperationRange(BufferKind::Eeprom, 0x0000, 0x07FF, 0x0000));
    EXPECT_TRUE(ValidateOperationRange(BufferKind::Eeprom, 0x0000, 0x0800, 0x0000));
}

TEST_F(OperationRangeTest, DialogShowsRecordAndTitle) {
    App().CurrentBufferKind = BufferKind::Eeprom;
    App().ProgramRange = {0x0010, 0x01FF, 0x0A0B, 0};
    RangeDialog dialog(RangeOperation::Program);
    EXPECT_EQ(dialog.model.title, "Program - EEPROM");
    EXPECT_EQ(dialog.model.deviceStart, "0010");
    EXPECT_EQ(dialog.model.deviceEnd, "01FF");
    EXPECT_EQ(dialog.model.bufferStart, "0A0B");
    EXPECT_TRUE(dialog.model.fieldsEnabled);
    EXPECT_TRUE(dialog.model.focusDeviceStart);

    App().CurrentBufferKind = BufferKind::Flash;
    App().BlankCheckRange.Flags = kRangeFullDevice;
    RangeDialog blank(RangeOperation::BlankCheck);
    EXPECT_EQ(blank.model.title, "Blank Check - Flash");
    EXPECT_FALSE(blank.model.hasBufferField);
    EXPECT_TRUE(blank.model.fullDevice);
    EXPECT_FALSE(blank.model.fieldsEnabled);
    EXPECT_EQ(RangeDialogTitle(RangeOperation::Verify, BufferKind::Flash), "Verify - Flash");
    EXPECT_EQ(RangeDialogTitle(RangeOperation::Read, BufferKind::Eeprom), "Read - EEPROM");
}

TEST_F(OperationRangeTest, OkParsesFieldsInOrderAndStopsAtABadOne) {
    struct Case {
        const char* start;
        const char* end;
        const char* buffer;
        bool ends;
        OperationRange after;  // the record after OK
    };
    const Case cases[] = {
        {"1ff", "3fe", "0", true, {0x01FF, 0x03FE, 0x0000, 0x80}},  // lower case accepted
        {"0010", "0x20", "0000", false, {0x0010, 0x0005, 0x0006, 0x80}},
        {"0010", "0020", "12G", false, {0x0010, 0x0020, 0x0006, 0x80}},
        {"", "0020", "0000", false, {0x0004, 0x0005, 0x0006, 0x80}},
        {"0010", "20H", "0000", false, {0x0010, 0x0005, 0x0006, 0x80}},
        // A rejected range keeps the dialog open with the parsed values.
        {"0020", "0010", "0000", false, {0x0020, 0x0010, 0x0000, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.end + " " + c.buffer);
        App().ReadRange = {0x0004, 0x0005, 0x0006, 0x80};  // bit 7 belongs to nobody here
        RangeDialog dialog(RangeOperation::Read);
        dialog.model.deviceStart = c.start;
        dialog.model.deviceEnd = c.end;
        dialog.model.bufferStart = c.buffer;
        EXPECT_EQ(dialog.Ok(), c.ends);
        const OperationRange& r = App().ReadRange;
        EXPECT_EQ(r.DeviceStart, c.after.DeviceStart);
        EXPECT_EQ(r.DeviceEnd, c.after.DeviceEnd);
        EXPECT_EQ(r.BufferStart, c.after.BufferStart);
        EXPECT_EQ(r.Flags, c.after.Flags);
        dialog.Cancel();
        EXPECT_EQ(App().ReadRange.DeviceStart, 0x0004);
        EXPECT_EQ(App().ReadRange.DeviceEnd, 0x0005);
    }
    EXPECT_EQ(messages.Lines(),
              std::vector<std::string>{
                  "Error|Device Ending Address is Less than Device Starting Address!"});
}

TEST_F(OperationRangeTest, LoadedStretchesComeFromTheLoadedBytes) {
    ASSERT_EQ(AllocateBuffers(), 0);
    const auto mark = [](std::uint16_t first, std::uint16_t last) {
        for (std::uint32_t a = first; a <= last; ++a) {
            SetOrigin(BufferKind::Flash, static_cast<std::uint16_t>(a), OriginFile);
        }
    };
    EXPECT_TRUE(LoadedStretches(BufferKind::Flash, 16).empty());
    mark(0x0000, 0x0002);
    mark(0x0003, 0x0003);  // meets the one before: one stretch
    mark(0x000B, 0x000B);
    mark(0x0105, 0x0185);
    mark(0x03FE, 0x03FF);                                // the device's last bytes
    SetOrigin(BufferKind::Flash, 0x0020, OriginEdited);  // not from the file
    EXPECT_EQ(LoadedStretches(BufferKind::Flash, 1),
              (std::vector<AddressStretch>{
                  {0x0000, 0x0003}, {0x000B, 0x000B}, {0x0105, 0x0185}, {0x03FE, 0x03FF}}));
    // Whole blocks of 16, and the first two stretches share one.
    EXPECT_EQ(LoadedStretches(BufferKind::Flash, 16),
              (std::vector<AddressStretch>{{0x0000, 0x000F}, {0x0100, 0x018F}, {0x03F0, 0x03FF}}));
    // Blocks that meet become one stretch.
    mark(0x0190, 0x0190);
    EXPECT_EQ(LoadedStretches(BufferKind::Flash, 16).at(1), (AddressStretch{0x0100, 0x019F}));
    // Loaded bytes beyond the part's capacity are not the device's.
    SelectDevice(*FindDeviceByName("AT89C2051"));
    mark(0x0400, 0x0401);
    SelectDevice(*FindDeviceByName("AT89C1051"));
    EXPECT_EQ(LoadedStretches(BufferKind::Flash, 1).back(), (AddressStretch{0x03FE, 0x03FF}));
}

TEST_F(OperationRangeTest, BlankCheckValidatesWithBufferStartZero) {
    App().BlankCheckRange = {0, 0, 0x0301, 0};  // a stray buffer start is not looked at
    RangeDialog dialog(RangeOperation::BlankCheck);
    dialog.model.deviceStart = "0000";
    dialog.model.deviceEnd = "03FF";
    EXPECT_TRUE(dialog.Ok());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(OperationRangeTest, FullDeviceFlagFollowsClicksAndCancelRestoresIt) {
    App().VerifyRange = {0x0001, 0x0002, 0x0003, 0x40};
    RangeDialog dialog(RangeOperation::Verify);
    dialog.ClickFullDevice(true);
    EXPECT_EQ(App().VerifyRange.Flags, 0x41);
    EXPECT_FALSE(dialog.model.fieldsEnabled);
    // Full Device ends at once: bad fields are not even read.
    dialog.model.deviceStart = "zz";
    EXPECT_TRUE(dialog.Ok());
    dialog.Cancel();
    EXPECT_EQ(App().VerifyRange.Flags, 0x40);

    RangeDialog again(RangeOperation::Verify);
    again.ClickFullDevice(true);
    again.ClickFullDevice(false);
    EXPECT_EQ(App().VerifyRange.Flags, 0x40);
    EXPECT_TRUE(again.model.fieldsEnabled);
}

}  // namespace
}  // namespace zvk
