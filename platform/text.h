#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Paths cross the portable code as std::filesystem::path; their text is UTF-8 on both systems.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Text for the terminal: control characters (C0, DEL and C1) written as \xNN or \u00NN, so that
// text from a torrent or a tracker cannot move the cursor, retitle the window or restyle what
// follows. With `keepLines`, line feeds stay, for a report of many lines.
std::string TerminalSafe(std::string_view text, bool keepLines = false);

}  // namespace platform
