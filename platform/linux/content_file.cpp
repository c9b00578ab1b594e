#include "platform/content_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

struct ContentFile::Handle {
    int fd = -1;
    ~Handle() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

ContentFile::ContentFile() : handle_(std::make_unique<Handle>()) {}
ContentFile::~ContentFile() = default;

ContentFile::Opened ContentFile::Open(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Opened::NotAFile;
    }
    // Without blocking, in case it became a pipe since; without touching its access time where
    // the file's owner runs the check.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = ::open(path.c_str(), kFlags);
    }
    if (fd < 0) {
        return Opened::Unreadable;
    }
    handle_->fd = fd;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return Opened::NotAFile;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return Opened::Ok;
}

bool ContentFile::ReadAt(std::uint64_t offset, void* data, std::size_t length) {
    auto* bytes = static_cast<char*>(data);
    while (length > 0) {
        const ssize_t read = ::pread(handle_->fd, bytes, length, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            return false;
        }
        bytes += read;
        offset += static_cast<std::uint64_t>(read);
        length -= static_cast<std::size_t>(read);
    }
    return true;
}

void ReadInBackground() {}

}  // namespace platform
