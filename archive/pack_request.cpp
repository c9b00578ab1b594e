#include "archive/pack_request.h"

#include <algorithm>
#include <chrono>

#include "platform/text.h"

namespace archive {

bool PackRequest(const PackAsk& ask, const CreateSettings& settings, create::CreateRequest& request,
                 std::string& whyNot) {
    std::vector<std::filesystem::path> tops;
    std::vector<std::filesystem::path>& only = request.select.only;
    for (const std::filesystem::path& name : ask.names) {
        const std::filesystem::path relative = name.relative_path();
        const bool escapes =
            std::any_of(relative.begin(), relative.end(), [](const auto& e) { return e == ".."; });
        if (name.empty() || name.has_root_path() || relative.begin() == relative.end() || escapes) {
            whyNot = "\"" + platform::PathToUtf8(name) + "\" is not a name inside " +
                     platform::PathToUtf8(ask.sourceFolder);
            return false;
        }
        const std::filesystem::path top = ask.sourceFolder / *relative.begin();
        if (std::find(tops.begin(), tops.end(), top) == tops.end()) {
            tops.push_back(top);
        }
        // A folder's name ends with a separator: its files are listed after it.
        if (!name.filename().empty()) {
            only.push_back(ask.sourceFolder / relative);
        }
    }
    if (tops.empty()) {
        whyNot = "nothing to pack";
        return false;
    }
    std::sort(only.begin(), only.end());
    request.inputs = std::move(tops);
    request.name = platform::PathToUtf8(ask.packedFile.stem());
    request.version = settings.version == "v1"   ? create::Version::V1
                      : settings.version == "v2" ? create::Version::V2
                                                 : create::Version::Hybrid;
    request.pieceLength =
        create::IsValidPieceLength(settings.pieceLength) ? settings.pieceLength : 0;
    request.select.includeHidden = settings.includeHidden;
    request.select.output = ask.packedFile;
    create::Description& description = request.description;
    description.trackerTiers = settings.trackers;
    description.webSeeds = settings.webSeeds;
    description.isPrivate = settings.isPrivate;
    description.source = settings.source;
    description.comment = settings.comment;
    description.creator = "Marrowpeek/" MARROWPEEK_VERSION;
    description.creationDate = std::chrono::duration_cast<std::chrono::seconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
    return true;
}

}  // namespace archive
