// Files and settings on Windows: UTF-8 names reach the system whole, the safe
// save makes its temporary with CREATE_NEW under the process's real id, clears
// what a killed save left, and keeps the old file when the target is held
// open; zvk.dat goes beside the program only where a file can really be made.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/SafeFile.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "app/Utf8Path.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"

namespace zvk::test {
namespace {

namespace fs = std::filesystem;

// The folder as UTF-8 text, as the program keeps paths.
std::string Utf8(const fs::path& path) { return Utf8FromPath(path); }

bool WriteWhole(const std::string& path, std::string_view bytes) {
    return WriteFileSafely(path, bytes);
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(Utf8FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WindowsFiles, NamesOutsideTheAnsiCodePageAreWrittenAndReadBack) {
    TempDir dir;
    for (const std::u8string folder : {u8"José", u8"прошивка", u8"固件"}) {
        // Made and looked at through the wide names, independently of the
        // program's own conversion.
        const fs::path wide = dir.Path() / fs::path(folder) / fs::path(u8"прошивка.hex");
        fs::create_directories(wide.parent_path());
        const std::string path = Utf8(dir.Path()) + "\\" +
                                 std::string(folder.begin(), folder.end()) + "\\" +
                                 reinterpret_cast<const char*>(u8"прошивка.hex");
        ASSERT_TRUE(WriteWhole(path, ":00000001FF\n")) << path;
        EXPECT_TRUE(fs::is_regular_file(wide)) << "the name on disk is the one given";
        EXPECT_EQ(ReadRegularFile(path), std::optional<std::string>(":00000001FF\n")) << path;
    }
}

TEST(WindowsFiles, TheTemporaryCarriesTheProcessIdAndTheTargetStaysUntilCommit) {
    TempDir dir;
    const std::string target = Utf8(dir.Path() / "image.hex");
    ASSERT_TRUE(WriteWhole(target, "old"));
    SafeFile file;
    ASSERT_TRUE(file.Open(target));
    const std::string temporary = Utf8FromPath(PathFromUtf8(file.WritingPath()).filename());
    EXPECT_EQ(temporary.rfind(".image.hex.zvk-" + std::to_string(::GetCurrentProcessId()) + "-", 0),
              0U)
        << temporary;
    ASSERT_TRUE(file.Write("new"));
    EXPECT_EQ(ReadRegularFile(target), std::optional<std::string>("old"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadRegularFile(target), std::optional<std::string>("new"));
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"image.hex"});
}

TEST(WindowsFiles, ATemporaryOfAKilledSaveIsClearedAndOneOfARunningProcessIsKept) {
    TempDir dir;
    const std::string target = Utf8(dir.Path() / "image.hex");
    // No process has an id this high (ids are multiples of four below 2^32).
    const std::string dead = ".image.hex.zvk-4294967291-0-0";
    // This process is alive; its own save in another thread must be left alone.
    const std::string alive = ".image.hex.zvk-" + std::to_string(::GetCurrentProcessId()) + "-9-0";
    ASSERT_TRUE(WriteWhole(Utf8(dir.Path() / dead), "partial"));
    ASSERT_TRUE(WriteWhole(Utf8(dir.Path() / alive), "partial"));
    ASSERT_TRUE(WriteWhole(target, "new"));
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{alive, "image.hex"}));
}

TEST(WindowsFiles, ATargetHeldOpenByAnotherProgramFailsTheSaveAndKeepsTheOldFile) {
    TempDir dir;
    const std::string target = Utf8(dir.Path() / "image.hex");
    ASSERT_TRUE(WriteWhole(target, "old"));
    // Shared for reading and writing, as editors hold files, but not for
    // deletion: the file cannot be replaced while it is open.
    const HANDLE held =
        ::CreateFileW(WideFromUtf8(target).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteWhole(target, "new"));
    ::CloseHandle(held);
    EXPECT_EQ(ReadRegularFile(target), std::optional<std::string>("old"));
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"image.hex"}) << "no temporary left";
}

TEST(WindowsFiles, AFileMarkedReadOnlyIsRefusedAndStaysAsItWas) {
    TempDir dir;
    const std::string target = Utf8(dir.Path() / "image.hex");
    ASSERT_TRUE(WriteWhole(target, "old"));
    ASSERT_TRUE(::SetFileAttributesW(WideFromUtf8(target).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteWhole(target, "new"));
    ::SetFileAttributesW(WideFromUtf8(target).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadRegularFile(target), std::optional<std::string>("old"));
}

// zvk.dat beside the program when a file can be made there; else in
// %APPDATA%\zvk, here a folder of the test's own.
TEST(WindowsSettings, BesideTheProgramWhereAFileCanBeMadeElseInAppData) {
    TempDir dir;
    const fs::path appData = dir.Path() / "roaming";
    fs::create_directories(appData);
    ScopedEnvironment environment("APPDATA", Utf8(appData));
    const std::string previous = App().ProgramDirectory;

    const fs::path portable = dir.Path() / "José" / "zvk";
    fs::create_directories(portable);
    App().ProgramDirectory = Utf8(portable);
    EXPECT_EQ(SettingsDirectory(), Utf8(portable));
    EXPECT_EQ(NamesIn(portable), std::vector<std::string>{}) << "the probe file is gone again";

    // A folder no file can be made in (here: one that is not there).
    App().ProgramDirectory = Utf8(dir.Path() / "Program Files" / "zvk");
    EXPECT_EQ(SettingsDirectory(), Utf8(appData / "zvk"));
    EXPECT_EQ(SettingsFilePath(kSettingsFileName), Utf8(appData / "zvk" / "zvk.dat"));
    App().ProgramDirectory = previous;
}

}  // namespace
}  // namespace zvk::test
