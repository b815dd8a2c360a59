#include "app/ProgramDirectory.h"

#include <filesystem>
#include <system_error>

#include "app/AppState.h"
#include "app/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zvk {
namespace {

std::filesystem::path ExecutablePath() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer);
#else
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec) / "zvk";
    return path;
#endif
}

}  // namespace

const std::string& GetProgramDirectory() {
    App().ProgramDirectory = Utf8FromPath(ExecutablePath().parent_path());
    return App().ProgramDirectory;
}

std::string GetFileExtension(std::string_view path) {
    const auto separator = path.find_last_of("/\\:");
    const std::string_view name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return std::string(name.substr(dot));
}

std::string ProgramDirectoryFile(std::string_view fileName) {
    return Utf8FromPath(PathFromUtf8(App().ProgramDirectory) / PathFromUtf8(fileName));
}

}  // namespace zvk
