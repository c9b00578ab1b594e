#include "packer/archive_session.h"

#include <algorithm>
#include <atomic>

#include "packer/host_progress.h"
#include "platform/file_time.h"
#include "platform/text.h"
#include "platform/windows/long_path.h"
#include "verify/content_check.h"

namespace {

// A moment as the local DOS time the file manager shows.
std::uint32_t LocalDosTime(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME parts{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) {
        return archive::DosTime(std::tm{});
    }
    std::tm tm{};
    tm.tm_year = parts.wYear - 1900;
    tm.tm_mon = parts.wMonth - 1;
    tm.tm_mday = parts.wDay;
    tm.tm_hour = parts.wHour;
    tm.tm_min = parts.wMinute;
    tm.tm_sec = parts.wSecond;
    return archive::DosTime(tm);
}

// The torrent's creation date, or else when its file was last written.
std::uint32_t EntryTime(const torrent::TorrentInfo& info, const std::filesystem::path& path) {
    FILETIME when{};
    constexpr std::int64_t kLastSecond = 910692730085;  // the last FILETIME second
    if (info.creationDate > 0 && info.creationDate < kLastSecond) {
        const std::uint64_t ticks = platform::FileTimeOf(info.creationDate);
        when.dwLowDateTime = static_cast<DWORD>(ticks);
        when.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        return LocalDosTime(when);
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(platform::LongPath(path).c_str(), GetFileExInfoStandard, &data)) {
        when = data.ftLastWriteTime;
    }
    return LocalDosTime(when);
}

// A name longer than the record holds is cut at a character: the file manager could not use it
// whole.
void CopyName(std::wstring_view wide, WCHAR (&out)[1024]) {
    std::size_t length = std::min<std::size_t>(wide.size(), 1023);
    if (length < wide.size() && length > 0 && IS_HIGH_SURROGATE(wide[length - 1])) {
        --length;
    }
    std::copy_n(wide.data(), length, out);
    out[length] = L'\0';
}

void CopyName(const std::string& utf8, WCHAR (&out)[1024]) {
    // Straight into the record: a listing of 200,000 entries makes no string of each.
    const int written =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out, 1023);
    if (written > 0 || utf8.empty()) {
        out[written] = L'\0';
        return;
    }
    CopyName(std::wstring_view(platform::PathFromUtf8(utf8).wstring()), out);
}

int CodeOf(verify::FileStatus status) {
    switch (status) {
        case verify::FileStatus::Complete:
            return 0;
        case verify::FileStatus::Missing:
        case verify::FileStatus::WrongSize:
            return E_EOPEN;
        case verify::FileStatus::Unreadable:
            return E_EREAD;
        case verify::FileStatus::Unsafe:
            return E_ECREATE;
        default:
            return E_BAD_DATA;
    }
}

}  // namespace

std::unique_ptr<ArchiveSession> ArchiveSession::Open(const std::filesystem::path& torrentPath,
                                                     int& result) {
    std::unique_ptr<ArchiveSession> session(new ArchiveSession());
    switch (torrent::LoadTorrent(torrentPath, session->torrent_)) {
        case torrent::LoadStatus::Ready:
            break;
        case torrent::LoadStatus::CannotRead:
            result = E_EOPEN;
            return nullptr;
        case torrent::LoadStatus::Empty:
        case torrent::LoadStatus::NotATorrent:
            result = E_UNKNOWN_FORMAT;
            return nullptr;
        case torrent::LoadStatus::TooLarge:
        case torrent::LoadStatus::TooLargeToShow:
            result = E_BAD_ARCHIVE;
            return nullptr;
    }
    session->torrentPath_ = torrentPath;
    session->arcName_ = torrentPath.wstring();
    session->fileTime_ = EntryTime(session->torrent_.info, torrentPath);
    session->walker_.emplace(session->torrent_.info);
    result = 0;
    return session;
}

int ArchiveSession::NextHeader(tHeaderDataExW& header) {
    haveCurrent_ = walker_->Next(current_);
    if (!haveCurrent_) {
        return E_END_ARCHIVE;
    }
    // Only the fields before the comment are written: a caller may have laid the record out
    // packed, which moves everything after FileAttr.
    CopyName(arcName_, header.ArcName);
    CopyName(current_.name, header.FileName);
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(current_.size, 0));
    header.Flags = 0;
    header.PackSize = static_cast<unsigned int>(size);
    header.PackSizeHigh = static_cast<unsigned int>(size >> 32);
    header.UnpSize = header.PackSize;
    header.UnpSizeHigh = header.PackSizeHigh;
    header.HostOS = 0;
    header.FileCRC = 0;
    header.FileTime = static_cast<int>(fileTime_);
    header.UnpVer = 0;
    header.Method = 0;
    header.FileAttr = static_cast<int>((current_.folder ? kAttrDirectory : 0) |
                                       (current_.hidden ? kAttrHidden : 0));
    return 0;
}

int ArchiveSession::Plan() {
    if (planned_ >= 0) {
        return planned_;
    }
    std::string whyNot;
    plan_ = verify::PlanCheckBesideTree(torrent_, whyNot);
    if (!plan_) {
        return planned_ = E_BAD_ARCHIVE;
    }
    const auto root = verify::ContentRoot(*plan_, torrentPath_, {}, whyNot);
    if (!root) {
        return planned_ = E_ECREATE;  // a name that would leave the torrent's folder
    }
    contentRoot_ = *root;
    if (!plan_->singleFile) {
        fileByPath_.reserve(plan_->files.size());
        for (std::uint32_t i = 0; i < plan_->files.size(); ++i) {
            if (plan_->files[i].content()) {
                fileByPath_.emplace(verify::PathOf(*plan_, plan_->files[i]), i);
            }
        }
    }
    if (!plan_->v2) {
        verified_.assign(static_cast<std::size_t>(plan_->pieceCount), false);
    }
    return planned_ = 0;
}

int ArchiveSession::Process(int operation, const std::wstring& destination) {
    if (operation == PK_SKIP) {
        return 0;
    }
    if (operation != PK_TEST && operation != PK_EXTRACT) {
        return E_NOT_SUPPORTED;
    }
    if (!haveCurrent_) {
        return E_NO_FILES;
    }
    const bool extract = operation == PK_EXTRACT;
    if (extract && destination.empty()) {
        return E_ECREATE;  // no place given: nothing is written in the current folder instead
    }
    if (!current_.safe) {
        return E_ECREATE;  // never opened, never written anywhere
    }
    if (current_.folder) {
        if (extract && !CreateDirectoryW(platform::LongPath(destination).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return E_ECREATE;
        }
        return 0;
    }
    if (current_.link) {
        return extract ? E_NOT_SUPPORTED : 0;  // a link holds no content to verify
    }
    if (const int planned = Plan(); planned != 0) {
        return planned;
    }
    if (plan_->singleFile) {
        return CheckFile(0, extract, destination);
    }
    const auto found = fileByPath_.find(current_.treePath);
    return found == fileByPath_.end() ? E_BAD_ARCHIVE
                                      : CheckFile(found->second, extract, destination);
}

int ArchiveSession::CheckFile(std::uint32_t file, bool extract, const std::wstring& destination) {
    const verify::PlannedFile& planned = plan_->files[file];
    // Written beside the destination under a name of its own, and renamed once it verifies.
    const std::wstring temporary = destination + L"." + std::to_wstring(GetCurrentProcessId()) +
                                   L"-" + std::to_wstring(GetCurrentThreadId()) + L".part";
    HANDLE out = INVALID_HANDLE_VALUE;
    if (extract) {
        out = CreateFileW(platform::LongPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            return E_ECREATE;
        }
    }
    verify::FileScope scope{file, {}, plan_->v2 ? nullptr : &verified_};
    if (extract) {
        scope.tap = [out](std::int64_t offset, const unsigned char* data, std::size_t length) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
            DWORD written = 0;
            return WriteFile(out, data, static_cast<DWORD>(length), &written, &at) &&
                   written == length;
        };
    }
    std::atomic<bool> cancel{false};
    HostProgress host(progress, progressAnsi, destination);
    const verify::CheckResult result = verify::CheckContent(
        *plan_, contentRoot_, cancel,
        [&](const verify::CheckProgress& done) {
            // The file's own share of the bytes read, neighbours' bytes included.
            const double share = done.bytesTotal > 0 ? static_cast<double>(done.bytesDone) /
                                                           static_cast<double>(done.bytesTotal)
                                                     : 0;
            if (!host.Advance(
                    static_cast<std::int64_t>(share * static_cast<double>(planned.size)))) {
                cancel = true;
            }
        },
        0, scope);
    if (out != INVALID_HANDLE_VALUE) {
        CloseHandle(out);
    }
    const auto check = std::find_if(result.files.begin(), result.files.end(),
                                    [&](const verify::FileCheck& c) { return c.file == file; });
    int code = cancel                        ? E_EABORTED
               : result.cancelled            ? E_EWRITE
               : check == result.files.end() ? E_EOPEN
                                             : CodeOf(check->status);
    if (!plan_->v2 && planned.size > 0) {
        const auto first = static_cast<std::size_t>(planned.offset / plan_->pieceLength);
        for (std::size_t i = 0; i < result.pieces.size(); ++i) {
            verified_[first + i] =
                verified_[first + i] || result.pieces[i] == verify::PieceState::Good;
        }
    }
    if (extract && code == 0 &&
        !MoveFileExW(platform::LongPath(temporary).c_str(), platform::LongPath(destination).c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
        code = E_ECREATE;
    }
    if (extract && code != 0) {
        DeleteFileW(platform::LongPath(temporary).c_str());
    }
    return code;
}
