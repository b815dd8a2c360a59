#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/UndoHistory.h"
#include "files/FileLoad.h"
#include "files/IntelHex.h"
#include "tests/files/FilesFixture.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::uint8_t> Counting(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

const std::string kEnd = ":00000001FF\n";

class FileLoad : public FilesTest {
  protected:
    // Runs Load File on the file as the frame would; records what it shows.
    int Load(const std::string& path, std::optional<std::uint16_t> startAddress = 0x0000) {
        App().SelectedFileName = path;
        LoadFrontEnd frontEnd;
        frontEnd.askStartAddress = [startAddress] { return startAddress; };
        frontEnd.showDetails = [this](const LoadDetailsModel& details) { shownDetails = details; };
        return LoadFileCommand(frontEnd);
    }

    MessageRecorder messages;
    std::optional<LoadDetailsModel> shownDetails;
};

struct HexCase {
    const char* name;
    std::uint8_t part;
    BufferKind kind;
    std::string text;
    int code;
    std::vector<std::string> messages;
    std::vector<std::string> details;
    std::uint32_t checkAt;               // where the expected bytes lie
    std::vector<std::uint8_t> expected;  // as the accessors read them
};

TEST_F(FileLoad, HexCases) {
    const std::vector<std::uint8_t> ff16(16, 0xFF);
    const std::string overflow = "ERROR|Address Exceeds the Buffer Capacity.";
    const std::string invalid = "ERROR|Invalid HEX file";
    const std::string stopped = "ERROR|File Loading Stopped";
    const std::vector<HexCase> cases = {
        {"one record",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0100, Counting(16)) + kEnd,
         kLoadDone,
         {},
         {"0100H to 010FH"},
         0x0100,
         Counting(16)},
        {"a gap gives two entries",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0000, Counting(16)) + Record(0, 0x0100, Counting(16, 0x40)) + kEnd,
         kLoadDone,
         {},
         {"0000H to 000FH", "0100H to 010FH"},
         0x0100,
         Counting(16, 0x40)},
        {"a jump back ends the stretch",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0200, Counting(8)) + Record(0, 0x0208, Counting(8, 8)) +
             Record(0, 0x0100, Counting(4, 0x80)) + kEnd,
         kLoadDone,
         {},
         {"0200H to 020FH", "0100H to 0103H"},
         0x0200,
         Counting(16)},
        {"CR LF line ends",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0010, Counting(4), "\r\n") + ":00000001FF\r\n",
         kLoadDone,
         {},
         {"0010H to 0013H"},
         0x0010,
         Counting(4)},
        {"segment 0010 gives base 0100",
         kAt89C55,
         BufferKind::Flash,
         Record(2, 0, {0x00, 0x10}) + Record(0, 0x0004, Counting(4)) + kEnd,
         kLoadDone,
         {},
         {"0104H to 0107H"},
         0x0104,
         Counting(4)},
        {"start address records are skipped",
         kAt89C55,
         BufferKind::Flash,
         Record(3, 0, {0, 0, 1, 0}) + Record(5, 0, {0, 0, 1, 0}) + Record(0, 0x30, Counting(2)) +
             kEnd,
         kLoadDone,
         {},
         {"0030H to 0031H"},
         0x0030,
         Counting(2)},
        {"a file of only the end record lists nothing",
         kAt89C55,
         BufferKind::Flash,
         kEnd,
         kLoadDone,
         {},
         {},
         0x0000,
         ff16},
        {"lower-case digits are read as their values",
         kAt89C55,
         BufferKind::Flash,
         Lower(Record(0, 0x0020, {0xAB, 0xCD, 0xEF, 0x01})) + kEnd,
         kLoadDone,
         {},
         {"0020H to 0023H"},
         0x0020,
         {0xAB, 0xCD, 0xEF, 0x01}},
        {"records of 64 and 255 bytes are read whole",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x1000, Counting(64)) + Record(0, 0x1040, Counting(255, 64)) + kEnd,
         kLoadDone,
         {},
         {"1000H to 113EH"},
         0x1000,
         Counting(319)},
        {"Flash overflow inside a record",
         kAt89C2051,
         BufferKind::Flash,
         Record(0, 0x07F0, Counting(8)) + Record(0, 0x07F8, Counting(16, 8)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {"07F0H to 07FFH"},
         0x07F0,
         Counting(16)},
        {"Flash overflow at a record boundary",
         kAt89C2051,
         BufferKind::Flash,
         Record(0, 0x07F0, Counting(16)) + Record(0, 0x0800, Counting(16)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {"07F0H to 07FFH"},
         0x07F0,
         Counting(16)},
        {"a first record beyond the buffer lists nothing",
         kAt89C2051,
         BufferKind::Flash,
         Record(0, 0x0900, Counting(4)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {},
         0x0000,
         ff16},
        {"EEPROM overflow at a record boundary",
         kAt89C55,
         BufferKind::Eeprom,
         Record(0, 0x07F0, Counting(16)) + Record(0, 0x0800, Counting(16)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {"07F0H to 07FFH"},
         0x07F0,
         Counting(16)},
        {"EEPROM overflow after a gap",
         kAt89C55,
         BufferKind::Eeprom,
         Record(0, 0x0000, Counting(4)) + Record(0, 0x07FE, Counting(4, 0x10)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {"0000H to 0003H", "07FEH to 07FFH"},
         0x07FE,
         Counting(2, 0x10)},
        {"segment 1000 places data at 10000, beyond the buffer",
         kAt89C55,
         BufferKind::Flash,
         Record(2, 0, {0x10, 0x00}) + Record(0, 0x0000, Counting(16)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {},
         0x0000,
         ff16},
        {"segment FFF plus offset crosses 10000",
         kAt89C55,
         BufferKind::Flash,
         Record(2, 0, {0x0F, 0xFF}) + Record(0, 0x0010, Counting(16)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {},
         0x0000,
         ff16},
        {"linear record 0000 changes nothing",
         kAt89C55,
         BufferKind::Flash,
         Record(4, 0, {0x00, 0x00}) + Record(0, 0x0200, Counting(16)) + kEnd,
         kLoadDone,
         {},
         {"0200H to 020FH"},
         0x0200,
         Counting(16)},
        {"linear record 0001 places data beyond the buffer",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0000, Counting(4)) + Record(4, 0, {0x00, 0x01}) +
             Record(0, 0x0000, Counting(16, 0x80)) + kEnd,
         kLoadBufferEnd,
         {overflow},
         {"0000H to 0003H"},
         0x0000,
         Counting(4)},
        {"missing end record",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)),
         kLoadStopped,
         {"ERROR|Illegal File End.", stopped},
         {},
         0x0040,
         Counting(4)},
        {"an empty line ends the file",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)) + "\n" + Record(0, 0x0050, Counting(4)) + kEnd,
         kLoadStopped,
         {"ERROR|Illegal File End.", stopped},
         {},
         0x0040,
         Counting(4)},
        {"a line without ':' stops the load",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)) + "1004400000\n" + Record(0, 0x0050, Counting(4)) + kEnd,
         kLoadStopped,
         {invalid, stopped},
         {},
         0x0040,
         {0, 1, 2, 3, 0xFF, 0xFF}},
        {"the longest record, with CR LF, loads",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0000, Counting(255), "\r\n") + kEnd,
         kLoadDone,
         {},
         {"0000H to 00FEH"},
         0x00F0,
         Counting(15, 0xF0)},
        {"a line one character longer than any record stops the load",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)) + Record(0, 0x0100, Counting(255), "0\n") + kEnd,
         kLoadStopped,
         {invalid, stopped},
         {},
         0x0100,
         {0xFF, 0xFF}},
        {"a wrong checksum stops the load",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)) + ":0400500000010203A5\n" + kEnd,
         kLoadStopped,
         {invalid, stopped},
         {},
         0x0040,
         Counting(4)},
        {"a digit that is not hexadecimal stops the load",
         kAt89C55,
         BufferKind::Flash,
         Record(0, 0x0040, Counting(4)) + ":040050000001G203A6\n" + kEnd,
         kLoadStopped,
         {invalid, stopped},
         {},
         0x0050,
         {0xFF, 0xFF, 0xFF, 0xFF}},
        {"a record shorter than its count stops the load",
         kAt89C55,
         BufferKind::Flash,
         ":1000500000010203\n" + kEnd,
         kLoadStopped,
         {invalid, stopped},
         {},
         0x0050,
         {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart(c.part, c.kind);
        messages.messages.clear();
        shownDetails.reset();

        EXPECT_EQ(Load(WriteFile("image.hex", c.text)), c.code);
        EXPECT_EQ(messages.Lines(), c.messages);
        if (c.code == kLoadStopped) {
            EXPECT_FALSE(shownDetails);
        } else {
            ASSERT_TRUE(shownDetails);
            EXPECT_EQ(LoadDetailsEntries(shownDetails->details), c.details);
            // After an overflow the details do not claim success.
            EXPECT_EQ(shownDetails->headline, c.code == kLoadBufferEnd
                                                  ? "Address Exceeds the Buffer Capacity."
                                                  : "File Loaded Succesfully.");
        }
        EXPECT_EQ(BufferBytes(c.kind, c.checkAt, static_cast<std::uint32_t>(c.expected.size())),
                  c.expected);
        if (c.expected.front() != 0xFF) {
            EXPECT_EQ(GetOrigin(c.kind, static_cast<std::uint16_t>(c.checkAt)), OriginFile);
        }
        // Nothing may reach the block beyond the part's last address, nor wrap
        // into address 0.
        if (c.kind == BufferKind::Flash) {
            for (std::size_t a = LastAddress(c.kind) + 1u; a < kFlashBufferSize; ++a) {
                ASSERT_EQ(App().FlashBuffer[a], 0xFF) << a;
            }
        }
    }
}

TEST_F(FileLoad, DetailsEntriesHaveTheirFixedWidths) {
    Load(WriteFile("two.HEX",
                   Record(0, 0x0000, Counting(16)) + Record(0, 0x0100, Counting(16)) + kEnd));
    ASSERT_TRUE(shownDetails);
    EXPECT_EQ(shownDetails->details,
              "0000H to 000FH" + std::string(12, ' ') + "0100H to 010FH" + std::string(10, ' '));
}

TEST_F(FileLoad, BinaryFilesLoadAtTheEnteredAddress) {
    const auto bytes = RandomBytes(300, 1);
    const std::string path = WriteFile("image.bin", std::string(bytes.begin(), bytes.end()));
    BufferChangeLog log;
    EXPECT_EQ(Load(path, 0x0100), kLoadDone);
    EXPECT_EQ(log.changes, (std::vector<BufferChange>{Cleared(BufferKind::Flash),
                                                      Changed(BufferKind::Flash, 0x0100, 0x022B)}))
        << "the clear before the load, then the load as one change";
    EXPECT_EQ(App().EnteredAddress, 0x0100);
    EXPECT_EQ(messages.Lines(),
              (std::vector<std::string>{"Load Program|File Loaded Successfully."}));
    EXPECT_EQ(LoadDetailsEntries(shownDetails.value().details),
              (std::vector<std::string>{"0100H to 022BH"}));
    EXPECT_EQ(shownDetails->headline, "File Loaded Succesfully.");
    EXPECT_EQ(BufferBytes(BufferKind::Flash, 0x0100, 300), bytes);
    EXPECT_EQ(FlashRead(0x00FF), 0xFF);
    EXPECT_EQ(FlashRead(0x022C), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x022B), OriginFile);
}

TEST_F(FileLoad, ARequestLoadsWhereItSaysWithoutAsking) {
    App().CurrentBufferKind = BufferKind::Flash;
    App().SelectedFileName = "remembered.hex";
    App().OptionFlags = kOptionClearBeforeLoad;  // the request, not the option, decides
    EepromWrite(0x0000, 0x11);
    const std::string path = WriteFile("image.hex", "\x01\x02");
    LoadFrontEnd frontEnd;
    bool asked = false;
    frontEnd.askStartAddress = [&asked] {
        asked = true;
        return std::optional<std::uint16_t>(0);
    };

    LoadRequest request{BufferKind::Eeprom, path, LoadMode::Binary, 0x07FE, false};
    EXPECT_EQ(LoadFile(request, frontEnd), kLoadDone);
    EXPECT_FALSE(asked) << "the request's start address";
    EXPECT_EQ(BufferBytes(BufferKind::Eeprom, 0x07FE, 2), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(EepromRead(0x0000), 0x11) << "not cleared";
    EXPECT_EQ(FlashRead(0x07FE), 0xFF);
    EXPECT_EQ(App().EnteredAddress, 0x07FE) << "the next question's answer";
    EXPECT_EQ(App().SelectedFileName, "remembered.hex");
    EXPECT_EQ(App().CurrentBufferKind, BufferKind::Flash);

    // Without a start address the question is asked; clearFirst clears.
    request.binaryStart.reset();
    request.clearFirst = true;
    EXPECT_EQ(LoadFile(request, frontEnd), kLoadDone);
    EXPECT_TRUE(asked);
    EXPECT_EQ(BufferBytes(BufferKind::Eeprom, 0x0000, 2), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(EepromRead(0x07FE), 0xFF);
}

TEST_F(FileLoad, BinaryOverflowKeepsWhatFits) {
    struct Case {
        const char* name;
        std::uint8_t part;
        BufferKind kind;
        std::size_t size;
        std::uint16_t at;
        std::vector<std::string> details;
    };
    const std::vector<Case> cases = {
        {"4 KB into AT89C2051", kAt89C2051, BufferKind::Flash, 4096, 0x0000, {"0000H to 07FFH"}},
        {"3000 bytes into the EEPROM",
         kAt89C55,
         BufferKind::Eeprom,
         3000,
         0x0100,
         {"0100H to 07FFH"}},
        // Addresses are not wrapped: nothing comes back round to 0000.
        {"start near FFFF", kAt89C55, BufferKind::Flash, 64, 0xFFF0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart(c.part, c.kind);
        messages.messages.clear();
        const auto bytes = RandomBytes(c.size, 2);
        EXPECT_EQ(Load(WriteFile("big.bin", std::string(bytes.begin(), bytes.end())), c.at),
                  kLoadBufferEnd);
        EXPECT_EQ(messages.Lines(),
                  (std::vector<std::string>{"ERROR|Address Exceeds the Buffer Capacity."}));
        EXPECT_EQ(LoadDetailsEntries(shownDetails.value().details), c.details);
        EXPECT_EQ(shownDetails->headline, "Address Exceeds the Buffer Capacity.");
        const std::uint32_t last = LastAddress(c.kind);
        if (c.at <= last) {
            const std::uint32_t stored = last + 1 - c.at;
            EXPECT_EQ(BufferBytes(c.kind, c.at, stored),
                      std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + stored));
        }
        if (c.at != 0) {
            EXPECT_EQ(BufferRead(c.kind, 0x0000), 0xFF);
        }
    }
}

TEST_F(FileLoad, TheNameDecidesTheMode) {
    const std::string record = Record(0, 0x0000, {0x12});
    for (const char* name : {"image.hex", "IMAGE.HEX", "image.Hex", "demo.ihx", "DEMO.IHX",
                             "demo.ihex", "Demo.IHex"}) {
        ClearBuffer(BufferKind::Flash);
        EXPECT_EQ(Load(WriteFile(name, record + kEnd)), kLoadDone) << name;
        EXPECT_EQ(FlashRead(0x0000), 0x12) << name;
    }
    // Only the last extension counts, and only a whole one.
    for (const char* name : {"image.bin", "image", "hex", "image.ihx.bin", "image.hex.txt",
                             "image.ih", "image.hexx", "image.ihexx", "ihx"}) {
        ClearBuffer(BufferKind::Flash);
        EXPECT_EQ(Load(WriteFile(name, record + kEnd)), kLoadDone) << name;
        EXPECT_EQ(FlashRead(0x0000), ':') << name << " is read as binary";
    }
}

// zvk-cli reads a file as Intel HEX by its content when the name does not say.
TEST_F(FileLoad, HexIsRecognisedByItsOpening) {
    const std::string data = Record(0, 0x0100, {0x02, 0x00, 0x30});
    const std::string text = data + Record(0, 0x0103, {0x55}) + kEnd;
    struct Case {
        std::string opening;
        bool hex;
    };
    const Case cases[] = {
        {text, true},
        {"\r\n  \t" + text, true},                         // blanks before the first record
        {data + Record(0, 0x0103, {0x55}, "\r\n"), true},  // CR LF
        {text.substr(0, data.size() + 5), true},           // the next record cut off
        {kEnd, true},
        {data.substr(0, data.size() - 3) + "00\n" + kEnd, false},  // checksum wrong
        {data + ":10000000\n", false},                             // second record short
        {data + "garbage\n", false},
        {std::string(":\x02\x00\x30\x75\x81", 6), false},  // binary starting with 3A
        {"  ", false},
        {"", false},
        {"0200000002", false},
    };
    for (const Case& c : cases) EXPECT_EQ(LooksLikeIntelHex(c.opening), c.hex) << c.opening;
}

TEST_F(FileLoad, StoppedBeforeLoading) {
    FlashWrite(0x0000, 0x55);
    App().OptionFlags = 0;
    EXPECT_EQ(Load(PathOf("missing.hex")), kLoadStopped);
    EXPECT_EQ(messages.Lines(),
              (std::vector<std::string>{"ERROR|Unable to open the selected file"}));

    messages.messages.clear();
    EXPECT_EQ(Load(WriteFile("image.bin", "abc"), std::nullopt), kLoadStopped);
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|File Loading Stopped"}));
    EXPECT_FALSE(shownDetails);
    EXPECT_EQ(FlashRead(0x0000), 0x55);
}

#ifndef _WIN32  // fopencookie is glibc's
// A stream that hands out the first failAt bytes of content and then fails
// every read, as a file on a failing disk does.
struct FailingSource {
    std::string content;
    std::size_t failAt = 0;
    std::size_t pos = 0;
};

ssize_t ReadFailing(void* cookie, char* out, std::size_t size) {
    auto* source = static_cast<FailingSource*>(cookie);
    if (source->pos >= source->failAt) {
        errno = EIO;
        return -1;
    }
    const std::size_t n = std::min(size, source->failAt - source->pos);
    std::copy_n(source->content.data() + source->pos, n, out);
    source->pos += n;
    return static_cast<ssize_t>(n);
}

TEST_F(FileLoad, AReadErrorStopsTheLoad) {
    const std::string hex =
        Record(0, 0x0000, Counting(16)) + Record(0, 0x0010, Counting(16)) + kEnd;
    const std::size_t firstLine = hex.find('\n') + 1;
    struct Case {
        const char* name;
        std::string content;
        std::size_t failAt;
    };
    const std::vector<Case> cases = {
        {"image.bin", std::string(300, 'b'), 200},
        {"image.bin", std::string(300, 'b'), 0},
        {"image.hex", hex, firstLine},
        {"image.hex", hex, firstLine + 12},
        {"image.hex", hex, hex.size() - 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " failing at " + std::to_string(c.failAt));
        messages.messages.clear();
        FailingSource source{c.content, c.failAt};
        FileHandle stream(fopencookie(&source, "r", {ReadFailing, nullptr, nullptr, nullptr}));
        ASSERT_TRUE(stream);
        FileLoadJob job(std::move(stream), {BufferKind::Flash, PathOf(c.name), {}, {}, false},
                        [] { return std::uint16_t{0}; });
        EXPECT_EQ(RunJobToEnd(job), kLoadStopped);
        EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|Illegal File End."}));
    }
}

// A HEX file of one endless line: ':' and then digits for ever.
std::size_t g_endlessHanded = 0;
ssize_t ReadEndless(void*, char* out, std::size_t size) {
    // Ends after 64 MB all the same, so that a loader that reads on fails
    // this test instead of filling the memory.
    if (g_endlessHanded > (64u << 20)) return 0;
    std::fill_n(out, size, '0');
    if (g_endlessHanded == 0 && size > 0) out[0] = ':';
    g_endlessHanded += size;
    return static_cast<ssize_t>(size);
}

TEST_F(FileLoad, ALineLongerThanAnyRecordIsRefusedWithoutReadingOn) {
    g_endlessHanded = 0;
    FileHandle stream(fopencookie(nullptr, "r", {ReadEndless, nullptr, nullptr, nullptr}));
    ASSERT_TRUE(stream);
    FileLoadJob job(std::move(stream), {BufferKind::Flash, PathOf("endless.hex"), {}, {}, false},
                    [] { return std::uint16_t{0}; });
    EXPECT_EQ(RunJobToEnd(job), kLoadStopped);
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|Invalid HEX file"}));
    // The reader's own buffering, not the length of the line.
    EXPECT_LE(g_endlessHanded, 256u * 1024u);
}
#endif

TEST_F(FileLoad, OptionBit0ClearsTheBufferEvenWhenTheLoadFails) {
    FlashWrite(0x0300, 0x55);
    SetOrigin(BufferKind::Flash, 0x0300, OriginEdited);

    App().OptionFlags = 0;
    Load(WriteFile("bad.hex", "garbage\n"));
    EXPECT_EQ(FlashRead(0x0300), 0x55) << "bit 0 off keeps the buffer";

    App().OptionFlags = kOptionClearBeforeLoad;
    BufferChangeLog log;
    Load(WriteFile("bad.hex", "garbage\n"));
    EXPECT_EQ(FlashRead(0x0300), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0300), OriginNone);
    EXPECT_EQ(log.changes, std::vector<BufferChange>{Cleared(BufferKind::Flash)})
        << "a load that stored nothing announces only the clear";
}

TEST_F(FileLoad, StepsKeepToTheirBudgetAndCanBeCancelled) {
    TickingClock clock;
    ScopedClock useClock(clock);
    std::string text;
    for (unsigned a = 0; a < 0x1000; a += 16)
        text += Record(0, a, Counting(16, static_cast<std::uint8_t>(a)));
    text += kEnd;
    const std::string path = WriteFile("long.hex", text);

    // Run to the end in many steps: the result is the one of a single pass.
    App().SelectedFileName = path;
    std::vector<std::uint32_t> positions;
    LoadFrontEnd frontEnd;
    frontEnd.runLoadDialog = [&positions](FileLoadJob& job) {
        job.Start();
        EXPECT_EQ(job.Model().title, "Loading...");
        EXPECT_EQ(job.Model().progressMax, job.State().fileSize);
        for (;;) {
            const StepResult r = job.Step();
            if (r.finished) return r.code;
            positions.push_back(job.Model().progressPos);
        }
    };
    frontEnd.showDetails = [this](const LoadDetailsModel& d) { shownDetails = d; };
    EXPECT_EQ(LoadFileCommand(frontEnd), kLoadDone);
    EXPECT_GT(positions.size(), 10u) << "the work is spread over many steps";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(LoadDetailsEntries(shownDetails.value().details),
              (std::vector<std::string>{"0000H to 0FFFH"}));
    EXPECT_TRUE(messages.messages.empty());

    // Cancel after two steps: what was loaded stays, the rest does not come.
    ClearBuffer(BufferKind::Flash);
    frontEnd.runLoadDialog = [](FileLoadJob& job) {
        job.Start();
        EXPECT_FALSE(job.Step().finished);
        EXPECT_FALSE(job.Step().finished);
        job.Cancel();
        const StepResult r = job.Step();
        EXPECT_TRUE(r.finished);
        return r.code;
    };
    EXPECT_EQ(LoadFileCommand(frontEnd), kLoadStopped);
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|File Loading Stopped"}));
    EXPECT_EQ(FlashRead(0x0000), 0x00);
    EXPECT_EQ(FlashRead(0x0FFF), 0xFF);
}

TEST_F(FileLoad, DisplayNameShortening) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\demo.hex", "C:\\demo.hex"},
        {"C:\\Documents and Settings\\Projects\\demo.hex", "C:\\..\\Projects\\demo.hex"},
        {"/home/someone/firmware/projects/demo.hex", "/ho../projects/demo.hex"},
        {"/home/someone/a_very_long_firmware_image_name.hex",
         "/ho../a_very_long_firmware_image_name.hex"},
        {"a_very_long_firmware_image_name_without_a_directory.hex",
         "a_very_long_firmware_image_name_without_a_directory.hex"},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(ShortDisplayName(path), shown) << path;

    App().SelectedFileName = WriteFile("label.hex", kEnd);
    LoadFrontEnd frontEnd;
    std::string label;
    frontEnd.runLoadDialog = [&label](FileLoadJob& job) {
        job.Start();
        label = job.Model().label;
        return RunJobToEnd(job);
    };
    LoadFileCommand(frontEnd);
    EXPECT_EQ(label, "Loading from: " + ShortDisplayName(App().SelectedFileName));
}

// A load, its clearing included and whether it ran to its end or not, is one
// undo step that brings back the bytes and marks from before it.
TEST_F(FileLoad, ALoadIsOneUndoStep) {
    const auto snapshot = [] {
        std::vector<std::pair<std::uint8_t, ByteOrigin>> s;
        for (std::uint16_t a = 0; a <= LastAddress(BufferKind::Flash); ++a) {
            s.emplace_back(FlashRead(a), GetOrigin(BufferKind::Flash, a));
        }
        return s;
    };
    const std::string hex = WriteFile("image.hex", Record(0, 0x0010, {0x01, 0x02, 0x03}) +
                                                       Record(0, 0x4FFF, {0x04, 0x05}) + kEnd);
    const std::string bin = WriteFile("image.bin", "\x11\x22\x33");
    struct Case {
        const char* name;
        std::string path;
        int options;
        int code;
    };
    const Case cases[] = {
        {"HEX, clearing first, past the buffer's end", hex, kOptionClearBeforeLoad, kLoadBufferEnd},
        {"binary over what is there", bin, 0, kLoadDone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::uint16_t a = 0; a < 0x20; ++a) {
            FlashWrite(a, static_cast<std::uint8_t>(0x40 + a));
            SetOrigin(BufferKind::Flash, a, a % 2 ? OriginEdited : OriginDevice);
        }
        const auto before = snapshot();
        App().OptionFlags = c.options;
        ASSERT_EQ(Load(c.path, 0x0011), c.code);
        const auto after = snapshot();
        ASSERT_NE(before, after);

        EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
        EXPECT_EQ(snapshot(), before);
        EXPECT_FALSE(CanUndo(BufferKind::Flash));
        EXPECT_TRUE(RedoBufferChange(BufferKind::Flash));
        EXPECT_EQ(snapshot(), after);
    }
}

TEST_F(FileLoad, RandomInputNeverCrashesTheLoader) {
    std::mt19937 random(7);
    const std::string alphabet = ":0123456789ABCDEFabcdefG\r\n ";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const std::size_t length = random() % 400;
        for (std::size_t i = 0; i < length; ++i) {
            text += (random() % 4 == 0) ? static_cast<char>(random())
                                        : alphabet[random() % alphabet.size()];
        }
        if (round % 3 == 0) text = ":" + text;
        App().CurrentBufferKind = round % 2 ? BufferKind::Eeprom : BufferKind::Flash;
        const int code = Load(WriteFile(round % 5 ? "fuzz.hex" : "fuzz.bin", text), 0x4FF0);
        ASSERT_TRUE(code == kLoadStopped || code == kLoadDone || code == kLoadBufferEnd);
        ASSERT_EQ(App().FlashBuffer.size(), kFlashBufferSize);
        ASSERT_EQ(App().EepromBuffer.size(), kEepromBufferSize);

        LoadState state;
        (void)ParseHexRecord(":" + text, state);
    }
}

}  // namespace
}  // namespace zvk::test
