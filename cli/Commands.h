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
    // One line for --help and the man page made from it.
    std::string_view summary = {};
};

int RunAsm(Args args);
int RunChecksum(Args args);
int RunConvert(Args args);
int RunDisasm(Args args);
int RunCheck(Args args);
int RunErase(Args args);
int RunBlankCheck(Args args);
int RunProgram(Args args);
int RunRead(Args args);
int RunVerify(Args args);
int RunProtect(Args args);
int RunAuto(Args args);
int RunSerialEnable(Args args);
int RunSerialDisable(Args args);
int RunSettings(Args args);
int RunPorts(Args args);
int RunParts(Args args);

}  // namespace zvk::cli
