#include "settings/create_settings.h"

#include <algorithm>
#include <charconv>

#include "settings/ini.h"
#include "settings/settings.h"

CreateSettings CreateSettingsFromText(std::string_view text) {
    CreateSettings settings;
    for (const IniSection& section : ParseIni(text)) {
        if (!SameIniName(section.name, "Create")) {
            continue;
        }
        CreateSettings read;
        std::vector<std::string> tier;
        const auto endTier = [&] {
            if (!tier.empty()) {
                read.trackers.push_back(std::move(tier));
                tier.clear();
            }
        };
        std::vector<std::string_view> seen;
        for (const auto& [key, value] : section.entries) {
            if (key == "tracker") {
                value.empty() ? endTier() : tier.push_back(value);
                continue;
            }
            if (key == "webseed") {
                if (!value.empty()) {
                    read.webSeeds.push_back(value);
                }
                continue;
            }
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                continue;  // the first of a key counts, as for every setting
            }
            seen.push_back(key);
            if (key == "version" && (value == "v1" || value == "v2" || value == "hybrid")) {
                read.version = value;
            } else if (key == "piecesize") {
                std::int64_t length = 0;
                const auto [end, error] =
                    std::from_chars(value.data(), value.data() + value.size(), length);
                read.pieceLength =
                    error == std::errc() && end == value.data() + value.size() && length > 0
                        ? length
                        : 0;
            } else if (key == "private") {
                read.isPrivate = FileFlag(value);
            } else if (key == "hidden") {
                read.includeHidden = FileFlag(value);
            } else if (key == "source") {
                read.source = value;
            } else if (key == "comment") {
                read.comment = value;
            }
        }
        endTier();
        settings = std::move(read);
    }
    return settings;
}

std::optional<std::string> CreateSection(const CreateSettings& settings, std::string& whyNot) {
    std::string text = "[Create]\n";
    const auto line = [&](std::string_view key, std::string_view value) {
        text.append(key).append("=").append(value).append("\n");
        const std::size_t first = value.find_first_not_of(" \t");
        const bool trimmed = first == std::string_view::npos
                                 ? value.empty()
                                 : first == 0 && value.find_last_not_of(" \t") == value.size() - 1;
        if (!trimmed || !IniLineHolds(value)) {
            whyNot = "the " + std::string(key) +
                     " cannot be stored as it is: it holds a line break, blanks at an end, or "
                     "a \";\" or \"#\" after a blank";
            return false;
        }
        return true;
    };
    bool held = line("version", settings.version) &&
                line("piecesize", settings.pieceLength > 0 ? std::to_string(settings.pieceLength)
                                                           : std::string("auto"));
    for (std::size_t tier = 0; held && tier < settings.trackers.size(); ++tier) {
        if (tier > 0) {
            held = line("tracker", "");
        }
        for (const std::string& address : settings.trackers[tier]) {
            held = held && !address.empty() && line("tracker", address);
        }
    }
    for (const std::string& seed : settings.webSeeds) {
        held = held && !seed.empty() && line("webseed", seed);
    }
    held = held && line("private", settings.isPrivate ? "1" : "0") &&
           line("source", settings.source) && line("comment", settings.comment) &&
           line("hidden", settings.includeHidden ? "1" : "0");
    if (!held) {
        if (whyNot.empty()) {
            whyNot = "an empty tracker or web seed cannot be stored";
        }
        return std::nullopt;
    }
    return text;
}

CreateSettings ReadCreateSettings(const std::filesystem::path& folder) {
    return CreateSettingsFromText(ReadTextFile(folder / kSettingsFileName));
}

bool WriteCreateSettings(const std::filesystem::path& folder, const CreateSettings& settings,
                         std::string& whyNot) {
    const std::optional<std::string> section = CreateSection(settings, whyNot);
    if (!section) {
        return false;
    }
    constexpr int kAttempts = 5;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::optional<VersionedText> read = ReadIniToChange(folder / kSettingsFileName);
        if (!read) {
            break;
        }
        // A new file is the viewer's settings file with the section added, not the section alone.
        const std::string base = read->version.exists ? read->text : SettingsFileText(Settings{});
        switch (platform::ReplaceFileIfUnchanged(
            folder / kSettingsFileName, ReplaceSection(base, "Create", *section), read->version)) {
            case platform::ReplaceResult::Replaced:
                return true;
            case platform::ReplaceResult::Changed:
                continue;
            case platform::ReplaceResult::Failed:
                attempt = kAttempts;
                break;
        }
    }
    whyNot = "the settings file " + (folder / kSettingsFileName).string() + " cannot be written";
    return false;
}
