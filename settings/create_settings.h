#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_write.h"

// How the file manager's "Pack files" makes torrents: the [Create] section of Marrowpeek.ini,
// which the packer's dialog writes and every later pack reads. Texts are UTF-8.
struct CreateSettings {
    std::string version = "hybrid";                  // "v1", "v2" or "hybrid"
    std::int64_t pieceLength = 0;                    // 0: chosen from the content's size
    std::vector<std::vector<std::string>> trackers;  // tiers in order
    std::vector<std::string> webSeeds;
    bool isPrivate = false;
    std::string source;
    std::string comment;
    bool includeHidden = false;
};

// The settings of an INI text's [Create] sections, in any letter case: defaults, then each
// section's first entry of a key ("tracker" and "webseed" repeat, an empty tracker ending a tier).
// A version or piece size the file does not know keeps its default.
CreateSettings CreateSettingsFromText(std::string_view text);

// The [Create] section holding the settings; nothing, and why, when a text would not read back
// as written (a line break, or a ";" or "#" after a blank).
std::optional<std::string> CreateSection(const CreateSettings& settings, std::string& whyNot);

// Reads folder/Marrowpeek.ini (none: the defaults).
CreateSettings ReadCreateSettings(const std::filesystem::path& folder);

// Writes the settings into folder/Marrowpeek.ini, every other section as it was; a file that
// another writer replaces meanwhile is read again, a few times at most. False, and why, when
// they cannot be stored.
bool WriteCreateSettings(const std::filesystem::path& folder, const CreateSettings& settings,
                         std::string& whyNot);
