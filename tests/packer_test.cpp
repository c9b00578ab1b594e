// Marrowpeek.wcx64 as the file manager drives it, under Wine: listing against libtorrent's file
// lists, tests and extraction from the download beside each torrent, hostile paths, "Pack files"
// against libtorrent's torrents, progress and cancel, four threads at once, detection and the
// options dialog. The fixture (packer_fixture.py) is made by libtorrent.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "archive/packer_abi.h"
#include "packer/dialog_ids.h"
#include "platform/text.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "torrent/load.h"

namespace {

namespace fs = std::filesystem;

std::atomic<std::int64_t> progressBytes{0};
std::atomic<int> progressCallsLeft{INT_MAX};  // a 0 answer once it reaches none

int WINAPI CountProgress(WCHAR*, int size) {
    progressBytes += size;
    return --progressCallsLeft > 0 ? 1 : 0;
}

std::string lastAnsiName;

int WINAPI CountProgressAnsi(char* name, int size) {
    lastAnsiName = name != nullptr ? name : "";
    return CountProgress(nullptr, size);
}

class Packer : public testing::Test {
  protected:
    void SetUp() override {
        const wchar_t* built = _wgetenv(L"MARROWPEEK_PACKER");
        const wchar_t* fixture = _wgetenv(L"MARROWPEEK_PACKER_FIXTURE");
        ASSERT_TRUE(built != nullptr && fixture != nullptr);
        // A copy in a folder of its own: its settings file lands there.
        library_ = dir_.path() / "plugin" / "Marrowpeek.wcx64";
        fs::create_directories(library_.parent_path());
        fs::copy_file(built, library_);
        module_ = LoadLibraryW(library_.c_str());
        ASSERT_NE(module_, nullptr);
        fs::copy(fixture, dir_.path() / "data", fs::copy_options::recursive);
        data_ = dir_.path() / "data";
        progressBytes = 0;
        progressCallsLeft = INT_MAX;
    }
    void TearDown() override { FreeLibrary(module_); }

    template <typename Function>
    Function Export(const char* name) {
        auto found =
            reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    struct Listed {
        std::wstring name;
        std::uint64_t size = 0;
        int attributes = 0;
        int time = 0;
    };
    // The entries as the file manager lists them; OpenResult when it cannot be opened.
    std::vector<Listed> List(const fs::path& torrent, bool skip, int* openResult = nullptr) {
        std::wstring name = torrent.wstring();
        tOpenArchiveDataW open{name.data(), PK_OM_LIST, -1, nullptr, 0, 0, 0};
        const HANDLE handle = Export<HANDLE(WINAPI*)(tOpenArchiveDataW*)>("OpenArchiveW")(&open);
        if (openResult != nullptr) {
            *openResult = open.OpenResult;
        }
        std::vector<Listed> listed;
        if (handle == nullptr) {
            return listed;
        }
        const auto read = Export<int(WINAPI*)(HANDLE, tHeaderDataExW*)>("ReadHeaderExW");
        const auto process = Export<int(WINAPI*)(HANDLE, int, WCHAR*, WCHAR*)>("ProcessFileW");
        auto header = std::make_unique<tHeaderDataExW>();
        int result = 0;
        while ((result = read(handle, header.get())) == 0) {
            listed.push_back({header->FileName,
                              std::uint64_t{header->UnpSizeHigh} << 32 | header->UnpSize,
                              header->FileAttr, header->FileTime});
            if (skip) {
                EXPECT_EQ(process(handle, PK_SKIP, nullptr, nullptr), 0);
            }
        }
        EXPECT_EQ(result, E_END_ARCHIVE);
        EXPECT_EQ(Export<int(WINAPI*)(HANDLE)>("CloseArchive")(handle), 0);
        return listed;
    }
    // Each file tested or extracted into `destination` as the file manager does it, folders
    // made first; the answer for each entry by name.
    std::map<std::wstring, int> Unpack(const fs::path& torrent, int operation,
                                       const fs::path& destination = {},
                                       tProcessDataProcW progress = nullptr) {
        std::wstring name = torrent.wstring();
        tOpenArchiveDataW open{name.data(), PK_OM_EXTRACT, -1, nullptr, 0, 0, 0};
        const HANDLE handle = Export<HANDLE(WINAPI*)(tOpenArchiveDataW*)>("OpenArchiveW")(&open);
        std::map<std::wstring, int> answers;
        if (handle == nullptr) {
            ADD_FAILURE() << open.OpenResult;
            return answers;
        }
        Export<void(WINAPI*)(HANDLE, tProcessDataProcW)>("SetProcessDataProcW")(handle, progress);
        const auto read = Export<int(WINAPI*)(HANDLE, tHeaderDataExW*)>("ReadHeaderExW");
        const auto process = Export<int(WINAPI*)(HANDLE, int, WCHAR*, WCHAR*)>("ProcessFileW");
        auto header = std::make_unique<tHeaderDataExW>();
        while (read(handle, header.get()) == 0) {
            if ((header->FileAttr & kAttrDirectory) != 0) {
                process(handle, PK_SKIP, nullptr, nullptr);
                continue;
            }
            std::wstring target = (destination / header->FileName).wstring();
            if (!destination.empty()) {
                fs::create_directories(fs::path(target).parent_path());
            }
            answers[header->FileName] = process(handle, operation, nullptr, target.data());
        }
        Export<int(WINAPI*)(HANDLE)>("CloseArchive")(handle);
        return answers;
    }
    // Every file below a folder, by its path there.
    static std::set<std::wstring> FilesIn(const fs::path& folder) {
        std::set<std::wstring> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.insert(entry.path().lexically_relative(folder).wstring());
            }
        }
        return files;
    }
    int Pack(const fs::path& packed, const fs::path& source, const std::vector<std::wstring>& names,
             int flags = 0) {
        std::wstring list;
        for (const std::wstring& name : names) {
            list += name + L'\0';
        }
        list += L'\0';
        std::wstring out = packed.wstring();
        std::wstring from = source.wstring() + L"\\";
        return Export<int(WINAPI*)(WCHAR*, WCHAR*, WCHAR*, WCHAR*, int)>("PackFilesW")(
            out.data(), nullptr, from.data(), list.data(), flags);
    }
    static std::string HashOf(const fs::path& torrent) {
        torrent::LoadedTorrent loaded;
        return torrent::LoadTorrent(torrent, loaded) == torrent::LoadStatus::Ready
                   ? loaded.info.infoHashV1
                   : "";
    }
    // The names of a folder's Pack files, as the file manager lists them: the folder, its files.
    static std::vector<std::wstring> PackNames() {
        return {L"Pack\\",
                L"Pack\\a.bin",
                L"Pack\\B.bin",
                L"Pack\\b\\",
                L"Pack\\b\\x.bin",
                L"Pack\\empty.txt",
                L"Pack\\sub\\",
                L"Pack\\sub\\c.txt",
                L"Pack\\sub\\deeper\\",
                L"Pack\\sub\\deeper\\d.bin",
                L"Pack\\\u00fcn\u00efcode \u2713.txt"};
    }

    ScratchDirectory dir_;
    fs::path library_;
    fs::path data_;
    HMODULE module_ = nullptr;
};

// The constants and layouts the packer uses, against the sheet they were copied from: the same
// wrong number on both sides would pass every other test.
TEST_F(Packer, InterfaceConstantsAndLayoutsAreTheSheets) {
    std::ifstream in(_wgetenv(L"MARROWPEEK_WCX_ABI"));
    ASSERT_TRUE(in) << "no interface sheet (MARROWPEEK_WCX_ABI)";
    const std::string sheet((std::istreambuf_iterator<char>(in)), {});
    const std::map<std::string, int> used = {{"E_END_ARCHIVE", E_END_ARCHIVE},
                                             {"E_NO_MEMORY", E_NO_MEMORY},
                                             {"E_BAD_DATA", E_BAD_DATA},
                                             {"E_BAD_ARCHIVE", E_BAD_ARCHIVE},
                                             {"E_UNKNOWN_FORMAT", E_UNKNOWN_FORMAT},
                                             {"E_EOPEN", E_EOPEN},
                                             {"E_ECREATE", E_ECREATE},
                                             {"E_ECLOSE", E_ECLOSE},
                                             {"E_EREAD", E_EREAD},
                                             {"E_EWRITE", E_EWRITE},
                                             {"E_EABORTED", E_EABORTED},
                                             {"E_NO_FILES", E_NO_FILES},
                                             {"E_NOT_SUPPORTED", E_NOT_SUPPORTED},
                                             {"PK_OM_LIST", PK_OM_LIST},
                                             {"PK_OM_EXTRACT", PK_OM_EXTRACT},
                                             {"PK_SKIP", PK_SKIP},
                                             {"PK_TEST", PK_TEST},
                                             {"PK_EXTRACT", PK_EXTRACT},
                                             {"PK_PACK_MOVE_FILES", PK_PACK_MOVE_FILES},
                                             {"PK_PACK_SAVE_PATHS", PK_PACK_SAVE_PATHS},
                                             {"PK_CAPS_NEW", PK_CAPS_NEW},
                                             {"PK_CAPS_MULTIPLE", PK_CAPS_MULTIPLE},
                                             {"PK_CAPS_OPTIONS", PK_CAPS_OPTIONS},
                                             {"PK_CAPS_BY_CONTENT", PK_CAPS_BY_CONTENT},
                                             {"PK_CAPS_SEARCHTEXT", PK_CAPS_SEARCHTEXT},
                                             {"PK_CAPS_HIDE", PK_CAPS_HIDE},
                                             {"BACKGROUND_UNPACK", BACKGROUND_UNPACK},
                                             {"BACKGROUND_PACK", BACKGROUND_PACK}};
    for (const auto& [name, value] : used) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(sheet, match, std::regex(name + "(?: \\| | )([0-9]+)\\b")))
            << name;
        EXPECT_EQ(std::stoi(match[1]), value) << name;
    }
    EXPECT_NE(sheet.find("`0x2` hidden"), std::string::npos);
    EXPECT_EQ(kAttrHidden, 0x2u);
    EXPECT_NE(sheet.find("`0x10` directory"), std::string::npos);
    EXPECT_EQ(kAttrDirectory, 0x10u);
    // "| tHeaderDataEx | 3144 | Flags 2048, PackSize 2052, ..." for each record.
    const std::map<std::string, std::pair<std::size_t, std::map<std::string, std::size_t>>>
        records = {{"tHeaderData",
                    {sizeof(tHeaderData),
                     {{"Flags", offsetof(tHeaderData, Flags)},
                      {"FileAttr", offsetof(tHeaderData, FileAttr)},
                      {"CmtBuf", offsetof(tHeaderData, CmtBuf)},
                      {"CmtState", offsetof(tHeaderData, CmtState)}}}},
                   {"tHeaderDataEx",
                    {sizeof(tHeaderDataEx),
                     {{"Flags", offsetof(tHeaderDataEx, Flags)},
                      {"PackSize", offsetof(tHeaderDataEx, PackSize)},
                      {"UnpSizeHigh", offsetof(tHeaderDataEx, UnpSizeHigh)},
                      {"FileTime", offsetof(tHeaderDataEx, FileTime)},
                      {"FileAttr", offsetof(tHeaderDataEx, FileAttr)},
                      {"CmtBuf", offsetof(tHeaderDataEx, CmtBuf)},
                      {"CmtState", offsetof(tHeaderDataEx, CmtState)},
                      {"Reserved", offsetof(tHeaderDataEx, Reserved)}}}},
                   {"tHeaderDataExW",
                    {sizeof(tHeaderDataExW),
                     {{"FileName", offsetof(tHeaderDataExW, FileName)},
                      {"Flags", offsetof(tHeaderDataExW, Flags)},
                      {"PackSize", offsetof(tHeaderDataExW, PackSize)},
                      {"FileTime", offsetof(tHeaderDataExW, FileTime)},
                      {"FileAttr", offsetof(tHeaderDataExW, FileAttr)},
                      {"CmtBuf", offsetof(tHeaderDataExW, CmtBuf)},
                      {"CmtState", offsetof(tHeaderDataExW, CmtState)},
                      {"Reserved", offsetof(tHeaderDataExW, Reserved)}}}},
                   {"tOpenArchiveData / W",
                    {sizeof(tOpenArchiveDataW),
                     {{"OpenMode", offsetof(tOpenArchiveDataW, OpenMode)},
                      {"OpenResult", offsetof(tOpenArchiveDataW, OpenResult)},
                      {"CmtBuf", offsetof(tOpenArchiveDataW, CmtBuf)},
                      {"CmtState", offsetof(tOpenArchiveDataW, CmtState)}}}},
                   {"PackDefaultParamStruct",
                    {sizeof(PackDefaultParamStruct),
                     {{"DefaultIniName", offsetof(PackDefaultParamStruct, DefaultIniName)}}}}};
    for (const auto& [record, layout] : records) {
        std::smatch row;
        ASSERT_TRUE(std::regex_search(sheet, row,
                                      std::regex("\\| " + record + " \\| ([0-9]+) \\| ([^|]*)\\|")))
            << record;
        EXPECT_EQ(std::stoul(row[1]), layout.first) << record;
        const std::string offsets = row[2];
        for (const auto& [field, offset] : layout.second) {
            std::smatch stated;
            ASSERT_TRUE(std::regex_search(offsets, stated, std::regex("\\b" + field + " ([0-9]+)")))
                << record << "." << field;
            EXPECT_EQ(std::stoul(stated[1]), offset) << record << "." << field;
        }
    }
    EXPECT_EQ(sizeof(tOpenArchiveData), sizeof(tOpenArchiveDataW));
    EXPECT_EQ(Export<int(WINAPI*)()>("GetPackerCaps")(), PK_CAPS_NEW | PK_CAPS_MULTIPLE |
                                                             PK_CAPS_OPTIONS | PK_CAPS_BY_CONTENT |
                                                             PK_CAPS_SEARCHTEXT | PK_CAPS_HIDE);
    EXPECT_EQ(Export<int(WINAPI*)()>("GetBackgroundFlags")(), BACKGROUND_UNPACK | BACKGROUND_PACK);
}

// Each kind lists libtorrent's files, pads left out, with a folder entry above each; the same
// whether or not PK_SKIP follows each header, and through the ANSI forms. What is no torrent is
// refused.
TEST_F(Packer, ListsEachKindAsLibtorrentDoes) {
    for (const char* kind : {"v1", "v2", "hybrid", "single"}) {
        std::set<std::wstring> expected;
        std::ifstream lines(data_ / (std::string(kind) + ".list"));
        for (std::string line; std::getline(lines, line);) {
            expected.insert(platform::PathFromUtf8(line).wstring());
        }
        const fs::path torrent = data_ / (std::string(kind) + ".torrent");
        std::set<std::wstring> files;
        std::set<std::wstring> folders;
        const auto listed = List(torrent, true);
        for (const Listed& entry : listed) {
            EXPECT_GE(entry.time >> 25, 44) << "a date before 2024";
            if ((entry.attributes & kAttrDirectory) != 0) {
                folders.insert(entry.name);
            } else {
                files.insert(entry.name + L"\t" + std::to_wstring(entry.size));
            }
        }
        EXPECT_EQ(files, expected) << kind;
        for (const std::wstring& file : files) {
            for (fs::path up = fs::path(file.substr(0, file.find(L'\t'))).parent_path();
                 !up.empty(); up = up.parent_path()) {
                EXPECT_TRUE(folders.count(up.wstring())) << kind << ": " << up;
            }
        }
        EXPECT_EQ(List(torrent, false).size(), listed.size());
    }
    // The ANSI forms give the same names and sizes.
    std::string name = (data_ / "v1.torrent").string();
    tOpenArchiveData open{name.data(), PK_OM_LIST, -1, nullptr, 0, 0, 0};
    const HANDLE handle = Export<HANDLE(WINAPI*)(tOpenArchiveData*)>("OpenArchive")(&open);
    ASSERT_NE(handle, nullptr);
    tHeaderData header{};
    tHeaderDataEx headerEx{};
    ASSERT_EQ(Export<int(WINAPI*)(HANDLE, tHeaderData*)>("ReadHeader")(handle, &header), 0);
    EXPECT_STREQ(header.FileName, "Pack");
    ASSERT_EQ(Export<int(WINAPI*)(HANDLE, tHeaderDataEx*)>("ReadHeaderEx")(handle, &headerEx), 0);
    EXPECT_STREQ(headerEx.FileName, "Pack\\B.bin");
    EXPECT_EQ(headerEx.UnpSize, 100u);
    Export<int(WINAPI*)(HANDLE)>("CloseArchive")(handle);

    // Sizes past 4 GB in the High fields.
    const auto big = List(
        dir_.Write("big.torrent", fixture::SingleFileTorrent("big.iso", std::int64_t{5} << 32)),
        false);
    ASSERT_EQ(big.size(), 1u);
    EXPECT_EQ(big[0].size, std::uint64_t{5} << 32);
    // The date is the creation date, else the file's last write, as Windows' own local DOS time.
    const auto dosTime = [](std::uint64_t ticks) {
        const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        FILETIME local{};
        WORD date = 0, time = 0;
        FileTimeToLocalFileTime(&utc, &local);
        FileTimeToDosDateTime(&local, &date, &time);
        return static_cast<int>(static_cast<std::uint32_t>(date) << 16 | time);
    };
    constexpr std::uint64_t kEpoch = 116444736000000000;
    const auto dated =
        dir_.Write("dated.torrent",
                   "d13:creation datei1700000001e" + fixture::SingleFileTorrent("x", 1).substr(1));
    EXPECT_EQ(List(dated, false).at(0).time, dosTime(kEpoch + 1700000001ull * 10000000));
    const auto undated = dir_.Write("undated.torrent", fixture::SingleFileTorrent("x", 1));
    const std::uint64_t written = kEpoch + 981173106ull * 10000000;  // 2001-02-03 04:05:06 UTC
    const FILETIME stamp{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    const HANDLE file =
        CreateFileW(undated.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    EXPECT_EQ(List(undated, false).at(0).time, dosTime(written));

    int result = 0;
    EXPECT_TRUE(List(dir_.Write("text.torrent", "hello"), false, &result).empty());
    EXPECT_EQ(result, E_UNKNOWN_FORMAT);
    EXPECT_TRUE(List(dir_.path() / "absent.torrent", false, &result).empty());
    EXPECT_EQ(result, E_EOPEN);
    // Past the viewer's bounds: a path deeper than any file system takes.
    std::string deep;
    for (int i = 0; i < 5000; ++i) {
        deep += "a/";
    }
    EXPECT_TRUE(List(dir_.Write("deep.torrent", fixture::MultiFileTorrent("D", {{deep + "f", 1}})),
                     false, &result)
                    .empty());
    EXPECT_EQ(result, E_BAD_ARCHIVE);
}

// A file is copied out, and tested, only when every piece holding its bytes verifies: for version
// 1 its neighbours' bytes in shared pieces too, for version 2 its own tree. Nothing damaged,
// missing or partial is left at the destination.
TEST_F(Packer, TestsAndExtractsOnlyWhatVerifies) {
    for (const char* kind : {"v1", "v2", "hybrid", "single"}) {
        const fs::path torrent = data_ / (std::string(kind) + ".torrent");
        for (const auto& [name, answer] : Unpack(torrent, PK_TEST)) {
            EXPECT_EQ(answer, 0) << kind << ": " << fs::path(name);
        }
        const fs::path out = dir_.path() / ("whole-" + std::string(kind));
        for (const auto& [name, answer] : Unpack(torrent, PK_EXTRACT, out, CountProgress)) {
            EXPECT_EQ(answer, 0) << kind << ": " << fs::path(name);
            EXPECT_EQ(ReadAll(out / name), ReadAll(data_ / name)) << fs::path(name);
        }
    }
    EXPECT_EQ(progressBytes, 3 * 126522 + 50000);  // each file's bytes once, neighbours' not
    // One byte of d.bin, in a piece it shares with x.bin and c.txt in the version 1 stream; and
    // a.bin, in the pieces of B.bin and x.bin.
    std::string d = ReadAll(data_ / "Pack/sub/deeper/d.bin");
    d[0] ^= 1;
    dir_.Write("data/Pack/sub/deeper/d.bin", d);
    fs::remove(data_ / "Pack/a.bin");
    const std::map<std::wstring, int> v1 =
        Unpack(data_ / "v1.torrent", PK_EXTRACT, dir_.path() / "v1");
    const std::map<std::wstring, int> v2 =
        Unpack(data_ / "v2.torrent", PK_EXTRACT, dir_.path() / "v2");
    EXPECT_EQ(v1, (std::map<std::wstring, int>{{L"Pack\\B.bin", E_BAD_DATA},
                                               {L"Pack\\a.bin", E_EOPEN},
                                               {L"Pack\\b\\x.bin", E_BAD_DATA},
                                               {L"Pack\\empty.txt", 0},
                                               {L"Pack\\sub\\c.txt", E_BAD_DATA},
                                               {L"Pack\\sub\\deeper\\d.bin", E_BAD_DATA},
                                               {L"Pack\\\u00fcn\u00efcode \u2713.txt", 0}}));
    EXPECT_EQ(v2, (std::map<std::wstring, int>{{L"Pack\\B.bin", 0},
                                               {L"Pack\\a.bin", E_EOPEN},
                                               {L"Pack\\b\\x.bin", 0},
                                               {L"Pack\\empty.txt", 0},
                                               {L"Pack\\sub\\c.txt", 0},
                                               {L"Pack\\sub\\deeper\\d.bin", E_BAD_DATA},
                                               {L"Pack\\\u00fcn\u00efcode \u2713.txt", 0}}));
    EXPECT_EQ(FilesIn(dir_.path() / "v1"),
              (std::set<std::wstring>{L"Pack\\empty.txt", L"Pack\\\u00fcn\u00efcode \u2713.txt"}));
    EXPECT_EQ(FilesIn(dir_.path() / "v2"),
              (std::set<std::wstring>{L"Pack\\B.bin", L"Pack\\b\\x.bin", L"Pack\\empty.txt",
                                      L"Pack\\sub\\c.txt", L"Pack\\\u00fcn\u00efcode \u2713.txt"}));
    // No content at all; a file of another size.
    fs::rename(data_ / "Pack", data_ / "Elsewhere");
    for (const auto& [name, answer] : Unpack(data_ / "hybrid.torrent", PK_TEST)) {
        EXPECT_EQ(answer, E_EOPEN) << fs::path(name);
    }
    dir_.Write("data/one.bin", "short");
    EXPECT_EQ(Unpack(data_ / "single.torrent", PK_EXTRACT, dir_.path() / "single"),
              (std::map<std::wstring, int>{{L"one.bin", E_EOPEN}}));
    EXPECT_TRUE(FilesIn(dir_.path() / "single").empty());
}

// Names that would leave the destination are listed under safe names, and never written.
TEST_F(Packer, HostilePathsAreNeverWritten) {
    const fs::path torrent = dir_.Write(
        "hostile.torrent",
        fixture::MultiFileTorrent("H", {{"../escape.txt", 1}, {"CON", 1}, {"a:b", 1}, {"ok", 1}}));
    std::set<std::wstring> names;
    for (const Listed& entry : List(torrent, false)) {
        names.insert(entry.name);
    }
    EXPECT_EQ(names, (std::set<std::wstring>{L"H", L"H\\_.._", L"H\\_.._\\escape.txt", L"H\\_CON",
                                             L"H\\a_b", L"H\\ok"}));
    fs::create_directories(dir_.path() / "H");
    dir_.Write("H/ok", "x");
    const fs::path out = dir_.path() / "out" / "inner";
    const auto answers = Unpack(torrent, PK_EXTRACT, out);
    EXPECT_EQ(answers.at(L"H\\_.._\\escape.txt"), E_ECREATE);
    EXPECT_EQ(answers.at(L"H\\_CON"), E_ECREATE);
    EXPECT_EQ(answers.at(L"H\\a_b"), E_ECREATE);
    EXPECT_EQ(answers.at(L"H\\ok"), E_BAD_DATA);  // its piece hash is made up
    EXPECT_TRUE(FilesIn(dir_.path() / "out").empty());
    // No destination at all writes nothing, not even in the current folder.
    const fs::path here = fs::current_path();
    fs::current_path(dir_.path() / "out");
    std::wstring single = (data_ / "single.torrent").wstring();
    tOpenArchiveDataW open{single.data(), PK_OM_EXTRACT, -1, nullptr, 0, 0, 0};
    const HANDLE handle = Export<HANDLE(WINAPI*)(tOpenArchiveDataW*)>("OpenArchiveW")(&open);
    auto header = std::make_unique<tHeaderDataExW>();
    ASSERT_EQ(Export<int(WINAPI*)(HANDLE, tHeaderDataExW*)>("ReadHeaderExW")(handle, header.get()),
              0);
    EXPECT_EQ(Export<int(WINAPI*)(HANDLE, int, WCHAR*, WCHAR*)>("ProcessFileW")(handle, PK_EXTRACT,
                                                                                nullptr, nullptr),
              E_ECREATE);
    Export<int(WINAPI*)(HANDLE)>("CloseArchive")(handle);
    fs::current_path(here);
    EXPECT_TRUE(FilesIn(dir_.path() / "out").empty());
    // A name longer than the header holds is cut, never past its end, at a whole character.
    const std::string wide = "\xF0\x9F\x98\x80";  // one character of two UTF-16 units
    std::string name;
    while (name.size() < 3000) {
        name += wide;
    }
    const auto long_ =
        List(dir_.Write("long.torrent", fixture::MultiFileTorrent(name, {{"f", 1}})), false);
    ASSERT_EQ(long_.size(), 2u);
    EXPECT_EQ(long_[0].name.size(), 1022u);
    EXPECT_FALSE(IS_HIGH_SURROGATE(long_[0].name.back()));
}

// "Pack files" makes the torrents libtorrent makes of the same files: a folder, a file, several
// entries under the output's stem. Moving is refused and the sources stay.
TEST_F(Packer, PacksAsLibtorrentDoes) {
    const auto expected = [&](const char* name) { return ReadAll(data_ / name); };
    EXPECT_EQ(Pack(dir_.path() / "folder.torrent", data_, PackNames()), 0);
    EXPECT_EQ(HashOf(dir_.path() / "folder.torrent"), expected("pack-folder.hash"));
    EXPECT_EQ(Pack(dir_.path() / "file.torrent", data_, {L"one.bin"}), 0);
    EXPECT_EQ(HashOf(dir_.path() / "file.torrent"), expected("pack-file.hash"));
    std::vector<std::wstring> several = PackNames();
    several.push_back(L"one.bin");
    EXPECT_EQ(Pack(dir_.path() / "Several.torrent", data_, several, PK_PACK_SAVE_PATHS), 0);
    EXPECT_EQ(HashOf(dir_.path() / "Several.torrent"), expected("pack-several.hash"));
    EXPECT_EQ(Pack(dir_.path() / "moved.torrent", data_, {L"one.bin"}, PK_PACK_MOVE_FILES),
              E_NOT_SUPPORTED);
    EXPECT_TRUE(fs::exists(data_ / "one.bin"));
    EXPECT_FALSE(fs::exists(dir_.path() / "moved.torrent"));
    EXPECT_EQ(Pack(dir_.path() / "none.torrent", data_, {L"..\\outside"}), E_EOPEN);
    EXPECT_EQ(Pack(dir_.path() / "none.torrent", data_, {L"absent.bin"}), E_EREAD);
}

// Progress adds up to the bytes; a 0 from it stops the work and leaves no file behind.
TEST_F(Packer, AZeroFromProgressStopsAndLeavesNothing) {
    const fs::path out = dir_.path() / "cancelled";
    progressCallsLeft = 1;
    EXPECT_EQ(Unpack(data_ / "single.torrent", PK_EXTRACT, out, CountProgress),
              (std::map<std::wstring, int>{{L"one.bin", E_EABORTED}}));
    EXPECT_TRUE(FilesIn(out).empty());

    // An ANSI host tests through the ANSI forms, its progress in its own callback.
    std::string name = (data_ / "single.torrent").string();
    tOpenArchiveData open{name.data(), PK_OM_EXTRACT, -1, nullptr, 0, 0, 0};
    const HANDLE handle = Export<HANDLE(WINAPI*)(tOpenArchiveData*)>("OpenArchive")(&open);
    ASSERT_NE(handle, nullptr);
    Export<void(WINAPI*)(HANDLE, tProcessDataProc)>("SetProcessDataProc")(handle,
                                                                          CountProgressAnsi);
    tHeaderData header{};
    progressCallsLeft = INT_MAX;
    progressBytes = 0;
    ASSERT_EQ(Export<int(WINAPI*)(HANDLE, tHeaderData*)>("ReadHeader")(handle, &header), 0);
    EXPECT_EQ(Export<int(WINAPI*)(HANDLE, int, char*, char*)>("ProcessFile")(handle, PK_TEST,
                                                                             nullptr, nullptr),
              0);
    EXPECT_EQ(progressBytes, 50000);
    Export<int(WINAPI*)(HANDLE)>("CloseArchive")(handle);

    const auto setPackProgress =
        Export<void(WINAPI*)(HANDLE, tProcessDataProcW)>("SetProcessDataProcW");
    setPackProgress(INVALID_HANDLE_VALUE, CountProgress);
    progressCallsLeft = INT_MAX;
    progressBytes = 0;
    fs::create_directories(dir_.path() / "packed");
    EXPECT_EQ(Pack(dir_.path() / "packed/all.torrent", data_, PackNames()), 0);
    EXPECT_EQ(progressBytes, 40000 + 5 + 70000 + 16384 + 100 + 33);
    progressCallsLeft = 1;
    EXPECT_EQ(Pack(dir_.path() / "packed/stopped.torrent", data_, PackNames()), E_EABORTED);
    EXPECT_EQ(FilesIn(dir_.path() / "packed"), std::set<std::wstring>{L"all.torrent"});
    setPackProgress(INVALID_HANDLE_VALUE, nullptr);
    // An ANSI host is told the torrent's name in its own code page.
    const auto setPackProgressAnsi =
        Export<void(WINAPI*)(HANDLE, tProcessDataProc)>("SetProcessDataProc");
    setPackProgressAnsi(INVALID_HANDLE_VALUE, CountProgressAnsi);
    progressCallsLeft = INT_MAX;
    const fs::path named = dir_.path() / L"packed/caf\u00e9.torrent";
    EXPECT_EQ(Pack(named, data_, {L"one.bin"}), 0);
    char expected[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, named.c_str(), -1, expected, MAX_PATH, nullptr, nullptr);
    EXPECT_EQ(lastAnsiName, expected);
    setPackProgressAnsi(INVALID_HANDLE_VALUE, nullptr);
}

// Four threads at once, each with its own handle or pack: nothing is shared but the library.
TEST_F(Packer, FourThreadsAtOnce) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (const char* kind : {"v1", "v2", "hybrid"}) {
        threads.emplace_back([&, kind] {
            for (int round = 0; round < 3; ++round) {
                const fs::path out = dir_.path() / (std::string(kind) + std::to_string(round));
                for (const auto& [name, answer] :
                     Unpack(data_ / (std::string(kind) + ".torrent"), PK_EXTRACT, out)) {
                    failures += answer != 0 || ReadAll(out / name) != ReadAll(data_ / name);
                }
            }
        });
    }
    threads.emplace_back([&] {
        for (int round = 0; round < 3; ++round) {
            const fs::path out = dir_.path() / ("packed" + std::to_string(round) + ".torrent");
            failures += Pack(out, data_, PackNames()) != 0 ||
                        HashOf(out) != ReadAll(data_ / "pack-folder.hash");
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
}

// By content alone: a torrent under any name is one, anything else is not.
TEST_F(Packer, DetectsByContentAlone) {
    const auto detect = Export<BOOL(WINAPI*)(WCHAR*)>("CanYouHandleThisFileW");
    const auto asks = [&](const fs::path& file) {
        std::wstring name = file.wstring();
        return detect(name.data()) != FALSE;
    };
    fs::copy_file(data_ / "hybrid.torrent", dir_.path() / "renamed.txt");
    EXPECT_TRUE(asks(data_ / "v1.torrent"));
    EXPECT_TRUE(asks(dir_.path() / "renamed.txt"));
    EXPECT_FALSE(asks(data_ / "one.bin"));
    EXPECT_FALSE(asks(dir_.Write("list.torrent", "l4:infod1:ai1eee")));
    EXPECT_FALSE(asks(dir_.path() / "absent.torrent"));
    EXPECT_FALSE(asks(dir_.path()));
}

// The options dialog stores what every later pack uses, and keeps the viewer's settings.
TEST_F(Packer, OptionsDialogStoresWhatEveryPackUses) {
    std::thread user([] {
        HWND dialog = nullptr;
        for (int wait = 0; wait < 200 && dialog == nullptr; ++wait) {
            Sleep(25);
            dialog =
                FindWindowW(L"#32770", L"Marrowpeek " MARROWPEEK_VERSION_W L": torrent options");
        }
        if (dialog == nullptr) {
            return;
        }
        SendDlgItemMessageW(dialog, IDC_VERSION, CB_SETCURSEL, 1, 0);  // v1
        SetDlgItemTextW(dialog, IDC_TRACKERS,
                        L"http://a.example/announce\r\n\r\nudp://b.example:1");
        SetDlgItemTextW(dialog, IDC_COMMENT, L"Made by a test");
        CheckDlgButton(dialog, IDC_PRIVATE, BST_CHECKED);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Export<void(WINAPI*)(HWND, HINSTANCE)>("ConfigurePacker")(nullptr, module_);
    user.join();
    const std::string ini = ReadAll(library_.parent_path() / "Marrowpeek.ini");
    EXPECT_NE(ini.find("[settings]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Create]\nversion=v1\n"), std::string::npos) << ini;
    ASSERT_EQ(Pack(dir_.path() / "options.torrent", data_, {L"one.bin"}), 0);
    torrent::LoadedTorrent made;
    ASSERT_EQ(torrent::LoadTorrent(dir_.path() / "options.torrent", made),
              torrent::LoadStatus::Ready);
    EXPECT_TRUE(made.info.isPrivate && !made.info.isV2);
    EXPECT_EQ(made.info.comment, "Made by a test");
    EXPECT_EQ(made.info.trackerTiers, (std::vector<std::vector<std::string>>{
                                          {"http://a.example/announce"}, {"udp://b.example:1"}}));
}

}  // namespace
