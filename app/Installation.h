#pragma once
// What the build decided about the programs' version and their installed
// layout. An installed copy (`cmake --install`, the Debian packages) has its
// programs in the configured bin folder and its data, the manual first of
// all, in the configured data folder; the build folder and a portable copy
// keep the manual beside the programs, in help/.

#include <string>
#include <string_view>

namespace zvk {

// The version the programs report with --version, e.g. "2.2".
[[nodiscard]] std::string_view ProgramVersion();

// The configured bin folder, absolute (e.g. /usr/bin).
[[nodiscard]] std::string_view InstallProgramDirectory();

// The configured data folder relative to the bin folder (e.g. ../share/zvk),
// so that a copy installed under another prefix or DESTDIR finds it too.
[[nodiscard]] std::string_view DataDirectoryFromProgramDirectory();

// The manual's first page: help/index.html beside the programs, else in the
// data folder of an installed copy; empty when neither is a regular file.
[[nodiscard]] std::string ManualIndexPath();

// Whether programs in programDirectory are an installed copy: the folder is
// installProgramDirectory itself, or the manual lies in the data folder that
// dataFromProgram leads to.
[[nodiscard]] bool IsInstalledLayout(const std::string& programDirectory,
                                     std::string_view installProgramDirectory,
                                     std::string_view dataFromProgram);

// IsInstalledLayout for the running program (AppState::ProgramDirectory)
// with the configured folders.
[[nodiscard]] bool IsInstalledCopy();

}  // namespace zvk
