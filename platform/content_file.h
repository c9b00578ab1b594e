#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace platform {

// A file of a torrent's content, opened to be read and nothing else: no write access, nothing
// created, and on Linux no access time changed where the system allows it. Reads are hinted as
// sequential, and on Windows at background priority for the calling thread's I/O.
class ContentFile {
  public:
    enum class Opened {
        Ok,
        NotAFile,    // nothing there, a folder, a device or a pipe: never waited on
        Unreadable,  // a regular file that cannot be opened for reading
    };

    ContentFile();
    ~ContentFile();
    ContentFile(const ContentFile&) = delete;
    ContentFile& operator=(const ContentFile&) = delete;

    Opened Open(const std::filesystem::path& path);
    // The size the file has now.
    std::uint64_t size() const { return size_; }
    // Exactly `length` bytes from `offset`; false when fewer could be read (a file cut short,
    // a share gone).
    bool ReadAt(std::uint64_t offset, void* data, std::size_t length);

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::uint64_t size_ = 0;
};

// Lowers the calling thread's I/O and processor priority on Windows, so that a long check leaves
// the file manager responsive; nothing elsewhere.
void ReadInBackground();

}  // namespace platform
