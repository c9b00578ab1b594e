#include "tools/create_command.h"

#include <charconv>
#include <chrono>

#include "create/make_torrent.h"
#include "platform/console.h"
#include "platform/file_write.h"
#include "platform/json_text.h"
#include "platform/text.h"

namespace {

constexpr const char* kUsage =
    "usage: marrowpeek create PATH... --out FILE.torrent [--hybrid | --v1 | --v2]\n"
    "         [--piece-size BYTES|auto] [--tracker URL[,URL...]]... [--web-seed URL]...\n"
    "         [--private] [--source TEXT] [--comment TEXT] [--name NAME] [--creator TEXT]\n"
    "         [--no-date] [--include-hidden] [--exclude GLOB]... [--threads N] [--force] [--json]\n"
    "  one folder makes a torrent named after it, one file a single-file torrent, several paths a\n"
    "  torrent named --name (or after FILE) holding them; hybrid (version 1 and 2) by default\n";

struct CreateLine {
    create::CreateRequest request;
    std::filesystem::path out;
    bool force = false;
    bool json = false;
    bool date = true;
};

bool ParseNumber(const std::string& text, std::int64_t& value) {
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    return read.ec == std::errc() && read.ptr == text.data() + text.size() && value >= 0;
}

// The words of the command; false and a problem for a usage error.
bool Parse(const std::vector<std::string>& args, CreateLine& line, std::string& problem) {
    create::CreateRequest& request = line.request;
    request.description.creator = "Marrowpeek/" MARROWPEEK_VERSION;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool takesValue = word == "--out" || word == "--piece-size" || word == "--tracker" ||
                                word == "--web-seed" || word == "--source" || word == "--comment" ||
                                word == "--name" || word == "--creator" || word == "--exclude" ||
                                word == "--threads";
        if (takesValue && i + 1 == args.size()) {
            problem = word + " needs a value";
            return false;
        }
        if (word == "--out") {
            line.out = platform::PathFromUtf8(args[++i]);
        } else if (word == "--hybrid" || word == "--v1" || word == "--v2") {
            request.version = word == "--v1"   ? create::Version::V1
                              : word == "--v2" ? create::Version::V2
                                               : create::Version::Hybrid;
        } else if (word == "--piece-size") {
            const std::string& text = args[++i];
            if (text != "auto" && !ParseNumber(text, request.pieceLength)) {
                problem = "--piece-size takes a number of bytes or auto";
                return false;
            }
        } else if (word == "--tracker") {
            std::vector<std::string> tier;
            for (std::size_t from = 0; from <= args[i + 1].size();) {
                const std::size_t comma = std::min(args[i + 1].find(',', from), args[i + 1].size());
                if (comma > from) {
                    tier.push_back(args[i + 1].substr(from, comma - from));
                }
                from = comma + 1;
            }
            ++i;
            if (!tier.empty()) {
                request.description.trackerTiers.push_back(std::move(tier));
            }
        } else if (word == "--web-seed") {
            request.description.webSeeds.push_back(args[++i]);
        } else if (word == "--private") {
            request.description.isPrivate = true;
        } else if (word == "--source") {
            request.description.source = args[++i];
        } else if (word == "--comment") {
            request.description.comment = args[++i];
        } else if (word == "--name") {
            request.name = args[++i];
        } else if (word == "--creator") {
            request.description.creator = args[++i];
        } else if (word == "--no-date") {
            line.date = false;
        } else if (word == "--include-hidden") {
            request.select.includeHidden = true;
        } else if (word == "--exclude") {
            request.select.excludes.push_back(args[++i]);
        } else if (word == "--threads") {
            std::int64_t threads = 0;
            if (!ParseNumber(args[++i], threads) || threads < 1 || threads > 1024) {
                problem = "--threads takes a number from 1 to 1024";
                return false;
            }
            request.threads = static_cast<unsigned>(threads);
        } else if (word == "--force") {
            line.force = true;
        } else if (word == "--json") {
            line.json = true;
        } else if (word.starts_with("--")) {
            problem = "unknown option " + word;
            return false;
        } else {
            request.inputs.push_back(platform::PathFromUtf8(word));
        }
    }
    if (request.inputs.empty() || line.out.empty()) {
        problem = "create needs at least one PATH and --out FILE";
        return false;
    }
    return true;
}

std::string Hex(const std::string& hash) {
    return hash.empty() ? "null" : "\"" + hash + "\"";
}

std::string Report(const CreateLine& line, const create::Created& made, double seconds) {
    if (!line.json) {
        std::string text;
        for (const create::Skipped& skipped : made.skipped) {
            text += "skipped  " + skipped.path + " (" + skipped.reason + ")\n";
        }
        text += "Made " + platform::PathToUtf8(line.out) + ": " +
                platform::GroupedCount(made.files) + (made.files == 1 ? " file, " : " files, ") +
                platform::SizeText(made.totalBytes) + ", " +
                platform::GroupedCount(made.pieceCount) + " pieces of " +
                platform::SizeText(made.pieceLength) + "\n";
        if (!made.infoHashV1.empty()) {
            text += "info hash v1 " + made.infoHashV1 + "\n";
        }
        if (!made.infoHashV2.empty()) {
            text += "info hash v2 " + made.infoHashV2 + "\n";
        }
        return platform::TerminalSafe(text, true);
    }
    std::string json = "{\"output\":";
    platform::AppendJsonRepaired(json, platform::PathToUtf8(line.out),
                                 platform::ControlEscapes::Unicode);
    json += ",\"infoHash\":{\"v1\":" + Hex(made.infoHashV1) + ",\"v2\":" + Hex(made.infoHashV2) +
            "},\"pieceLength\":";
    platform::AppendJsonInteger(json, made.pieceLength);
    json += ",\"pieces\":";
    platform::AppendJsonInteger(json, made.pieceCount);
    json += ",\"files\":";
    platform::AppendJsonInteger(json, made.files);
    json += ",\"bytes\":";
    platform::AppendJsonInteger(json, made.totalBytes);
    json += ",\"skipped\":[";
    for (std::size_t i = 0; i < made.skipped.size(); ++i) {
        json += i == 0 ? "{\"path\":" : ",{\"path\":";
        platform::AppendJsonRepaired(json, made.skipped[i].path, platform::ControlEscapes::Unicode);
        json += ",\"reason\":";
        platform::AppendJsonRepaired(json, made.skipped[i].reason,
                                     platform::ControlEscapes::Unicode);
        json += '}';
    }
    json += "],\"seconds\":" + std::to_string(seconds) + "}\n";
    return json;
}

}  // namespace

int RunCreate(const std::vector<std::string>& args, const std::atomic<bool>& stop,
              std::ostream& out, std::ostream& err) {
    CreateLine line;
    std::string problem;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (!Parse(args, line, problem)) {
        err << "marrowpeek: " << problem << "\n" << kUsage;
        return 2;
    }
    const auto refuse = [&](const std::string& why) {
        err << "marrowpeek: " << why << "\n";
        return 1;
    };
    const std::filesystem::path folder = std::filesystem::absolute(line.out).parent_path();
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return refuse("the output's folder " + platform::PathToUtf8(folder) + " is not there");
    }
    const platform::FileVersion before = platform::VersionOf(line.out);
    if (before.exists && !line.force) {
        return refuse(platform::PathToUtf8(line.out) + " exists: --force replaces it");
    }
    if (line.request.name.empty()) {
        line.request.name = platform::PathToUtf8(line.out.stem());
    }
    line.request.select.output = line.out;
    if (line.date) {
        line.request.description.creationDate =
            std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::system_clock::now().time_since_epoch())
                .count();
    }
    const bool terminal = platform::StderrIsTerminal();
    const auto start = std::chrono::steady_clock::now();
    create::Created made;
    std::string whyNot;
    const bool ok = create::MakeTorrent(
        line.request, stop,
        [&](const create::HashProgress& progress) {
            if (!terminal || progress.bytesTotal == 0) {
                return;
            }
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double rate = seconds > 0 ? static_cast<double>(progress.bytesDone) / seconds : 0;
            err << "\r" << platform::SizeText(progress.bytesDone) << " of "
                << platform::SizeText(progress.bytesTotal) << " hashed at "
                << platform::SizeText(static_cast<std::int64_t>(rate)) << "/s";
            if (rate > 0) {
                err << ", "
                    << static_cast<std::int64_t>(
                           static_cast<double>(progress.bytesTotal - progress.bytesDone) / rate)
                    << " s left";
            }
            err << "   " << std::flush;
        },
        made, whyNot);
    if (terminal) {
        err << "\r" << std::string(60, ' ') << "\r" << std::flush;
    }
    if (!ok) {
        return refuse(platform::TerminalSafe(whyNot));
    }
    // Written whole beside the output and moved into place: a failure leaves nothing there.
    const platform::FileVersion now = line.force ? platform::VersionOf(line.out) : before;
    switch (platform::ReplaceFileIfUnchanged(line.out, made.bytes, now)) {
        case platform::ReplaceResult::Replaced:
            break;
        case platform::ReplaceResult::Changed:
            return refuse(platform::PathToUtf8(line.out) + " appeared meanwhile: left as it is");
        case platform::ReplaceResult::Failed:
            return refuse(platform::PathToUtf8(line.out) + " cannot be written");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out << Report(line, made, seconds);
    return 0;
}
