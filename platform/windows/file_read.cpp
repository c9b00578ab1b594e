#include "platform/file_read.h"

#include <windows.h>

namespace platform {

FileRead ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    FileRead result;
    // Sharing for reading only: a file that another process has open for writing is refused
    // rather than read half-written.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
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
    result.status = FileReadStatus::Ok;
    result.bytes.resize(byteCount);
    DWORD got = 0;
    // The status is not examined: the count read is what matters, and a failure reads nothing.
    ReadFile(file, result.bytes.data(), static_cast<DWORD>(byteCount), &got, nullptr);
    result.bytes.resize(got);
    CloseHandle(file);
    return result;
}

}  // namespace platform
