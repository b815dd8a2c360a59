// How a copy of the programs knows it is installed, and where it finds its
// manual: beside the programs first, else in the installed data folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "app/Installation.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void MakeManual(const fs::path& helpFolder) {
    fs::create_directories(helpFolder);
    std::ofstream(helpFolder / "index.html") << "<html></html>";
}

class Installation : public ::testing::Test {
  protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { App().ProgramDirectory.clear(); }

    TempDir root_;
    // Laid out as a prefix: <root>/bin and, through the configured relative
    // path, the data folder.
    fs::path bin_ = root_ / "bin";
    fs::path data_ = (bin_ / DataDirectoryFromProgramDirectory()).lexically_normal();
};

TEST_F(Installation, TheConfiguredFoldersAreAbsoluteAndReachTheData) {
    EXPECT_EQ(ProgramVersion(), "2.2");
    EXPECT_TRUE(fs::path(InstallProgramDirectory()).is_absolute()) << InstallProgramDirectory();
    const fs::path relative(DataDirectoryFromProgramDirectory());
    EXPECT_TRUE(relative.is_relative()) << relative;
    EXPECT_EQ(relative.filename(), "zvk");
}

TEST_F(Installation, AnInstalledLayoutIsTheConfiguredBinFolderOrHasTheManualInItsDataFolder) {
    enum class Manual { None, Beside, InData, InDataNotAFile };
    struct Case {
        const char* what;
        Manual manual;
        bool binIsConfigured;  // the bin folder is the configured install folder
        bool installed;
    };
    const Case cases[] = {
        {"a build folder: the manual beside the programs", Manual::Beside, false, false},
        {"a folder without any manual", Manual::None, false, false},
        {"the manual in the data folder (any prefix, DESTDIR)", Manual::InData, false, true},
        {"a folder named index.html is no manual", Manual::InDataNotAFile, false, false},
        {"the configured bin folder, manual or not", Manual::None, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        const fs::path bin = root / "bin";
        const fs::path data = (bin / DataDirectoryFromProgramDirectory()).lexically_normal();
        fs::create_directories(bin);
        if (c.manual == Manual::Beside) MakeManual(bin / "help");
        if (c.manual == Manual::InData) MakeManual(data / "help");
        if (c.manual == Manual::InDataNotAFile)
            fs::create_directories(data / "help" / "index.html");
        // A link to the bin folder stands for the configured folder: the
        // same folder under another name, as /bin and /usr/bin are.
        const fs::path configured = root / "configured-bin";
        fs::create_directory_symlink(c.binIsConfigured ? bin : root / "elsewhere", configured);
        EXPECT_EQ(IsInstalledLayout(bin.string(), configured.string(),
                                    DataDirectoryFromProgramDirectory()),
                  c.installed);
    }
    EXPECT_FALSE(IsInstalledLayout("", "/", DataDirectoryFromProgramDirectory()));
}

TEST_F(Installation, TheRunningProgramUsesTheConfiguredFolders) {
    fs::create_directories(bin_);
    App().ProgramDirectory = bin_.string();
    EXPECT_FALSE(IsInstalledCopy());
    MakeManual(data_ / "help");
    EXPECT_TRUE(IsInstalledCopy());

    App().ProgramDirectory = std::string(InstallProgramDirectory());
    EXPECT_EQ(IsInstalledCopy(), fs::is_directory(InstallProgramDirectory()))
        << "a configured folder that exists is an installed copy's";
}

TEST_F(Installation, TheManualIsFoundBesideTheProgramsFirstThenInTheDataFolder) {
    fs::create_directories(bin_);
    App().ProgramDirectory = bin_.string();
    EXPECT_EQ(ManualIndexPath(), "");

    MakeManual(data_ / "help");
    EXPECT_EQ(ManualIndexPath(), (data_ / "help" / "index.html").string());

    MakeManual(bin_ / "help");
    EXPECT_EQ(ManualIndexPath(), (bin_ / "help" / "index.html").string());

    App().ProgramDirectory.clear();
    EXPECT_EQ(ManualIndexPath(), "") << "no program folder, no manual";
}

}  // namespace
}  // namespace zvk
