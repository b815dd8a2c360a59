#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "files/FileSave.h"
#include "tests/files/FilesFixture.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

class FileSave : public FilesTest {
  protected:
    void SetUp() override {
        FilesTest::SetUp();
        for (std::uint32_t a = 0; a < kFlashBufferSize; ++a) {
            App().FlashBuffer[a] = static_cast<std::uint8_t>(a * 7 + 3);
        }
    }

    // Runs Save As with the dialog filled in as given and the file question
    // answered with name; records whether the file question came.
    bool Save(const std::string& from, const std::string& to, int formatId,
              const std::string& name) {
        SaveFrontEnd frontEnd;
        frontEnd.runSaveMemoryDialog = AnswerDialogWith({from, to}, formatId);
        frontEnd.askSavePath = [this, name](const SaveFileQuestion& question) {
            askedQuestion = question;
            return std::optional<std::string>(PathOf(name));
        };
        frontEnd.runSaveDialog = runSaveDialog;
        return SaveCommand(frontEnd);
    }

    MessageRecorder messages;
    std::optional<SaveFileQuestion> askedQuestion;
    std::function<int(FileSaveJob&)> runSaveDialog;
};

const std::string kDone = "Save Memory|Operation Completed Succesfully.";

TEST_F(FileSave, IntelHexRecordLayout) {
    struct Case {
        const char* from;
        const char* to;
        std::string text;
    };
    // Buffer byte a holds a * 7 + 3.
    const std::vector<Case> cases = {
        {"0000", "0000", ":0100000003FC\r\n:00000001FF\n"},
        {"0000", "0010", ":11000000030A11181F262D343B424950575E656C7304\r\n:00000001FF\n"},
        {"0000", "001F",
         ":10000000030A11181F262D343B424950575E656C78\r\n"
         ":10001000737A81888F969DA4ABB2B9C0C7CED5DC68\r\n:00000001FF\n"},
        {"1000", "1020",
         ":10100000030A11181F262D343B424950575E656C68\r\n"
         ":11101000737A81888F969DA4ABB2B9C0C7CED5DCE374\r\n:00000001FF\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + ".." + c.to);
        messages.messages.clear();
        EXPECT_TRUE(Save(c.from, c.to, kSaveHexRadioId, "out.hex"));
        EXPECT_EQ(ReadFile(PathOf("out.hex")), c.text);
        EXPECT_EQ(messages.Lines(), (std::vector<std::string>{kDone}));
        EXPECT_EQ(askedQuestion->defaultExtension, "Hex");
    }
}

TEST_F(FileSave, BinaryHoldsExactlyTheRange) {
    EXPECT_TRUE(Save("0100", "01ff", kSaveBinaryRadioId, "out.bin"));
    const std::string file = ReadFile(PathOf("out.bin"));
    ASSERT_EQ(file.size(), 256u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.end()),
              BufferBytes(BufferKind::Flash, 0x0100, 256));
    EXPECT_EQ(askedQuestion->defaultExtension, "Bin");
    EXPECT_EQ(FileSaveSettings().start, 0x0100) << "the settings keep the range";
    EXPECT_EQ(FileSaveSettings().end, 0x01FF);
    EXPECT_EQ(FileSaveSettings().format, kSaveFormatBinary);
    EXPECT_EQ(FileSaveSettings().path, PathOf("out.bin"));
}

TEST_F(FileSave, AddressChecksComeBeforeTheFileQuestion) {
    struct Case {
        BufferKind kind;
        const char* from;
        const char* to;
        std::string message;
    };
    const std::vector<Case> cases = {
        {BufferKind::Flash, "0200", "0100",
         "Address Error|Starting Address is Greater than Ending Address!"},
        {BufferKind::Flash, "0000", "5000",
         "Address Error|Ending Address exceeds device capacity!"},
        {BufferKind::Eeprom, "0000", "0800",
         "Address Error|Ending Address exceeds device capacity!"},
    };
    for (const auto& c : cases) {
        App().CurrentBufferKind = c.kind;
        messages.messages.clear();
        askedQuestion.reset();
        EXPECT_FALSE(Save(c.from, c.to, kSaveHexRadioId, "out.hex"));
        EXPECT_EQ(messages.Lines(), (std::vector<std::string>{c.message}));
        EXPECT_FALSE(askedQuestion);
        EXPECT_FALSE(std::filesystem::exists(PathOf("out.hex")));
    }
}

TEST_F(FileSave, TheDialogRemembersAndParses) {
    FileSaveSettings() = {0x0010, 0x00FF, kSaveFormatBinary, {}};
    App().CurrentBufferKind = BufferKind::Eeprom;
    FieldDialog dialog = SaveMemoryDialog();
    EXPECT_EQ(dialog.title, "Save EEPROM Buffer");
    ASSERT_EQ(dialog.fields.size(), 2u);
    EXPECT_EQ(dialog.fields[0].text, "0010");
    EXPECT_EQ(dialog.fields[1].text, "00FF");
    EXPECT_EQ(dialog.checkedChoice, kSaveBinaryRadioId);

    // A radio click counts at once, even when the dialog is then cancelled.
    dialog.choose(kSaveHexRadioId);
    EXPECT_EQ(FileSaveSettings().format, kSaveFormatHex);

    // The start field parses before the end field fails; the dialog stays.
    dialog.fields[0].text = "1000";
    dialog.fields[1].text = "10G0";
    EXPECT_FALSE(dialog.accept(dialog));
    EXPECT_EQ(FileSaveSettings().start, 0x1000) << "hexadecimal: 1000 is 4096";
    EXPECT_EQ(FileSaveSettings().end, 0x00FF);
    dialog.fields[1].text = "12345";
    EXPECT_FALSE(dialog.accept(dialog));
    dialog.fields[1].text = "1fff";
    EXPECT_TRUE(dialog.accept(dialog));
    EXPECT_EQ(FileSaveSettings().end, 0x1FFF);

    App().CurrentBufferKind = BufferKind::Flash;
    EXPECT_EQ(SaveMemoryDialog().title, "Save Flash Buffer");
    EXPECT_EQ(SaveMemoryDialog().fields[0].text, "1000");

    // Cancelling the dialog or the file question saves nothing.
    SaveFrontEnd frontEnd;
    frontEnd.runSaveMemoryDialog = [](FieldDialog&) { return false; };
    EXPECT_FALSE(SaveCommand(frontEnd));
    frontEnd.runSaveMemoryDialog = AnswerDialogWith({"0000", "0001"});
    frontEnd.askSavePath = [](const SaveFileQuestion&) { return std::nullopt; };
    EXPECT_FALSE(SaveCommand(frontEnd));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FileSave, CancelDeletesThePartialFileAndKeepsAnOldOne) {
    TickingClock clock;
    ScopedClock useClock(clock);
    std::string label;
    runSaveDialog = [&label](FileSaveJob& job) {
        job.Start();
        label = job.Model().label;
        EXPECT_EQ(job.Model().title, "Saving...");
        EXPECT_EQ(job.Model().progressMax, 0x4FFFu);
        EXPECT_FALSE(job.Step().finished);
        EXPECT_FALSE(job.Step().finished);
        EXPECT_GT(job.Model().progressPos, 16u) << "a step does more than one record";
        EXPECT_LT(job.Model().progressPos, 0x5000u);
        job.Cancel();
        return job.Step().code;
    };
    EXPECT_FALSE(Save("0000", "4FFF", kSaveHexRadioId, "partial.hex"));
    EXPECT_EQ(messages.Lines(),
              (std::vector<std::string>{"Error|Storing Operation is Cancelled by User!"}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("partial.hex")));
    EXPECT_EQ(label, "Saving to: " + ShortDisplayName(PathOf("partial.hex")));

    // Cancelling a save over an existing file leaves that file as it was.
    const std::string old = ":00000001FF\n";
    WriteFile("old.hex", old);
    EXPECT_FALSE(Save("0000", "4FFF", kSaveHexRadioId, "old.hex"));
    EXPECT_EQ(ReadFile(PathOf("old.hex")), old);
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"old.hex"}));
}

TEST_F(FileSave, AFailedWriteLeavesTheTargetAsItWasAndIsNotReportedAsDone) {
    struct Case {
        const char* name;
        std::optional<std::string> old;  // the target's content before the save
    };
    const std::vector<Case> cases = {
        {"new.hex", std::nullopt},
        {"old.hex", std::string(300, 'o')},
        {"old.bin", std::string("\0\1\2", 3)},
    };
    // A file size limit makes the writes fail part way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (c.old) WriteFile(c.name, *c.old);
        messages.messages.clear();
        rlimit previous{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit small = previous;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = Save("0000", "4FFF", kSaveHexRadioId, c.name);
        setrlimit(RLIMIT_FSIZE, &previous);

        EXPECT_FALSE(saved);
        EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|Unable to Write the file"}));
        if (c.old) {
            EXPECT_EQ(ReadFile(PathOf(c.name)), *c.old);
            EXPECT_EQ(FilesInDir(), (std::vector<std::string>{c.name}));
        } else {
            EXPECT_TRUE(FilesInDir().empty());
        }
    }
}

TEST_F(FileSave, ADeviceTargetIsWrittenInPlaceAndNeverRemoved) {
    // A link to a device that refuses every write: the save fails, and neither
    // the link nor the device goes.
    const std::filesystem::path link = PathOf("full.hex");
    std::filesystem::create_symlink("/dev/full", link);
    EXPECT_FALSE(Save("0000", "4FFF", kSaveHexRadioId, "full.hex"));
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|Unable to Write the file"}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"full.hex"}));
}

TEST_F(FileSave, AFileThatCannotBeCreated) {
    EXPECT_FALSE(Save("0000", "000F", kSaveBinaryRadioId, "no-such-directory/out.bin"));
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"ERROR|Unable to Write the file"}));
}

TEST_F(FileSave, ARequestSavesWhatItSaysWhateverIsRemembered) {
    for (std::uint32_t a = 0; a < kEepromBufferSize; ++a) {
        App().EepromBuffer[a] = static_cast<std::uint8_t>(0xA0 ^ a);
    }
    App().CurrentBufferKind = BufferKind::Flash;
    FileSaveSettings() = {0x0000, 0x00FF, kSaveFormatHex, "remembered.hex"};

    EXPECT_TRUE(SaveBuffer({BufferKind::Eeprom, 0x0010, 0x0013, false, PathOf("e.bin")}));
    EXPECT_EQ(ReadFile(PathOf("e.bin")), "\xB0\xB1\xB2\xB3");
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{kDone}));
    EXPECT_EQ(App().CurrentBufferKind, BufferKind::Flash) << "nothing remembered changes";
    EXPECT_EQ(FileSaveSettings().end, 0x00FF);
    EXPECT_EQ(FileSaveSettings().path, "remembered.hex");

    // Its range is checked against its own buffer, before any file is made.
    messages.messages.clear();
    EXPECT_FALSE(SaveBuffer({BufferKind::Eeprom, 0x0000, 0x0800, true, PathOf("e.hex")}));
    EXPECT_EQ(messages.Lines(),
              (std::vector<std::string>{"Address Error|Ending Address exceeds device capacity!"}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("e.hex")));
}

}  // namespace
}  // namespace zvk::test
