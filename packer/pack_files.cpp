#include "packer/pack_files.h"

#include <atomic>
#include <cwchar>
#include <string>

#include "archive/pack_request.h"
#include "packer/host_progress.h"
#include "platform/debug_output.h"
#include "platform/file_write.h"
#include "settings/config_files.h"

int PackTorrent(const WCHAR* packedFile, const WCHAR* subPath, const WCHAR* srcPath,
                const WCHAR* addList, int flags, tProcessDataProcW progressW,
                tProcessDataProc progressA) {
    if (packedFile == nullptr || srcPath == nullptr || addList == nullptr) {
        return E_NOT_SUPPORTED;
    }
    // Moving would delete the very files the torrent describes; a torrent is never added to.
    if ((flags & PK_PACK_MOVE_FILES) != 0 || (subPath != nullptr && *subPath != L'\0')) {
        return E_NOT_SUPPORTED;
    }
    archive::PackAsk ask{packedFile, srcPath, {}};
    for (const WCHAR* name = addList; *name != L'\0'; name += std::wcslen(name) + 1) {
        ask.names.emplace_back(name);
    }
    if (ask.names.empty()) {
        return E_NO_FILES;
    }
    create::CreateRequest request;
    std::string whyNot;
    if (!archive::PackRequest(ask, ReadCreateSettings(ConfigFolder()), request, whyNot)) {
        platform::WriteDebugOutput(("[Marrowpeek] pack: " + whyNot + "\n").c_str());
        return E_EOPEN;
    }
    std::atomic<bool> stop{false};
    HostProgress host(progressW, progressA, packedFile);
    create::Created made;
    const bool ok = create::MakeTorrent(
        request, stop,
        [&](const create::HashProgress& done) {
            if (!host.Advance(done.bytesDone)) {
                stop = true;
            }
        },
        made, whyNot);
    if (stop) {
        return E_EABORTED;
    }
    if (!ok) {
        platform::WriteDebugOutput(("[Marrowpeek] pack: " + whyNot + "\n").c_str());
        return whyNot.starts_with("nothing to pack") ? E_NO_FILES : E_EREAD;
    }
    // The file manager asked before replacing a torrent; one written meanwhile is kept.
    return platform::ReplaceFileIfUnchanged(ask.packedFile, made.bytes,
                                            platform::VersionOf(ask.packedFile)) ==
                   platform::ReplaceResult::Replaced
               ? 0
               : E_ECREATE;
}
