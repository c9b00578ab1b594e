#include "tools/preview_guard.h"

#include <random>

#include "platform/hex.h"

bool PreviewGuard::HostAllowed(std::string_view host) const {
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

bool PreviewGuard::ActionAllowed(std::string_view host, std::string_view origin,
                                 std::string_view presented) const {
    return HostAllowed(host) && origin == "http://" + std::string(host) && !token.empty() &&
           presented == token;
}

bool PreviewGuard::FileAllowed(const std::filesystem::path& file) const {
    std::error_code failed;
    const auto named = std::filesystem::weakly_canonical(torrent, failed);
    const auto asked = std::filesystem::weakly_canonical(file, failed);
    return !failed && (asked == named || asked.parent_path() == named.parent_path());
}

std::string NewPreviewToken() {
    std::random_device random;
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        const unsigned value = random();
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return platform::LowerHex(bytes);
}
