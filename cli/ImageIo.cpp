#include "cli/ImageIo.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "app/Messages.h"
#include "app/SafeFile.h"
#include "cli/Output.h"
#include "files/FileSave.h"
#include "files/ImageFile.h"
#include "files/IntelHex.h"

namespace zvk::cli {
namespace {

// Enough of a file's opening for its first HEX records (a record line is at
// most 521 characters).
constexpr std::size_t kSniffLength = 4096;

void SetBinary(std::FILE* stream) {
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

// A file of our own in the temporary folder, created new (never one that is
// already there, nor through a planted link) and removed with the object.
class PrivateFile {
  public:
    PrivateFile() {
        std::error_code ec;
        const auto folder = std::filesystem::temp_directory_path(ec);
        if (ec) return;
        std::random_device random;
        for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
            path_ = (folder / ("zvk-cli-" + std::to_string(random()) + ".tmp")).string();
#ifdef _WIN32
            // The temporary folder is the user's own there.
            if (std::filesystem::exists(path_, ec)) continue;
            file_ = std::fopen(path_.c_str(), "wb");
#else
            file_ = std::fopen(path_.c_str(), "wbx");
#endif
        }
        if (!file_) path_.clear();
    }
    ~PrivateFile() {
        if (file_) std::fclose(file_);
        if (!path_.empty()) std::remove(path_.c_str());
    }
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return path_; }
    // Writes the bytes and closes the file; false when they did not all reach it.
    bool WriteAndClose(std::string_view bytes) {
        if (!file_) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return written && closed;
    }
    bool Close() {
        if (!file_) return !path_.empty();
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

bool ReadStandardInput(std::string& bytes) {
    SetBinary(stdin);
    char block[65536];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, stdin)) > 0) bytes.append(block, n);
    return std::ferror(stdin) == 0;
}

// Why a file cannot be read, in the system's words.
std::string OpenFailureReason(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) return ec.message();
    if (std::filesystem::is_directory(status)) return "is a folder";
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    errno = 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        return "cannot be read";
    }
    return std::strerror(errno);
}

// While it lives, names the path and the reason after the loader's "Unable to
// open the selected file".
class OpenFailureNote {
  public:
    explicit OpenFailureNote(std::string shownPath) {
        previous_ = SetMessagePresenter([this, shownPath = std::move(shownPath)](const Message& m) {
            const MessageResult answer = previous_(m);
            if (m.text == "Unable to open the selected file") {
                std::fprintf(stderr, "zvk-cli: %s: %s\n", shownPath.c_str(),
                             OpenFailureReason(shownPath).c_str());
            }
            return answer;
        });
    }
    ~OpenFailureNote() { SetMessagePresenter(std::move(previous_)); }
    OpenFailureNote(const OpenFailureNote&) = delete;
    OpenFailureNote& operator=(const OpenFailureNote&) = delete;

  private:
    MessagePresenter previous_;
};

std::string_view FormatName(LoadMode mode) {
    return mode == LoadMode::Hex ? "Intel HEX" : "binary";
}

std::optional<int> Load(const std::string& path, BufferKind kind, std::uint16_t loadAt,
                        std::optional<LoadMode> mode, std::vector<std::string>* details) {
    const ImageLoad load = LoadImageFile(path, kind, loadAt, mode);
    if (details) *details = load.details;
    // Programming from a partly loaded image would put wrong bytes on the chip.
    if (!load.Loaded()) return 1;
    return std::nullopt;
}

}  // namespace

bool ReadFormatOption(const ParsedArgs& parsed, std::optional<LoadMode>& format) {
    const auto text = parsed.Value(kFormatOption);
    if (!text) return true;
    if (*text == "ihex" || *text == "hex") {
        format = LoadMode::Hex;
    } else if (*text == "bin") {
        format = LoadMode::Binary;
    } else {
        UsageError("--format '" + *text + "': ihex or bin");
        return false;
    }
    return true;
}

LoadMode DetectImageFormat(const std::string& path) {
    if (IsHexFileName(path)) return LoadMode::Hex;
    std::FILE* file = OpenRegularFileForReading(path);
    if (!file) return LoadMode::Binary;
    std::string head(kSniffLength, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    return LooksLikeIntelHex(head) ? LoadMode::Hex : LoadMode::Binary;
}

std::optional<int> LoadImageArgument(const std::string& argument, BufferKind kind,
                                     std::uint16_t loadAt, std::optional<LoadMode> format,
                                     std::vector<std::string>* details) {
    if (argument == kStandardStream) {
        std::string bytes;
        if (!ReadStandardInput(bytes)) {
            std::fprintf(stderr, "zvk-cli: standard input: %s\n", std::strerror(errno));
            return 1;
        }
        const LoadMode mode = format.value_or(
            LooksLikeIntelHex(std::string_view(bytes).substr(0, kSniffLength)) ? LoadMode::Hex
                                                                               : LoadMode::Binary);
        Detail("standard input: " + std::to_string(bytes.size()) + " bytes, read as " +
               std::string(FormatName(mode)));
        PrivateFile copy;
        if (!copy.WriteAndClose(bytes)) {
            std::fputs("zvk-cli: standard input cannot be kept in a temporary file\n", stderr);
            return 1;
        }
        return Load(copy.Path(), kind, loadAt, mode, details);
    }
    std::optional<LoadMode> mode = format;
    if (!mode && !IsHexFileName(argument) && DetectImageFormat(argument) == LoadMode::Hex) {
        mode = LoadMode::Hex;
        Note(argument +
             " holds Intel HEX records: read as Intel HEX (--format bin reads it as "
             "binary)");
    }
    if (format || IsHexFileName(argument) || !mode) {
        Detail(argument + ": read as " +
               std::string(FormatName(
                   mode.value_or(IsHexFileName(argument) ? LoadMode::Hex : LoadMode::Binary))));
    }
    const OpenFailureNote note(argument);
    return Load(argument, kind, loadAt, mode, details);
}

bool SaveImageArgument(const std::string& argument, BufferKind kind, std::uint16_t first,
                       std::uint16_t last, std::optional<LoadMode> format) {
    if (argument != kStandardStream) {
        const bool hex = format ? *format == LoadMode::Hex : IsHexFileName(argument);
        Detail(argument + ": written as " +
               std::string(FormatName(hex ? LoadMode::Hex : LoadMode::Binary)));
        return SaveBuffer({kind, first, last, hex, argument});
    }
    // Save As writes a file beside its target and renames it over; standard
    // output gets that file's bytes.
    const bool hex = format.value_or(LoadMode::Hex) == LoadMode::Hex;
    PrivateFile copy;
    if (!copy.Close() || !SaveBuffer({kind, first, last, hex, copy.Path()})) return false;
    const auto bytes = ReadRegularFile(copy.Path());
    if (!bytes) return false;
    SetBinary(stdout);
    const bool written = std::fwrite(bytes->data(), 1, bytes->size(), stdout) == bytes->size() &&
                         std::fflush(stdout) == 0;
    if (!written) std::fprintf(stderr, "zvk-cli: standard output: %s\n", std::strerror(errno));
    return written;
}

}  // namespace zvk::cli
