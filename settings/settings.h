#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The eight settings of Marrowpeek.ini. Strings are the file's bytes, unchanged.
struct Settings {
    std::string theme = "auto";
    std::string tree = "expanded";
    std::string sizeunit = "auto";
    bool sepspace = false;
    std::int32_t fontsize = 13;
    std::string datefmt = "dmy";
    std::string cachemode = "portable";
    std::string cachepath;
};

inline constexpr const char* kSettingsFileName = "Marrowpeek.ini";

// The settings file's fixed 17-line text with the record's values (508 bytes for defaults).
std::string SettingsFileText(const Settings& settings);

// The record read from an INI text: defaults, then every [settings] section in turn, the
// first entry of each key within a section, values checked field by field.
Settings SettingsFromText(std::string_view text);

// Reads folder/Marrowpeek.ini, bypassing the cache.
Settings ReadSettings(const std::filesystem::path& folder);

// Changes at most one field, as a setting message from the page asks. A value holding a line
// feed or carriage return is refused, so that no message can add lines to the file.
void ApplySetting(Settings& settings, std::string_view key, std::string_view value);

// The C library's atoi: blanks, a sign, digits up to the first other byte; saturates at the
// 32-bit range and gives 0 without digits.
std::int32_t AtoiValue(std::string_view text);

// INI files are small; the limit keeps a huge or hostile file from being read at all.
inline constexpr std::uint64_t kMaxIniFileBytes = 4 * 1024 * 1024 - 1;

// Whole-file read of an INI file, or "" when it is missing, empty, 4 MiB or larger, or locked.
std::string ReadTextFile(const std::filesystem::path& path);
