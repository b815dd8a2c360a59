#pragma once
// What the load and save jobs share: the model their progress dialogs render,
// the owned file handle, a loop that drives a job to its end without a dialog
// (zvk-cli, tests), and the short form of a path shown in the dialogs.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/Job.h"

namespace zvk {

// Everything a file progress dialog shows.
struct ProgressModel {
    std::string title;  // "Loading..." / "Saving..."
    std::string label;  // "Loading from: ..." / "Saving to: ..."
    std::uint32_t progressMax = 0;
    std::uint32_t progressPos = 0;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Starts the job and steps it until it finishes, without waiting between
// steps; returns its end code.
int RunJobToEnd(Job& job);

// A path short enough for the one-line labels: paths of more than 25
// characters become their first three characters, "..", and the tail from the
// first separator within the last 25 characters (C:\..\Projects\demo.hex).
[[nodiscard]] std::string ShortDisplayName(std::string_view path);

}  // namespace zvk
