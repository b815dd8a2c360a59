#pragma once
// A temporary directory of its own for one test, made at construction and
// removed with everything in it at destruction.

#include <stdlib.h>
#ifdef _WIN32
#include <process.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace zvk::test {

// A directory of its own for one test, removed with everything in it.
class TempDir {
  public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: a name of this process's own, made only when it is new.
        static unsigned counter = 0;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate =
                base / ("zvk-" + std::to_string(::_getpid()) + "-" + std::to_string(counter++));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec) && !ec) path_ = candidate;
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "zvk-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
#endif
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

// A file's bytes; empty when it cannot be read.
inline std::string ReadTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace zvk::test
