#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "create/make_torrent.h"
#include "settings/create_settings.h"

namespace archive {

// What the file manager's "Pack files" asks for.
struct PackAsk {
    std::filesystem::path packedFile;    // the torrent to write
    std::filesystem::path sourceFolder;  // what the names are relative to
    // Names as the file manager lists them: "\" between elements, a folder ending with one, the
    // files below a chosen folder listed too.
    std::vector<std::filesystem::path> names;
};

// The maker's request for it: one folder chosen gives a torrent named after it, one file a
// single-file torrent, several a torrent named after the output's stem holding them at its root;
// of what they hold, the listed files alone are taken. The settings give the version, piece
// length, description and whether hidden files count, as `marrowpeek create` takes them. False,
// and why, for no names or a name that would leave the source folder.
bool PackRequest(const PackAsk& ask, const CreateSettings& settings, create::CreateRequest& request,
                 std::string& whyNot);

}  // namespace archive
