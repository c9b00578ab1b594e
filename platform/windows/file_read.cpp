#include "platform/file_read.h"

#include <windows.h>

#include <string>

namespace platform {

// One ReadFile into memory rather than a mapped view: a view of a file on a network share that
// goes away raises an exception in the middle of decoding, where a read fails cleanly.
FileContent ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    FileContent result;
    // Sharing for reading only: a file that another process has open for writing is refused.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return result;
    }
    LARGE_INTEGER size{};
    // Pipes and devices have no size to give, and are refused with it.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return result;
    }
    const auto byteCount = static_cast<std::uint64_t>(size.QuadPart);
    result.size = byteCount;
    if (byteCount == 0 || byteCount > maxBytes || byteCount > MAXDWORD) {
        result.status = byteCount == 0 ? FileReadStatus::Empty : FileReadStatus::TooLarge;
        CloseHandle(file);
        return result;
    }
    auto buffer = std::make_shared<std::string>(byteCount, '\0');
    DWORD got = 0;
    const BOOL read = ReadFile(file, buffer->data(), static_cast<DWORD>(byteCount), &got, nullptr);
    CloseHandle(file);
    if (read && got == byteCount) {
        result.status = FileReadStatus::Ok;
        result.bytes = *buffer;
        result.owner = std::move(buffer);
    }
    return result;
}

std::optional<std::uint64_t> RegularFileSize(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsFolder(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
