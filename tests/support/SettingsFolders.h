#pragma once
// The places the settings-folder rule looks at, set up by a test as a user
// would: environment variables (XDG_CONFIG_HOME, HOME) changed for the test's
// lifetime, and a program directory nobody may write to.

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

namespace zvk::test {

// Sets (or, with nullopt, removes) an environment variable and puts the old
// value back at the end.
class ScopedEnvironment {
  public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = ::getenv(name_.c_str())) previous_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
        // An empty value removes the variable.
        ::_putenv_s(name_.c_str(), value ? value->c_str() : "");
#else
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
#endif
    }
    std::string name_;
    std::optional<std::string> previous_;
};

#ifndef _WIN32
// Takes every write permission from a folder (chmod a-w) and gives it back at
// the end, so that the folder's owner can remove it again.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::filesystem::path path) : path_(std::move(path)) {
        std::filesystem::create_directories(path_);
        ::chmod(path_.c_str(), 0555);
    }
    ~ReadOnlyFolder() { ::chmod(path_.c_str(), 0755); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};
#endif

}  // namespace zvk::test
