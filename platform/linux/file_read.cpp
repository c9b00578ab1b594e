#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

FileRead ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    FileRead result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return result;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    result.size = size;
    if (size == 0 || size > maxBytes) {
        result.status = size == 0 ? FileReadStatus::Empty : FileReadStatus::TooLarge;
        ::close(fd);
        return result;
    }
    result.status = FileReadStatus::Ok;
    result.bytes.resize(size);
    // One read, as on Windows; a regular file gives everything at once unless it shrank.
    const ssize_t got = ::read(fd, result.bytes.data(), result.bytes.size());
    result.bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    ::close(fd);
    return result;
}

}  // namespace platform
