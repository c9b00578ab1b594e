#include "settings/settings.h"

#include <limits>

#include "platform/file_read.h"
#include "settings/ini.h"

namespace {

constexpr std::int32_t kMinFontSize = 8;
constexpr std::int32_t kMaxFontSize = 28;

bool IsCacheMode(std::string_view value) {
    return value == "portable" || value == "user" || value == "custom";
}

void TakeFontSize(Settings& settings, std::string_view value) {
    const std::int32_t size = AtoiValue(value);
    if (size >= kMinFontSize && size <= kMaxFontSize) {
        settings.fontsize = size;
    }
}

const std::string* FirstValue(const IniSection& section, std::string_view key) {
    for (const auto& [entryKey, value] : section.entries) {
        if (entryKey == key) {
            return &value;
        }
    }
    return nullptr;
}

void ReadSection(const IniSection& section, Settings& settings) {
    if (const auto* v = FirstValue(section, "theme"))
        settings.theme = *v;
    if (const auto* v = FirstValue(section, "tree"))
        settings.tree = *v;
    if (const auto* v = FirstValue(section, "sizeunit"))
        settings.sizeunit = *v;
    if (const auto* v = FirstValue(section, "sepspace")) {
        settings.sepspace = *v == "1" || *v == "true" || *v == "yes";
    }
    if (const auto* v = FirstValue(section, "fontsize"))
        TakeFontSize(settings, *v);
    if (const auto* v = FirstValue(section, "datefmt"))
        settings.datefmt = *v;
    if (const auto* v = FirstValue(section, "cachemode")) {
        if (IsCacheMode(*v))
            settings.cachemode = *v;
    }
    if (const auto* v = FirstValue(section, "cachepath"))
        settings.cachepath = *v;
}

}  // namespace

std::int32_t AtoiValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kBeyond) {
            value = kBeyond;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-value);
    }
    return value >= kBeyond ? std::numeric_limits<std::int32_t>::max()
                            : static_cast<std::int32_t>(value);
}

std::string SettingsFileText(const Settings& settings) {
    std::string text;
    text += "[settings]\n";
    text += "; theme = auto (follow Total Commander) or a theme name from themes.ini\n";
    text += "theme=" + settings.theme + "\n";
    text += "; tree = expanded or collapsed (default file-tree state)\n";
    text += "tree=" + settings.tree + "\n";
    text += "; sizeunit = auto | bytes | kb | mb | gb\n";
    text += "sizeunit=" + settings.sizeunit + "\n";
    text += "; sepspace = 1 to group digits with spaces (e.g. 1 234 567)\n";
    text += std::string("sepspace=") + (settings.sepspace ? "1" : "0") + "\n";
    text += "; fontsize = base UI font size in px (8-28)\n";
    text += "fontsize=" + std::to_string(settings.fontsize) + "\n";
    text += "; datefmt = dmy | mdy | iso | os\n";
    text += "datefmt=" + settings.datefmt + "\n";
    text += "; cachemode = portable | user | custom\n";
    text += "cachemode=" + settings.cachemode + "\n";
    text += "; cachepath is used only when cachemode=custom\n";
    text += "cachepath=" + settings.cachepath + "\n";
    return text;
}

Settings SettingsFromText(std::string_view text) {
    Settings settings;
    for (const IniSection& section : ParseIni(text)) {
        if (section.name == "settings") {
            ReadSection(section, settings);
        }
    }
    return settings;
}

Settings ReadSettings(const std::filesystem::path& folder) {
    return SettingsFromText(ReadTextFile(folder / kSettingsFileName));
}

void ApplySetting(Settings& settings, std::string_view key, std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        return;
    }
    if (key == "theme") {
        settings.theme = value;
    } else if (key == "tree") {
        settings.tree = value;
    } else if (key == "sizeunit") {
        settings.sizeunit = value;
    } else if (key == "sepspace") {
        settings.sepspace = value == "1" || value == "true";
    } else if (key == "fontsize") {
        TakeFontSize(settings, value);
    } else if (key == "datefmt") {
        settings.datefmt = value;
    } else if (key == "cachemode") {
        if (IsCacheMode(value))
            settings.cachemode = value;
    } else if (key == "cachepath") {
        settings.cachepath = value;
    }
}

std::string ReadTextFile(const std::filesystem::path& path) {
    platform::FileRead read = platform::ReadWholeFile(path, kMaxIniFileBytes);
    return read.status == platform::FileReadStatus::Ok ? std::move(read.bytes) : std::string();
}
