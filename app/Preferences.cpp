#include "app/Preferences.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>
#include <vector>

#include "app/SafeFile.h"
#include "app/SettingsLocation.h"

namespace zvk {
namespace {

using Entry = std::pair<std::string, std::string>;

// In file order, so that a file edited by hand keeps its order.
std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

bool IsKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_';
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // Continuation bytes after the lead, the least code they may carry,
        // and the lead's own bits.
        struct Form {
            unsigned char mask, pattern;
            int more;
            unsigned min;
        };
        static constexpr Form kForms[] = {
            {0xE0, 0xC0, 1, 0x80}, {0xF0, 0xE0, 2, 0x800}, {0xF8, 0xF0, 3, 0x10000}};
        const auto form = std::find_if(std::begin(kForms), std::end(kForms), [lead](const Form& f) {
            return (lead & f.mask) == f.pattern;
        });
        if (form == std::end(kForms)) return false;
        const int more = form->more;
        const unsigned min = form->min;
        unsigned code = lead & static_cast<unsigned char>(~form->mask);
        if (text.size() - i <= static_cast<std::size_t>(more)) return false;
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

bool IsStorableValue(std::string_view value) {
    return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos &&
           IsUtf8(value);
}

Entry* Find(std::string_view key) {
    auto& entries = Entries();
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [key](const Entry& e) { return e.first == key; });
    return found != entries.end() ? &*found : nullptr;
}

void Put(std::string_view key, std::string_view value) {
    if (Entry* entry = Find(key)) {
        entry->second = value;
    } else {
        Entries().emplace_back(key, value);
    }
}

}  // namespace

bool IsPreferenceKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), IsKeyCharacter);
}

std::string GetPreference(std::string_view key, std::string_view fallback) {
    const Entry* entry = Find(key);
    return std::string(entry != nullptr ? std::string_view(entry->second) : fallback);
}

bool SetPreference(std::string_view key, std::string_view value) {
    return SetPreferences({{key, value}});
}

bool SetPreferences(std::initializer_list<PreferenceEntry> entries) {
    for (const auto& [key, value] : entries) {
        assert(IsPreferenceKey(key));
        if (!IsPreferenceKey(key) || !IsStorableValue(value)) return false;
    }
    bool changed = false;
    for (const auto& [key, value] : entries) {
        if (const Entry* entry = Find(key); entry != nullptr && entry->second == value) continue;
        Put(key, value);
        changed = true;
    }
    // A folder that cannot be written keeps the values for this run only.
    if (changed) {
        (void)WriteFileSafely(SettingsFilePathForWriting(kPreferencesFileName),
                              FormatPreferences());
    }
    return true;
}

void LoadPreferences() {
    Entries().clear();
    const auto read = ReadRegularFile(SettingsFilePath(kPreferencesFileName));
    if (!read) return;
    const std::string& text = *read;

    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (IsPreferenceKey(key) && IsStorableValue(value)) Put(key, value);
    }
}

std::string FormatPreferences() {
    std::string text;
    for (const auto& [key, value] : Entries()) text += key + "=" + value + "\n";
    return text;
}

}  // namespace zvk
