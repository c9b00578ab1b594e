#include "platform/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace platform {

std::filesystem::path ModuleFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error || !self.has_parent_path() ? std::filesystem::path(".") : self.parent_path();
}

std::optional<std::filesystem::path> LocalAppData() {
    if (const char* home = std::getenv("MARROWPEEK_HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home);
    }
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        return std::filesystem::path(data);
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".local" / "share";
    }
    return std::nullopt;
}

bool CanCreateFileIn(const std::filesystem::path& folder) {
    const auto probe = folder / ".wtest";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    ::unlink(probe.c_str());
    ::close(fd);
    return true;
}

void CreateDirectories(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}

void CreateOneDirectory(const std::filesystem::path& folder) {
    ::mkdir(folder.c_str(), 0777);
}

std::filesystem::path ExpandEnvironmentReferences(const std::filesystem::path& text) {
    const std::string in = text.native();
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
        const std::size_t open = in.find('%', i);
        const std::size_t close = open == std::string::npos ? open : in.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(in, i);
            break;
        }
        const std::string name = in.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        out.append(in, i, open - i);
        if (value != nullptr) {
            out += value;
            i = close + 1;
        } else {
            // Like Windows, an unknown reference stays as written.
            out += '%';
            i = open + 1;
        }
    }
    return out;
}

}  // namespace platform
