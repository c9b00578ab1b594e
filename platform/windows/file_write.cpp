#include "platform/file_write.h"

#include <windows.h>

#include <string>

namespace platform {

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return FileStamp{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                     (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime};
}

FileVersion VersionOf(const std::filesystem::path& path) {
    // Attributes only: a file open for writing elsewhere still tells its version.
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known) {
        return {};
    }
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    return {true, info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
            join(info.nFileSizeHigh, info.nFileSizeLow),
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

ReplaceResult ReplaceFileIfUnchanged(const std::filesystem::path& path, std::string_view bytes,
                                     const FileVersion& read) {
    if (bytes.size() > MAXDWORD) {
        return ReplaceResult::Failed;
    }
    const std::wstring temporary =
        path.native() + L".tmp-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ReplaceResult::Failed;
    }
    DWORD written = 0;
    const bool complete =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    ReplaceResult result = ReplaceResult::Failed;
    if (complete) {
        if (VersionOf(path) != read) {
            result = ReplaceResult::Changed;
        } else if (MoveFileExW(
                       temporary.c_str(), path.c_str(),
                       MOVEFILE_WRITE_THROUGH | (read.exists ? MOVEFILE_REPLACE_EXISTING : 0))) {
            return ReplaceResult::Replaced;
        } else if (!read.exists && (GetLastError() == ERROR_ALREADY_EXISTS ||
                                    GetLastError() == ERROR_FILE_EXISTS)) {
            // Without the replace flag, a file that appeared since the check is kept.
            result = ReplaceResult::Changed;
        }
    }
    DeleteFileW(temporary.c_str());
    return result;
}

}  // namespace platform
