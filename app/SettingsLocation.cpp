#include "app/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/AppState.h"
#include "app/Installation.h"
#include "app/Settings.h"
#include "app/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zvk {
namespace {

namespace fs = std::filesystem;

// An environment variable that names an absolute folder, else nothing: a
// relative value would make the folder depend on where the program started.
fs::path AbsoluteFromEnvironment(const char* name) {
#ifdef _WIN32
    // The wide form: the narrow environment is in the ANSI code page.
    const wchar_t* value = ::_wgetenv(WideFromUtf8(name).c_str());
    if (value == nullptr || *value == L'\0') return {};
#else
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return {};
#endif
    fs::path path(value);
    return path.is_absolute() ? path : fs::path();
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

bool WritableFolder(const std::string& folder) {
#ifdef _WIN32
    // The folder's access rules decide, not its read-only attribute (which
    // Windows ignores for folders): so a file is really made there, and
    // removed again at once.
    static std::atomic<unsigned> counter{0};
    const std::wstring probe = WideFromUtf8(
        Utf8FromPath(PathFromUtf8(folder) /
                     PathFromUtf8(".zvk-write-test-" + std::to_string(::GetCurrentProcessId()) +
                                  "-" + std::to_string(counter++))));
    const HANDLE file =
        ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
#else
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    // access() sees read-only mounts and access lists; for everyone but root
    // it is the whole answer.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;
    // Root may write anywhere, yet a folder that nobody may write to (chmod
    // a-w) is meant to stay as it is.
    return ::geteuid() != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
#endif
}

}  // namespace

std::string UserSettingsDirectory() {
#ifdef _WIN32
    const fs::path base = AbsoluteFromEnvironment("APPDATA");
#else
    fs::path base = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    if (base.empty()) {
        const fs::path home = AbsoluteFromEnvironment("HOME");
        if (!home.empty()) base = home / ".config";
    }
#endif
    if (base.empty()) return {};
    return Utf8FromPath((base / "zvk").lexically_normal());
}

std::string SettingsDirectory() {
    // An installed copy never writes into its own folder, not even when root
    // runs it and could: without a folder of the user's it keeps nothing.
    if (IsInstalledCopy()) return UserSettingsDirectory();
    const std::string& program = App().ProgramDirectory;
    if (!program.empty() &&
        (Exists(PathFromUtf8(program) / kSettingsFileName) || WritableFolder(program))) {
        return program;
    }
    std::string user = UserSettingsDirectory();
    // Without any folder of the user's, the program's own is all there is;
    // writes there fail silently as they always did in a read-only folder.
    return user.empty() ? program : user;
}

std::string SettingsFilePath(std::string_view fileName) {
    // Without a folder there is no file: a bare name would be one in
    // whatever folder the program was started from.
    const std::string folder = SettingsDirectory();
    if (folder.empty()) return {};
    return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(fileName));
}

std::string SettingsFilePathForWriting(std::string_view fileName) {
    const std::string folder = SettingsDirectory();
    if (folder.empty()) return {};
    std::error_code ec;
    fs::create_directories(PathFromUtf8(folder), ec);
    return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(fileName));
}

}  // namespace zvk
