#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/AppState.h"
#include "app/ProgramDirectory.h"
#include "app/Settings.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExample = "020b000000000000000000000000000000000000000000000000000002031f0f";

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("zvk-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        Restart();
    }
    // A fresh start of the program, with its directory in the test's folder.
    void Restart() {
        ResetAppState();
        App().ProgramDirectory = dir_.string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteFile(const std::string& content) {
        std::ofstream(dir_ / "zvk.dat", std::ios::binary) << content;
    }
    std::string ReadFile() { return test::ReadTextFile(dir_ / "zvk.dat"); }

    fs::path dir_;
};

TEST_F(Settings, TheExampleStateWritesExactlyTheExampleFile) {
    auto& s = App();
    s.PortIndex = 2;        // COM3
    s.SelectedDevice = 11;  // AT89S8252
    s.ProgrammingMode = 0x02;
    s.ProtectionOptions = 0x03;
    s.AutoSequence = 0x1F;
    s.OptionFlags = 0x0F;
    SaveSettings();
    EXPECT_EQ(ReadFile(), kExample);

    Restart();
    LoadSettings();
    EXPECT_EQ(s.PortIndex, 2);
    EXPECT_EQ(s.SelectedDevice, 11);
    EXPECT_EQ(s.ProgrammingMode, 0x02);
    EXPECT_EQ(s.ProtectionOptions, 0x03);
    EXPECT_EQ(s.AutoSequence, 0x1F);
    EXPECT_EQ(s.OptionFlags, 0x0F);
    EXPECT_EQ(s.FlashLastAddress, 0x1FFF);
    EXPECT_EQ(s.ReadRange.Flags, 0);
}

TEST_F(Settings, EveryFieldRoundTripsInItsPlace) {
    auto& s = App();
    s.PortIndex = 8;
    s.SelectedDevice = 9;
    s.BlankCheckRange = {0x0102, 0x0304, 0, 0x05};
    s.ProgramRange = {0x0607, 0x0809, 0x0A0B, 0x0C};
    s.VerifyRange = {0x0D0E, 0x0F10, 0x1112, 0x13};
    s.ReadRange = {0x1415, 0x1617, 0x1819, 0x1A};
    s.ProgrammingMode = 0x1B;
    s.ProtectionOptions = 0x1C;
    s.AutoSequence = 0x1D;
    s.OptionFlags = 0x1E;
    SaveSettings();
    EXPECT_EQ(ReadFile(),
              "0809010203040506070809"
              "0a0b0c0d0e0f101112131415161718191a1b1c1d1e");

    Restart();
    LoadSettings();
    EXPECT_EQ(s.BlankCheckRange.DeviceEnd, 0x0304);
    EXPECT_EQ(s.BlankCheckRange.Flags, 0x05);
    EXPECT_EQ(s.ProgramRange.BufferStart, 0x0A0B);
    EXPECT_EQ(s.VerifyRange.DeviceStart, 0x0D0E);
    EXPECT_EQ(s.ReadRange.DeviceEnd, 0x1617);
    EXPECT_EQ(s.ReadRange.Flags, 0x1A);
    EXPECT_EQ(s.OptionFlags, 0x1E);
    EXPECT_EQ(s.FlashLastAddress, 0x4FFF);
}

TEST_F(Settings, AMissingFileGivesTheFirstStartDefaults) {
    LoadSettings();
    const auto& s = App();
    EXPECT_EQ(s.PortIndex, 1);
    EXPECT_EQ(s.SelectedDevice, 0);
    EXPECT_EQ(s.FlashLastAddress, 1023);
    EXPECT_EQ(s.ProgrammingMode, 0x02);
    EXPECT_EQ(s.ProtectionOptions, 0);
    EXPECT_EQ(s.AutoSequence, 0);
    EXPECT_EQ(s.OptionFlags, 0);
    EXPECT_EQ(s.ProgramRange.DeviceEnd, 0);
}

// A file that stops early keeps what it read; the rest keep their start values.
TEST_F(Settings, ShortAndDamagedFilesKeepTheFieldsReadBeforeTheDamage) {
    struct Case {
        const char* content;
        int port, device, programEnd, mode, protection, options;
    };
    const Case cases[] = {
        {"0105", 1, 5, 0, 0, 0xFF, 0xFF},
        {"", 0, 0, 0, 0, 0xFF, 0xFF},
        {"0203", 2, 3, 0, 0, 0xFF, 0xFF},
        {"0203000000000000001234", 2, 3, 0x1234, 0, 0xFF, 0xFF},
        {"0203000000000000001z34", 2, 3, 0x0001, 0, 0xFF, 0xFF},
        {"02xx0000", 2, 0, 0, 0, 0xFF, 0xFF},
        // Upper-case digits and line ends between fields are read too.
        {"02\r\n0B 0000 0000 00 0000 1FFF 0000 00 00000000000000 00000000000000 02 03 1F 0F\n", 2,
         11, 0x1FFF, 0x02, 0x03, 0x0F},
    };
    for (const Case& c : cases) {
        Restart();
        WriteFile(c.content);
        LoadSettings();
        SCOPED_TRACE(c.content);
        EXPECT_EQ(App().PortIndex, c.port);
        EXPECT_EQ(App().SelectedDevice, c.device);
        EXPECT_EQ(App().ProgramRange.DeviceEnd, c.programEnd);
        EXPECT_EQ(App().ProgrammingMode, c.mode);
        EXPECT_EQ(App().ProtectionOptions, c.protection);
        EXPECT_EQ(App().OptionFlags, c.options);
    }
}

TEST_F(Settings, ValuesNeverWrittenFallBackToTheMissingFileValues) {
    WriteFile("0912");  // COM10 and part index 18 do not exist
    LoadSettings();
    EXPECT_EQ(App().PortIndex, 1);
    EXPECT_EQ(App().SelectedDevice, 0);
    EXPECT_EQ(App().FlashLastAddress, 1023);

    Restart();
    WriteFile("ffff");
    LoadSettings();
    EXPECT_EQ(App().PortIndex, 1);
    EXPECT_EQ(App().SelectedDevice, 0);
}

TEST_F(Settings, RandomBytesNeverCrashAndNeverLeaveABadIndex) {
    std::mt19937 rng(12345);
    const std::string alphabet = "0123456789abcdefABCDEF \r\n\t\xff\x00gz-+x";
    for (int round = 0; round < 500; ++round) {
        std::string content(rng() % 100, '\0');
        for (auto& ch : content) {
            ch = round % 2 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        }
        Restart();
        WriteFile(content);
        LoadSettings();
        ASSERT_LT(App().SelectedDevice, 18);
        ASSERT_LE(App().PortIndex, 8);
        ASSERT_EQ(App().FlashLastAddress + 1U,
                  std::vector<unsigned>({1024, 2048, 4096, 4096, 4096, 8192, 8192, 12288, 12288,
                                         20480, 20480, 8192, 8192, 1024, 4096, 8192, 4096,
                                         8192})[App().SelectedDevice]);
    }
}

// Something named zvk.dat that opens but cannot be read as a file is no
// settings file at all: the first-start defaults, not a crash and not a mix.
TEST_F(Settings, AFileThatCannotBeReadCountsAsMissing) {
    struct Case {
        const char* what;
        void (*make)(const fs::path& file);
    };
    const Case cases[] = {
        {"a folder", [](const fs::path& file) { fs::create_directory(file); }},
        // Opens as a regular file, and its first read fails with EIO.
        {"a read error", [](const fs::path& file) { fs::create_symlink("/proc/self/mem", file); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "zvk.dat");
        Restart();
        c.make(dir_ / "zvk.dat");
        App().PortIndex = 5;
        App().SelectedDevice = 9;
        LoadSettings();
        EXPECT_EQ(App().PortIndex, 1);
        EXPECT_EQ(App().SelectedDevice, 0);
        EXPECT_EQ(App().FlashLastAddress, 1023);
        EXPECT_EQ(App().ProgrammingMode, kModeParallel);
        EXPECT_EQ(App().ProtectionOptions, 0);
        EXPECT_EQ(App().OptionFlags, 0);
    }
}

// A write that fails half-way (here at a file size limit of 10 bytes) must
// not leave a cut-off zvk.dat behind: the previous one stays whole.
TEST_F(Settings, AFailedWriteKeepsThePreviousFile) {
    WriteFile(kExample);
    App().SelectedDevice = 15;
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveSettings();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(ReadFile(), kExample);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "zvk.dat") << "left behind";

    SaveSettings();
    EXPECT_EQ(ReadFile().substr(0, 4), "000f");
    EXPECT_EQ(ReadFile().size(), 64u);
}

TEST_F(Settings, AnUnwritableDirectoryIsSkippedSilently) {
    App().ProgramDirectory = (dir_ / "missing" / "deeper").string();
    // Nor can the user's folder be made: it would be below a plain file.
    std::ofstream(dir_ / "file") << "x";
    test::ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "file").string());
    SaveSettings();  // must neither throw nor create anything
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
}  // namespace zvk
