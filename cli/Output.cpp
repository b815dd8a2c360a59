#include "cli/Output.h"

#include <cstdio>

namespace zvk::cli {
namespace {

Verbosity& Level() {
    static Verbosity level = Verbosity::Normal;
    return level;
}

void Say(const std::string& text) { std::fprintf(stderr, "zvk-cli: %s\n", text.c_str()); }

}  // namespace

void SetVerbosity(Verbosity verbosity) { Level() = verbosity; }

Verbosity CurrentVerbosity() { return Level(); }

void Note(const std::string& text) {
    if (Level() != Verbosity::Quiet) Say(text);
}

void Detail(const std::string& text) {
    if (Level() == Verbosity::Verbose) Say(text);
}

}  // namespace zvk::cli
