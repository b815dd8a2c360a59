// Reload and the question asked when a loaded file has changed on disk:
// what is recorded at a load, when the question comes and what it says, what
// each answer does, and the load Reload repeats across runs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Preferences.h"
#include "files/FileLoad.h"
#include "files/Reload.h"
#include "tests/files/FilesFixture.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

constexpr std::uint8_t kAt89S8252 = 11;  // has EEPROM

const std::string kEnd = ":00000001FF\n";
const std::string kQuestion = "demo.hex has changed on disk since it was loaded. Reload it first?";

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// 16 bytes at 0100 counting up from first.
std::string Image(std::uint8_t first) { return Record(0, 0x0100, Bytes(16, first)) + kEnd; }

class Reload : public FilesTest {
  protected:
    void SetUp() override {
        FilesTest::SetUp();
        std::filesystem::create_directories(dir_ / "settings");
        App().ProgramDirectory = (dir_ / "settings").string();
        LoadPreferences();
    }
    void TearDown() override {
        App().ProgramDirectory.clear();
        FilesTest::TearDown();
    }

  public:  // for the steps of the case tables
    using FilesTest::PathOf;
    using FilesTest::WriteFile;

    // Load File as the desktop program runs it: the start address question
    // answered with startAddress.
    LoadFrontEnd FrontEnd(std::optional<std::uint16_t> startAddress = 0) {
        LoadFrontEnd frontEnd;
        frontEnd.askStartAddress = [this, startAddress] {
            ++addressQuestions;
            return startAddress;
        };
        frontEnd.showDetails = [this](const LoadDetailsModel& d) { shownDetails = d.details; };
        frontEnd.rememberForReload = true;
        return frontEnd;
    }
    int Load(const std::string& path, BufferKind kind = BufferKind::Flash,
             std::optional<std::uint16_t> startAddress = 0, bool remember = true) {
        App().CurrentBufferKind = kind;
        App().SelectedFileName = path;
        LoadFrontEnd frontEnd = FrontEnd(startAddress);
        frontEnd.rememberForReload = remember;
        return LoadFileCommand(frontEnd);
    }

    MessageRecorder messages;
    int addressQuestions = 0;
    std::optional<std::string> shownDetails;
};

TEST_F(Reload, StampsTellContentsApart) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
        bool same;
    };
    const std::vector<Case> cases = {
        {"the same bytes written again", Image(0), Image(0), true},
        {"one byte changed, the size kept", Image(0), Image(1), false},
        {"bytes added", Image(0), Image(0) + "\n", false},
        {"emptied", Image(0), "", false},
        {"two empty files", "", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = StampFile(WriteFile("a.hex", c.before));
        const auto after = StampFile(WriteFile("a.hex", c.after));
        ASSERT_TRUE(before && after);
        EXPECT_EQ(*before == *after, c.same);
        EXPECT_EQ(after->size, c.after.size());
    }
    EXPECT_FALSE(StampFile(PathOf("missing.hex")));
    EXPECT_FALSE(StampFile(dir_.string())) << "a folder is not a file";
}

// Loading a huge file by mistake stops at the buffer's end at once; taking its
// stamp first must not read all of it.
TEST_F(Reload, AHugeFileIsStampedAtOnce) {
    constexpr std::uintmax_t kHuge = std::uintmax_t{8} << 30;
    WriteFile("disk.img", "");
    std::filesystem::resize_file(PathOf("disk.img"), kHuge);  // sparse: no space taken
    const auto start = std::chrono::steady_clock::now();
    const auto stamp = StampFile(PathOf("disk.img"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->size, kHuge);
    // Only the size tells two such files apart.
    std::filesystem::resize_file(PathOf("disk.img"), kHuge + 1);
    EXPECT_NE(StampFile(PathOf("disk.img")), stamp);
}

TEST_F(Reload, TheQuestionAndWhenItComes) {
    struct Case {
        const char* name;
        bool clearOption;
        std::function<void(Reload&)> after;  // what happens once demo.hex is loaded
        std::string expected;                // the question, or empty
    };
    const auto rebuild = [](Reload& t) { t.WriteFile("demo.hex", Image(0x40)); };
    const auto edits = "\nThe buffer has 3 edited bytes that Reload discards.";
    const std::vector<Case> cases = {
        {"unchanged", true, [](Reload&) {}, ""},
        {"written again with the same bytes", true,
         [](Reload& t) { t.WriteFile("demo.hex", Image(0)); }, ""},
        {"rebuilt", true, rebuild, kQuestion},
        {"rebuilt, three loaded bytes edited", false,
         [&](Reload& t) {
             rebuild(t);
             FillBufferRange(BufferKind::Flash, 0x0100, 0x0102, 0x00);
         },
         kQuestion + edits},
        {"rebuilt, one byte edited", true,
         [&](Reload& t) {
             rebuild(t);
             FillBufferRange(BufferKind::Flash, 0x010F, 0x010F, 0x00);
         },
         kQuestion + "\nThe buffer has 1 edited byte that Reload discards."},
        {"edits outside the file stay when the buffer is not cleared", false,
         [&](Reload& t) {
             rebuild(t);
             FillBufferRange(BufferKind::Flash, 0x0000, 0x0002, 0x00);
         },
         kQuestion},
        {"edits outside the file go when the buffer is cleared", true,
         [&](Reload& t) {
             rebuild(t);
             FillBufferRange(BufferKind::Flash, 0x0000, 0x0002, 0x00);
         },
         kQuestion + edits},
        {"rebuilt, then deleted", true,
         [](Reload& t) { std::filesystem::remove(t.PathOf("demo.hex")); }, ""},
        {"rebuilt, buffer cleared", true,
         [&](Reload& t) {
             rebuild(t);
             ClearBuffer(BufferKind::Flash);
         },
         ""},
        {"rebuilt, buffer cleared, a byte typed where the file was", true,
         [&](Reload& t) {
             rebuild(t);
             ClearBuffer(BufferKind::Flash);
             (void)StoreEditedByte(BufferKind::Flash, 0x0100, 0x00);
         },
         ""},
        {"rebuilt, the chip read over it", true,
         [&](Reload& t) {
             rebuild(t);
             for (std::uint16_t a = 0x0100; a < 0x0110; ++a) {
                 SetOrigin(BufferKind::Flash, a, OriginDevice);
             }
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart(kAt89C55, BufferKind::Flash);
        App().OptionFlags = c.clearOption ? 0xFF : 0xFE;
        EXPECT_EQ(ChangedFileQuestion(BufferKind::Flash), "") << "nothing loaded yet";
        ASSERT_EQ(Load(WriteFile("demo.hex", Image(0))), kLoadDone);
        c.after(*this);
        EXPECT_EQ(ChangedFileQuestion(BufferKind::Flash), c.expected);
        EXPECT_EQ(ChangedFileQuestion(BufferKind::Eeprom), "") << "the other buffer";
    }
}

TEST_F(Reload, EachAnswerDoesWhatItSays) {
    struct Case {
        const char* name;
        MessageResult answer;
        std::string rebuilt;
        bool goOn;
        std::uint8_t at0100;  // the buffer afterwards
        std::vector<std::string> shown;
    };
    const std::string asked = "File Changed|" + kQuestion;
    const std::string broken = ":10010000ZZ\n";
    const std::vector<std::string> stopped = {asked, "ERROR|Invalid HEX file",
                                              "ERROR|File Loading Stopped"};
    const std::vector<Case> cases = {
        {"Yes reloads", MessageResult::Yes, Image(0x40), true, 0x40, {asked}},
        {"No keeps the buffer", MessageResult::No, Image(0x40), true, 0x00, {asked}},
        {"Cancel stops", MessageResult::Cancel, Image(0x40), false, 0x00, {asked}},
        {"Yes with a broken file stops", MessageResult::Yes, broken, false, 0xFF, stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart(kAt89C55, BufferKind::Flash);
        ASSERT_EQ(Load(WriteFile("demo.hex", Image(0))), kLoadDone);
        WriteFile("demo.hex", c.rebuilt);
        messages.messages.clear();
        messages.answers = {c.answer};
        shownDetails.reset();
        EXPECT_EQ(ReloadChangedFileFirst(BufferKind::Flash, FrontEnd()), c.goOn);
        EXPECT_EQ(messages.Lines(), c.shown);
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(int(FlashRead(0x0100)), c.at0100);
        if (c.goOn && c.answer == MessageResult::Yes) {
            EXPECT_EQ(LoadDetailsEntries(shownDetails.value()),
                      std::vector<std::string>{"0100H to 010FH"});
            EXPECT_EQ(ChangedFileQuestion(BufferKind::Flash), "") << "the reload is the new base";
        }
        if (c.answer == MessageResult::No) {
            EXPECT_EQ(ChangedFileQuestion(BufferKind::Flash), kQuestion) << "asked again next time";
        }
    }
}

TEST_F(Reload, RepeatsTheLastLoadInTheNextRun) {
    // A binary image at 0200, then the file grows; zvk is started again.
    for (const bool clearOption : {true, false}) {
        SCOPED_TRACE(clearOption ? "clear option on" : "clear option off");
        Restart(kAt89S8252, BufferKind::Flash);
        LoadPreferences();
        App().OptionFlags = clearOption ? 0xFF : 0xFE;
        const std::string path = WriteFile("image.bin", std::string(4, '\x11'));
        ASSERT_EQ(Load(path, BufferKind::Eeprom, 0x0200), kLoadDone);
        ASSERT_EQ(LastLoad(), (ReloadTarget{path, BufferKind::Eeprom, 0x0200}));
        WriteFile("image.bin", std::string(6, '\x22'));

        Restart(kAt89S8252, BufferKind::Flash);
        LoadPreferences();
        App().OptionFlags = clearOption ? 0xFF : 0xFE;
        EepromWrite(0x0000, 0x55);  // not part of the file
        ASSERT_TRUE(ReloadAvailable());
        messages.messages.clear();
        addressQuestions = 0;
        EXPECT_EQ(ReloadCommand(FrontEnd(0x0700)), kLoadDone);
        EXPECT_EQ(addressQuestions, 0) << "the start address of the load is used";
        EXPECT_EQ(App().CurrentBufferKind, BufferKind::Eeprom);
        EXPECT_EQ(BufferBytes(BufferKind::Eeprom, 0x0200, 7),
                  (std::vector<std::uint8_t>{0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0xFF}));
        EXPECT_EQ(int(EepromRead(0x0000)), clearOption ? 0xFF : 0x55);
        EXPECT_EQ(messages.Lines(),
                  std::vector<std::string>{"Load Program|File Loaded Successfully."});
        EXPECT_EQ(LoadDetailsEntries(shownDetails.value()),
                  std::vector<std::string>{"0200H to 0205H"});
    }
    // zvk.dat keeps its own fields only: the remembered load is in zvk.conf.
    EXPECT_FALSE(std::filesystem::exists(dir_ / "settings" / "zvk.dat"));
    const std::string conf = ReadFile((dir_ / "settings" / "zvk.conf").string());
    EXPECT_NE(conf.find("reload.file=" + PathOf("image.bin") + "\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("reload.buffer=eeprom\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("reload.address=0200\n"), std::string::npos) << conf;
}

TEST_F(Reload, WhenReloadHasSomethingToDo) {
    struct Case {
        const char* name;
        std::function<void(Reload&)> steps;
        bool available;
    };
    const std::vector<Case> cases = {
        {"nothing loaded", [](Reload&) {}, false},
        {"a load of zvk-cli is not remembered",
         [](Reload& t) { t.Load(t.WriteFile("demo.hex", Image(0)), BufferKind::Flash, 0, false); },
         false},
        {"a Flash load", [](Reload& t) { t.Load(t.WriteFile("demo.hex", Image(0))); }, true},
        {"a load that failed can be tried again",
         [](Reload& t) { t.Load(t.WriteFile("demo.hex", ":10010000ZZ\n")); }, true},
        {"a binary load whose address question was declined",
         [](Reload& t) { t.Load(t.WriteFile("image.bin", "x"), BufferKind::Flash, std::nullopt); },
         false},
        {"an EEPROM load, the part then changed to one without EEPROM",
         [](Reload& t) {
             t.Load(t.WriteFile("demo.hex", Image(0)), BufferKind::Eeprom);
             SelectDevice(kAt89C55);
         },
         false},
        {"an EEPROM load",
         [](Reload& t) { t.Load(t.WriteFile("demo.hex", Image(0)), BufferKind::Eeprom); }, true},
        {"damaged entries in zvk.conf",
         [](Reload& t) {
             t.Load(t.WriteFile("demo.hex", Image(0)));
             (void)SetPreference(kReloadBufferKey, "ram");
         },
         false},
#ifndef _WIN32  // no such file name on Windows
        {"a name zvk.conf cannot hold replaces the one before",
         [](Reload& t) {
             t.Load(t.WriteFile("demo.hex", Image(0)));
             t.Load(t.WriteFile("new\nline.hex", Image(0)));
         },
         false},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir_ / "settings" / "zvk.conf");
        LoadPreferences();
        Restart(kAt89S8252, BufferKind::Flash);
        c.steps(*this);
        EXPECT_EQ(ReloadAvailable(), c.available);
        if (!c.available) {
            messages.messages.clear();
            EXPECT_EQ(ReloadCommand(FrontEnd()), kLoadStopped);
            EXPECT_EQ(messages.Lines(), std::vector<std::string>{});
        }
    }
}

TEST_F(Reload, ARememberedFileThatIsGoneShowsTheLoadersMessage) {
    ASSERT_EQ(Load(WriteFile("demo.hex", Image(0))), kLoadDone);
    std::filesystem::remove(PathOf("demo.hex"));
    messages.messages.clear();
    EXPECT_TRUE(ReloadAvailable()) << "Reload itself tells that the file is gone";
    EXPECT_EQ(ReloadCommand(FrontEnd()), kLoadStopped);
    EXPECT_EQ(messages.Lines(), std::vector<std::string>{"ERROR|Unable to open the selected file"});
    EXPECT_EQ(int(FlashRead(0x0101)), 0x01) << "the buffer is left as it was";
}

}  // namespace
}  // namespace zvk::test
