// Marrowpeek.wdx64 as the file manager uses it, under Wine: the field list, each kind of value,
// full text in small blocks, a slow field put off and stopped, and four threads at once.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "fields/content_abi.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"

namespace {

using GetSupportedField = int(WINAPI*)(int, char*, char*, int);
using GetValueW = int(WINAPI*)(const wchar_t*, int, int, void*, int, int);
using GetValue = int(WINAPI*)(const char*, int, int, void*, int, int);
using StopGetValueW = void(WINAPI*)(const wchar_t*);
using GetDetectString = int(WINAPI*)(char*, int);

// Field numbers, as a user's column set stores them.
enum : int {
    kName,
    kTotalSize,
    kFiles,
    kPieceSize,
    kPieces,
    kVersion,
    kHashV1,
    kHashV2,
    kPrivate,
    kTracker,
    kTrackerHost,
    kTrackers,
    kWebSeeds,
    kCreatedBy,
    kCreationDate,
    kComment,
    kSource,
    kMagnet,
    kContentOnDisk,
    kFileNames
};

class Columns : public testing::Test {
  protected:
    void SetUp() override {
        library_ = LoadLibraryW(_wgetenv(L"MARROWPEEK_COLUMNS"));
        ASSERT_NE(library_, nullptr);
        supported_ = Export<GetSupportedField>("ContentGetSupportedField");
        valueW_ = Export<GetValueW>("ContentGetValueW");
        value_ = Export<GetValue>("ContentGetValue");
        stopW_ = Export<StopGetValueW>("ContentStopGetValueW");
        detect_ = Export<GetDetectString>("ContentGetDetectString");
    }
    void TearDown() override { FreeLibrary(library_); }

    template <typename Function>
    Function Export(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    }
    std::wstring Write(std::string_view name, const std::string& bytes) {
        return dir_.Write(name, bytes).wstring();
    }
    // A field's answer as text: "type:value".
    std::string Value(const std::wstring& file, int field, int unit = 0, int maxlen = 1024,
                      int flags = 0) {
        std::vector<char> value(static_cast<std::size_t>(maxlen) + 8, '\x7f');
        const int type = valueW_(file.c_str(), field, unit, value.data(), maxlen, flags);
        std::string text = std::to_string(type) + ":";
        if (type == ft_numeric_32 || type == ft_boolean) {
            return text + std::to_string(*reinterpret_cast<const std::int32_t*>(value.data()));
        }
        if (type == ft_numeric_64 || type == ft_datetime) {
            return text + std::to_string(*reinterpret_cast<const std::int64_t*>(value.data()));
        }
        if (type == ft_string || type == ft_multiplechoice) {
            return text + value.data();
        }
        if (type == ft_stringw) {
            const auto* wide = reinterpret_cast<const wchar_t*>(value.data());
            return text + std::string(wide, wide + wcslen(wide));
        }
        return text;
    }

    ScratchDirectory dir_;
    HMODULE library_ = nullptr;
    GetSupportedField supported_ = nullptr;
    GetValueW valueW_ = nullptr;
    GetValue value_ = nullptr;
    StopGetValueW stopW_ = nullptr;
    GetDetectString detect_ = nullptr;
};

std::string Files(int count, const std::string& folder = "d") {
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += fixture::Dict({{"length", fixture::Int(1)},
                               {"path", fixture::List({fixture::Str(folder),
                                                       fixture::Str("f" + std::to_string(i))})}});
    }
    return fixture::Dict({{"info", fixture::Dict({{"files", "l" + list + "e"},
                                                  {"name", fixture::Str("Many")},
                                                  {"piece length", fixture::Int(16384)}})}});
}

TEST_F(Columns, FieldListTypesAndUnits) {
    char detect[64] = {};
    detect_(detect, sizeof detect);
    EXPECT_STREQ(detect, "EXT=\"TORRENT\"");
    std::string list;
    for (int i = 0;; ++i) {
        char name[260] = {}, units[260] = {};
        const int type = supported_(i, name, units, 260);
        if (type == ft_nomorefields) {
            break;
        }
        list += std::to_string(type) + " " + name +
                (units[0] ? " [" + std::string(units) + "]" : "") + "\n";
    }
    EXPECT_EQ(
        list,
        "11 Name\n2 Total size [bytes|kbytes|Mbytes|Gbytes]\n1 Files\n1 Piece size\n1 Pieces\n"
        "7 Version [v1|v2|hybrid]\n8 Info hash v1\n8 Info hash v2\n6 Private\n11 Tracker\n"
        "11 Tracker host\n1 Trackers\n1 Web seeds\n11 Created by\n10 Creation date\n"
        "11 Comment\n11 Source\n11 Magnet link\n7 Content on disk [complete|incomplete|missing]\n"
        "9 File names\n");
}

TEST_F(Columns, EveryKindOfValue) {
    const std::wstring file = Write(
        "a.torrent",
        fixture::Dict({{"announce", fixture::Str("http://T.example:80/announce")},
                       {"creation date", fixture::Int(86400)},
                       {"info", fixture::Dict({{"length", fixture::Int(3 << 20)},
                                               {"name", fixture::Str("\xC3\xA9t\xC3\xA9.bin")},
                                               {"piece length", fixture::Int(1 << 20)},
                                               {"pieces", fixture::Str(std::string(60, 'p'))},
                                               {"private", fixture::Int(1)}})}}));
    const std::pair<std::tuple<int, int, int>, std::string> cases[] = {
        {{kName, 0, 1024}, "11:\xE9t\xE9.bin"},
        {{kTotalSize, 0, 8}, "2:3145728"},
        {{kTotalSize, 2, 8}, "2:3"},
        {{kTotalSize, 3, 8}, "2:0"},
        {{kFiles, 0, 4}, "1:1"},
        {{kPieceSize, 0, 4}, "1:1048576"},
        {{kPieces, 0, 4}, "1:3"},
        {{kVersion, 0, 64}, "7:v1"},
        {{kHashV2, 0, 64}, "-3:"},
        {{kPrivate, 0, 4}, "6:1"},
        {{kTrackerHost, 0, 64}, "11:t.example"},
        {{kTrackers, 0, 4}, "1:1"},
        {{kWebSeeds, 0, 4}, "1:0"},
        {{kCreatedBy, 0, 64}, "-3:"},
        {{kCreationDate, 0, 8}, "10:116445600000000000"},
        {{kContentOnDisk, 0, 64}, "7:missing"},
        {{kFileNames + 1, 0, 64}, "-1:"}};
    for (const auto& [request, expected] : cases) {
        const auto [field, unit, maxlen] = request;
        EXPECT_EQ(Value(file, field, unit, maxlen), expected) << field;
    }
    EXPECT_EQ(Value(file, kHashV1).size(), 2u + 40u);
    // A magnet link too long for its place comes without trackers, never cut.
    const std::string whole = Value(file, kMagnet);
    EXPECT_NE(whole.find("&tr="), std::string::npos);
    const std::string bare = Value(file, kMagnet, 0, static_cast<int>(whole.size() * 2 - 30));
    EXPECT_EQ(bare, whole.substr(0, whole.find("&tr=")));
    EXPECT_EQ(Value(file, kMagnet, 0, 20), "-3:");
    // The ANSI function answers ANSI text.
    char narrow[64] = {};
    EXPECT_EQ(value_("Z:\\nowhere.torrent", kName, 0, narrow, 64, 0), ft_fileerror);
    const std::string ansiPath(file.begin(), file.end());
    EXPECT_EQ(value_(ansiPath.c_str(), kTrackerHost, 0, narrow, 64, 0), ft_string);
    EXPECT_STREQ(narrow, "t.example");
    EXPECT_EQ(Value(Write("bad.torrent", "d4:infoi1ee"), kName), "-2:");
    // Content beside the torrent, by its size; a refresh drops what was kept.
    const auto content = dir_.path() / std::filesystem::path(L"\u00e9t\u00e9.bin");
    std::ofstream(content, std::ios::binary) << std::string(3, 'x');
    EXPECT_EQ(Value(file, kContentOnDisk, 0, 64), "7:incomplete");
    std::filesystem::resize_file(content, 3 << 20);
    EXPECT_EQ(Value(file, kContentOnDisk, 0, 64), "7:complete");
}

TEST_F(Columns, FullTextInSmallBlocksAndSlowFields) {
    const std::wstring file = Write("many.torrent", Files(150));
    // Read as the file manager reads it, Unicode and ANSI: block k at k(maxlen - 1) bytes until
    // the field is empty. Blocks of ASCII overlap by one character.
    std::wstring expected;
    for (int i = 0; i < 150; ++i) {
        expected += L"d\\f" + std::to_wstring(i) + L"\r\n";
    }
    std::wstring text;
    for (int offset = 0;; offset += 15) {
        wchar_t block[8] = {};
        const int type = valueW_(file.c_str(), kFileNames, offset, block, sizeof block, 0);
        if (type != ft_fulltextw) {
            EXPECT_EQ(type, ft_fieldempty);
            break;
        }
        text += std::wstring(block).substr(text.empty() ? 0 : 1);
    }
    EXPECT_EQ(text, expected);
    const std::string ansiFile(file.begin(), file.end());
    std::string narrowText;
    for (int offset = 0;; offset += 7) {
        char block[8] = {};
        const int type = value_(ansiFile.c_str(), kFileNames, offset, block, sizeof block, 0);
        if (type != ft_fulltext) {
            EXPECT_EQ(type, ft_fieldempty);
            break;
        }
        narrowText += std::string(block).substr(narrowText.empty() ? 0 : 1);
    }
    EXPECT_EQ(narrowText, std::string(expected.begin(), expected.end()));
    wchar_t block[8] = {};
    EXPECT_EQ(valueW_(file.c_str(), kFileNames, -1, block, sizeof block, 0), ft_fieldempty);
    // With more than 100 files, "Content on disk" waits for the background thread.
    char choice[64] = {};
    EXPECT_EQ(valueW_(file.c_str(), kContentOnDisk, 0, choice, 64, CONTENT_DELAYIFSLOW),
              ft_delayed);
    EXPECT_EQ(valueW_(file.c_str(), kContentOnDisk, 0, choice, 64, 0), ft_multiplechoice);
    EXPECT_STREQ(choice, "missing");
}

TEST_F(Columns, AStopEndsASlowFieldAndThreadsShareTheCache) {
    // Its folder is there, its files are not: each is looked for.
    const std::wstring slow = Write("slow.torrent", Files(100000));
    std::filesystem::create_directories(dir_.path() / "Many" / "d");
    std::atomic<int> answer{1};
    std::thread background([&] {
        char choice[64] = {};
        answer = valueW_(slow.c_str(), kContentOnDisk, 0, choice, 64, 0);
    });
    while (answer == 1) {
        stopW_(slow.c_str());
        Sleep(5);
    }
    background.join();
    EXPECT_EQ(answer, ft_fieldempty);
    // Four threads, every field of four files at once, each answer as one thread alone gets it.
    std::vector<std::wstring> files;
    for (int i = 0; i < 4; ++i) {
        files.push_back(
            Write("t" + std::to_string(i) + ".torrent", Files(10 + i, "f" + std::to_string(i))));
    }
    std::vector<std::string> alone;
    for (const std::wstring& file : files) {
        for (int field = 0; field < kFileNames; ++field) {
            alone.push_back(Value(file, field));
        }
    }
    std::atomic<int> differing{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                for (std::size_t f = 0; f < files.size(); ++f) {
                    const std::size_t file = (f + static_cast<std::size_t>(t)) % files.size();
                    for (int field = 0; field < kFileNames; ++field) {
                        if (Value(files[file], field) !=
                            alone[file * kFileNames + static_cast<std::size_t>(field)]) {
                            ++differing;
                        }
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
