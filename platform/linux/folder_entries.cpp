#include "platform/folder_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "platform/utf8.h"

namespace platform {
namespace {

FolderEntry EntryOf(const std::filesystem::path& path, std::string name, const struct stat& info) {
    FolderEntry entry;
    entry.path = path;
    entry.validName = IsValidUtf8(name);
    entry.name = std::move(name);
    entry.kind = S_ISLNK(info.st_mode)   ? FolderEntry::Kind::Link
                 : S_ISDIR(info.st_mode) ? FolderEntry::Kind::Folder
                 : S_ISREG(info.st_mode) ? FolderEntry::Kind::File
                                         : FolderEntry::Kind::Other;
    entry.size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    entry.modified =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    entry.executable = S_ISREG(info.st_mode) && (info.st_mode & S_IXUSR) != 0;
    return entry;
}

}  // namespace

std::optional<FolderEntry> LookAt(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return EntryOf(path, path.filename().string(), info);
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return false;
    }
    while (const dirent* item = ::readdir(dir.get())) {
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;  // gone since it was listed
        }
        entries.push_back(EntryOf(folder / item->d_name, item->d_name, info));
    }
    return true;
}

}  // namespace platform
