#pragma once
// Paths are UTF-8 text everywhere inside the program. These are the only ways
// between that text and the system's names: on Windows a narrow string would
// otherwise be read in the ANSI code page, so that "прошивка.hex" or
// C:\Users\José\ could not be opened, and every Windows call takes the name as
// UTF-16.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zvk {

[[nodiscard]] std::filesystem::path PathFromUtf8(std::string_view text);
[[nodiscard]] std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 name (_wfopen on Windows).
[[nodiscard]] std::FILE* OpenFileUtf8(const std::string& path, const char* mode);

#ifdef _WIN32
[[nodiscard]] std::wstring WideFromUtf8(std::string_view text);
[[nodiscard]] std::string Utf8FromWide(std::wstring_view text);
#endif

}  // namespace zvk
