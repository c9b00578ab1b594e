#include "create/file_set.h"

#include <algorithm>
#include <array>

#include "platform/folder_entries.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace create {
namespace {

using platform::FolderEntry;

// Files that systems leave beside people's own, never wanted in a torrent.
bool IsJunk(std::string_view name) {
    constexpr std::array<std::string_view, 3> kNames = {"Thumbs.db", "desktop.ini", ".DS_Store"};
    return std::find(kNames.begin(), kNames.end(), name) != kNames.end() || name.starts_with("._");
}

std::string Joined(const std::vector<std::string>& path) {
    std::string text;
    for (const std::string& element : path) {
        text += (text.empty() ? "" : "/") + element;
    }
    return text;
}

struct Walk {
    const SelectRules& rules;
    FileSet& set;
    std::string& whyNot;
    std::filesystem::path output;

    // Why an entry is left out, or nothing when it is packed (or walked into).
    std::string Reason(const FolderEntry& entry, const std::vector<std::string>& path) const {
        if (IsJunk(entry.name)) {
            return "junk";
        }
        if (!rules.includeHidden && (entry.hidden || entry.name.starts_with("."))) {
            return "hidden";
        }
        if (entry.kind == FolderEntry::Kind::Link) {
            return "symbolic link, not followed";
        }
        if (entry.kind == FolderEntry::Kind::Other) {
            return "not a regular file";
        }
        if (!output.empty() && entry.kind == FolderEntry::Kind::File && Same(entry.path)) {
            return "the torrent being made";
        }
        for (const std::string& glob : rules.excludes) {
            if (GlobMatches(glob, Joined(path)) || GlobMatches(glob, entry.name)) {
                return "excluded by " + glob;
            }
        }
        return {};
    }

    bool Same(const std::filesystem::path& path) const {
        std::error_code error;
        return std::filesystem::weakly_canonical(path, error) == output;
    }

    // Adds what `entry` holds at `path` inside the torrent; false when it cannot be packed.
    bool Add(const FolderEntry& entry, std::vector<std::string>& path) {
        if (!entry.validName) {
            whyNot = SanitizeUtf8(platform::PathToUtf8(entry.path)) +
                     " has a name that is not valid text";
            return false;
        }
        if (const std::string reason = Reason(entry, path); !reason.empty()) {
            set.skipped.push_back({Joined(path), reason});
            return true;
        }
        if (entry.kind == FolderEntry::Kind::File) {
            if (!rules.only.empty() &&
                !std::binary_search(rules.only.begin(), rules.only.end(), entry.path)) {
                return true;
            }
            set.files.push_back({path, entry.path, static_cast<std::int64_t>(entry.size),
                                 entry.modified, entry.executable});
            return true;
        }
        return AddChildren(entry, path);
    }

    // Adds what a folder holds, below `path` inside the torrent.
    bool AddChildren(const FolderEntry& folder, std::vector<std::string>& path) {
        std::vector<FolderEntry> entries;
        if (!platform::ListFolder(folder.path, entries)) {
            whyNot = platform::PathToUtf8(folder.path) + " cannot be read";
            return false;
        }
        for (const FolderEntry& inner : entries) {
            path.push_back(inner.name);
            const bool added = Add(inner, path);
            path.pop_back();
            if (!added) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace

bool GlobMatches(std::string_view glob, std::string_view text) {
    std::size_t g = 0, t = 0, starG = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (g < glob.size() && glob[g] == '*') {
            starG = g++;
            starT = t;
            continue;
        }
        bool one = false;
        std::size_t next = g + 1;
        if (g < glob.size() && glob[g] == '[') {
            const std::size_t close = glob.find(']', g + 2);
            if (close != std::string_view::npos) {
                const bool negated = glob[g + 1] == '!' || glob[g + 1] == '^';
                bool in = false;
                for (std::size_t at = g + 1 + (negated ? 1 : 0); at < close; ++at) {
                    if (at + 2 < close && glob[at + 1] == '-') {
                        in = in || (text[t] >= glob[at] && text[t] <= glob[at + 2]);
                        at += 2;
                    } else {
                        in = in || text[t] == glob[at];
                    }
                }
                one = in != negated;
                next = close + 1;
            }
        }
        if (!one && g < glob.size() &&
            (glob[g] == '?' || (glob[g] != '[' && glob[g] == text[t]) ||
             (glob[g] == '[' && next == g + 1 && text[t] == '['))) {
            one = true;
        }
        if (one) {
            g = next;
            ++t;
        } else if (starG != std::string_view::npos) {
            g = starG + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == '*') {
        ++g;
    }
    return g == glob.size();
}

bool SelectFiles(const std::vector<std::filesystem::path>& inputs, const std::string& name,
                 const SelectRules& rules, FileSet& set, std::string& whyNot) {
    Walk walk{rules, set, whyNot, {}};
    if (!rules.output.empty()) {
        std::error_code error;
        walk.output = std::filesystem::weakly_canonical(rules.output, error);
    }
    std::vector<FolderEntry> tops;
    for (const std::filesystem::path& input : inputs) {
        // An input's own name: "dir/" and "dir/." name the folder "dir".
        const std::filesystem::path named =
            input.filename().empty() || input.filename() == "." ? input.parent_path() : input;
        auto entry = platform::LookAt(named);
        if (!entry || entry->kind == FolderEntry::Kind::Other) {
            whyNot = platform::PathToUtf8(input) +
                     (entry ? " is not a file or a folder" : " is not there");
            return false;
        }
        if (entry->kind == FolderEntry::Kind::Link) {
            // Named on the command line: the user means what it points at.
            std::error_code error;
            const std::filesystem::path target = std::filesystem::canonical(named, error);
            auto pointed = error ? std::nullopt : platform::LookAt(target);
            if (!pointed) {
                whyNot = platform::PathToUtf8(input) + " is a link to nothing";
                return false;
            }
            pointed->name = entry->name;
            pointed->validName = entry->validName;
            entry = pointed;
        }
        if (!entry->validName) {
            whyNot =
                SanitizeUtf8(platform::PathToUtf8(input)) + " has a name that is not valid text";
            return false;
        }
        tops.push_back(*entry);
    }
    std::vector<std::string> path;
    if (tops.size() == 1 && tops[0].kind == FolderEntry::Kind::File) {
        set.singleFile = true;
        set.name = tops[0].name;
        set.files.push_back({{tops[0].name},
                             tops[0].path,
                             static_cast<std::int64_t>(tops[0].size),
                             tops[0].modified,
                             tops[0].executable});
    } else if (tops.size() == 1) {
        set.name = tops[0].name;
        if (!walk.AddChildren(tops[0], path)) {
            return false;
        }
    } else {
        set.name = name;
        for (const FolderEntry& entry : tops) {
            path.assign(1, entry.name);
            if (!walk.Add(entry, path)) {
                return false;
            }
        }
    }
    if (set.files.empty()) {
        whyNot = "nothing to pack: every file was left out, or there are none";
        return false;
    }
    std::sort(set.files.begin(), set.files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    // Two inputs of one name, or a file where another input has a folder, cannot both be there.
    const auto clash = std::adjacent_find(
        set.files.begin(), set.files.end(), [](const SourceFile& a, const SourceFile& b) {
            return a.path.size() <= b.path.size() &&
                   std::equal(a.path.begin(), a.path.end(), b.path.begin());
        });
    if (clash != set.files.end()) {
        whyNot = "two inputs give the same path, " + Joined(clash->path);
        return false;
    }
    return true;
}

}  // namespace create
