#include "settings/ini.h"

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

}  // namespace

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
