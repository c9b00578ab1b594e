#include "platform/folder_entries.h"

#include <windows.h>

#include "platform/windows/long_path.h"

namespace platform {
namespace {

// UTF-8 of a name, refusing broken UTF-16 (a lone surrogate) rather than repairing it.
bool Utf8Of(const std::wstring& wide, std::string& out) {
    const int length =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return wide.empty();
    }
    out.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                        out.data(), length, nullptr, nullptr);
    return true;
}

FolderEntry EntryOf(const std::filesystem::path& path, const std::wstring& name, DWORD attributes,
                    DWORD sizeHigh, DWORD sizeLow, FILETIME written) {
    FolderEntry entry;
    entry.path = path;
    entry.validName = Utf8Of(name, entry.name);
    // A reparse point (a symbolic link, a junction, a mount point) is never followed.
    entry.kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FolderEntry::Kind::Link
                 : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? FolderEntry::Kind::Folder
                 : (attributes & FILE_ATTRIBUTE_DEVICE) != 0      ? FolderEntry::Kind::Other
                                                                  : FolderEntry::Kind::File;
    entry.size = entry.kind == FolderEntry::Kind::File
                     ? (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow
                     : 0;
    entry.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
    entry.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    return entry;
}

}  // namespace

std::optional<FolderEntry> LookAt(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return EntryOf(path, path.filename().wstring(), data.dwFileAttributes, data.nFileSizeHigh,
                   data.nFileSizeLow, data.ftLastWriteTime);
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW((LongPath(folder) + L"\\*").c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty folder
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        entries.push_back(EntryOf(folder / name, name, found.dwFileAttributes, found.nFileSizeHigh,
                                  found.nFileSizeLow, found.ftLastWriteTime));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

}  // namespace platform
