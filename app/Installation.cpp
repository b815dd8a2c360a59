#include "app/Installation.h"

#include <filesystem>
#include <system_error>

#include "app/AppState.h"
#include "app/Utf8Path.h"

// Set by the build from GNUInstallDirs (app/CMakeLists.txt).
#ifndef ZVK_VERSION
#error "ZVK_VERSION must be defined by the build"
#endif

namespace zvk {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kManualIndex = "help/index.html";

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

fs::path InstalledManualIndex(const std::string& programDirectory,
                              std::string_view dataFromProgram) {
    return (PathFromUtf8(programDirectory) / dataFromProgram / kManualIndex).lexically_normal();
}

}  // namespace

std::string_view ProgramVersion() { return ZVK_VERSION; }

std::string_view InstallProgramDirectory() { return ZVK_INSTALL_BINDIR; }

std::string_view DataDirectoryFromProgramDirectory() { return ZVK_DATA_FROM_BINDIR; }

std::string ManualIndexPath() {
    const std::string& program = App().ProgramDirectory;
    if (program.empty()) return {};
    if (const fs::path beside = PathFromUtf8(program) / kManualIndex; IsRegularFile(beside)) {
        return Utf8FromPath(beside);
    }
    if (const fs::path installed =
            InstalledManualIndex(program, DataDirectoryFromProgramDirectory());
        IsRegularFile(installed)) {
        return Utf8FromPath(installed);
    }
    return {};
}

bool IsInstalledLayout(const std::string& programDirectory,
                       std::string_view installProgramDirectory, std::string_view dataFromProgram) {
    if (programDirectory.empty()) return false;
    std::error_code ec;
    // equivalent() sees through /bin -> /usr/bin and other links; a folder
    // that does not exist is no match.
    if (fs::equivalent(PathFromUtf8(programDirectory), fs::path(installProgramDirectory), ec) &&
        !ec) {
        return true;
    }
    return IsRegularFile(InstalledManualIndex(programDirectory, dataFromProgram));
}

bool IsInstalledCopy() {
    return IsInstalledLayout(App().ProgramDirectory, InstallProgramDirectory(),
                             DataDirectoryFromProgramDirectory());
}

}  // namespace zvk
