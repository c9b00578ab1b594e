#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/entries.h"
#include "archive/packer_abi.h"
#include "torrent/load.h"
#include "verify/check_plan.h"

// One opened torrent, as the file manager walks it: its entries one at a time, and each file
// tested or copied out of the download beside it. Everything a handle needs is its own, so that
// handles may be used on several threads at once.
class ArchiveSession {
  public:
    // A session, or nothing and the E_ code of why (OpenResult).
    static std::unique_ptr<ArchiveSession> Open(const std::filesystem::path& torrentPath,
                                                int& result);

    // Fills the next entry's header; E_END_ARCHIVE after the last.
    int NextHeader(tHeaderDataExW& header);
    // PK_SKIP, PK_TEST or PK_EXTRACT of the entry the last header named, to `destination`.
    int Process(int operation, const std::wstring& destination);

    tProcessDataProcW progress = nullptr;
    tProcessDataProc progressAnsi = nullptr;  // an ANSI host's, used when there is no other

  private:
    ArchiveSession() = default;
    int Plan();
    int CheckFile(std::uint32_t file, bool extract, const std::wstring& destination);

    std::filesystem::path torrentPath_;
    std::wstring arcName_;
    torrent::LoadedTorrent torrent_;
    std::optional<archive::EntryWalker> walker_;
    archive::Entry current_;
    bool haveCurrent_ = false;
    std::uint32_t fileTime_ = 0;
    // Made at the first test or copy.
    int planned_ = -1;  // the E_ code of planning, 0 when it worked
    std::optional<verify::CheckPlan> plan_;
    std::filesystem::path contentRoot_;
    std::unordered_map<std::string, std::uint32_t> fileByPath_;
    std::vector<bool> verified_;  // version 1: pieces a test found good
};
