#include "platform/file_read.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {
namespace {

// A read lease is granted only while no one has the file open for writing, and while it is held
// any open for writing or truncation waits until it is given up. Holding one for as long as the
// content is mapped is what makes the mapping safe: a file truncated under a mapping would kill
// the process the moment it read past the new end.
bool TakeReadLease(int fd) {
    // Someone who wants to write signals the holder with SIGIO, whose default is to end the
    // process; the holder only has to let go, which it does when it is done.
    struct sigaction current {};
    if (sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        signal(SIGIO, SIG_IGN);
    }
    return fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
}

// Owns the mapping and the descriptor; never copied, since its end unmaps.
struct Mapping {
    Mapping(void* at, std::size_t bytes, int descriptor)
        : address(at), length(bytes), fd(descriptor) {}
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ~Mapping() {
        munmap(address, length);
        close(fd);  // also gives up the lease
    }

    void* address;
    std::size_t length;
    int fd;
};

}  // namespace

FileContent ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    FileContent result;
    // Without blocking: opening a FIFO would otherwise wait for a writer before fstat could
    // tell it is no regular file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return result;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    result.size = size;
    if (size == 0 || size > maxBytes) {
        result.status = size == 0 ? FileReadStatus::Empty : FileReadStatus::TooLarge;
        close(fd);
        return result;
    }
    if (TakeReadLease(fd)) {
        // Populated at once: the kernel maps the cached pages in one go, far cheaper than a
        // fault per page, and cheaper than filling fresh memory with a copy.
        void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (address != MAP_FAILED) {
            result.status = FileReadStatus::Ok;
            result.bytes = std::string_view(static_cast<const char*>(address), size);
            result.owner = std::make_shared<const Mapping>(address, size, fd);
            return result;
        }
    } else if (errno == EAGAIN) {
        close(fd);  // open for writing elsewhere
        return result;
    }
    // No lease (not the file's owner, or a file system without them): read it instead, and
    // refuse a file that no longer gives all the bytes it had.
    auto buffer = std::make_shared<std::string>(size, '\0');
    std::size_t got = 0;
    while (got < size) {
        const ssize_t step = read(fd, buffer->data() + got, size - got);
        if (step <= 0) {
            break;
        }
        got += static_cast<std::size_t>(step);
    }
    close(fd);
    if (got == size) {
        result.status = FileReadStatus::Ok;
        result.bytes = *buffer;
        result.owner = std::move(buffer);
    }
    return result;
}

std::optional<std::uint64_t> RegularFileSize(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool IsFolder(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform
