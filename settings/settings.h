#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/file_write.h"

// The nine settings of Marrowpeek.ini. Strings are the file's bytes, unchanged.
struct Settings {
    std::string theme;
    std::string tree;
    std::string sizeunit;
    bool sepspace = false;
    std::int32_t fontsize = 0;
    std::string datefmt;
    std::string cachemode;
    std::string cachepath;
    bool details = false;

    // Every field at its default.
    Settings();
};

// How a setting's text becomes its value.
enum class SettingRule {
    Text,       // any text, unchanged
    Flag,       // true for exactly "1" or "true", and "yes" in the file
    FontSize,   // read as atoi reads it; taken only from 8 to 28
    CacheMode,  // taken only when exactly "portable", "user" or "custom"
};

// Where a setting's text comes from: the file, or a change posted by the page.
enum class SettingSource { File, Page };

// One setting: its key (in the file, the page's messages and the configuration document), its
// default as the file writes it, its rule, the comment line above it in the file, and its field.
struct SettingField {
    std::string_view key;
    std::string_view defaultText;
    SettingRule rule;
    std::string_view comment;
    std::variant<std::string Settings::*, bool Settings::*, std::int32_t Settings::*> field;
    // Settings added since the file's first version are written only once they are changed:
    // the default file stays as it always was.
    bool writtenAtDefault = true;
};

// The nine settings in the file's order.
const std::array<SettingField, 9>& SettingFields();

// A flag as the file may write it: "1", "true" or "yes".
bool FileFlag(std::string_view text);

// Applies one setting's text by its rule; a rejected text leaves the field as it was, and false
// is returned.
bool TakeSetting(Settings& settings, const SettingField& field, std::string_view text,
                 SettingSource source);

// The field's value as the file writes it ("1" or "0" for a flag, a decimal number).
std::string SettingText(const Settings& settings, const SettingField& field);

inline constexpr const char* kSettingsFileName = "Marrowpeek.ini";

// The settings file's fixed 17-line text with the record's values (508 bytes for defaults).
std::string SettingsFileText(const Settings& settings);

// The record read from an INI text: defaults, then every [settings] section in turn, the
// first entry of each key within a section, values checked field by field.
Settings SettingsFromText(std::string_view text);

// Reads folder/Marrowpeek.ini, bypassing the cache.
Settings ReadSettings(const std::filesystem::path& folder);

// Changes at most one field, as a setting message from the page asks. Blanks around the value
// are dropped, as the file would drop them. Nothing changes and false is returned for a key
// that is no setting, a value its rule rejects (a font size out of range, say), and a value that
// the file could not hold: one holding a line feed, carriage return or NUL, which would add lines
// to the file or cut it, bytes that are not UTF-8, a ";" or "#" after a blank, where reading
// would cut it, or one longer than kMaxSettingText.
bool ApplySetting(Settings& settings, std::string_view key, std::string_view value);

// The longest text a setting takes, in UTF-16 units: a Windows path's limit, which also keeps
// the file far below its read limit.
inline constexpr std::size_t kMaxSettingText = 32767;

// An INI file's whole text and the version it was read at. Nothing when the file exists but
// cannot be read whole (locked, too large) or kept changing while it was read; an absent file
// reads as empty, at a version that says so.
struct VersionedText {
    std::string text;
    platform::FileVersion version;
};
std::optional<VersionedText> ReadIniToChange(const std::filesystem::path& path);

// The settings to change and write back: those of the file as ReadIniToChange reads it, the
// defaults when there is none; nothing when it cannot be read, so that a change never writes
// defaults over what the user has.
struct SettingsToChange {
    Settings settings;
    platform::FileVersion version;
    std::string text;  // the whole file, whose other sections a write keeps
};
std::optional<SettingsToChange> ReadSettingsToChange(const std::filesystem::path& folder);

// INI files are small; the limit keeps a huge or hostile file from being read at all.
inline constexpr std::uint64_t kMaxIniFileBytes = 4 * 1024 * 1024 - 1;

// Whole-file read of an INI file, or "" when it is missing, empty, 4 MiB or larger, or locked.
std::string ReadTextFile(const std::filesystem::path& path);
