#pragma once
// Command-line reading shared by zvk-cli's commands: options with a value
// ("--from 0100"), flags ("--eeprom"), positional arguments, hexadecimal
// addresses and part names. Errors are printed to stderr and the command exits
// with status 2.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"

namespace zvk::cli {

struct ParsedArgs {
    std::map<std::string, std::string, std::less<>> values;  // "--from" -> "0100", the last given
    // Every value of an option given more than once, in order ("--port").
    std::map<std::string, std::vector<std::string>, std::less<>> allValues;
    std::set<std::string, std::less<>> flags;  // "--eeprom"
    std::vector<std::string> positional;

    [[nodiscard]] bool Has(std::string_view option) const {
        return values.contains(option) || flags.contains(option);
    }
    [[nodiscard]] std::optional<std::string> Value(std::string_view option) const {
        const auto it = values.find(option);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

// Splits args into options that take a value, flags, and positional
// arguments. Returns nullopt (after printing why) on an unknown option or a
// missing value.
std::optional<ParsedArgs> ParseArgs(Args args, const std::set<std::string_view>& valueOptions,
                                    const std::set<std::string_view>& flagOptions);

// Reads a hexadecimal address of one to four digits, in any letter case.
std::optional<std::uint16_t> ParseAddress(std::string_view text);

// Reads the option's address into out; false (after printing why) when it is
// present but not an address. An absent option leaves out unchanged.
bool ReadAddressOption(const ParsedArgs& parsed, std::string_view option, std::uint16_t& out);

// Selects the part named by --part, or the given default; false (after
// printing why and the near names) for an unknown name.
bool SelectPartOption(const ParsedArgs& parsed, std::string_view defaultPart);

// The part of a name as people write it: the full name or the Select Device
// dialog's label ("AT89S52" or "89S52"), in any letter case.
std::optional<std::uint8_t> FindPart(std::string_view name);

// The candidates within a small number of typing mistakes of name, ignoring
// letter case, nearest first.
std::vector<std::string_view> NearNames(std::string_view name,
                                        const std::vector<std::string_view>& candidates);

// The command whose help a usage error points to; empty: zvk-cli's own.
void SetUsageCommand(std::string_view command);

// Prints "zvk-cli: message" and a hint to --help to stderr and returns 2, the
// status of a usage error.
int UsageError(std::string_view message);

}  // namespace zvk::cli
