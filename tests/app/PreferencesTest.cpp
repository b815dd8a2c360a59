// zvk.conf: the store for settings zvk.dat has no field for.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "app/Preferences.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using test::ReadOnlyFolder;
using test::ScopedEnvironment;
using test::TempDir;

class Preferences : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        App().ProgramDirectory = dir_.Path().string();
        LoadPreferences();
    }
    void TearDown() override { App().ProgramDirectory.clear(); }

    void WriteFile(const std::string& text) {
        std::ofstream(dir_ / "zvk.conf", std::ios::binary) << text;
    }
    std::string ReadFile() { return test::ReadTextFile(dir_ / "zvk.conf"); }

    TempDir dir_;
};

TEST_F(Preferences, ValuesAreWrittenAtOnceAndReadBack) {
    EXPECT_EQ(GetPreference("images.folder", "none"), "none");
    EXPECT_TRUE(SetPreference("images.folder", "/home/ann/my images/8051"));
    EXPECT_TRUE(SetPreference("load.flash.path", "a=b=c.hex"));
    EXPECT_TRUE(SetPreference("production.log", " spaced out \t"));
    EXPECT_TRUE(SetPreference("load.flash.path", "x/ünïcode €.hex"));
    EXPECT_TRUE(SetPreference("empty", ""));
    EXPECT_EQ(ReadFile(),
              "images.folder=/home/ann/my images/8051\n"
              "load.flash.path=x/ünïcode €.hex\n"
              "production.log= spaced out \t\n"
              "empty=\n");

    LoadPreferences();
    EXPECT_EQ(GetPreference("images.folder"), "/home/ann/my images/8051");
    EXPECT_EQ(GetPreference("load.flash.path"), "x/ünïcode €.hex");
    EXPECT_EQ(GetPreference("production.log"), " spaced out \t");
    EXPECT_EQ(GetPreference("empty", "fallback"), "") << "an empty value is a value";
}

// A damaged line is dropped; the lines around it, and keys this program does
// not know, are kept and written back.
TEST_F(Preferences, DamagedLinesAreDroppedAndUnknownKeysKept) {
    struct Case {
        const char* what;
        std::string line;
        bool kept;
    };
    const Case cases[] = {
        {"no equals sign", "no.equals.sign", false},
        {"an empty key", "=value", false},
        {"a blank in the key", "bad key=value", false},
        {"a dash in the key", "bad-key=value", false},
        {"a value that is not UTF-8", std::string("bad.utf8=\xC3("), false},
        {"an overlong form", std::string("overlong=\xC0\xAF"), false},
        {"a surrogate", std::string("surrogate=\xED\xA0\x80"), false},
        {"a cut sequence at the end", std::string("cut=\xE2\x82"), false},
        {"a NUL in the value", std::string("nul=a\0b", 7), false},
        {"a blank line", "", false},
        {"a key of a later version", "future.key_2=kept as it is", true},
        {"a CR LF line end", "crlf=value\r", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("first=1\n" + c.line + "\nlast=3");  // the last line has no line end
        LoadPreferences();
        EXPECT_EQ(GetPreference("first"), "1");
        EXPECT_EQ(GetPreference("last"), "3");
        ASSERT_TRUE(SetPreference("first", "changed"));
        const std::string expected =
            "first=changed\n" +
            (c.kept ? c.line.substr(0, c.line.find('\r')) + "\n" : std::string()) + "last=3\n";
        EXPECT_EQ(ReadFile(), expected);
    }
    WriteFile("dup=1\ndup=2\n");
    LoadPreferences();
    EXPECT_EQ(GetPreference("dup"), "2") << "a key given twice: the later line";
}

TEST_F(Preferences, AFileThatIsNotATextFileGivesNoEntries) {
    fs::create_directory(dir_ / "zvk.conf");
    LoadPreferences();
    EXPECT_EQ(GetPreference("x", "fallback"), "fallback");
    fs::remove(dir_ / "zvk.conf");
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
    WriteFile(garbage);
    LoadPreferences();  // must not crash; whatever lines happen to be valid may stay
    EXPECT_EQ(GetPreference("x", "fallback"), "fallback");
}

TEST_F(Preferences, ValuesThatBelongTogetherAreTakenAllOrNone) {
    ASSERT_TRUE(SetPreferences({{"reload.file", "a.hex"}, {"reload.address", "0000"}}));
    EXPECT_FALSE(SetPreferences({{"reload.file", "b.hex"}, {"reload.address", "bad\nvalue"}}));
    EXPECT_EQ(GetPreference("reload.file"), "a.hex");
    EXPECT_EQ(ReadFile(), "reload.file=a.hex\nreload.address=0000\n");
    ASSERT_TRUE(SetPreferences({{"reload.file", "b.hex"}, {"reload.address", "0100"}}));
    EXPECT_EQ(ReadFile(), "reload.file=b.hex\nreload.address=0100\n");
}

TEST_F(Preferences, ValuesTheFileCannotHoldAreRefused) {
    ASSERT_TRUE(SetPreference("path", "kept"));
    for (const std::string& value : {std::string("two\nlines"), std::string("cr\rhere"),
                                     std::string("nul\0x", 5), std::string("\xFF\xFE")}) {
        EXPECT_FALSE(SetPreference("path", value));
    }
    EXPECT_EQ(GetPreference("path"), "kept");
    EXPECT_EQ(ReadFile(), "path=kept\n");
}

TEST_F(Preferences, AFolderThatCannotBeWrittenKeepsTheValuesForThisRun) {
    ReadOnlyFolder program(dir_ / "bin");
    App().ProgramDirectory = program.Path().string();
    std::ofstream(dir_ / "file") << "x";
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "file" / "below").string());
    LoadPreferences();
    EXPECT_TRUE(SetPreference("images.folder", "/tmp/images"));
    EXPECT_EQ(GetPreference("images.folder"), "/tmp/images");
    EXPECT_TRUE(fs::is_empty(program.Path()));
}

TEST_F(Preferences, TheFileLivesBesideZvkDatInTheUserFolder) {
    ReadOnlyFolder program(dir_ / "bin");
    App().ProgramDirectory = program.Path().string();
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "config").string());
    LoadPreferences();
    ASSERT_TRUE(SetPreference("production.repeat", "1"));
    EXPECT_TRUE(fs::exists(dir_ / "config" / "zvk" / "zvk.conf"));
    EXPECT_FALSE(fs::exists(dir_ / "config" / "zvk" / "zvk.dat")) << "never into zvk.dat";
}

}  // namespace
}  // namespace zvk
