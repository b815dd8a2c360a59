// Where zvk.dat lives: beside the executable for a portable copy, else in the
// user's configuration folder; and zvk.dat itself going there.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "app/Installation.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using test::ReadOnlyFolder;
using test::ReadTextFile;
using test::ScopedEnvironment;
using test::TempDir;

class SettingsLocation : public ::testing::Test {
  protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { App().ProgramDirectory.clear(); }

    TempDir dir_;
};

TEST_F(SettingsLocation, TheFolderFollowsTheRule) {
    enum class Program { Writable, ReadOnly, ReadOnlyWithZvkDat, Missing };
    struct Case {
        const char* what;
        Program program;
        std::optional<std::string> xdg;   // relative to the test folder, unless it starts with '/'
        std::optional<std::string> home;  // relative to the test folder
        const char* expected;             // "program", or a folder below the test folder
    };
    const Case cases[] = {
        {"a writable folder is a portable copy's", Program::Writable, "xdg", "home", "program"},
        {"zvk.dat beside the program wins", Program::ReadOnlyWithZvkDat, "xdg", "home", "program"},
        {"read-only: XDG_CONFIG_HOME", Program::ReadOnly, "xdg", "home", "xdg/zvk"},
        {"read-only: no XDG_CONFIG_HOME", Program::ReadOnly, std::nullopt, "home",
         "home/.config/zvk"},
        {"an empty XDG_CONFIG_HOME is unset", Program::ReadOnly, "", "home", "home/.config/zvk"},
        {"a relative XDG_CONFIG_HOME is ignored", Program::ReadOnly, "/relative", "home",
         "home/.config/zvk"},
        {"a missing program folder", Program::Missing, "xdg", "home", "xdg/zvk"},
        {"no folder of the user's at all", Program::ReadOnly, std::nullopt, std::nullopt,
         "program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        const fs::path program = root / "bin";
        std::optional<ReadOnlyFolder> readOnly;
        if (c.program != Program::Missing) fs::create_directories(program);
        if (c.program == Program::ReadOnlyWithZvkDat) std::ofstream(program / "zvk.dat") << "01";
        if (c.program == Program::ReadOnly || c.program == Program::ReadOnlyWithZvkDat) {
            readOnly.emplace(program);
        }
        App().ProgramDirectory = program.string();
        const auto place = [&](const std::optional<std::string>& v) -> std::optional<std::string> {
            if (!v || v->empty()) return v;
            if (*v == "/relative") return std::string("relative/config");
            return (root / *v).string();
        };
        ScopedEnvironment xdg("XDG_CONFIG_HOME", place(c.xdg));
        ScopedEnvironment home("HOME", place(c.home));
        const std::string expected =
            std::string(c.expected) == "program" ? program.string() : (root / c.expected).string();
        EXPECT_EQ(SettingsDirectory(), expected);
        EXPECT_EQ(SettingsFilePath("zvk.conf"), (fs::path(expected) / "zvk.conf").string());
        EXPECT_FALSE(fs::exists(root / "xdg") || fs::exists(root / "home"))
            << "reading makes no folder";
    }
}

// An installed copy: the program folder stays as it is, zvk.dat goes to the
// user's folder, made on the first write, and is read back from there.
TEST_F(SettingsLocation, ARunFromAReadOnlyFolderKeepsItsSettingsInTheUserFolder) {
    ReadOnlyFolder program(dir_ / "bin");
    App().ProgramDirectory = program.Path().string();
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "config").string());

    App().PortIndex = 2;
    App().SelectedDevice = 11;
    App().ProgrammingMode = 0x02;
    App().ProtectionOptions = 0x03;
    App().AutoSequence = 0x1F;
    App().OptionFlags = 0x0F;
    SaveSettings();
    EXPECT_EQ(ReadTextFile(dir_ / "config" / "zvk" / "zvk.dat"),
              "020b000000000000000000000000000000000000000000000000000002031f0f");
    EXPECT_TRUE(fs::is_empty(program.Path()));

    ResetAppState();
    LoadSettings();
    EXPECT_EQ(App().PortIndex, 2);
    EXPECT_EQ(App().SelectedDevice, 11);
    EXPECT_EQ(App().FlashLastAddress, 0x1FFF);
}

// An installed copy run by root: its folder is writable and may even hold an
// old zvk.dat, yet the settings go to the user's folder, and without one
// they are kept nowhere, neither beside the program nor in the folder the
// program was started from.
TEST_F(SettingsLocation, AnInstalledCopyNeverWritesIntoItsOwnFolder) {
    const fs::path program = dir_ / "usr" / "bin";
    const fs::path data = (program / DataDirectoryFromProgramDirectory()).lexically_normal();
    fs::create_directories(program);
    fs::create_directories(data / "help");
    std::ofstream(data / "help" / "index.html") << "<html></html>";
    std::ofstream(program / "zvk.dat") << "0000";
    App().ProgramDirectory = program.string();
    const fs::path started = dir_ / "started-here";
    fs::create_directories(started);
    const fs::path previous = fs::current_path();
    fs::current_path(started);

    App().PortIndex = 4;
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "config").string());
        EXPECT_EQ(SettingsDirectory(), (dir_ / "config" / "zvk").string());
        SaveSettings();
        EXPECT_EQ(ReadTextFile(dir_ / "config" / "zvk" / "zvk.dat").substr(0, 2), "04");
    }
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnvironment home("HOME", std::nullopt);
        EXPECT_EQ(SettingsDirectory(), "");
        EXPECT_EQ(SettingsFilePath("zvk.dat"), "");
        EXPECT_EQ(SettingsFilePathForWriting("zvk.dat"), "");
        SaveSettings();
        ResetAppState();
        LoadSettings();
        EXPECT_EQ(App().PortIndex, 1) << "the defaults of a missing file, not the old zvk.dat";
    }
    fs::current_path(previous);
    EXPECT_EQ(ReadTextFile(program / "zvk.dat"), "0000");
    EXPECT_EQ(std::distance(fs::directory_iterator(program), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_empty(started));
}

TEST_F(SettingsLocation, WritingMakesTheFolderAndAFolderThatCannotBeMadeIsLeftToTheWrite) {
    ReadOnlyFolder program(dir_ / "bin");
    App().ProgramDirectory = program.Path().string();
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "a" / "b").string());
        EXPECT_EQ(SettingsFilePathForWriting("zvk.dat"),
                  (dir_ / "a" / "b" / "zvk" / "zvk.dat").string());
        EXPECT_TRUE(fs::is_directory(dir_ / "a" / "b" / "zvk"));
    }
    // Below a plain file no folder can be made, not even by root.
    std::ofstream(dir_ / "file") << "x";
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "file").string());
    App().PortIndex = 4;
    SaveSettings();  // lost silently, as in any folder that cannot be written
    ResetAppState();
    LoadSettings();
    EXPECT_EQ(App().PortIndex, 1) << "the defaults of a missing file";
}

}  // namespace
}  // namespace zvk
