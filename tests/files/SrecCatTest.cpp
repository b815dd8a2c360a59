// srec_cat as an independent judge of our Intel HEX: it must read what we
// write, and we must read what it writes, whatever its record length and
// address records. Without srec_cat these tests fail; they never skip.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/FileLoad.h"
#include "files/FileSave.h"
#include "files/ImageFile.h"
#include "tests/files/FilesFixture.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

class SrecCat : public FilesTest {
  protected:
    void SetUp() override {
        FilesTest::SetUp();
        ASSERT_EQ(std::system("srec_cat -VERSion > /dev/null 2>&1"), 0)
            << "srec_cat is missing: scripts/setup installs it (package srecord)";
        image = RandomBytes(kFlashBufferSize, 42);
        WriteFile("image.bin", std::string(image.begin(), image.end()));
    }

    // Runs srec_cat with the arguments in the scratch directory; its error
    // output is kept in srec.err.
    int Srec(const std::string& arguments) {
        const std::string command =
            "cd '" + dir_.string() + "' && srec_cat " + arguments + " 2> srec.err";
        return std::system(command.c_str());
    }

    std::vector<std::uint8_t> FileBytes(const std::string& name) const {
        const std::string text = ReadFile(PathOf(name));
        return {text.begin(), text.end()};
    }

    std::vector<std::uint8_t> image;
    MessageRecorder messages;
};

TEST_F(SrecCat, ReadsOurHexAsTheImage) {
    for (std::uint32_t a = 0; a < kFlashBufferSize; ++a) {
        FlashWrite(static_cast<std::uint16_t>(a), image[a]);
    }
    ASSERT_TRUE(SaveBuffer({BufferKind::Flash, 0x0000, 0x4FFF, true, PathOf("ours.hex")}));
    ASSERT_TRUE(SaveBuffer({BufferKind::Flash, 0x0000, 0x4FFF, false, PathOf("ours.bin")}));
    EXPECT_EQ(Srec("ours.hex -Intel -o srec.bin -Binary"), 0);
    EXPECT_EQ(ReadFile(PathOf("srec.err")), "") << "no checksum or format complaint";
    EXPECT_EQ(FileBytes("srec.bin"), image);
    EXPECT_EQ(FileBytes("ours.bin"), image);

    // A stretch that does not start at 0 and ends in a 17-byte record.
    ASSERT_TRUE(SaveBuffer({BufferKind::Flash, 0x0123, 0x0143, true, PathOf("part.hex")}));
    EXPECT_EQ(Srec("part.hex -Intel -offset -0x123 -o part.bin -Binary"), 0);
    EXPECT_EQ(ReadFile(PathOf("srec.err")), "");
    EXPECT_EQ(FileBytes("part.bin"),
              std::vector<std::uint8_t>(image.begin() + 0x123, image.begin() + 0x144));
}

TEST_F(SrecCat, WeReadItsHexWhateverTheRecordLength) {
    struct Case {
        std::string options;
        std::string lowerCase;  // " | tr" to rewrite the digits in lower case
    };
    const std::vector<Case> cases = {
        {"-obs 16", ""},
        {"-obs 32", ""},
        {"-obs 64", ""},
        {"-obs 255", ""},
        {"-obs 32 -address-length=2", ""},  // no address records
        {"-obs 32 -address-length=3", ""},  // extended segment records
        {"-obs 32 -address-length=4", ""},  // extended linear records
        {"-obs 64", "lower"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options + " " + c.lowerCase);
        ASSERT_EQ(Srec("image.bin -Binary -o theirs.hex -Intel " + c.options), 0);
        if (!c.lowerCase.empty()) {
            std::string text = ReadFile(PathOf("theirs.hex"));
            for (char& ch : text)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            WriteFile("theirs.hex", text);
        }
        messages.messages.clear();
        ClearBuffer(BufferKind::Flash);
        const ImageLoad load = LoadImageFile(PathOf("theirs.hex"), BufferKind::Flash);
        EXPECT_EQ(load.endCode, kLoadDone);
        EXPECT_EQ(load.details, (std::vector<std::string>{"0000H to 4FFFH"}));
        EXPECT_TRUE(messages.messages.empty());
        EXPECT_EQ(BufferBytes(BufferKind::Flash, 0, kFlashBufferSize), image);
    }
}

TEST_F(SrecCat, PiecesAndAddressesBeyondTheBuffer) {
    // Two pieces: the details list both; the hole between stays erased.
    ASSERT_EQ(Srec("image.bin -Binary -crop 0 0x100 image.bin -Binary -crop 0x1000 0x1080 "
                   "-o pieces.hex -Intel -obs 64"),
              0);
    ImageLoad load = LoadImageFile(PathOf("pieces.hex"), BufferKind::Flash);
    EXPECT_EQ(load.details, (std::vector<std::string>{"0000H to 00FFH", "1000H to 107FH"}));
    EXPECT_EQ(FlashRead(0x0100), 0xFF);
    EXPECT_EQ(FlashRead(0x1000), image[0x1000]);

    // Data placed at 0x10000 by segment or linear records lies beyond the
    // buffer and never lands at 0.
    for (const char* length : {"3", "4"}) {
        SCOPED_TRACE(length);
        ASSERT_EQ(Srec(std::string("image.bin -Binary -crop 0 0x40 -offset 0x10000 -o high.hex "
                                   "-Intel -address-length=") +
                       length),
                  0);
        ClearBuffer(BufferKind::Flash);
        messages.messages.clear();
        load = LoadImageFile(PathOf("high.hex"), BufferKind::Flash);
        EXPECT_EQ(load.endCode, kLoadBufferEnd);
        EXPECT_EQ(messages.Lines(),
                  (std::vector<std::string>{"ERROR|Address Exceeds the Buffer Capacity."}));
        EXPECT_EQ(FlashRead(0x0000), 0xFF);
    }
}

}  // namespace
}  // namespace zvk::test
