#include "tools/tool.h"

#include <charconv>
#include <cstdint>
#include <fstream>

#include "platform/text.h"
#include "plugin/view_records.h"
#include "tools/sample_torrent.h"
#include "torrent/payload.h"

namespace {

constexpr const char* kUsage =
    "usage: marrowpeek data FILE [--flags N]\n"
    "       marrowpeek sample FILE\n"
    "  data     print the torrent document that \"/data.json\" serves for FILE\n"
    "  sample   write a small multi-file torrent to FILE\n"
    "  --flags N   the host's show flags (decimal, or hexadecimal with 0x); 0x80 is dark mode\n";

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

int RunData(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string file;
    std::uint32_t flags = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--flags") {
            if (i + 1 == args.size() || !ParseFlags(args[i + 1], flags)) {
                return Misuse(err, "--flags takes a number");
            }
            ++i;
        } else if (file.empty() && !args[i].empty()) {
            file = args[i];
        } else {
            return Misuse(err, "unexpected argument: " + args[i]);
        }
    }
    if (file.empty()) {
        return Misuse(err, "data needs a FILE");
    }
    const std::filesystem::path path = platform::PathFromUtf8(file);
    WebViewState state;
    if (!LoadTorrentPayload(state, path, flags)) {
        err << "marrowpeek: " << file << " " << DescribeRefusal(path) << "\n";
        return 1;
    }
    out << state.dataJson;
    return 0;
}

int RunSample(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() != 2 || args[1].empty()) {
        return Misuse(err, "sample needs a FILE");
    }
    std::ofstream file(platform::PathFromUtf8(args[1]), std::ios::binary | std::ios::trunc);
    file << SampleTorrent();
    file.close();
    if (!file) {
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
        if (args[0] == "data") {
            return RunData(args, out, err);
        }
        if (args[0] == "sample") {
            return RunSample(args, err);
        }
        return Misuse(err, "unknown command: " + args[0]);
    } catch (const std::exception& e) {
        err << "marrowpeek: " << e.what() << "\n";
        return 1;
    }
}
