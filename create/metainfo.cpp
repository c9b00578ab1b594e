#include "create/metainfo.h"

#include <map>

#include "torrent/bencode_writer.h"

namespace create {
namespace {

using bencode::AppendInteger;
using bencode::AppendKey;
using bencode::AppendString;

// A version 2 file's entry: {"": {"attr", "length", "pieces root"}}.
void AppendTreeEntry(std::string& out, const SourceFile& file, const std::string& root) {
    out += "d0:d";
    if (file.executable) {
        AppendKey(out, "attr");
        AppendString(out, "x");
    }
    AppendKey(out, "length");
    AppendInteger(out, file.size);
    if (!root.empty()) {
        AppendKey(out, "pieces root");
        AppendString(out, root);
    }
    out += "ee";
}

// The files [begin, end), which share their first `depth` elements, as a "file tree" level:
// sorted files give its keys in order.
void AppendTree(std::string& out, const FileSet& set, const PieceHashes& hashes, std::size_t begin,
                std::size_t end, std::size_t depth) {
    out += 'd';
    for (std::size_t group = begin; group < end;) {
        const std::string& key = set.files[group].path[depth];
        std::size_t next = group + 1;
        while (next < end && set.files[next].path[depth] == key) {
            ++next;
        }
        AppendKey(out, key);
        if (set.files[group].path.size() == depth + 1) {
            AppendTreeEntry(out, set.files[group], hashes.roots[group]);
        } else {
            AppendTree(out, set, hashes, group, next, depth + 1);
        }
        group = next;
    }
    out += 'e';
}

void AppendFileEntry(std::string& out, std::string_view attr, std::int64_t length,
                     const std::vector<std::string>& path) {
    out += 'd';
    if (!attr.empty()) {
        AppendKey(out, "attr");
        AppendString(out, attr);
    }
    AppendKey(out, "length");
    AppendInteger(out, length);
    AppendKey(out, "path");
    out += 'l';
    for (const std::string& element : path) {
        AppendString(out, element);
    }
    out += "ee";
}

}  // namespace

std::string InfoDictionary(const FileSet& set, Version version, std::int64_t pieceLength,
                           const PieceHashes& hashes, const Description& description) {
    const bool v1 = version != Version::V2;
    const bool v2 = version != Version::V1;
    std::string out = "d";
    if (v2) {
        AppendKey(out, "file tree");
        if (set.singleFile) {
            out += 'd';
            AppendKey(out, set.name);
            AppendTreeEntry(out, set.files[0], hashes.roots[0]);
            out += 'e';
        } else {
            AppendTree(out, set, hashes, 0, set.files.size(), 0);
        }
    }
    if (v1 && !set.singleFile) {
        AppendKey(out, "files");
        out += 'l';
        for (const SourceFile& file : set.files) {
            AppendFileEntry(out, file.executable ? "x" : "", file.size, file.path);
            // A hybrid's files each begin a piece: zeros fill the last one of the file before.
            const std::int64_t tail = file.size % pieceLength;
            if (version == Version::Hybrid && tail != 0) {
                AppendFileEntry(out, "p", pieceLength - tail,
                                {".pad", std::to_string(pieceLength - tail)});
            }
        }
        out += 'e';
    }
    if (v1 && set.singleFile) {
        AppendKey(out, "length");
        AppendInteger(out, set.files[0].size);
    }
    if (v2) {
        AppendKey(out, "meta version");
        AppendInteger(out, 2);
    }
    AppendKey(out, "name");
    AppendString(out, set.name);
    AppendKey(out, "piece length");
    AppendInteger(out, pieceLength);
    if (v1) {
        AppendKey(out, "pieces");
        AppendString(out, hashes.v1);
    }
    if (description.isPrivate) {
        AppendKey(out, "private");
        AppendInteger(out, 1);
    }
    if (!description.source.empty()) {
        AppendKey(out, "source");
        AppendString(out, description.source);
    }
    return out + "e";
}

std::string Metainfo(const std::string& info, const FileSet& set, const PieceHashes& hashes,
                     const Description& description) {
    std::vector<std::string> trackers;
    for (const auto& tier : description.trackerTiers) {
        trackers.insert(trackers.end(), tier.begin(), tier.end());
    }
    std::string out = "d";
    if (!trackers.empty()) {
        AppendKey(out, "announce");
        AppendString(out, trackers.front());
    }
    if (trackers.size() > 1) {
        AppendKey(out, "announce-list");
        out += 'l';
        for (const auto& tier : description.trackerTiers) {
            out += 'l';
            for (const std::string& url : tier) {
                AppendString(out, url);
            }
            out += 'e';
        }
        out += 'e';
    }
    if (!description.comment.empty()) {
        AppendKey(out, "comment");
        AppendString(out, description.comment);
    }
    if (!description.creator.empty()) {
        AppendKey(out, "created by");
        AppendString(out, description.creator);
    }
    if (description.creationDate) {
        AppendKey(out, "creation date");
        AppendInteger(out, *description.creationDate);
    }
    AppendKey(out, "info");
    out += info;
    // Each piece layer once, under the root it hashes to, in the roots' order.
    std::map<std::string, const std::string*> layers;
    for (std::size_t i = 0; i < hashes.layers.size() && i < set.files.size(); ++i) {
        if (!hashes.layers[i].empty()) {
            layers.emplace(hashes.roots[i], &hashes.layers[i]);
        }
    }
    if (!hashes.roots.empty()) {
        AppendKey(out, "piece layers");
        out += 'd';
        for (const auto& [root, layer] : layers) {
            AppendKey(out, root);
            AppendString(out, *layer);
        }
        out += 'e';
    }
    if (description.webSeeds.size() == 1) {
        AppendKey(out, "url-list");
        AppendString(out, description.webSeeds.front());
    } else if (!description.webSeeds.empty()) {
        AppendKey(out, "url-list");
        out += 'l';
        for (const std::string& seed : description.webSeeds) {
            AppendString(out, seed);
        }
        out += 'e';
    }
    return out + "e";
}

}  // namespace create
