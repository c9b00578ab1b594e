// Property: any INI text reads into a settings record whose own file text reads back the same;
// a change posted by the page reads back as posted and leaves every other setting as it was; and
// any themes text becomes a configuration document that is valid JSON and style sheets that are
// one inert rule each.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/config_document.h"
#include "settings/settings.h"
#include "settings/themes.h"

namespace {

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// A change as the page posts it: the input picks the setting, its first line is the value.
void CheckChange(const Settings& read, std::string_view text) {
    const auto& fields = SettingFields();
    const SettingField& changedField = fields[text.size() % fields.size()];
    const std::string_view value = text.substr(0, text.find('\n'));
    Settings changed = read;
    if (!ApplySetting(changed, changedField.key, value)) {
        return;
    }
    const Settings back = SettingsFromText(SettingsFileText(changed));
    for (const SettingField& field : fields) {
        const Settings& expected = &field == &changedField ? changed : read;
        Require(SettingText(back, field) == SettingText(expected, field));
    }
}

void CheckThemes(const Settings& settings, std::string_view text) {
    const std::vector<Theme> themes = ThemesFromText(text);
    const std::string name = themes.empty() ? "" : themes.front().name;
    Require(nlohmann::json::accept(
        BuildConfigJson(themes, settings, name, text.size() % 2 == 1, text.size() % 3 == 1)));
    for (const Theme& theme : themes) {
        const std::string css = BuildThemeCss(&theme);
        Require(css.starts_with(":root{") && css.ends_with("}"));
        const std::string_view body(css.data() + 6, css.size() - 7);
        Require(body.find_first_of("{}<>@\\\"'") == std::string_view::npos);
        Require(std::count(body.begin(), body.end(), ';') ==
                static_cast<std::ptrdiff_t>(theme.entries.size()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Settings read = SettingsFromText(text);
    const std::string file = SettingsFileText(read);
    Require(SettingsFileText(SettingsFromText(file)) == file);
    CheckChange(read, text);
    CheckThemes(read, text);
    return 0;
}
