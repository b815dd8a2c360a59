#pragma once
// How much zvk-cli says besides its results: -q only errors, -v also what it
// resolved (settings file, port, part, mode, range, format) and each step
// with its time.

#include <string>

namespace zvk::cli {

enum class Verbosity { Quiet, Normal, Verbose };

void SetVerbosity(Verbosity verbosity);
[[nodiscard]] Verbosity CurrentVerbosity();

// "zvk-cli: text" on stderr, unless -q.
void Note(const std::string& text);
// "zvk-cli: text" on stderr, with -v only.
void Detail(const std::string& text);

}  // namespace zvk::cli
