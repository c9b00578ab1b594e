#include "settings/storage.h"

#include "platform/folders.h"
#include "platform/text.h"
#include "settings/config_files.h"

std::filesystem::path ChooseWebViewDataFolder(
    const Settings& settings, const std::filesystem::path& pluginFolder,
    const std::optional<std::filesystem::path>& localAppData) {
    const auto portableFolder = pluginFolder / "webview2_data";
    const auto userFolder =
        localAppData ? *localAppData / "Marrowpeek" / "WebView2" : portableFolder;
    auto chooseUserFolder = [&] {
        platform::CreateDirectories(userFolder);
        return userFolder;
    };
    if (settings.cachemode == "user") {
        return chooseUserFolder();
    }
    if (settings.cachemode == "custom" && !settings.cachepath.empty()) {
        std::filesystem::path custom;
        try {
            custom =
                platform::ExpandEnvironmentReferences(platform::PathFromUtf8(settings.cachepath));
        } catch (const std::exception&) {
            // Not UTF-8: no folder by that name can be made.
            return chooseUserFolder();
        }
        platform::CreateDirectories(custom);
        return platform::CanCreateFileIn(custom) ? custom : chooseUserFolder();
    }
    platform::CreateOneDirectory(portableFolder);
    return platform::CanCreateFileIn(portableFolder) ? portableFolder : chooseUserFolder();
}

std::filesystem::path WebViewDataFolder() {
    static const std::filesystem::path folder = ChooseWebViewDataFolder(
        LoadSettings(ConfigFolder()), platform::ModuleFolder(), platform::LocalAppData());
    return folder;
}
