#include "settings/config_payload.h"

#include "plugin/perf_trace.h"
#include "settings/config_files.h"

namespace {

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    out += EscapeQuotes(text);
    out += '"';
}

void AppendMember(std::string& out, const char* name, std::string_view text) {
    out += ",\"";
    out += name;
    out += "\":";
    AppendQuoted(out, text);
}

void AppendBool(std::string& out, const char* name, bool value) {
    out += ",\"";
    out += name;
    out += "\":";
    out += value ? "true" : "false";
}

}  // namespace

std::string EscapeQuotes(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            const char escape[] = {'\\', 'u', '0', '0', kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
            out.append(escape, sizeof escape);
        } else {
            out += c;
        }
    }
    return out;
}

std::string BuildConfigJson(const std::vector<Theme>& themes, const Settings& settings,
                            std::string_view themeName, bool dark, bool perf) {
    std::string out = "{\"mode\":";
    AppendQuoted(out, settings.theme);
    AppendMember(out, "theme", themeName);
    AppendMember(out, "tree", settings.tree);
    AppendBool(out, "tcDark", dark);
    AppendMember(out, "sizeunit", settings.sizeunit);
    AppendBool(out, "sepspace", settings.sepspace);
    out += ",\"fontsize\":" + std::to_string(settings.fontsize);
    AppendMember(out, "datefmt", settings.datefmt);
    AppendMember(out, "cachemode", settings.cachemode);
    AppendMember(out, "cachepath", settings.cachepath);
    AppendBool(out, "perf", perf);
    out += ",\"palettes\":{";
    for (std::size_t t = 0; t < themes.size(); ++t) {
        if (t != 0)
            out += ',';
        AppendQuoted(out, themes[t].name);
        out += ":{";
        for (std::size_t e = 0; e < themes[t].entries.size(); ++e) {
            if (e != 0)
                out += ',';
            AppendQuoted(out, themes[t].entries[e].first);
            out += ':';
            AppendQuoted(out, themes[t].entries[e].second);
        }
        out += '}';
    }
    out += "}}";
    return out;
}

void FillConfigPayload(WebViewState& state) {
    std::filesystem::path folder = ConfigFolder();
    const Settings& settings = LoadSettings(folder);
    const std::vector<Theme>& themes = LoadThemes(folder);
    const Theme* theme = ResolveTheme(themes, settings.theme, state.dark);
    std::string css = BuildThemeCss(theme);
    std::string json =
        BuildConfigJson(themes, settings, theme ? theme->name : "", state.dark, PerfEnabled());
    // Built first and swapped in, so that running out of memory leaves the state whole.
    state.configDir.swap(folder);
    state.themeCss.swap(css);
    state.configJson.swap(json);
}
