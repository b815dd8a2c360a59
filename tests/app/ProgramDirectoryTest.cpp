#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppState.h"
#include "app/ProgramDirectory.h"

namespace zvk {
namespace {

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningExecutable) {
    const std::string dir = GetProgramDirectory();
    EXPECT_EQ(App().ProgramDirectory, dir);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
#ifdef _WIN32
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / "zvk_app_tests.exe"));
#else
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / "zvk_app_tests"));
#endif
    EXPECT_NE(dir.back(), '/');
}

TEST(ProgramDirectory, FileExtensionIncludesTheDotOrIsEmpty) {
    const std::pair<const char*, const char*> cases[] = {
        {"prog.hex", ".hex"},      {"C:\\Tools\\x.HEX", ".HEX"},
        {"/a/b.c/prog", ""},       {"dir.x\\file", ""},
        {"image.tar.bin", ".bin"}, {"noext", ""},
        {"trailing.", "."},        {"", ""},
        {"C:name.bin", ".bin"},
    };
    for (const auto& [path, ext] : cases) EXPECT_EQ(GetFileExtension(path), ext) << path;
}

}  // namespace
}  // namespace zvk
