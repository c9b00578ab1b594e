#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace create {

// A file to pack: its path inside the torrent (its elements, UTF-8), where it is on disk, and
// what it was when it was found, so that a change while it is hashed is noticed.
struct SourceFile {
    std::vector<std::string> path;
    std::filesystem::path disk;
    std::int64_t size = 0;
    std::int64_t modified = 0;
    bool executable = false;
};

// Something left out, and why ("hidden", "symbolic link", "excluded by *.nfo" ...).
struct Skipped {
    std::string path;
    std::string reason;
};

// What the inputs give: the torrent's name, whether it is a single file, its files in the order
// a version 2 torrent lists them (path elements compared one by one, bytewise), and what was
// left out.
struct FileSet {
    std::string name;
    bool singleFile = false;
    std::vector<SourceFile> files;
    std::vector<Skipped> skipped;
};

struct SelectRules {
    bool includeHidden = false;
    std::vector<std::string> excludes;  // globs against the path inside the torrent, or a name
    std::filesystem::path output;       // the torrent being written: never packed into itself
    // When not empty, sorted: the only files taken from the folders walked, as a file manager
    // lists what was chosen; any other is passed over without a word.
    std::vector<std::filesystem::path> only;
};

// The files of the inputs. One folder is a torrent of that name; one file, a single-file
// torrent; several paths, a torrent named `name` holding them at its root. Junk (Thumbs.db,
// desktop.ini, .DS_Store, ._*) is always left out, hidden files unless asked for, links and
// anything not a regular file always, empty folders by their nature. False, and why, naming the
// path, for inputs that cannot be packed: missing, unreadable, a name that is no valid text, or
// nothing left to pack.
bool SelectFiles(const std::vector<std::filesystem::path>& inputs, const std::string& name,
                 const SelectRules& rules, FileSet& set, std::string& whyNot);

// Whether a glob (`*` any run, `?` one character, `[...]` a set) matches the whole text.
bool GlobMatches(std::string_view glob, std::string_view text);

}  // namespace create
