#include "tools/tool.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <fstream>

#include "fields/torrent_facts.h"
#include "platform/console.h"
#include "platform/text.h"
#include "settings/config_files.h"
#include "tools/create_command.h"
#include "tools/sample_torrent.h"
#include "torrent/magnet.h"
#include "trackers/scrape_report.h"
#include "verify/check_report.h"
#include "verify/content_presence.h"
#include "view/page_messages.h"
#include "view/payload.h"
#ifdef MARROWPEEK_SOURCE_PAGE
#include "tools/preview_server.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: marrowpeek data FILE [--flags N] [--config-dir DIR]\n"
    "       marrowpeek documents FILE --out DIR [--flags N] [--config-dir DIR]\n"
    "       marrowpeek config [--dark] [--config-dir DIR]\n"
    "       marrowpeek css [--dark] [--config-dir DIR]\n"
    "       marrowpeek set KEY VALUE [--dark] [--config-dir DIR]\n"
    "       marrowpeek magnet FILE\n"
    "       marrowpeek fields FILE [--json]\n"
    "       marrowpeek verify FILE [--content PATH] [--json]\n"
    "       marrowpeek scrape FILE [--json]\n"
    "       marrowpeek sample FILE\n"
    "       marrowpeek create PATH... --out FILE.torrent [options] (create --help for them)\n"
    "       marrowpeek preview FILE [--dark] [--port N] [--screenshot PNG] [--page HTML]\n"
    "  data       print the torrent document that \"/data.json\" serves for FILE\n"
    "  documents  write data.json, config.json and theme.css for FILE into DIR\n"
    "  config     print the configuration document (\"/config.json\")\n"
    "  css        print the theme style sheet (\"/theme.css\")\n"
    "  set        persist a setting as the page does; for theme, print the css message\n"
    "  magnet     print the magnet link of FILE\n"
    "  fields     print the file manager's column fields of FILE (--json: as one object)\n"
    "  verify     check the content beside FILE (or at --content) against it, piece by\n"
    "             piece; exit 0 when every file is complete, 1 when not, 2 when refused\n"
    "  scrape     ask FILE's trackers how many seed, leech and completed it; exit 0 when\n"
    "             one answered, 1 when none did, 2 when refused\n"
    "  sample     write a small multi-file torrent to FILE\n"
    "  create     make a torrent of files and folders, the same one libtorrent makes\n"
    "  preview    serve the viewer page for FILE on 127.0.0.1 (port 8765; 0 picks one) and\n"
    "             print its address; --screenshot renders it once in headless Chromium\n"
    "  --flags N       the host's show flags (decimal, or 0x hexadecimal); 0x80 is dark mode\n"
    "  --dark          the host is in dark mode\n"
    "  --config-dir D  the folder of Marrowpeek.ini and themes.ini (default: beside the tool)\n";

int Misuse(std::ostream& err, const std::string& problem) {
    err << "marrowpeek: " << problem << "\n" << kUsage;
    return 2;
}

bool ParseFlags(const std::string& text, std::uint32_t& flags) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, flags, hex ? 16 : 10);
    return result.ec == std::errc() && result.ptr == last && first != last;
}

// The words of a command: its positional arguments and the options every command shares.
struct CommandLine {
    std::vector<std::string> positional;
    std::uint32_t flags = 0;
    std::string configDir;
    std::string outDir;
    int port = 8765;
    std::string screenshot;
    std::string page;
    bool json = false;
    std::string content;
};

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line,
                      std::string& problem) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool takesValue = word == "--flags" || word == "--config-dir" || word == "--out" ||
                                word == "--port" || word == "--screenshot" || word == "--page" ||
                                word == "--content";
        if (takesValue && i + 1 == args.size()) {
            problem = word + " needs a value";
            return false;
        }
        if (word == "--flags") {
            if (!ParseFlags(args[++i], line.flags)) {
                problem = "--flags takes a number";
                return false;
            }
        } else if (word == "--content") {
            line.content = args[++i];
        } else if (word == "--json") {
            line.json = true;
        } else if (word == "--dark") {
            line.flags |= kHostDarkModeFlag;
        } else if (word == "--config-dir") {
            line.configDir = args[++i];
        } else if (word == "--out") {
            line.outDir = args[++i];
        } else if (word == "--port") {
            const std::string& text = args[++i];
            const auto result = std::from_chars(text.data(), text.data() + text.size(), line.port);
            if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
                line.port < 0 || line.port > 65535) {
                problem = "--port takes a number from 0 to 65535";
                return false;
            }
        } else if (word == "--screenshot") {
            line.screenshot = args[++i];
        } else if (word == "--page") {
            line.page = args[++i];
        } else if (word.starts_with("--")) {
            problem = "unknown option " + word;
            return false;
        } else {
            line.positional.push_back(word);
        }
    }
    return true;
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    return static_cast<bool>(file);
}

// One line: the file and why it is refused, with the limit it passed when it is too large.
void Refuse(std::ostream& err, const std::string& file, PayloadResult result,
            torrent::Limit exceeded) {
    err << "marrowpeek: " << file << " " << torrent::RefusalReason(result);
    if (exceeded != torrent::Limit::None) {
        err << " (" << torrent::LimitText(exceeded) << ")";
    }
    err << "\n";
}

// FILE loaded, or an error line and false when it is refused.
bool LoadOrRefuse(const std::string& file, torrent::LoadedTorrent& torrent, std::ostream& err) {
    const PayloadResult result = torrent::LoadTorrent(platform::PathFromUtf8(file), torrent);
    if (result != PayloadResult::Ready) {
        Refuse(err, file, result, torrent.info.exceeded);
        return false;
    }
    return true;
}

// The view's state for FILE, or an error line and false when the file is refused.
bool PrepareView(const std::string& file, std::uint32_t flags, WebViewState& state,
                 std::ostream& err) {
    torrent::Limit exceeded = torrent::Limit::None;
    const PayloadResult result =
        LoadTorrentPayload(state, platform::PathFromUtf8(file), flags, &exceeded);
    if (result != PayloadResult::Ready) {
        Refuse(err, file, result, exceeded);
        return false;
    }
    return true;
}

// The configuration documents alone, as a view with no torrent would get them.
WebViewState ConfigurationOnly(std::uint32_t flags) {
    WebViewState state;
    state.dark = (flags & kHostDarkModeFlag) != 0;
    FillConfigPayload(state);
    return state;
}

// Checks the content against the torrent: 0 when every file is complete, 1 when not, 2 when the
// torrent is refused. A progress line goes to standard error only when it is a terminal.
int RunVerify(const std::string& file, const CommandLine& line, std::ostream& out,
              std::ostream& err) {
    const std::filesystem::path path = platform::PathFromUtf8(file);
    torrent::LoadedTorrent torrent;
    if (!LoadOrRefuse(file, torrent, err)) {
        return 2;
    }
    std::string whyNot;
    const std::optional<verify::CheckPlan> plan = verify::PlanCheck(torrent, whyNot);
    if (!plan) {
        err << "marrowpeek: " << file << " cannot be checked (" << whyNot << ")\n";
        return 2;
    }
    const auto root =
        verify::ContentRoot(*plan, path, platform::PathFromUtf8(line.content), whyNot);
    if (!root) {
        err << "marrowpeek: " << file << " cannot be checked (" << whyNot << ")\n";
        return 2;
    }
    const bool terminal = platform::StderrIsTerminal();
    const std::atomic<bool> never{false};
    const verify::CheckResult check = verify::CheckContent(
        *plan, std::filesystem::absolute(*root), never, [&](const verify::CheckProgress& progress) {
            if (terminal && progress.bytesTotal > 0) {
                err << "\r" << platform::SizeText(progress.bytesDone) << " of "
                    << platform::SizeText(progress.bytesTotal) << " checked   " << std::flush;
            }
        });
    if (terminal) {
        err << "\r" << std::string(40, ' ') << "\r" << std::flush;
    }
    out << (line.json ? verify::CheckJson(*plan, check) + "\n"
                      : platform::TerminalSafe(verify::CheckText(*plan, check), true));
    return check.complete ? 0 : 1;
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& command = args[0];
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, line, problem)) {
        return Misuse(err, problem);
    }
    if (!line.configDir.empty()) {
        UseConfigFolder(platform::PathFromUtf8(line.configDir));
    }
    const auto& words = line.positional;
    if (command == "data") {
        if (words.size() != 1 || words[0].empty())
            return Misuse(err, "data needs one FILE");
        WebViewState state;
        if (!PrepareView(words[0], line.flags, state, err))
            return 1;
        out << state.dataJson;
        return 0;
    }
    if (command == "magnet" || command == "fields") {
        if (words.size() != 1 || words[0].empty())
            return Misuse(err, command + " needs one FILE");
        torrent::LoadedTorrent torrent;
        if (!LoadOrRefuse(words[0], torrent, err)) {
            return 1;
        }
        if (command == "magnet") {
            out << torrent::MagnetLink(torrent.info) << "\n";
            if (torrent::MagnetHoldsPasskey(torrent.info)) {
                err << "marrowpeek: this magnet link holds a tracker passkey: keep it to "
                       "yourself\n";
            }
            return 0;
        }
        const fields::TorrentFacts facts =
            fields::FactsOf(torrent, platform::PathFromUtf8(words[0]));
        const std::string_view presence =
            fields::PresenceWord(*verify::ContentPresence(facts.content));
        out << (line.json ? fields::FactsJson(facts, presence) + "\n"
                          : platform::TerminalSafe(fields::FactsText(facts, presence), true));
        return 0;
    }
    if (command == "verify") {
        if (words.size() != 1 || words[0].empty())
            return Misuse(err, "verify needs one FILE");
        return RunVerify(words[0], line, out, err);
    }
    if (command == "scrape") {
        if (words.size() != 1 || words[0].empty())
            return Misuse(err, "scrape needs one FILE");
        torrent::LoadedTorrent torrent;
        if (!LoadOrRefuse(words[0], torrent, err)) {
            return 2;
        }
        const std::atomic<bool> never{false};
        const auto answers = trackers::ScrapeAll(trackers::TrackersOf(torrent.info),
                                                 trackers::ScrapeHashes(torrent.info), {}, never);
        out << (line.json ? trackers::ScrapeJson(answers) + "\n"
                          : platform::TerminalSafe(trackers::ScrapeText(answers), true));
        return trackers::Headline(answers) ? 0 : 1;
    }
    if (command == "documents") {
        if (words.size() != 1 || line.outDir.empty()) {
            return Misuse(err, "documents needs one FILE and --out DIR");
        }
        WebViewState state;
        if (!PrepareView(words[0], line.flags, state, err))
            return 1;
        const std::filesystem::path folder = platform::PathFromUtf8(line.outDir);
        std::filesystem::create_directories(folder);
        if (!WriteWholeFile(folder / "data.json", state.dataJson) ||
            !WriteWholeFile(folder / "config.json", state.configJson) ||
            !WriteWholeFile(folder / "theme.css", state.themeCss)) {
            err << "marrowpeek: cannot write into " << line.outDir << "\n";
            return 1;
        }
        return 0;
    }
    if (command == "config" || command == "css") {
        if (!words.empty())
            return Misuse(err, "unexpected argument: " + words[0]);
        const WebViewState state = ConfigurationOnly(line.flags);
        out << (command == "config" ? state.configJson : state.themeCss);
        return 0;
    }
    if (command == "set") {
        if (words.size() != 2)
            return Misuse(err, "set needs KEY and VALUE");
        WebViewState state = ConfigurationOnly(line.flags);
        const SettingChange change = PersistSetting(state, words[0], words[1]);
        if (change.styleSheet) {
            out << *change.styleSheet;
        }
        if (!change.saved) {
            err << "marrowpeek: " << words[0] << " could not be saved in "
                << platform::PathToUtf8(state.configDir / kSettingsFileName) << "\n";
            return 1;
        }
        return 0;
    }
    if (command == "preview") {
        if (words.size() != 1 || words[0].empty())
            return Misuse(err, "preview needs one FILE");
#ifdef MARROWPEEK_SOURCE_PAGE
        PreviewOptions options;
        options.torrent = platform::PathFromUtf8(words[0]);
        options.flags = line.flags;
        options.port = line.port;
        options.page =
            platform::PathFromUtf8(line.page.empty() ? MARROWPEEK_SOURCE_PAGE : line.page);
        options.screenshot = platform::PathFromUtf8(line.screenshot);
        return RunPreview(options, out, err);
#else
        return Misuse(err, "preview is part of the Linux build only");
#endif
    }
    return Misuse(err, "unknown command: " + command);
}

// Ctrl+C asks a long command to stop, so that it leaves nothing half written.
std::atomic<bool> stopRequested{false};
extern "C" void OnInterrupt(int) {
    stopRequested = true;
}
const std::atomic<bool>& StopRequest() {
    std::signal(SIGINT, OnInterrupt);
    return stopRequested;
}

int RunSample(const std::vector<std::string>& args, std::ostream& err) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].starts_with("--")) {
            return Misuse(err, "unknown option " + args[i]);
        }
    }
    if (args.size() != 2 || args[1].empty()) {
        return Misuse(err, "sample needs a FILE");
    }
    if (!WriteWholeFile(platform::PathFromUtf8(args[1]), SampleTorrent())) {
        err << "marrowpeek: cannot write " << args[1] << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.empty()) {
            return Misuse(err, "no command");
        }
        if (args[0] == "sample") {
            return RunSample(args, err);
        }
        if (args[0] == "create") {
            return RunCreate(std::vector<std::string>(args.begin() + 1, args.end()), StopRequest(),
                             out, err);
        }
        return RunCommand(args, out, err);
    } catch (const std::exception& e) {
        err << "marrowpeek: " << e.what() << "\n";
        return 1;
    }
}
