// The packer plug-in's functions. Each is an exception firewall: whatever fails inside becomes
// the function's failure answer. Handles are sessions of their own, so every function may run on
// several threads at once.

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "archive/detect.h"
#include "archive/packer_abi.h"
#include "packer/archive_session.h"
#include "packer/options_dialog.h"
#include "packer/pack_files.h"
#include "platform/export_firewall.h"
#include "platform/windows/code_page.h"
#include "platform/windows/long_path.h"
#include "platform/windows/this_module.h"

extern "C" int WINAPI ReadHeaderExW(HANDLE handle, tHeaderDataExW* header);

namespace {

// Progress for "Pack files", which has no handle: the file manager sets it with handle -1.
std::atomic<tProcessDataProcW> packProgressW{nullptr};
std::atomic<tProcessDataProc> packProgressA{nullptr};

bool IsPackHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE;
}

ArchiveSession* SessionOf(HANDLE handle) {
    return handle == nullptr || IsPackHandle(handle) ? nullptr
                                                     : static_cast<ArchiveSession*>(handle);
}

template <std::size_t N>
void CopyAnsi(const WCHAR* wide, char (&out)[N]) {
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, out, static_cast<int>(N), nullptr, nullptr) == 0) {
        out[0] = '\0';
    }
    out[N - 1] = '\0';
}

std::wstring Destination(const WCHAR* path, const WCHAR* name) {
    std::wstring destination = path != nullptr && *path != L'\0' ? path : L"";
    if (!destination.empty() && destination.back() != L'\\') {
        destination += L'\\';
    }
    return destination + (name != nullptr ? name : L"");
}

// An ANSI header from the Unicode one: the names in the code page, the fields up to FileAttr,
// the sizes as `sizes` writes them for the record's width.
template <typename Header, typename Sizes>
int ReadAnsiHeader(HANDLE handle, Header* header, Sizes&& sizes) {
    if (header == nullptr) {
        return E_BAD_ARCHIVE;
    }
    auto wide = std::make_unique<tHeaderDataExW>();
    const int result = ReadHeaderExW(handle, wide.get());
    if (result == 0) {
        CopyAnsi(wide->ArcName, header->ArcName);
        CopyAnsi(wide->FileName, header->FileName);
        header->Flags = wide->Flags;
        sizes(*wide);
        header->HostOS = wide->HostOS;
        header->FileCRC = wide->FileCRC;
        header->FileTime = wide->FileTime;
        header->UnpVer = wide->UnpVer;
        header->Method = wide->Method;
        header->FileAttr = wide->FileAttr;
    }
    return result;
}

}  // namespace

extern "C" {

HANDLE WINAPI OpenArchiveW(tOpenArchiveDataW* data) {
    return ExportFirewall<HANDLE>(nullptr, [&]() -> HANDLE {
        if (data == nullptr) {
            return nullptr;
        }
        if (data->ArcName == nullptr) {
            data->OpenResult = E_EOPEN;
            return nullptr;
        }
        data->OpenResult = E_NO_MEMORY;  // what stands if the firewall has to answer
        int result = E_EOPEN;
        auto session = ArchiveSession::Open(std::filesystem::path(data->ArcName), result);
        data->OpenResult = result;
        return session.release();
    });
}

HANDLE WINAPI OpenArchive(tOpenArchiveData* data) {
    return ExportFirewall<HANDLE>(nullptr, [&]() -> HANDLE {
        if (data == nullptr) {
            return nullptr;
        }
        std::wstring name = platform::WideFromAnsi(data->ArcName);
        tOpenArchiveDataW wide{
            data->ArcName != nullptr ? name.data() : nullptr, data->OpenMode, 0, nullptr, 0, 0, 0};
        const HANDLE handle = OpenArchiveW(&wide);
        data->OpenResult = wide.OpenResult;
        return handle;
    });
}

int WINAPI ReadHeaderExW(HANDLE handle, tHeaderDataExW* header) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        ArchiveSession* session = SessionOf(handle);
        return session == nullptr || header == nullptr ? E_BAD_ARCHIVE
                                                       : session->NextHeader(*header);
    });
}

int WINAPI ReadHeaderEx(HANDLE handle, tHeaderDataEx* header) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        return ReadAnsiHeader(handle, header, [&](const tHeaderDataExW& wide) {
            header->PackSize = wide.PackSize;
            header->PackSizeHigh = wide.PackSizeHigh;
            header->UnpSize = wide.UnpSize;
            header->UnpSizeHigh = wide.UnpSizeHigh;
        });
    });
}

int WINAPI ReadHeader(HANDLE handle, tHeaderData* header) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        return ReadAnsiHeader(handle, header, [&](const tHeaderDataExW& wide) {
            // Past 2 GB the old record cannot say how large: it says as large as it can.
            const bool large = wide.UnpSizeHigh != 0 || wide.UnpSize > 0x7FFFFFFF;
            header->PackSize = large ? 0x7FFFFFFF : static_cast<int>(wide.PackSize);
            header->UnpSize = header->PackSize;
        });
    });
}

int WINAPI ProcessFileW(HANDLE handle, int operation, WCHAR* destPath, WCHAR* destName) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        ArchiveSession* session = SessionOf(handle);
        if (session == nullptr) {
            return E_BAD_ARCHIVE;
        }
        return session->Process(operation, Destination(destPath, destName));
    });
}

int WINAPI ProcessFile(HANDLE handle, int operation, char* destPath, char* destName) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        std::wstring path = platform::WideFromAnsi(destPath);
        std::wstring name = platform::WideFromAnsi(destName);
        return ProcessFileW(handle, operation, destPath != nullptr ? path.data() : nullptr,
                            destName != nullptr ? name.data() : nullptr);
    });
}

int WINAPI CloseArchive(HANDLE handle) {
    return ExportFirewall(E_ECLOSE, [&] {
        delete SessionOf(handle);
        return 0;
    });
}

void WINAPI SetChangeVolProcW(HANDLE, tChangeVolProcW) {}  // a torrent has no volumes
void WINAPI SetChangeVolProc(HANDLE, tChangeVolProc) {}

void WINAPI SetProcessDataProcW(HANDLE handle, tProcessDataProcW progress) {
    if (IsPackHandle(handle)) {
        packProgressW = progress;
    } else if (ArchiveSession* session = SessionOf(handle)) {
        session->progress = progress;
    }
}

void WINAPI SetProcessDataProc(HANDLE handle, tProcessDataProc progress) {
    if (IsPackHandle(handle)) {
        packProgressA = progress;
    } else if (ArchiveSession* session = SessionOf(handle)) {
        session->progressAnsi = progress;
    }
}

int WINAPI PackFilesW(WCHAR* packedFile, WCHAR* subPath, WCHAR* srcPath, WCHAR* addList,
                      int flags) {
    return ExportFirewall(E_NO_MEMORY, [&] {
        return PackTorrent(packedFile, subPath, srcPath, addList, flags, packProgressW.load(),
                           packProgressA.load());
    });
}

BOOL WINAPI CanYouHandleThisFileW(WCHAR* fileName) {
    return ExportFirewall<BOOL>(FALSE, [&]() -> BOOL {
        if (fileName == nullptr) {
            return FALSE;
        }
        const HANDLE file = CreateFileW(platform::LongPath(fileName).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return FALSE;
        }
        std::string head(archive::kDetectBytes, '\0');
        DWORD got = 0;
        const BOOL read =
            ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
        CloseHandle(file);
        head.resize(read ? got : 0);
        return archive::BeginsLikeTorrent(head) ? TRUE : FALSE;
    });
}

int WINAPI GetPackerCaps() {
    return PK_CAPS_NEW | PK_CAPS_MULTIPLE | PK_CAPS_OPTIONS | PK_CAPS_BY_CONTENT |
           PK_CAPS_SEARCHTEXT | PK_CAPS_HIDE;
}

int WINAPI GetBackgroundFlags() {
    return BACKGROUND_UNPACK | BACKGROUND_PACK;
}

void WINAPI ConfigurePacker(HWND parent, HINSTANCE) {
    ExportFirewall(0, [&] {
        ShowPackOptions(parent, static_cast<HINSTANCE>(platform::ThisModule()));
        return 0;
    });
}

// The settings live in the plug-in's own file, not the suggested one, which other plug-ins share.
void WINAPI PackSetDefaultParams(PackDefaultParamStruct*) {}

}  // extern "C"
