#pragma once
// "zvk-cli COMMAND --help": the command's synopsis, its options and an example.

#include <cstdio>

#include "cli/Commands.h"

namespace zvk::cli {

void PrintCommandHelp(const CommandEntry& command, std::FILE* to);

}  // namespace zvk::cli
