#include "app/SafeFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything in the folder but the names given: a left-over temporary file
// shows up here.
std::size_t EntriesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
    return n;
}

// Runs `body` in a child process and returns its wait status.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(SafeFileTest, ReplacesAFileKeepingItsPermissionsAndLeavesNothingElse) {
    test::TempDir dir;
    const fs::path target = dir / "old.hex";
    WriteAll(target, "old contents");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(WriteFileSafely(target.string(), "new"));
    EXPECT_EQ(ReadTextFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    // A new file is created; a link is followed, and stays a link.
    const fs::path link = dir / "link.hex";
    fs::create_symlink(target, link);
    ASSERT_TRUE(WriteFileSafely(link.string(), "through the link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadTextFile(target), "through the link");
    ASSERT_TRUE(WriteFileSafely((dir / "fresh.bin").string(), std::string("\0\1", 2)));
    EXPECT_EQ(ReadTextFile(dir / "fresh.bin"), std::string("\0\1", 2));
    EXPECT_EQ(EntriesIn(dir.Path()), 3u);
}

TEST(SafeFileTest, AFailedOrAbandonedSaveLeavesTheTargetAsItWas) {
    test::TempDir dir;
    const fs::path target = dir / "old.hex";
    const std::string old(3000, 'o');
    WriteAll(target, old);
    const std::string big(20480, 'n');

    // The write fails part way (a file size limit, with the signal ignored).
    const int status = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(WriteFileSafely(target.string(), big) ? 1 : 0);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed save was reported as done";
    EXPECT_EQ(ReadTextFile(target), old);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    // The process dies in the middle of the save.
    InChild([&] {
        SafeFile file;
        if (file.Open(target.string()) && file.Write(big)) ::raise(SIGKILL);
    });
    EXPECT_EQ(ReadTextFile(target), old);

    // Cancelled by the program.
    {
        SafeFile file;
        ASSERT_TRUE(file.Open(target.string()));
        ASSERT_TRUE(file.Write("partial"));
        file.Abandon();
    }
    EXPECT_EQ(ReadTextFile(target), old);

    // No name at all (a settings file with no folder to go to): refused at
    // once, with no temporary in the folder the program was started from.
    const std::size_t before = EntriesIn(dir.Path());
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    SafeFile unnamed;
    EXPECT_FALSE(unnamed.Open(""));
    EXPECT_FALSE(WriteFileSafely("", "x"));
    fs::current_path(previous);
    EXPECT_EQ(EntriesIn(dir.Path()), before);
}

TEST(SafeFileTest, AFileThisUserMayNotWriteIsRefused) {
    test::TempDir dir;
    // Anyone may create files beside it, so only the file's own bits decide.
    fs::permissions(dir.Path(), fs::perms::all);
    const fs::path target = dir / "locked.hex";
    WriteAll(target, "kept");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const int status = InChild([&] {
        // Root may write any file: look as an ordinary user.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        errno = 0;
        if (WriteFileSafely(target.string(), "replaced")) ::_exit(1);
        ::_exit(errno == EACCES ? 0 : 3);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the file was replaced, 2: no ordinary user, 3: errno";
    EXPECT_EQ(ReadTextFile(target), "kept");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SafeFileTest, ALinkPlantedByAnotherUserInASharedStickyFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting a link as another user needs root";
    constexpr uid_t kFolderOwner = 65532;
    constexpr uid_t kStranger = 65533;
    test::TempDir dir;
    const fs::path shared = dir / "tmp";
    fs::create_directory(shared);
    ASSERT_EQ(::chown(shared.c_str(), kFolderOwner, kFolderOwner), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const fs::path victim = dir / "victim.txt";
    struct Case {
        const char* name;
        uid_t linkOwner;
        mode_t folderMode;
        bool followed;
    };
    const Case cases[] = {
        {"a stranger's link", kStranger, 01777, false},
        {"the folder owner's link", kFolderOwner, 01777, true},
        {"this user's own link", ::geteuid(), 01777, true},
        {"a stranger's link in a folder that is not sticky", kStranger, 0777, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(victim, "precious");
        ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
        const fs::path link = shared / "report.txt";
        fs::remove(link);
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        // A link to the link: every link of the chain is looked at.
        const fs::path chain = dir / "chain.txt";
        fs::remove(chain);
        fs::create_symlink(link, chain);
        for (const fs::path& target : {link, chain}) {
            errno = 0;
            EXPECT_EQ(MayFollowLinks(target.string()), c.followed) << target;
            EXPECT_EQ(WriteFileSafely(target.string(), "overwritten"), c.followed) << target;
            if (!c.followed) {
                EXPECT_EQ(errno, EACCES);
            }
            EXPECT_EQ(ReadTextFile(victim), c.followed ? "overwritten" : "precious");
            WriteAll(victim, "precious");
        }
    }
}

TEST(SafeFileTest, TheNextSaveClearsWhatAKilledSaveLeftBehind) {
    test::TempDir dir;
    const fs::path target = dir / "old.hex";
    WriteAll(target, "old");
    InChild([&] {
        SafeFile file;
        if (file.Open(target.string()) && file.Write("partial")) ::raise(SIGKILL);
    });
    ASSERT_EQ(EntriesIn(dir.Path()), 2u) << "the killed save left no temporary file";
    // A save in progress in a living process keeps its file, and other
    // files of the folder are never touched.
    const fs::path running = dir / (".old.hex.zvk-" + std::to_string(::getpid()) + "-7-0");
    WriteAll(running, "in progress");
    WriteAll(dir / ".other.hex.zvk-1-0-0", "not ours to judge");

    ASSERT_TRUE(WriteFileSafely(target.string(), "new"));
    EXPECT_EQ(ReadTextFile(target), "new");
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(dir / ".other.hex.zvk-1-0-0"));
    EXPECT_EQ(EntriesIn(dir.Path()), 3u);
}

TEST(SafeFileTest, ADeviceIsWrittenDirectlyAndNeverRemoved) {
    SafeFile file;
    ASSERT_TRUE(file.Open("/dev/null"));
    EXPECT_EQ(file.WritingPath(), "/dev/null");
    ASSERT_TRUE(file.Write("bytes"));
    file.Abandon();
    EXPECT_TRUE(fs::exists("/dev/null"));
    EXPECT_TRUE(WriteFileSafely("/dev/null", "bytes"));
    EXPECT_TRUE(fs::exists("/dev/null"));
}

TEST(SafeFileTest, InputsOtherThanRegularFilesAreRefusedAtOnce) {
    test::TempDir dir;
    const fs::path fifo = dir / "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteAll(dir / "image.hex", ":00000001FF\n");

    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& input : {dir.Path(), fifo, dir / "missing.hex", fs::path("/dev/null")}) {
        EXPECT_EQ(OpenRegularFileForReading(input.string()), nullptr) << input;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    std::FILE* file = OpenRegularFileForReading((dir / "image.hex").string());
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 12u);
    std::fclose(file);
}

TEST(SafeFileTest, AnInputIsReadWholeOrNotAtAll) {
    test::TempDir dir;
    const std::string image(10000, 'x');  // more than one read's worth
    WriteAll(dir / "image.bin", image);
    EXPECT_EQ(ReadRegularFile((dir / "image.bin").string()), image);
    EXPECT_EQ(ReadRegularFile(dir.Path().string()), std::nullopt);
    // Opens as a regular file, and its first read fails with EIO.
    EXPECT_EQ(ReadRegularFile("/proc/self/mem"), std::nullopt);
}

}  // namespace
}  // namespace zvk
