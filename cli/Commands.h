#pragma once
// zvk-cli's commands. Each takes the arguments after its name and returns the
// process exit status. main.cpp looks them up in its command table.

#include <span>
#include <string_view>

namespace zvk::cli {

using Args = std::span<const std::string_view>;

struct CommandEntry {
    std::string_view name;
    std::string_view usage;
    int (*run)(Args args);
};

int RunAsm(Args args);
int RunChecksum(Args args);
int RunConvert(Args args);
int RunDisasm(Args args);

}  // namespace zvk::cli
