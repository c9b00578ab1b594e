#include "archive/pack_options.h"

namespace archive {
namespace {

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        visit(Trimmed(text.substr(0, end)));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

}  // namespace

std::vector<std::vector<std::string>> TiersFromLines(std::string_view text) {
    std::vector<std::vector<std::string>> tiers(1);
    ForEachLine(text, [&](std::string_view line) {
        if (!line.empty()) {
            tiers.back().emplace_back(line);
        } else if (!tiers.back().empty()) {
            tiers.emplace_back();
        }
    });
    if (tiers.back().empty()) {
        tiers.pop_back();
    }
    return tiers;
}

std::string LinesFromTiers(const std::vector<std::vector<std::string>>& tiers) {
    std::string text;
    for (const auto& tier : tiers) {
        text += text.empty() ? "" : "\r\n";
        for (const std::string& address : tier) {
            text += address + "\r\n";
        }
    }
    return text;
}

std::vector<std::string> ItemsFromLines(std::string_view text) {
    std::vector<std::string> items;
    ForEachLine(text, [&](std::string_view line) {
        if (!line.empty()) {
            items.emplace_back(line);
        }
    });
    return items;
}

std::string LinesFromItems(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += item + "\r\n";
    }
    return text;
}

std::string PieceLengthLabel(std::int64_t length) {
    if (length <= 0) {
        return "Auto";
    }
    return length >= (1 << 20) ? std::to_string(length >> 20) + " MiB"
                               : std::to_string(length >> 10) + " KiB";
}

}  // namespace archive
