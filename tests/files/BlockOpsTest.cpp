#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files/BlockOps.h"
#include "tests/files/FilesFixture.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

class BlockOps : public FilesTest {
  protected:
    void SetUp() override {
        FilesTest::SetUp();
        for (std::uint32_t a = 0; a < kFlashBufferSize; ++a) {
            App().FlashBuffer[a] = static_cast<std::uint8_t>(a);
        }
    }

    MessageRecorder messages;
    BufferChangeLog log;
};

const std::string kStartAboveEnd = "Address Error|Starting Address is Greater than Ending Address!";
const std::string kOutOfRange = "Error|Address out of Range";

TEST_F(BlockOps, FillWritesTheRangeMarksItAndAnnouncesIt) {
    FillCommand(AnswerDialogWith({"0000", "0000", "5a"}));
    EXPECT_EQ(BufferBytes(BufferKind::Flash, 0, 2), (std::vector<std::uint8_t>{0x5A, 0x01}));
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0), OriginEdited);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 1), OriginNone);
    EXPECT_EQ(messages.Lines(),
              (std::vector<std::string>{"Buffer Fill|Fill Operation Completed Succesfully."}));
    EXPECT_EQ(log.changes, std::vector<BufferChange>{Changed(BufferKind::Flash, 0, 0)});

    App().CurrentBufferKind = BufferKind::Eeprom;
    FillCommand(AnswerDialogWith({"07F0", "07FF", "A5"}));
    EXPECT_EQ(BufferBytes(BufferKind::Eeprom, 0x07EF, 2), (std::vector<std::uint8_t>{0xFF, 0xA5}));
    EXPECT_EQ(EepromRead(0x07FF), 0xA5);
}

TEST_F(BlockOps, FieldsBeforeAFailingFieldKeepTheirValues) {
    FieldDialog fill = FillDialog();
    EXPECT_EQ(fill.title, "Fill - Flash Buffer");
    EXPECT_EQ(fill.fields[2].text, "00");
    EXPECT_EQ(fill.fields[2].maxLength, 2u);
    fill.fields[0].text = "0010";
    fill.fields[1].text = "zz";
    EXPECT_FALSE(fill.accept(fill)) << "the dialog stays open";
    EXPECT_EQ(BlockOperationSettings().fillStart, 0x0010);
    EXPECT_EQ(BlockOperationSettings().fillEnd, 0x0000);
    fill.fields[1].text = "0020";
    fill.fields[2].text = "123";  // the data field holds two digits
    EXPECT_FALSE(fill.accept(fill));
    EXPECT_EQ(BlockOperationSettings().fillEnd, 0x0020);

    FieldDialog copy = CopyDialog();
    copy.fields[0].text = "0100";
    copy.fields[1].text = "01ff";
    copy.fields[2].text = "";
    EXPECT_FALSE(copy.accept(copy));
    EXPECT_EQ(BlockOperationSettings().copyStart, 0x0100);
    EXPECT_EQ(BlockOperationSettings().copyEnd, 0x01FF);

    // Checksum keeps both values only when both parse.
    FieldDialog checksum = ChecksumDialog();
    checksum.fields[0].text = "0100";
    checksum.fields[1].text = "x";
    EXPECT_FALSE(checksum.accept(checksum));
    EXPECT_EQ(BlockOperationSettings().checksumStart, 0x0000);

    // The next dialog shows what was remembered.
    App().CurrentBufferKind = BufferKind::Eeprom;
    FieldDialog again = CopyDialog();
    EXPECT_EQ(again.title, "Copy - EEPROM Buffer");
    EXPECT_EQ(again.fields[0].text, "0100");
    EXPECT_EQ(again.fields[1].text, "01FF");
    EXPECT_EQ(again.fields[2].label, "&Destination Address");
    EXPECT_EQ(ChecksumDialog().title, "Checksum - EEPROM Buffer");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BlockOps, RangeTestsInTheirOrder) {
    SelectDevice(kAt89C2051);  // last address 07FF
    struct Case {
        const char* name;
        void (*command)(const FieldDialogRunner&);
        std::vector<std::string> texts;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"fill: start above end wins", FillCommand, {"0900", "0800", "00"}, {kStartAboveEnd}},
        {"fill: end beyond the part", FillCommand, {"0000", "0800", "00"}, {kOutOfRange}},
        {"copy: last destination 07FF",
         CopyCommand,
         {"0000", "000F", "07F0"},
         {"Buffer Copy|Operation Completed Successfully"}},
        {"copy: last destination 0800", CopyCommand, {"0000", "000F", "07F1"}, {kOutOfRange}},
        {"copy: a destination near FFFF does not wrap",
         CopyCommand,
         {"0000", "0020", "FFF0"},
         {kOutOfRange}},
        {"copy: start above end", CopyCommand, {"0010", "000F", "0000"}, {kStartAboveEnd}},
        {"checksum: end beyond the part", ChecksumCommand, {"0000", "0800"}, {kOutOfRange}},
        {"checksum: start above end", ChecksumCommand, {"0001", "0000"}, {kStartAboveEnd}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.messages.clear();
        const auto before = App().FlashBuffer;
        c.command(AnswerDialogWith(c.texts));
        EXPECT_EQ(messages.Lines(), c.messages);
        if (c.messages.front().starts_with("Buffer Copy")) {
            EXPECT_EQ(BufferBytes(BufferKind::Flash, 0x07F0, 16),
                      BufferBytes(BufferKind::Flash, 0x0000, 16));
        } else {
            EXPECT_EQ(App().FlashBuffer, before) << "a refused command changes nothing";
        }
    }

    App().CurrentBufferKind = BufferKind::Eeprom;
    messages.messages.clear();
    FillCommand(AnswerDialogWith({"0000", "0800", "00"}));
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{kOutOfRange}));
}

TEST_F(BlockOps, CopyWorksWhateverTheOverlap) {
    const auto original = BufferBytes(BufferKind::Flash, 0, 0x300);
    CopyCommand(AnswerDialogWith({"0000", "00FF", "0010"}));  // destination inside the source
    EXPECT_EQ(BufferBytes(BufferKind::Flash, 0x0010, 0x100),
              std::vector<std::uint8_t>(original.begin(), original.begin() + 0x100));
    EXPECT_EQ(FlashRead(0x0110), original[0x110]);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0010), OriginEdited);

    SetUp();
    CopyCommand(AnswerDialogWith({"0010", "010F", "0000"}));  // destination below the source
    EXPECT_EQ(BufferBytes(BufferKind::Flash, 0x0000, 0x100),
              std::vector<std::uint8_t>(original.begin() + 0x10, original.begin() + 0x110));
    EXPECT_EQ(log.changes.back(), Changed(BufferKind::Flash, 0x0000, 0x00FF));
}

TEST_F(BlockOps, ChecksumWrapsAtSixteenBits) {
    FillBufferRange(BufferKind::Flash, 0x0000, 0x0FFF, 0xFF);
    ChecksumCommand(AnswerDialogWith({"0000", "0fff"}));
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"Checksum|Check sum = F000"}));
    EXPECT_EQ(BlockOperationSettings().checksumEnd, 0x0FFF);

    // Bytes a & 0xFF over 0000..4FFF: 80 runs of 0..255.
    EXPECT_EQ(BufferChecksum(BufferKind::Flash, 0x1000, 0x4FFF),
              static_cast<std::uint16_t>(64 * (255 * 256 / 2)));
    EXPECT_EQ(BufferChecksum(BufferKind::Flash, 0x1100, 0x1101), 0x0001);
    EXPECT_EQ(ChecksumText(0x00AB), "Check sum = 00AB");
}

TEST_F(BlockOps, ACancelledDialogDoesNothing) {
    const auto before = App().FlashBuffer;
    const FieldDialogRunner cancel = [](FieldDialog&) { return false; };
    FillCommand(cancel);
    CopyCommand(cancel);
    ChecksumCommand(cancel);
    EXPECT_EQ(App().FlashBuffer, before);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(log.changes.empty());
}

TEST_F(BlockOps, ClearStopsAtTheLastAddress) {
    SelectDevice(0);  // AT89C1051, last address 03FF
    ClearCommand();
    EXPECT_EQ(FlashRead(0x03FF), 0xFF);
    EXPECT_EQ(App().FlashBuffer[0x0400], 0x00) << "bytes beyond the part are left as they are";
    EXPECT_EQ(log.changes, std::vector<BufferChange>{Cleared(BufferKind::Flash)});
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BlockOps, ARequestWorksOnItsOwnBufferWhateverIsCurrent) {
    App().CurrentBufferKind = BufferKind::Flash;
    const auto flash = App().FlashBuffer;
    struct Case {
        BlockRequest request;
        bool done;
        std::vector<std::uint8_t> eeprom07F0;  // EEPROM 07F0..07F3 afterwards
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {{BlockOperation::Fill, BufferKind::Eeprom, 0x07F0, 0x07F1, 0x5A, 0},
         true,
         {0x5A, 0x5A, 0xFF, 0xFF},
         {}},
        {{BlockOperation::Copy, BufferKind::Eeprom, 0x07F0, 0x07F1, 0, 0x07F2},
         true,
         {0x5A, 0x5A, 0x5A, 0x5A},
         {}},
        // Limits are those of the request's buffer (EEPROM 07FF), not of the Flash.
        {{BlockOperation::Fill, BufferKind::Eeprom, 0x07F0, 0x0800, 0x00, 0},
         false,
         {0x5A, 0x5A, 0x5A, 0x5A},
         {kOutOfRange}},
        {{BlockOperation::Copy, BufferKind::Eeprom, 0x07F0, 0x07F3, 0, 0x07FD},
         false,
         {0x5A, 0x5A, 0x5A, 0x5A},
         {kOutOfRange}},
        {{BlockOperation::Copy, BufferKind::Eeprom, 0x07F3, 0x07F0, 0, 0x0000},
         false,
         {0x5A, 0x5A, 0x5A, 0x5A},
         {kStartAboveEnd}},
        {{BlockOperation::Clear, BufferKind::Eeprom}, true, {0xFF, 0xFF, 0xFF, 0xFF}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.request.operation));
        messages.messages.clear();
        log.changes.clear();
        EXPECT_EQ(RunBlockRequest(c.request), c.done);
        EXPECT_EQ(BufferBytes(BufferKind::Eeprom, 0x07F0, 4), c.eeprom07F0);
        EXPECT_EQ(messages.Lines(), c.messages) << "the commands show the completion";
        // Announced once, for the request's buffer; nothing when refused.
        EXPECT_EQ(log.changes.size(), c.done ? 1u : 0u);
        for (const BufferChange& change : log.changes) EXPECT_EQ(change.kind, BufferKind::Eeprom);
        EXPECT_EQ(App().FlashBuffer, flash);
        EXPECT_EQ(App().CurrentBufferKind, BufferKind::Flash);
    }
}

}  // namespace
}  // namespace zvk::test
