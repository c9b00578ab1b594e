// Marrowpeek.dll as the file manager uses it, under Wine, with the test runtime standing in for
// WebView2. Every test runs in a process of its own (see CMakeLists.txt): the library's
// environment and parked view live as long as the process.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "settings/config_files.h"
#include "settings/settings.h"
#include "tests/bencode_builder.h"
#include "tests/debug_output_capture.h"
#include "tests/plugin_host.h"
#include "torrent/payload.h"
#include "webhost/webview2.h"

namespace {

constexpr const char* kStartPage = "https://marrowpeek.invalid/index.html";

std::string Journal(TestRuntime& runtime) {
    std::string text;
    for (const std::string& line : runtime.Journal()) {
        text += line + "\n";
    }
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::string Torrent(std::string_view name) {
    return fixture::SingleFileTorrent(name, 1000);
}

class Plugin : public testing::Test {
  protected:
    std::filesystem::path Good(std::string_view name = "a.torrent") {
        return host_.WriteFile(name, Torrent(name));
    }
    // The document the library serves for a file, as the payload preparation makes it.
    std::string DocumentsOf(const std::filesystem::path& file, int flags,
                            std::string WebViewState::*field) {
        UseConfigFolder(host_.pluginFolder());
        WebViewState state;
        EXPECT_TRUE(LoadTorrentPayload(state, file, static_cast<std::uint32_t>(flags)));
        return state.*field;
    }
    PluginHost host_;
};

TEST_F(Plugin, DetectStringIsCutLikeLstrcpyn) {
    host_.Load();
    char buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    host_.listDetect(buffer, 10);
    EXPECT_STREQ(buffer, "EXT=\"TORR");
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    host_.listDetect(buffer, 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    host_.listDetect(buffer, 0);
    EXPECT_EQ(buffer[0], 'x');
    host_.listDetect(buffer, 64);
    EXPECT_STREQ(buffer, "EXT=\"TORRENT\" & [0]=\"d\"");
    host_.listDefaults(nullptr);
}

TEST_F(Plugin, RefusedFilesLeaveNoWindow) {
    EXPECT_EQ(host_.Open(host_.WriteFile("empty.torrent", "")), nullptr);
    EXPECT_EQ(host_.Open(host_.pluginFolder() / "missing.torrent"), nullptr);
    EXPECT_EQ(host_.Open(host_.WriteFile("bad.torrent", "d4:infoi1ee")), nullptr);
    EXPECT_EQ(GetWindow(host_.lister(), GW_CHILD), nullptr);
    EXPECT_TRUE(host_.runtime().EnvironmentCalls().empty());
}

TEST_F(Plugin, NewViewShowsTheLabelAndNavigatesOnceItsControllerArrives) {
    const HWND window = host_.Open(Good());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), host_.lister());
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_POPUP),
              WS_CHILD | WS_VISIBLE);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);

    const auto labels = LabelsOf(window);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(TextOf(labels[0]), L"Loading torrent...");
    const RECT label = PlacementInParent(labels[0]);
    EXPECT_EQ(label.left, 0);
    EXPECT_EQ(label.top, 288);
    EXPECT_EQ(label.right, 800);
    EXPECT_EQ(label.bottom, 312);
    EXPECT_TRUE(GetWindowLongW(labels[0], GWL_STYLE) & SS_CENTER);

    const auto calls = host_.runtime().EnvironmentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].runtimeKind, 1u);
    EXPECT_EQ(calls[0].userDataFolder, (host_.pluginFolder() / L"webview2_data").wstring());
    EXPECT_FALSE(calls[0].hadOptions);

    EXPECT_EQ(host_.runtime().Journal(),
              (std::vector<std::string>{
                  "CreateCoreWebView2Controller c1 parent " + HandleText(window),
                  "c1 put_Bounds 0 0 800 600",
                  "c1 add_AcceleratorKeyPressed",
                  "c1 AddWebResourceRequestedFilterWithRequestSourceKinds "
                  "https://marrowpeek.invalid/* 0 1",
                  "c1 add_WebResourceRequested",
                  std::string("c1 Navigate ") + kStartPage,
                  "c1 add_NavigationCompleted",
                  "c1 add_WebMessageReceived",
              }));
}

TEST_F(Plugin, LabelSitsHalfItsHeightAboveTheMiddle) {
    host_.Load();
    const HWND low = host_.NewLister(300, 24);
    const HWND flat = host_.NewLister(300, 0);
    const HWND first = host_.Open(Good(), 0, low);
    const HWND second = host_.Open(Good("b.torrent"), 0, flat);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(PlacementInParent(LabelsOf(first)[0]).top, 0);
    EXPECT_EQ(PlacementInParent(LabelsOf(second)[0]).top, -12);
}

TEST_F(Plugin, RuntimeThatCannotBeFoundSaysSo) {
    ScopedVariable nowhere(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                           (host_.pluginFolder() / L"no-runtime").c_str());
    const HWND window = host_.Open(Good());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(LabelsOf(window)[0]), L"WebView2 Runtime not installed.");

    // The next view asks again, and this time the runtime is there.
    ScopedVariable found(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", host_.runtimeCopy().folder.c_str());
    const HWND next = host_.Open(Good("b.torrent"));
    EXPECT_EQ(host_.runtime().ControllerCount(), 1);
    EXPECT_EQ(TextOf(LabelsOf(next)[0]), L"Loading torrent...");
}

TEST_F(Plugin, EnvironmentThatFailsLateSaysSoForEveryWaitingView) {
    host_.runtime().FailEnvironment(E_FAIL, true, 2);
    host_.runtime().HoldCompletions(true);
    const HWND first = host_.Open(Good());
    const HWND second = host_.Open(Good("b.torrent"));
    host_.runtime().ReleaseCompletions();
    PumpMessages();
    host_.runtime().ReleaseCompletions();
    PumpMessages();
    const std::wstring text =
        L"WebView2 Runtime not installed.\nInstall the Microsoft Edge WebView2 Runtime to view "
        L"torrents.";
    EXPECT_EQ(TextOf(LabelsOf(first)[0]), text);
    EXPECT_EQ(TextOf(LabelsOf(second)[0]), text);
    EXPECT_EQ(host_.runtime().ControllerCount(), 0);
}

TEST_F(Plugin, ControllerFailuresLeaveOrSetTheLabel) {
    host_.runtime().FailController(E_ACCESSDENIED, false, 1);
    const HWND refused = host_.Open(Good());
    EXPECT_EQ(TextOf(LabelsOf(refused)[0]), L"Loading torrent...");
    host_.runtime().FailController(E_FAIL, true, 1);
    const HWND failed = host_.Open(Good("b.torrent"));
    EXPECT_EQ(TextOf(LabelsOf(failed)[0]), L"WebView2 failed to start.");
    // Views without a controller are destroyed, never parked.
    host_.Close(failed);
    host_.Close(refused);
    EXPECT_EQ(FindWindowW(L"Marrowpeek_WLX_Window", L"Marrowpeek_Parked"), nullptr);
}

TEST_F(Plugin, ViewsOpenedBeforeTheEnvironmentShareItsRequestInOrder) {
    host_.runtime().HoldCompletions(true);
    const HWND first = host_.Open(Good());
    const HWND second = host_.Open(Good("b.torrent"));
    EXPECT_EQ(host_.runtime().EnvironmentCalls().size(), 1u);
    host_.runtime().HoldCompletions(false);
    host_.runtime().ReleaseCompletions();
    PumpMessages();
    const std::string journal = Journal(host_.runtime());
    EXPECT_LT(journal.find("c1 parent " + HandleText(first)),
              journal.find("c2 parent " + HandleText(second)));
    EXPECT_EQ(host_.runtime().ControllerCount(), 2);
    EXPECT_EQ(host_.runtime().EnvironmentCalls().size(), 1u);
}

TEST_F(Plugin, ClosedViewsGetNothingFromCompletionsStillOnTheirWay) {
    host_.runtime().HoldCompletions(true);
    const HWND waiting = host_.Open(Good());
    const HWND staying = host_.Open(Good("b.torrent"));
    host_.Close(waiting);
    host_.runtime().ReleaseCompletions();  // the environment
    PumpMessages();
    std::string journal = Journal(host_.runtime());
    EXPECT_EQ(Count(journal, "CreateCoreWebView2Controller"), 1u);
    EXPECT_TRUE(Contains(journal, "parent " + HandleText(staying)));

    // Closed between the controller request and its completion: the late controller is closed.
    host_.Close(staying);
    host_.runtime().ReleaseCompletions();
    PumpMessages();
    journal = Journal(host_.runtime());
    EXPECT_TRUE(Contains(journal, "c1 Close"));
    EXPECT_FALSE(Contains(journal, "c1 Navigate"));
    EXPECT_FALSE(IsWindow(staying));
}

TEST_F(Plugin, OlderRuntimeGetsThePlainFilter) {
    host_.runtime().OfferWebView22(false);
    host_.Open(Good());
    EXPECT_TRUE(Contains(Journal(host_.runtime()),
                         "c1 AddWebResourceRequestedFilter https://marrowpeek.invalid/* 0\n"));
}

TEST_F(Plugin, NextFileShowsTheLabelHidesTheViewAndNavigatesWithItsDarkMode) {
    const HWND window = host_.Open(Good(), 0x80);
    host_.runtime().CompleteNavigation(1, true);
    const HWND label = LabelsOf(window)[0];
    EXPECT_FALSE(IsWindowVisible(label));
    SetWindowTextW(label, L"something else");

    EXPECT_EQ(host_.OpenNext(window, Good("b.torrent"), 0), 0);
    EXPECT_TRUE(IsWindowVisible(label));
    EXPECT_EQ(TextOf(label), L"Loading torrent...");
    const std::string journal = Journal(host_.runtime());
    EXPECT_TRUE(Contains(journal, std::string("c1 Navigate ") + kStartPage + "?dark=1\n"));
    EXPECT_TRUE(
        Contains(journal, "c1 put_IsVisible 0\nc1 Navigate " + std::string(kStartPage) + "\n"));

    EXPECT_EQ(host_.OpenNext(window, host_.WriteFile("bad.torrent", "nope"), 0), 1);
    EXPECT_EQ(host_.OpenNext(host_.lister(), Good("c.torrent"), 0), 1);
}

TEST_F(Plugin, EveryAddressOfTheOriginIsAnsweredFromMemory) {
    const auto file = Good();
    const HWND window = host_.Open(file);
    ASSERT_NE(window, nullptr);
    const std::string data = DocumentsOf(file, 0, &WebViewState::dataJson);
    const std::string config = DocumentsOf(file, 0, &WebViewState::configJson);
    const std::string css = DocumentsOf(file, 0, &WebViewState::themeCss);
    std::ifstream pageFile(_wgetenv(L"MARROWPEEK_PAGE_HTML"), std::ios::binary);
    const std::string page(std::istreambuf_iterator<char>(pageFile), {});
    ASSERT_FALSE(page.empty());

    struct Case {
        const wchar_t* address;
        const std::string* body;
        const wchar_t* type;
    };
    const wchar_t* json = L"application/json; charset=utf-8";
    const wchar_t* html = L"text/html; charset=utf-8";
    const Case cases[] = {
        {L"https://marrowpeek.invalid/data.json", &data, json},
        {L"https://marrowpeek.invalid/data.json?t=1", &data, json},
        {L"https://marrowpeek.invalid/theme.css?x=/data.json", &data, json},
        {L"https://marrowpeek.invalid/config.json", &config, json},
        {L"https://marrowpeek.invalid/theme.css", &css, L"text/css; charset=utf-8"},
        {L"https://marrowpeek.invalid/DATA.JSON", &page, html},
        {L"https://marrowpeek.invalid/index.html?dark=1", &page, html},
        {L"https://marrowpeek.invalid/favicon.ico", &page, html},
    };
    for (const Case& c : cases) {
        const ResourceReply reply = host_.runtime().RaiseResourceRequest(1, c.address);
        ASSERT_TRUE(reply.answered);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.reason, L"OK");
        EXPECT_EQ(reply.headers, std::wstring(L"Content-Type: ") + c.type +
                                     L"\r\nCache-Control: no-store, no-cache, must-revalidate");
        EXPECT_EQ(reply.body, *c.body);
    }

    const auto next = host_.WriteFile("next.torrent", fixture::SingleFileTorrent("next", 77));
    ASSERT_EQ(host_.OpenNext(window, next), 0);
    EXPECT_EQ(host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/data.json").body,
              DocumentsOf(next, 0, &WebViewState::dataJson));
}

TEST_F(Plugin, SettingChangesArePersistedAndThemeChangesAnswered) {
    host_.Open(Good());
    const auto ini = host_.pluginFolder() / kSettingsFileName;
    EXPECT_TRUE(host_.runtime().RaiseWebMessage(
        1, L"\"...\"", std::wstring(LR"({"set":"fontsize","value":"17"})")));
    EXPECT_EQ(ReadSettings(host_.pluginFolder()).fontsize, 17);
    EXPECT_FALSE(Contains(Journal(host_.runtime()), "PostWebMessageAsJson"));

    host_.runtime().RaiseWebMessage(1, L"\"...\"",
                                    std::wstring(LR"({"set":"cachepath","value":"D:\\wv\\data"})"));
    EXPECT_EQ(ReadSettings(host_.pluginFolder()).cachepath, "D:\\wv\\data");

    host_.runtime().RaiseWebMessage(1, L"\"...\"",
                                    std::wstring(LR"({"set":"theme","value":"Night Owl"})"));
    EXPECT_EQ(ReadSettings(host_.pluginFolder()).theme, "Night Owl");
    EXPECT_TRUE(Contains(Journal(host_.runtime()), "c1 PostWebMessageAsJson {\"css\":\":root{"));
    // The style sheet served from now on is the new one.
    const std::string css =
        host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/theme.css").body;
    EXPECT_TRUE(Contains(Journal(host_.runtime()), css.substr(0, 40)));

    const std::string before = ReadAll(ini);
    host_.runtime().RaiseWebMessage(1, LR"({"set":"theme","value":"Light"})", std::nullopt);
    host_.runtime().RaiseWebMessage(1, L"\"...\"",
                                    std::wstring(LR"({"set":"theme","value":"perf"})"));
    EXPECT_EQ(ReadAll(ini), before);
}

TEST_F(Plugin, TimingReportsAreIgnoredWithoutTracing) {
    host_.Open(Good());
    DebugOutputCapture output;
    host_.runtime().RaiseWebMessage(
        1, L"\"...\"", std::wstring(LR"({"perf":"1","label":"renderMeta","ms":"1.250"})"));
    EXPECT_EQ(output.Take(), "");
}

TEST_F(Plugin, NavigationCompletionSwapsTheLabelForTheViewEvenWhenItFailed) {
    const HWND window = host_.Open(Good());
    const HWND label = LabelsOf(window)[0];
    EXPECT_TRUE(IsWindowVisible(label));
    host_.runtime().CompleteNavigation(1, false);
    EXPECT_FALSE(IsWindowVisible(label));
    EXPECT_TRUE(Contains(Journal(host_.runtime()), "c1 put_IsVisible 1\n"));
}

TEST_F(Plugin, EscapeGoesToTheListerWindowOnce) {
    host_.Open(Good());
    EXPECT_TRUE(host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN,
                                                    VK_ESCAPE, 0x00010001));
    EXPECT_EQ(host_.TakeListerKeys(), (std::vector<std::pair<WPARAM, LPARAM>>{{27, 0}}));
    EXPECT_TRUE(host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN,
                                                    VK_ESCAPE, 0x20010001));
    EXPECT_EQ(host_.TakeListerKeys().size(), 1u);

    EXPECT_FALSE(
        host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP, VK_ESCAPE, 0));
    EXPECT_FALSE(
        host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_F5, 0));
    EXPECT_TRUE(host_.TakeListerKeys().empty());
}

TEST_F(Plugin, ResizeAndFocusReachTheController) {
    const HWND window = host_.Open(Good());
    SetWindowPos(window, nullptr, 0, 0, 500, 100, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    const std::string journal = Journal(host_.runtime());
    EXPECT_TRUE(Contains(journal, "c1 put_Bounds 0 0 500 100\n"));
    const RECT label = PlacementInParent(LabelsOf(window)[0]);
    EXPECT_EQ(label.top, 38);
    EXPECT_EQ(label.right, 500);
    SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(Contains(Journal(host_.runtime()), "c1 MoveFocus 0\n"));
}

TEST_F(Plugin, ForeignWindowsAndNullHandlesAreHandledQuietly) {
    host_.Load();
    const HWND stray = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, host_.lister(),
                                       nullptr, nullptr, nullptr);
    host_.Close(stray);
    EXPECT_FALSE(IsWindow(stray));
    host_.Close(nullptr);
    EXPECT_EQ(host_.listLoad(host_.lister(), nullptr, 0), nullptr);
}

TEST_F(Plugin, FirstClosedViewIsParkedAndTheNextDestroyed) {
    const HWND first = host_.Open(Good());
    const HWND second = host_.Open(Good("b.torrent"));
    host_.Close(first);
    const HWND parking = FindWindowW(L"Marrowpeek_WLX_Window", L"Marrowpeek_Parked");
    ASSERT_NE(parking, nullptr);
    EXPECT_FALSE(IsWindowVisible(parking));
    EXPECT_EQ(GetWindowLongW(parking, GWL_STYLE) & WS_POPUP, WS_POPUP);
    EXPECT_FALSE(IsWindow(first));
    std::string journal = Journal(host_.runtime());
    EXPECT_TRUE(Contains(journal, "c1 put_IsVisible 0\nc1 put_ParentWindow " + HandleText(parking) +
                                      "\nc1 put_Bounds 0 0 1 1\n"));
    EXPECT_FALSE(Contains(journal, "c1 Close"));

    host_.Close(second);
    journal = Journal(host_.runtime());
    EXPECT_TRUE(Contains(journal, "c2 Close"));
    EXPECT_FALSE(IsWindow(second));
}

TEST_F(Plugin, ParkedViewIsReusedInPlaceWithoutNavigation) {
    const HWND first = host_.Open(Good());
    host_.Close(first);
    const HWND parking = FindWindowW(L"Marrowpeek_WLX_Window", L"Marrowpeek_Parked");

    // A file that cannot be shown leaves it parked.
    EXPECT_EQ(host_.Open(host_.WriteFile("bad.torrent", "x")), nullptr);

    const std::size_t before = host_.runtime().Journal().size();
    const HWND lister = host_.NewLister(640, 480);
    const auto next = host_.WriteFile("next.torrent", fixture::SingleFileTorrent("next", 5));
    const HWND reused = host_.Open(next, 0, lister);
    ASSERT_NE(reused, nullptr);
    EXPECT_TRUE(LabelsOf(reused).empty());
    const auto journal = host_.runtime().Journal();
    EXPECT_EQ(std::vector<std::string>(journal.begin() + static_cast<long>(before), journal.end()),
              (std::vector<std::string>{
                  "c1 put_ParentWindow " + HandleText(reused),
                  "c1 put_Bounds 0 0 640 480",
                  "c1 put_IsVisible 1",
                  "c1 PostWebMessageAsJson {\"reload\":true}",
              }));
    EXPECT_EQ(host_.runtime().ControllerCount(), 1);
    EXPECT_EQ(host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/data.json").body,
              DocumentsOf(next, 0, &WebViewState::dataJson));

    // Escape from the reused view reaches its new Lister window.
    host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_ESCAPE, 0);
    EXPECT_EQ(host_.TakeListerKeys(lister).size(), 1u);

    // Without a label the next file only hides the view until its page has loaded.
    EXPECT_EQ(host_.OpenNext(reused, Good("c.torrent")), 0);
    EXPECT_TRUE(LabelsOf(reused).empty());

    host_.Close(reused);
    EXPECT_EQ(FindWindowW(L"Marrowpeek_WLX_Window", L"Marrowpeek_Parked"), parking);
    EXPECT_FALSE(Contains(Journal(host_.runtime()), "c1 Close"));
    EXPECT_EQ(
        host_.runtime().RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_ESCAPE, 0),
        true);
    EXPECT_TRUE(host_.TakeListerKeys(lister).empty());
}

class PluginTracing : public Plugin {
  protected:
    ScopedVariable tracing_{L"MARROWPEEK_PERF", L"0"};
};

// The labels of the timing lines, in order.
std::vector<std::string> TimingLabels(const std::string& output) {
    std::vector<std::string> labels;
    const std::string prefix = "[Marrowpeek] ";
    for (std::size_t at = output.find(prefix); at != std::string::npos;
         at = output.find(prefix, at + 1)) {
        const std::size_t start = at + prefix.size();
        labels.push_back(output.substr(start, output.find(": ", start) - start));
    }
    return labels;
}

TEST_F(PluginTracing, TimingLinesFollowTheViewsStages) {
    DebugOutputCapture output;
    const HWND first = host_.Open(Good());
    host_.runtime().CompleteNavigation(1, true);
    const HWND second = host_.Open(Good("b.torrent"));
    host_.Close(first);
    host_.Close(second);
    host_.Open(Good("c.torrent"));
    host_.runtime().RaiseWebMessage(
        1, L"\"...\"", std::wstring(LR"({"perf":"1","label":"renderMeta","ms":"1.250"})"));
    const std::string text = output.Take();
    const std::vector<std::string> payload = {"ReadFileBytes",     "torrent::extract",
                                              "infohash",          "torrent::toJson",
                                              "FillConfigPayload", "LoadTorrentPayload total"};
    std::vector<std::string> expected = payload;
    expected.insert(expected.end(),
                    {"CreateCoreWebView2Environment callback",
                     "CreateCoreWebView2Controller callback", "NavigationCompleted"});
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.insert(expected.end(), {"WebView2Environment cached",
                                     "CreateCoreWebView2Controller callback", "Controller parked"});
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.insert(expected.end(), {"Parked controller reused", "frontend renderMeta"});
    EXPECT_EQ(TimingLabels(text), expected);
    EXPECT_TRUE(Contains(text, "[Marrowpeek] Controller parked: 0.000 ms\n"));
    EXPECT_TRUE(Contains(text, "[Marrowpeek] frontend renderMeta: 1.250 ms\n"));
}

TEST_F(Plugin, LibraryNamesItselfExportsTheFiveAndImportsOnlyWindows) {
    std::ifstream in(BuiltPlugin(), std::ios::binary);
    const std::string image(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(image.size(), 4096u);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    const auto at = [&](DWORD rva) -> const char* {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& section = sections[i];
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.Misc.VirtualSize) {
                return image.data() + section.PointerToRawData + (rva - section.VirtualAddress);
            }
        }
        return nullptr;
    };

    const auto& exportEntry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(at(exportEntry.VirtualAddress));
    ASSERT_NE(exports, nullptr);
    EXPECT_STREQ(at(exports->Name), "Marrowpeek.dll");
    std::vector<std::string> names;
    const auto* nameTable = reinterpret_cast<const DWORD*>(at(exports->AddressOfNames));
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        names.emplace_back(at(nameTable[i]));
    }
    EXPECT_EQ(exports->NumberOfFunctions, 5u);
    EXPECT_EQ(names,
              (std::vector<std::string>{"ListCloseWindow", "ListGetDetectString", "ListLoadNextW",
                                        "ListLoadW", "ListSetDefaultParams"}));

    const std::vector<std::string> system = {"advapi32.dll", "bcrypt.dll", "kernel32.dll",
                                             "msvcrt.dll",   "ole32.dll",  "shell32.dll",
                                             "shlwapi.dll",  "user32.dll"};
    const auto& importEntry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const auto* imports =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(importEntry.VirtualAddress));
    ASSERT_NE(imports, nullptr);
    int count = 0;
    for (; imports->Name != 0; ++imports, ++count) {
        std::string name = at(imports->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
