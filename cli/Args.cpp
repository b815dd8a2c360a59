#include "cli/Args.h"

#include <cstdio>

#include "app/DeviceTable.h"
#include "app/HexField.h"

namespace zvk::cli {

int UsageError(std::string_view message) {
    std::fprintf(stderr, "zvk-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return 2;
}

std::optional<ParsedArgs> ParseArgs(Args args, const std::set<std::string_view>& valueOptions,
                                    const std::set<std::string_view>& flagOptions) {
    ParsedArgs parsed;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (onlyPositional || a.size() < 2 || a.substr(0, 2) != "--") {
            parsed.positional.emplace_back(a);
        } else if (a == "--") {
            onlyPositional = true;
        } else if (valueOptions.contains(a)) {
            if (i + 1 >= args.size()) {
                UsageError(std::string(a) + " needs a value");
                return std::nullopt;
            }
            parsed.values[std::string(a)] = std::string(args[++i]);
        } else if (flagOptions.contains(a)) {
            parsed.flags.emplace(a);
        } else {
            UsageError("unknown option " + std::string(a));
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<std::uint16_t> ParseAddress(std::string_view text) {
    std::string field(text);
    std::uint16_t value = 0;
    if (!ParseHexField(field, value)) return std::nullopt;
    return value;
}

bool ReadAddressOption(const ParsedArgs& parsed, std::string_view option, std::uint16_t& out) {
    const auto text = parsed.Value(option);
    if (!text) return true;
    const auto value = ParseAddress(*text);
    if (!value) {
        UsageError(std::string(option) + ": not a hexadecimal address: " + *text);
        return false;
    }
    out = *value;
    return true;
}

bool SelectPartOption(const ParsedArgs& parsed, std::string_view defaultPart) {
    const std::string name = parsed.Value("--part").value_or(std::string(defaultPart));
    const auto index = FindDeviceByName(name);
    if (!index) {
        UsageError("unknown part " + name);
        return false;
    }
    SelectDevice(*index);
    return true;
}

}  // namespace zvk::cli
