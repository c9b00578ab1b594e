#include "fields/torrent_facts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/json_text.h"
#include "platform/utf8.h"
#include "torrent/magnet.h"

namespace fields {
namespace {

// Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm), for any day.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

// A field's value as the tool shows it, with the content's presence as the caller found it.
FieldValue ToolValue(const TorrentFacts& facts, Field field, std::string_view contentOnDisk) {
    return field == Field::ContentOnDisk ? FieldValue(std::string(contentOnDisk))
                                         : ValueOf(facts, field);
}

}  // namespace

std::string_view PresenceWord(verify::Presence presence) {
    switch (presence) {
        case verify::Presence::Complete:
            return "complete";
        case verify::Presence::Incomplete:
            return "incomplete";
        case verify::Presence::Missing:
            break;
    }
    return "missing";
}

std::string TrackerHost(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) {
        return {};
    }
    std::string_view rest = address.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    if (rest.starts_with('[')) {
        rest = rest.substr(1, rest.find(']') - 1);
    } else {
        rest = rest.substr(0, rest.find(':'));
    }
    std::string host(rest);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

TorrentFacts FactsOf(const torrent::LoadedTorrent& torrent, const std::filesystem::path& path) {
    const torrent::TorrentInfo& info = torrent.info;
    TorrentFacts facts;
    facts.name = SanitizeUtf8(info.name);
    facts.totalSize = info.totalSize;
    facts.files = info.fileCount;
    facts.pieceSize = info.pieceLength;
    facts.pieces = info.pieceCount;
    facts.version = torrent::VersionWord(info);
    facts.infoHashV1 = info.infoHashV1;
    facts.infoHashV2 = info.infoHashV2;
    facts.isPrivate = info.isPrivate;
    std::int64_t trackers = 0;
    torrent::ForEachTracker(info, [&](std::string_view, std::size_t) { ++trackers; });
    facts.tracker = SanitizeUtf8(!info.announce.empty()       ? std::string_view(info.announce)
                                 : !info.trackerTiers.empty() ? info.trackerTiers[0][0]
                                                              : std::string_view());
    facts.trackerHost = TrackerHost(facts.tracker);
    facts.trackers = trackers;
    facts.webSeeds = static_cast<std::int64_t>(info.webSeeds.size());
    facts.createdBy = SanitizeUtf8(info.createdBy);
    if (info.creationDate > 0) {
        facts.creationDate = info.creationDate;
        facts.creationDateInMilliseconds = info.creationDateInMilliseconds;
    }
    facts.comment = SanitizeUtf8(info.comment);
    facts.source = SanitizeUtf8(info.source);
    facts.magnet = torrent::MagnetLink(info);
    facts.magnetWithoutTrackers = torrent::MagnetLink(info, false);
    facts.content = verify::LayoutOf(info, path);
    return facts;
}

FieldValue ValueOf(const TorrentFacts& facts, Field field) {
    const auto text = [](const std::string& value) {
        return value.empty() ? FieldValue() : FieldValue(value);
    };
    switch (field) {
        case Field::Name:
            return text(facts.name);
        case Field::TotalSize:
            return facts.totalSize;
        case Field::Files:
            return facts.files;
        case Field::PieceSize:
            return facts.pieceSize;
        case Field::Pieces:
            return facts.pieces;
        case Field::Version:
            return facts.version;
        case Field::InfoHashV1:
            return text(facts.infoHashV1);
        case Field::InfoHashV2:
            return text(facts.infoHashV2);
        case Field::Private:
            return facts.isPrivate;
        case Field::Tracker:
            return text(facts.tracker);
        case Field::TrackerHost:
            return text(facts.trackerHost);
        case Field::Trackers:
            return facts.trackers;
        case Field::WebSeeds:
            return facts.webSeeds;
        case Field::CreatedBy:
            return text(facts.createdBy);
        case Field::CreationDate:
            return facts.creationDate ? FieldValue(*facts.creationDate) : FieldValue();
        case Field::Comment:
            return text(facts.comment);
        case Field::Source:
            return text(facts.source);
        case Field::MagnetLink:
            return facts.magnet;
        case Field::ContentOnDisk:
        case Field::FileNames:
            break;
    }
    return {};
}

const std::u16string& FileNamesText(const TorrentFacts& facts) {
    std::call_once(facts.names->made, [&facts] {
        std::string text;
        for (const verify::ContentFile& file : facts.content.files) {
            text += file.path;
            text += "\r\n";
        }
        std::replace(text.begin(), text.end(), '/', '\\');
        facts.names->text = Utf16FromUtf8(text);
    });
    return facts.names->text;
}

std::string IsoDate(std::int64_t secondsSince1970) {
    const std::int64_t days = secondsSince1970 / 86400 - (secondsSince1970 % 86400 < 0 ? 1 : 0);
    const std::int64_t seconds = secondsSince1970 - days * 86400;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(year), month, day, static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::int64_t SizeInUnit(std::int64_t bytes, int unit) {
    const std::int64_t divisor = std::int64_t{1} << (10 * std::clamp(unit, 0, 3));
    const std::int64_t half = divisor / 2;
    return bytes >= 0 ? (bytes / divisor) + (bytes % divisor >= half && divisor > 1 ? 1 : 0)
                      : -SizeInUnit(-(bytes + 1), unit);
}

std::string FactsJson(const TorrentFacts& facts, std::string_view contentOnDisk) {
    std::string out = "{";
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        out += i == 0 ? "" : ",";
        platform::AppendJsonString(out, kFields[i].name, platform::ControlEscapes::Unicode);
        out += ':';
        const auto field = static_cast<Field>(i);
        if (field == Field::FileNames) {
            out += '[';
            for (std::size_t f = 0; f < facts.content.files.size(); ++f) {
                out += f == 0 ? "" : ",";
                platform::AppendJsonString(out, facts.content.files[f].path,
                                           platform::ControlEscapes::Unicode);
            }
            out += ']';
            continue;
        }
        const FieldValue value = ToolValue(facts, field, contentOnDisk);
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            if (field == Field::CreationDate) {
                platform::AppendJsonString(out, IsoDate(*number),
                                           platform::ControlEscapes::Unicode);
            } else {
                platform::AppendJsonInteger(out, *number);
            }
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            platform::AppendJsonBool(out, *flag);
        } else if (const auto* words = std::get_if<std::string>(&value)) {
            platform::AppendJsonString(out, *words, platform::ControlEscapes::Unicode);
        } else {
            out += "null";
        }
    }
    return out + "}";
}

std::string FactsText(const TorrentFacts& facts, std::string_view contentOnDisk) {
    std::string out;
    for (std::size_t i = 0; i + 1 < kFields.size(); ++i) {
        const auto field = static_cast<Field>(i);
        const FieldValue value = ToolValue(facts, field, contentOnDisk);
        out += kFields[i].name;
        out += ": ";
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            out += field != Field::CreationDate ? std::to_string(*number)
                   : facts.creationDateInMilliseconds
                       ? IsoDate(*number) + " (stored in milliseconds)"
                       : IsoDate(*number);
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            out += *flag ? "yes" : "no";
        } else if (const auto* words = std::get_if<std::string>(&value)) {
            out += *words;
        }
        out += '\n';
    }
    out += "File names:\n";
    for (const verify::ContentFile& file : facts.content.files) {
        out += "  " + file.path + "\n";
    }
    return out;
}

}  // namespace fields
