#include "settings/ini.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

bool IsIniBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsIniBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsIniBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Cuts the value before the first `marker` that has a blank or tab directly before it; a marker
// at the start or after any other byte belongs to the value (#ff0000, a;b).
std::string_view CutInlineComment(std::string_view value, char marker) {
    for (std::size_t at = value.find(marker); at != std::string_view::npos;
         at = value.find(marker, at + 1)) {
        if (at > 0 && (value[at - 1] == ' ' || value[at - 1] == '\t')) {
            return Trim(value.substr(0, at));
        }
    }
    return value;
}

// The name of the section a line opens, as ParseIni reads it; nothing for other lines.
std::optional<std::string_view> SectionHeader(std::string_view raw) {
    const std::string_view line = Trim(raw);
    const std::size_t close = line.find(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

}  // namespace

bool SameIniName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IniLineHolds(std::string_view value) {
    for (const std::string_view cut : {" ;", "\t;", " #", "\t#"}) {
        if (value.find(cut) != std::string_view::npos) {
            return false;
        }
    }
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string ReplaceSection(std::string_view text, std::string_view name, std::string_view section) {
    std::string result;
    bool inside = false;
    bool placed = false;
    while (!text.empty()) {
        const std::size_t lineEnd = text.find('\n');
        const std::string_view line =
            text.substr(0, lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
        text.remove_prefix(line.size());
        if (const auto header = SectionHeader(line)) {
            inside = SameIniName(*header, name);
            if (inside && !placed) {
                result += section;
                placed = true;
            }
        }
        if (!inside) {
            result += line;
            if (line.back() != '\n') {
                result += '\n';
            }
        }
    }
    return placed ? result : result + std::string(section);
}

std::vector<IniSection> ParseIni(std::string_view text) {
    std::vector<IniSection> sections;
    IniSection* current = nullptr;
    while (!text.empty()) {
        const std::size_t lineEnd = text.find('\n');
        const std::string_view raw = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);

        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                sections.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
                current = &sections.back();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || current == nullptr) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        value = CutInlineComment(value, ';');
        value = CutInlineComment(value, '#');
        if (!key.empty()) {
            current->entries.emplace_back(key, value);
        }
    }
    return sections;
}
