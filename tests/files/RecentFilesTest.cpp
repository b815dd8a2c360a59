// The recent files as zvk.conf keeps them: newest first, one entry per file
// and buffer, four at most, and what the file cannot hold left out.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Preferences.h"
#include "files/RecentFiles.h"
#include "tests/files/FilesFixture.h"

namespace zvk::test {
namespace {

class RecentFilesTest : public FilesTest {
  protected:
    void SetUp() override {
        FilesTest::SetUp();
        App().ProgramDirectory = dir_.string();
        LoadPreferences();
    }
    void TearDown() override {
        App().ProgramDirectory.clear();
        FilesTest::TearDown();
    }
};

TEST_F(RecentFilesTest, NewestFirstOncePerFileAndBufferFourAtMostAcrossRuns) {
    const RecentFile loads[] = {
        {"/p/a.hex", BufferKind::Flash},  {"/p/b.bin", BufferKind::Flash},
        {"/p/a.hex", BufferKind::Eeprom}, {"/p/c.hex", BufferKind::Flash},
        {"/p/a.hex", BufferKind::Flash},  {"/p/d:e.hex", BufferKind::Flash},
    };
    for (const RecentFile& load : loads) NoteRecentFile(load);
    const std::vector<RecentFile> expected = {
        {"/p/d:e.hex", BufferKind::Flash},
        {"/p/a.hex", BufferKind::Flash},
        {"/p/c.hex", BufferKind::Flash},
        {"/p/a.hex", BufferKind::Eeprom},
    };
    EXPECT_EQ(RecentFiles(), expected);
    LoadPreferences();  // the next run reads them back from the file
    EXPECT_EQ(RecentFiles(), expected);
    EXPECT_EQ(GetPreference("recent.4"), "eeprom:/p/a.hex");

    // A name with a line end cannot be kept; the list stays as it was.
    NoteRecentFile({"/p/bad\nname.hex", BufferKind::Flash});
    LoadPreferences();
    EXPECT_EQ(RecentFiles(), expected);
}

TEST_F(RecentFilesTest, DamagedEntriesAreLeftOut) {
    ASSERT_TRUE(SetPreferences({{"recent.1", "flash:"},
                                {"recent.2", "rom:/p/x.hex"},
                                {"recent.3", "eeprom:/p/y.hex"},
                                {"recent.4", "eeprom:/p/y.hex"}}));
    EXPECT_EQ(RecentFiles(), (std::vector<RecentFile>{{"/p/y.hex", BufferKind::Eeprom}}));
}

}  // namespace
}  // namespace zvk::test
