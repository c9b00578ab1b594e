#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::uint64_t>(info.st_size),
                     static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
                         static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
}

FileVersion VersionOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
                static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
}

ReplaceResult ReplaceFileIfUnchanged(const std::filesystem::path& path, std::string_view bytes,
                                     const FileVersion& read) {
    std::filesystem::path temporary = path;
    temporary += ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ReplaceResult::Failed;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (step <= 0) {
            break;
        }
        written += static_cast<std::size_t>(step);
    }
    const bool complete = written == bytes.size() && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    ReplaceResult result = ReplaceResult::Failed;
    if (complete && closed) {
        if (VersionOf(path) != read) {
            result = ReplaceResult::Changed;
        } else if (!read.exists) {
            // A link fails where a file has appeared since the check; a rename would replace it.
            result = ::link(temporary.c_str(), path.c_str()) == 0 ? ReplaceResult::Replaced
                     : errno == EEXIST                            ? ReplaceResult::Changed
                                                                  : ReplaceResult::Failed;
        } else if (std::rename(temporary.c_str(), path.c_str()) == 0) {
            return ReplaceResult::Replaced;
        }
    }
    ::unlink(temporary.c_str());
    return result;
}

}  // namespace platform
