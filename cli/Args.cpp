#include "cli/Args.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/DeviceTable.h"
#include "app/HexField.h"

namespace zvk::cli {

namespace {

std::string& UsageCommand() {
    static std::string command;
    return command;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// The number of single-letter insertions, deletions, changes and swaps of
// neighbours that turn a into b.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

void SetUsageCommand(std::string_view command) { UsageCommand() = command; }

int UsageError(std::string_view message) {
    std::fprintf(stderr, "zvk-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    const std::string& command = UsageCommand();
    std::fprintf(stderr, "Try 'zvk-cli %s%s--help'.\n", command.c_str(),
                 command.empty() ? "" : " ");
    return 2;
}

std::vector<std::string_view> NearNames(std::string_view name,
                                        const std::vector<std::string_view>& candidates) {
    constexpr std::size_t kMostMistakes = 2;
    const std::string wanted = Upper(name);
    std::vector<std::pair<std::size_t, std::string_view>> near;
    for (const auto candidate : candidates) {
        const std::size_t distance = EditDistance(wanted, Upper(candidate));
        if (distance <= kMostMistakes) near.emplace_back(distance, candidate);
    }
    std::ranges::stable_sort(near, {}, &std::pair<std::size_t, std::string_view>::first);
    // The nearest only: one mistake away hides the names two mistakes away.
    std::vector<std::string_view> names;
    for (const auto& n : near) {
        if (n.first == near.front().first) names.push_back(n.second);
    }
    return names;
}

std::optional<std::uint8_t> FindPart(std::string_view name) {
    if (const auto index = FindDeviceByName(name)) return index;
    return FindDeviceByName("AT" + std::string(name));
}

std::optional<ParsedArgs> ParseArgs(Args args, const std::set<std::string_view>& valueOptions,
                                    const std::set<std::string_view>& flagOptions) {
    ParsedArgs parsed;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            // "-" alone is standard input or output.
            parsed.positional.emplace_back(a);
        } else if (a == "--") {
            onlyPositional = true;
        } else if (valueOptions.contains(a)) {
            if (i + 1 >= args.size()) {
                UsageError(std::string(a) + " needs a value");
                return std::nullopt;
            }
            parsed.values[std::string(a)] = std::string(args[++i]);
            parsed.allValues[std::string(a)].emplace_back(args[i]);
        } else if (flagOptions.contains(a)) {
            parsed.flags.emplace(a);
        } else {
            UsageError("unknown option '" + std::string(a) + "'");
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
    const auto index = FindPart(name);
    if (!index) {
        // Both forms are candidates, so that "89S25" is as near to AT89S52 as "AT89S25" is.
        std::vector<std::string_view> names;
        for (const DeviceInfo& part : DeviceTable) {
            names.push_back(part.PartName);
            names.push_back(part.DialogLabel);
        }
        std::vector<std::string_view> near;
        for (const auto found : NearNames(name, names)) {
            const std::string_view full = DeviceTable[*FindPart(found)].PartName;
            if (std::ranges::find(near, full) == near.end()) near.push_back(full);
        }
        std::string message = "unknown part '" + name + "'";
        for (std::size_t i = 0; i < near.size(); ++i) {
            message += (i == 0 ? "; near: " : ", ") + std::string(near[i]);
        }
        UsageError(message + " (zvk-cli parts lists them all)");
        return false;
    }
    SelectDevice(*index);
    return true;
}

}  // namespace zvk::cli
