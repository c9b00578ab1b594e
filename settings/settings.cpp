#include "settings/settings.h"

#include <algorithm>
#include <limits>

#include "platform/decimal.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/utf8.h"
#include "settings/ini.h"

namespace {

constexpr std::int32_t kMinFontSize = 8;
constexpr std::int32_t kMaxFontSize = 28;

constexpr std::array<SettingField, 9> kSettingFields = {{
    {"theme", "auto", SettingRule::Text,
     "; theme = auto (follow Total Commander) or a theme name from themes.ini", &Settings::theme},
    {"tree", "expanded", SettingRule::Text,
     "; tree = expanded or collapsed (default file-tree state)", &Settings::tree},
    {"sizeunit", "auto", SettingRule::Text, "; sizeunit = auto | bytes | kb | mb | gb",
     &Settings::sizeunit},
    {"sepspace", "0", SettingRule::Flag,
     "; sepspace = 1 to group digits with spaces (e.g. 1 234 567)", &Settings::sepspace},
    {"fontsize", "13", SettingRule::FontSize, "; fontsize = base UI font size in px (8-28)",
     &Settings::fontsize},
    {"datefmt", "dmy", SettingRule::Text, "; datefmt = dmy | mdy | iso | os", &Settings::datefmt},
    {"cachemode", "portable", SettingRule::CacheMode, "; cachemode = portable | user | custom",
     &Settings::cachemode},
    {"cachepath", "", SettingRule::Text, "; cachepath is used only when cachemode=custom",
     &Settings::cachepath},
    {"details", "0", SettingRule::Flag,
     "; details = 1 to show the Details section open, as the user last left it", &Settings::details,
     false},
}};

// The C library's atoi: saturates at the 32-bit range and gives 0 without digits.
std::int32_t AtoiValue(std::string_view text) {
    const std::int64_t value = platform::ReadLeadingDecimal(text).value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

const std::string* FirstValue(const IniSection& section, std::string_view key) {
    for (const auto& [entryKey, value] : section.entries) {
        if (entryKey == key) {
            return &value;
        }
    }
    return nullptr;
}

}  // namespace

bool FileFlag(std::string_view text) {
    return text == "1" || text == "true" || text == "yes";
}

Settings::Settings() {
    for (const SettingField& field : kSettingFields) {
        TakeSetting(*this, field, field.defaultText, SettingSource::File);
    }
}

const std::array<SettingField, 9>& SettingFields() {
    return kSettingFields;
}

bool TakeSetting(Settings& settings, const SettingField& field, std::string_view text,
                 SettingSource source) {
    switch (field.rule) {
        case SettingRule::Text:
            settings.*std::get<std::string Settings::*>(field.field) = text;
            return true;
        case SettingRule::Flag:
            settings.*std::get<bool Settings::*>(field.field) =
                source == SettingSource::File ? FileFlag(text) : text == "1" || text == "true";
            return true;
        case SettingRule::FontSize:
            if (const std::int32_t size = AtoiValue(text);
                size >= kMinFontSize && size <= kMaxFontSize) {
                settings.*std::get<std::int32_t Settings::*>(field.field) = size;
                return true;
            }
            return false;
        case SettingRule::CacheMode:
            if (text == "portable" || text == "user" || text == "custom") {
                settings.*std::get<std::string Settings::*>(field.field) = text;
                return true;
            }
            return false;
    }
    return false;
}

std::string SettingText(const Settings& settings, const SettingField& field) {
    switch (field.rule) {
        case SettingRule::Flag:
            return settings.*std::get<bool Settings::*>(field.field) ? "1" : "0";
        case SettingRule::FontSize:
            return std::to_string(settings.*std::get<std::int32_t Settings::*>(field.field));
        case SettingRule::Text:
        case SettingRule::CacheMode:
            break;
    }
    return settings.*std::get<std::string Settings::*>(field.field);
}

std::string SettingsFileText(const Settings& settings) {
    std::string text = "[settings]\n";
    for (const SettingField& field : kSettingFields) {
        const std::string value = SettingText(settings, field);
        if (!field.writtenAtDefault && value == field.defaultText) {
            continue;
        }
        text += field.comment;
        text += '\n';
        text += field.key;
        text += '=';
        text += value;
        text += '\n';
    }
    return text;
}

Settings SettingsFromText(std::string_view text) {
    Settings settings;
    for (const IniSection& section : ParseIni(text)) {
        if (section.name != "settings") {
            continue;
        }
        for (const SettingField& field : kSettingFields) {
            if (const std::string* value = FirstValue(section, field.key)) {
                TakeSetting(settings, field, *value, SettingSource::File);
            }
        }
    }
    return settings;
}

Settings ReadSettings(const std::filesystem::path& folder) {
    return SettingsFromText(ReadTextFile(folder / kSettingsFileName));
}

bool ApplySetting(Settings& settings, std::string_view key, std::string_view value) {
    // The file reads a value without the blanks around it and cuts it at a ";" or "#" after a
    // blank: the blanks are dropped here, and a value that would be cut is refused rather than
    // saved shortened.
    const std::size_t first = value.find_first_not_of(" \t");
    value = first == std::string_view::npos
                ? std::string_view()
                : value.substr(first, value.find_last_not_of(" \t") - first + 1);
    if (!IniLineHolds(value) || !IsValidUtf8(value) || Utf16Length(value) > kMaxSettingText) {
        return false;
    }
    for (const SettingField& field : kSettingFields) {
        if (field.key == key) {
            return TakeSetting(settings, field, value, SettingSource::Page);
        }
    }
    return false;
}

std::optional<VersionedText> ReadIniToChange(const std::filesystem::path& path) {
    // A writer that replaces the file between the two looks is caught, and read again.
    constexpr int kAttempts = 4;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const platform::FileVersion before = platform::VersionOf(path);
        if (!before.exists) {
            return VersionedText{};
        }
        const platform::FileContent read = platform::ReadWholeFile(path, kMaxIniFileBytes);
        if (read.status != platform::FileReadStatus::Ok &&
            read.status != platform::FileReadStatus::Empty) {
            if (platform::VersionOf(path) == before) {
                return std::nullopt;
            }
            continue;
        }
        if (platform::VersionOf(path) == before) {
            return VersionedText{std::string(read.bytes), before};
        }
    }
    return std::nullopt;
}

std::optional<SettingsToChange> ReadSettingsToChange(const std::filesystem::path& folder) {
    auto read = ReadIniToChange(folder / kSettingsFileName);
    if (!read) {
        return std::nullopt;
    }
    Settings settings = SettingsFromText(read->text);
    return SettingsToChange{std::move(settings), read->version, std::move(read->text)};
}

std::string ReadTextFile(const std::filesystem::path& path) {
    const platform::FileContent read = platform::ReadWholeFile(path, kMaxIniFileBytes);
    return std::string(read.bytes);
}
