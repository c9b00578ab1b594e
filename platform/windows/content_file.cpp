#include "platform/content_file.h"

#include "platform/windows/long_path.h"

#include <windows.h>

#include <algorithm>

namespace platform {

struct ContentFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
};

ContentFile::ContentFile() : handle_(std::make_unique<Handle>()) {}
ContentFile::~ContentFile() = default;

ContentFile::Opened ContentFile::Open(const std::filesystem::path& path) {
    const std::wstring longPath = LongPath(path);
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return Opened::NotAFile;
    }
    // Others may go on reading, writing or renaming it: the check only looks.
    handle_->file = CreateFileW(longPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle_->file == INVALID_HANDLE_VALUE) {
        return Opened::Unreadable;
    }
    LARGE_INTEGER size{};
    if (GetFileType(handle_->file) != FILE_TYPE_DISK || !GetFileSizeEx(handle_->file, &size)) {
        return Opened::NotAFile;
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return Opened::Ok;
}

bool ContentFile::ReadAt(std::uint64_t offset, void* data, std::size_t length) {
    auto* bytes = static_cast<char*>(data);
    while (length > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD step = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(handle_->file, bytes, step, &read, &at) || read == 0) {
            return false;
        }
        bytes += read;
        offset += read;
        length -= read;
    }
    return true;
}

void ReadInBackground() {
    SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
}

}  // namespace platform
