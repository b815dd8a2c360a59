#include "files/FileJob.h"

namespace zvk {

int RunJobToEnd(Job& job) {
    job.Start();
    for (;;) {
        const StepResult result = job.Step();
        if (result.finished) return result.code;
    }
}

std::string ShortDisplayName(std::string_view path) {
    constexpr std::size_t kTail = 25;
    if (path.size() <= kTail) return std::string(path);
    constexpr std::string_view kSeparators = "\\/";
    auto separator = path.find_first_of(kSeparators, path.size() - kTail);
    // A file name of 25 characters or more: keep the whole name after its
    // directory, so that the line still names the file.
    if (separator == std::string_view::npos) separator = path.find_last_of(kSeparators);
    if (separator == std::string_view::npos || separator < 3) return std::string(path);
    return std::string(path.substr(0, 3)) + ".." + std::string(path.substr(separator));
}

}  // namespace zvk
