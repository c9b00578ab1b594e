// Marrowpeek.dll as the file manager uses it, under Wine, with the test runtime standing in for
// WebView2. Every test runs in a process of its own (see CMakeLists.txt): the library's
// environment and parked view live as long as the process.

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/bencode_builder.h"
#include "tests/plugin_host.h"
#include "view/resource_routing.h"
#include "webview2/webview2.h"

namespace {

constexpr const char* kStartPage = "https://marrowpeek.invalid/index.html";
constexpr const wchar_t* kParkedTitle = L"Marrowpeek_Parked";
constexpr const wchar_t* kClass = L"Marrowpeek_WLX_Window";

// This process's parking window: tests run side by side, each with its own library and windows.
HWND ParkingWindow() {
    for (HWND window = FindWindowExW(nullptr, nullptr, kClass, kParkedTitle); window != nullptr;
         window = FindWindowExW(nullptr, window, kClass, kParkedTitle)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) {
            return window;
        }
    }
    return nullptr;
}

bool Contains(const std::vector<std::string>& journal, const std::string& part) {
    std::string text;
    for (const std::string& line : journal) {
        text += line + "\n";
    }
    return text.find(part) != std::string::npos;
}

class Plugin : public testing::Test {
  protected:
    std::filesystem::path Good(std::string_view name = "a.torrent") {
        return host_.WriteFile(name, fixture::SingleFileTorrent(name, 1000));
    }
    std::vector<std::string> Journal() { return host_.runtime().Journal(); }
    std::wstring Label(HWND window) { return TextOf(LabelOf(window)); }
    bool KeyDown(UINT key, INT32 kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, INT32 lParam = 0) {
        return host_.runtime().RaiseAcceleratorKey(1, kind, key, lParam);
    }
    bool PageSays(const wchar_t* message) { return host_.runtime().RaiseWebMessage(1, message); }
    PluginHost host_;
};

TEST_F(Plugin, DetectStringAndRefusedFiles) {
    host_.Load();
    char buffer[64] = "untouched";
    host_.listDetect(buffer, 10);
    EXPECT_STREQ(buffer, "EXT=\"TORR");
    host_.listDetect(buffer, 64);
    EXPECT_STREQ(buffer, "EXT=\"TORRENT\" & [0]=\"d\"");
    host_.listDefaults(nullptr);
    for (const auto& file : {host_.WriteFile("empty.torrent", ""), host_.pluginFolder() / "none",
                             host_.WriteFile("bad.torrent", "d4:infoi1ee")}) {
        EXPECT_EQ(host_.Open(file), nullptr);
    }
    EXPECT_EQ(host_.listLoad(host_.lister(), nullptr, 0), nullptr);
    EXPECT_EQ(GetWindow(host_.lister(), GW_CHILD), nullptr);
    EXPECT_TRUE(host_.runtime().EnvironmentCalls().empty());
}

// The thumbnail: a card inside the box asked for, four by three and never padded, drawn in the
// theme's colours with the content's kinds along its foot; nothing for what is no torrent.
TEST_F(Plugin, ThumbnailIsACardDrawnInsideTheBox) {
    host_.Load();
    const auto torrent = host_.WriteFile(
        "show.torrent", fixture::MultiFileTorrent("Show", {{"a.mkv", 90000}, {"b.mp3", 10000}}));
    const HBITMAP bitmap = host_.listPreview(torrent.c_str(), 200, 300, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    BITMAP shape{};
    ASSERT_NE(GetObjectW(bitmap, sizeof(shape), &shape), 0);
    EXPECT_EQ(shape.bmWidth, 200);
    EXPECT_EQ(shape.bmHeight, 150);
    // Its pixels, top row first: the Light theme's background inside the border, the video
    // colour at the left of the bar and the audio colour at its right.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -150, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(200 * 150);
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, bitmap, 0, 150, pixels.data(), &info, DIB_RGB_COLORS), 150);
    ReleaseDC(nullptr, screen);
    const auto at = [&](int x, int y) {
        return pixels[static_cast<std::size_t>(y * 200 + x)] & 0xFFFFFF;
    };
    EXPECT_EQ(at(3, 3), 0xFFFFFFu);
    EXPECT_EQ(at(20, 150 - 14), 0x3B82F6u);
    EXPECT_EQ(at(200 - 14, 150 - 14), 0x16A34Au);
    DeleteObject(bitmap);  // the host's to delete

    const std::string ansi = torrent.string();
    const HBITMAP small = host_.listPreviewAnsi(ansi.c_str(), 64, 16, nullptr, 0);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(GetObjectW(small, sizeof(shape), &shape), 0);
    EXPECT_EQ(shape.bmWidth, 21);
    EXPECT_EQ(shape.bmHeight, 16);
    DeleteObject(small);
    EXPECT_EQ(
        host_.listPreview(host_.WriteFile("text.torrent", "hello").c_str(), 100, 100, nullptr, 0),
        nullptr);
    EXPECT_EQ(host_.listPreview(torrent.c_str(), 0, 100, nullptr, 0), nullptr);
}

TEST_F(Plugin, NewViewShowsTheLabelAndNavigatesOnceItsControllerArrives) {
    const HWND window = host_.Open(Good(), 0x80);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), host_.lister());
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(Label(window), L"Loading torrent...");
    const auto calls = host_.runtime().EnvironmentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].userDataFolder, (host_.pluginFolder() / L"webview2_data").wstring());
    EXPECT_EQ(Journal(),
              (std::vector<std::string>{
                  "CreateCoreWebView2Controller c1 parent " + HandleText(window),
                  "c1 put_Bounds 0 0 800 600", "c1 add_GotFocus", "c1 add_AcceleratorKeyPressed",
                  "c1 put_IsZoomControlEnabled 0", "c1 put_AreBrowserAcceleratorKeysEnabled 0",
                  "c1 AddWebResourceRequestedFilterWithRequestSourceKinds "
                  "https://marrowpeek.invalid/* 0 1",
                  "c1 add_WebResourceRequested",
                  // The dark theme's background until the page paints.
                  "c1 put_DefaultBackgroundColor 255 30 30 30",
                  std::string("c1 Navigate ") + kStartPage + "?dark=1",
                  "c1 add_NavigationCompleted", "c1 add_WebMessageReceived"}));
    // Every navigation's completion, failed ones too, swaps the label for the web view.
    host_.runtime().CompleteNavigation(1);
    EXPECT_FALSE(IsWindowVisible(LabelOf(window)));
    EXPECT_EQ(Journal().back(), "c1 put_IsVisible 1");
}

TEST_F(Plugin, RuntimeAndControllerFailuresShowInTheLabel) {
    {
        ScopedVariable nowhere(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                               (host_.pluginFolder() / L"no-runtime").c_str());
        EXPECT_EQ(Label(host_.Open(Good())), L"WebView2 Runtime not installed.");
    }
    // The next view asks again and finds the runtime; its controller fails at once, so the
    // label keeps its text.
    host_.runtime().FailController(E_ACCESSDENIED, false, 1);
    const HWND refused = host_.Open(Good("b.torrent"));
    EXPECT_EQ(Label(refused), L"Loading torrent...");
    host_.runtime().FailController(E_FAIL, true, 1);
    const HWND failed = host_.Open(Good("c.torrent"));
    EXPECT_EQ(Label(failed), L"WebView2 failed to start.");
    // Views without a controller are destroyed, never parked.
    host_.Close(failed);
    host_.Close(refused);
    EXPECT_EQ(ParkingWindow(), nullptr);
}

TEST_F(Plugin, EnvironmentThatFailsLateSaysSoForEveryWaitingView) {
    host_.runtime().FailEnvironment(E_FAIL, true, 2);
    host_.runtime().HoldCompletions(true);
    const HWND first = host_.Open(Good());
    const HWND second = host_.Open(Good("b.torrent"));
    for (int round = 0; round < 2; ++round) {
        host_.runtime().ReleaseCompletions();
        PumpMessages();
    }
    EXPECT_EQ(Label(first),
              L"WebView2 Runtime not installed.\nInstall the Microsoft Edge WebView2 "
              L"Runtime to view torrents.");
    EXPECT_EQ(Label(second), Label(first));
}

TEST_F(Plugin, ViewsShareOneEnvironmentRequestAndClosedOnesGetNothingLate) {
    host_.runtime().HoldCompletions(true);
    const HWND closedEarly = host_.Open(Good());
    const HWND first = host_.Open(Good("b.torrent"));
    const HWND second = host_.Open(Good("c.torrent"));
    host_.Close(closedEarly);
    host_.runtime().ReleaseCompletions();  // the environment
    PumpMessages();
    EXPECT_EQ(host_.runtime().EnvironmentCalls().size(), 1u);
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "CreateCoreWebView2Controller c1 parent " + HandleText(first),
                             "CreateCoreWebView2Controller c2 parent " + HandleText(second)}));
    // Closed between the controller request and its completion: the late controller is closed.
    host_.Close(first);
    host_.runtime().ReleaseCompletions();
    PumpMessages();
    EXPECT_TRUE(Contains(Journal(), "c1 Close"));
    EXPECT_FALSE(Contains(Journal(), "c1 Navigate"));
    EXPECT_TRUE(Contains(Journal(), "c2 Navigate"));
    EXPECT_FALSE(IsWindow(first));
}

TEST_F(Plugin, NextFileHidesTheViewUntilItsPageHasLoaded) {
    const HWND window = host_.Open(Good(), 0x80);
    host_.runtime().CompleteNavigation(1);
    const HWND label = LabelOf(window);
    SetWindowTextW(label, L"something else");
    EXPECT_EQ(host_.OpenNext(window, Good("b.torrent"), 0), 0);
    EXPECT_TRUE(IsWindowVisible(label));
    EXPECT_EQ(TextOf(label), L"Loading torrent...");
    EXPECT_TRUE(
        Contains(Journal(),
                 "c1 put_IsVisible 0\nc1 put_DefaultBackgroundColor 255 255 255 255\nc1 Navigate " +
                     std::string(kStartPage) + "\n"));
    EXPECT_NE(host_.runtime()
                  .RaiseResourceRequest(1, L"https://marrowpeek.invalid/data.json")
                  .body.find(R"("name":"b.torrent")"),
              std::string::npos);
    EXPECT_EQ(host_.OpenNext(window, host_.WriteFile("bad.torrent", "nope"), 0), 1);
    EXPECT_EQ(host_.OpenNext(host_.lister(), Good("c.torrent"), 0), 1);
    // A navigation the web view refuses never completes: the view must not stay hidden.
    host_.runtime().AnswerNavigate(E_FAIL);
    EXPECT_EQ(host_.OpenNext(window, Good("d.torrent"), 0), 1);
    EXPECT_EQ(Journal().back(), "c1 put_IsVisible 1");
    EXPECT_FALSE(IsWindowVisible(label));
}

TEST_F(Plugin, RequestsAreAnsweredFromMemoryAndMessagesActedOn) {
    host_.Open(Good());
    // Routed by the first row of the table the address contains, whatever else it holds.
    EXPECT_EQ(host_.runtime()
                  .RaiseResourceRequest(1, L"https://marrowpeek.invalid/theme.css/data.json")
                  .body.rfind(R"({"ok":true,)", 0),
              0u);
    const ResourceReply reply =
        host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/theme.css?v=2");
    EXPECT_EQ(reply.reason + L" " + std::to_wstring(reply.status), L"OK 200");
    EXPECT_EQ(reply.headers,
              L"Content-Type: text/css; charset=utf-8\r\nCache-Control: no-store, "
              L"no-cache, must-revalidate");
    EXPECT_EQ(reply.body.rfind(":root{--bg:#ffffff;", 0), 0u);
    // The page's files, each from the library's resources as the source tree has it, with its
    // type; any other address is the page.
    const std::filesystem::path pageFolder =
        std::filesystem::path(_wgetenv(L"MARROWPEEK_PAGE_HTML")).parent_path();
    for (const PageFile& file : kPageFiles) {
        const std::wstring name(file.name.begin(), file.name.end());
        const ResourceReply served =
            host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/" + name + L"?x");
        EXPECT_EQ(served.body, ReadAll(pageFolder / name)) << file.name;
        EXPECT_EQ(
            served.headers.substr(0, served.headers.find(L"\r\n")),
            L"Content-Type: " + std::wstring(file.contentType.begin(), file.contentType.end()));
    }
    EXPECT_EQ(host_.runtime().RaiseResourceRequest(1, L"https://marrowpeek.invalid/x/tree.js").body,
              ReadAll(pageFolder / "index.html"));
    // A setting reaches the file beside the plug-in and a theme's style sheet goes back; a
    // message posted as an object does nothing.
    EXPECT_TRUE(PageSays(LR"({"set":"theme","value":"Night Owl"})"));
    EXPECT_EQ(ReadSettings(host_.pluginFolder()).theme, "Night Owl");
    EXPECT_EQ(Journal().back().rfind(R"(c1 PostWebMessageAsJson {"css":":root{--bg:#011627;)", 0),
              0u);
    const auto before = Journal().size();
    host_.runtime().RaiseWebMessage(1, std::nullopt);
    EXPECT_EQ(Journal().size(), before);
}

using Messages = std::vector<ListerMessage>;

ListerMessage Key(UINT message, WPARAM key, LPARAM lParam = 0) {
    return {message, key, lParam};
}

// The key's press and release as the page relays it: repeat count 1 and the scan code.
Messages Press(WPARAM key) {
    const LPARAM press = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    return {Key(WM_KEYDOWN, key, press), Key(WM_KEYUP, key, press | 0xC0000000)};
}

void HoldControl(bool held) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST_F(Plugin, ListerKeysReachTheListerWindowAsIfPressedThere) {
    host_.Open(Good());
    constexpr INT32 kUp = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    constexpr INT32 kSystemDown = COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    EXPECT_TRUE(KeyDown(VK_F5, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 0x3F0001));
    EXPECT_TRUE(KeyDown(VK_F5, kUp, 0xC03F0001));
    EXPECT_TRUE(KeyDown(VK_MENU, kSystemDown, 0x20380001));
    EXPECT_TRUE(KeyDown(VK_ESCAPE, kSystemDown, 0x10001));
    EXPECT_FALSE(KeyDown(VK_ESCAPE, kUp));
    EXPECT_FALSE(KeyDown(VK_DOWN));
    EXPECT_FALSE(KeyDown('C'));
    HoldControl(true);
    EXPECT_TRUE(KeyDown('C'));
    EXPECT_FALSE(KeyDown('F'));
    HoldControl(false);
    EXPECT_EQ(host_.TakeListerMessages(),
              (Messages{Key(WM_KEYDOWN, VK_F5, 0x3F0001), Key(WM_KEYUP, VK_F5, 0xC03F0001),
                        Key(WM_SYSKEYDOWN, VK_MENU, 0x20380001), Key(WM_KEYDOWN, VK_ESCAPE),
                        Key(WM_KEYDOWN, 'C')}));
    // Plain keys come from the page, by name; Tab only matters in Quick View.
    for (const wchar_t* key : {LR"({"key":"n"})", LR"({"key":"x"})", LR"({"key":"Tab"})"}) {
        PageSays(key);
    }
    EXPECT_EQ(host_.TakeListerMessages(), Press('N'));
    // While a field or the settings panel has the keys, Escape and Ctrl+C stay in the page.
    PageSays(LR"({"keys":"page"})");
    EXPECT_FALSE(KeyDown(VK_ESCAPE));
    HoldControl(true);
    EXPECT_FALSE(KeyDown('C'));
    EXPECT_TRUE(KeyDown('Q'));
    HoldControl(false);
    PageSays(LR"({"keys":"host"})");
    EXPECT_TRUE(KeyDown(VK_ESCAPE));
    EXPECT_EQ(host_.TakeListerMessages(), (Messages{Key(WM_KEYDOWN, 'Q'), Key(WM_KEYDOWN, 27)}));
}

TEST_F(Plugin, QuickViewKeepsEscapeAndPassesTabOn) {
    const HWND panel = host_.NewLister(800, 600);
    const HWND quickView = host_.NewLister(400, 300, panel);
    host_.Open(Good(), 0, quickView);
    EXPECT_FALSE(KeyDown(VK_ESCAPE));
    EXPECT_TRUE(KeyDown(VK_TAB));
    EXPECT_EQ(host_.TakeListerMessages(quickView), (Messages{Key(WM_KEYDOWN, VK_TAB)}));
    PageSays(LR"({"key":"Tab"})");
    EXPECT_EQ(host_.TakeListerMessages(quickView), Press(VK_TAB));
    // The web view's focus moves Quick View's header to it.
    host_.runtime().RaiseGotFocus(1);
    const HWND view = GetWindow(quickView, GW_CHILD);
    EXPECT_EQ(host_.TakeListerMessages(quickView),
              (Messages{{WM_COMMAND, MAKEWPARAM(0, 0xFFF8), reinterpret_cast<LPARAM>(view)}}));
}

TEST_F(Plugin, CopySelectAllAndTheLiveDarkSwitch) {
    const HWND window = host_.Open(Good());
    // Nothing to copy while the page loads: the label's "Loading" is no text of the torrent.
    EXPECT_EQ(host_.listCommand(window, 1, 0), 1);
    host_.runtime().CompleteNavigation(1);
    EXPECT_EQ(host_.listCommand(window, 1, 0), 0);
    EXPECT_EQ(Journal().back(), R"(c1 PostWebMessageAsJson {"command":"copy"})");
    PageSays(LR"({"copy":"Season\\a \u00e9\ud83d\ude00.mkv"})");
    EXPECT_EQ(ClipboardText(), L"Season\\a \u00e9\U0001F600.mkv");
    // Copied text the Lister did not ask for never reaches the clipboard, and any answer, even
    // one that is no text, ends the request.
    PageSays(LR"({"copy":"unasked"})");
    EXPECT_EQ(host_.listCommand(window, 1, 0), 0);
    PageSays(LR"({"copy":null})");
    PageSays(LR"({"copy":"perf"})");
    EXPECT_EQ(ClipboardText(), L"Season\\a \u00e9\U0001F600.mkv");
    EXPECT_EQ(host_.listCommand(window, 3, 0), 0);
    EXPECT_EQ(Journal().back(), R"(c1 PostWebMessageAsJson {"command":"selectAll"})");
    EXPECT_EQ(host_.listCommand(window, 2, 0x80), 0);
    const auto journal = Journal();
    EXPECT_EQ(std::vector<std::string>(journal.end() - 2, journal.end()),
              (std::vector<std::string>{"c1 put_DefaultBackgroundColor 255 30 30 30",
                                        R"(c1 PostWebMessageAsJson {"dark":true})"}));
    EXPECT_EQ(host_.runtime()
                  .RaiseResourceRequest(1, L"https://marrowpeek.invalid/theme.css")
                  .body.rfind(":root{--bg:#1e1e1e;", 0),
              0u);
    // The same flags again change nothing; an unknown command is refused.
    const auto before = Journal().size();
    EXPECT_EQ(host_.listCommand(window, 2, 0x80), 0);
    EXPECT_EQ(host_.listCommand(window, 99, 0), 1);
    EXPECT_EQ(host_.listCommand(host_.lister(), 1, 0), 1);
    EXPECT_EQ(Journal().size(), before);
}

TEST_F(Plugin, ViewShowingOnlyItsLabelAnswersCommands) {
    ScopedVariable nowhere(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                           (host_.pluginFolder() / L"no-runtime").c_str());
    const HWND window = host_.Open(Good());
    EXPECT_EQ(host_.listCommand(window, 1, 0), 0);
    EXPECT_EQ(ClipboardText(), L"WebView2 Runtime not installed.");
    EXPECT_EQ(host_.listCommand(window, 3, 0), 1);
    EXPECT_EQ(host_.listCommand(window, 2, 0x80), 0);
    wchar_t text[] = L"a";
    EXPECT_EQ(host_.listSearch(window, text, 1), 1);
}

// The page's texts in its order, metadata first (the magnet link names the torrent after
// "magnet:?xt=urn:btih:", 40 digits and "&dn="), then every name depth first; each find goes on
// from the last hit, in one text at a time (a path where the needle has a separator), with the
// Lister's flags.
TEST_F(Plugin, FindWalksThePageWithTheListersFlags) {
    const HWND window = host_.Open(host_.WriteFile(
        "show.torrent",
        fixture::MultiFileTorrent(
            "Show", {{"Show s1/e1 show.mkv", 1}, {"Show s1/\xC3\x89T\xC3\x89 showcase", 1}})));
    const auto find = [&](const wchar_t* text, int flags) {
        std::wstring needle = text;
        return host_.listSearch(window, needle.data(), flags) == 0
                   ? Journal().back().substr(Journal().back().find("{\"find\":"))
                   : "none";
    };
    const auto hit = [](const std::string& target, int start, int length) {
        return R"({"find":{)" + target + ",\"start\":" + std::to_string(start) +
               ",\"length\":" + std::to_string(length) + "}}";
    };
    // clang-format off
    const std::tuple<const wchar_t*, int, std::string> steps[] = {
        {L"show", 1, hit(R"("meta":"name")", 0, 4)}, {L"show", 0, hit(R"("meta":"magnet")", 64, 4)},
        {L"show", 0, hit(R"("node":1)", 0, 4)}, {L"show", 0, hit(R"("node":2)", 3, 4)},
        {L"show", 0, hit(R"("node":3)", 4, 4)}, {L"show", 0, "none"},
        {L"show", 8, hit(R"("node":2)", 3, 4)}, {L"Show", 1 | 2 | 8, hit(R"("node":1)", 0, 4)},
        {L"show", 1 | 4 | 8, hit(R"("node":2)", 3, 4)}, {L"\u00e9t\u00e9", 1, hit(R"("node":3)", 0, 3)},
        {L"mkvshow", 1, "none"}, {L"S1\\E1", 1, hit(R"("node":2)", 0, 2)}};
    // clang-format on
    for (const auto& [text, flags, expected] : steps) {
        EXPECT_EQ(find(text, flags), expected) << flags;
    }
    EXPECT_EQ(host_.listSearchDialog(window, 0), 1);
    EXPECT_EQ(host_.listSearch(window, nullptr, 1), 1);
}

// The page's content check runs on threads of its own and comes back through the window; a view
// closed in the middle of one is freed at once, its check cancelled.
TEST_F(Plugin, ContentCheckRunsBesideTheWindowAndEndsWithTheView) {
    const std::string content(40000, 'c');
    const std::string pieces = fixture::PieceHashes(content, 16384);
    const auto torrent = host_.WriteFile(
        "c.torrent", fixture::Dict({{"info", fixture::Dict({{"length", fixture::Int(40000)},
                                                            {"name", fixture::Str("c.bin")},
                                                            {"piece length", fixture::Int(16384)},
                                                            {"pieces", fixture::Str(pieces)}})}}));
    host_.WriteFile("c.bin", content);
    const HWND window = host_.Open(torrent);
    host_.runtime().CompleteNavigation(1);
    const auto done = [&] {
        for (int i = 0; i < 500 && !Contains(Journal(), "checkDone"); ++i) {
            Sleep(10);
            PumpMessages();
        }
        return Journal().back();
    };
    EXPECT_TRUE(PageSays(LR"({"check":"start","content":""})"));
    const std::string finished = done();
    EXPECT_NE(finished.find(R"("complete":true)"), std::string::npos) << finished;
    EXPECT_NE(finished.find(R"("pieces":"GGG")"), std::string::npos) << finished;
    EXPECT_TRUE(Contains(Journal(), R"({"checkStarted":)"));
    EXPECT_TRUE(PageSays(LR"({"check":"start","content":""})"));
    host_.Close(window);
    for (int i = 0; i < 20; ++i) {
        Sleep(10);
        PumpMessages();
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Plugin, ResizeAndFocusReachTheController) {
    const HWND window = host_.Open(Good());
    SetWindowPos(window, nullptr, 0, 0, 500, 100, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    EXPECT_TRUE(Contains(Journal(), "c1 put_Bounds 0 0 500 100\n"));
    SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(Journal().back(), "c1 MoveFocus 0");
    host_.Close(nullptr);
}

// A window of another class whose first slot holds anything must never be taken for a view; a
// close still destroys it.
TEST_F(Plugin, ForeignWindowsAreNeverTakenForViews) {
    WNDCLASSW foreignClass{};
    foreignClass.lpfnWndProc = DefWindowProcW;
    foreignClass.cbWndExtra = sizeof(void*);
    foreignClass.lpszClassName = L"Foreign";
    RegisterClassW(&foreignClass);
    const HWND foreign = CreateWindowExW(0, L"Foreign", L"", WS_CHILD, 0, 0, 1, 1, host_.lister(),
                                         nullptr, nullptr, nullptr);
    SetWindowLongPtrW(foreign, 0, 0x12345678);
    EXPECT_EQ(host_.OpenNext(foreign, Good()), 1);
    host_.Close(foreign);
    EXPECT_FALSE(IsWindow(foreign));
}

// Hundreds of views opened, reloaded and closed, half of them by destroying their Lister window
// without ListCloseWindow, leave neither windows nor memory behind.
TEST_F(Plugin, ViewsComeAndGoWithoutLeavingWindowsOrMemory) {
    const auto file = host_.WriteFile(
        "big.torrent",
        fixture::Dict(
            {{"comment", fixture::Str(std::string(200000, 'c'))},
             {"info", fixture::Dict({{"length", fixture::Int(1)}, {"name", fixture::Str("a")}})}}));
    const auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const HWND lister = host_.NewLister(400, 300);
            const HWND view = host_.Open(file, 0, lister);
            host_.OpenNext(view, file);
            if (i % 2 == 0) {
                host_.Close(view);
            }
            DestroyWindow(lister);
            PumpMessages();
        }
    };
    cycles(20);
    const std::size_t windows = ThreadWindowCount();
    const std::size_t memory = PrivateBytes();
    cycles(200);
    EXPECT_EQ(ThreadWindowCount(), windows);
    EXPECT_LT(PrivateBytes(), memory + 8 * 1024 * 1024);
}

TEST_F(Plugin, ClosedViewIsParkedOnceAndReusedInPlace) {
    const HWND first = host_.Open(Good());
    const HWND second = host_.Open(Good("b.torrent"));
    host_.Close(first);
    const HWND parking = ParkingWindow();
    ASSERT_NE(parking, nullptr);
    EXPECT_FALSE(IsWindowVisible(parking) || IsWindow(first));
    EXPECT_TRUE(Contains(Journal(), "c1 put_IsVisible 0\nc1 put_ParentWindow " +
                                        HandleText(parking) + "\nc1 put_Bounds 0 0 1 1\n"));
    host_.Close(second);
    EXPECT_TRUE(Contains(Journal(), "c2 Close"));
    EXPECT_FALSE(Contains(Journal(), "c1 Close"));
    // A file that cannot be shown leaves the view parked.
    EXPECT_EQ(host_.Open(host_.WriteFile("bad.torrent", "x")), nullptr);
    const std::size_t before = Journal().size();
    const HWND lister = host_.NewLister(640, 480);
    const HWND reused = host_.Open(Good("next.torrent"), 0, lister);
    ASSERT_NE(reused, nullptr);
    const auto journal = Journal();
    EXPECT_EQ(std::vector<std::string>(journal.begin() + static_cast<long>(before), journal.end()),
              (std::vector<std::string>{
                  "c1 put_ParentWindow " + HandleText(reused), "c1 put_Bounds 0 0 640 480",
                  "c1 put_DefaultBackgroundColor 255 255 255 255", "c1 put_IsVisible 1",
                  "c1 PostWebMessageAsJson {\"reload\":true}"}));
    KeyDown(VK_ESCAPE);
    EXPECT_EQ(host_.TakeListerMessages(lister).size(), 1u);
    EXPECT_EQ(host_.OpenNext(reused, Good("c.torrent")), 0);
    // Parked again in the same window; Escape there reaches nobody.
    host_.Close(reused);
    EXPECT_EQ(ParkingWindow(), parking);
    EXPECT_TRUE(KeyDown(VK_ESCAPE));
    EXPECT_TRUE(host_.TakeListerMessages(lister).empty());
    // The parking window handed back by the host is nobody's view: every export refuses it, and
    // the parked view stays parked, to be reused.
    wchar_t needle[] = L"a";
    host_.Close(parking);
    EXPECT_EQ(host_.OpenNext(parking, Good()), 1);
    EXPECT_EQ(host_.listCommand(parking, 1, 0), 1);
    EXPECT_EQ(host_.listSearch(parking, needle, 1), 1);
    EXPECT_EQ(host_.Open(Good(), 0, parking), nullptr);
    EXPECT_TRUE(IsWindow(parking));
    const std::size_t parked = Journal().size();
    const HWND again = host_.Open(Good("d.torrent"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Journal()[parked], "c1 put_ParentWindow " + HandleText(again));
}

}  // namespace
