#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Paths cross the portable code as std::filesystem::path; their text is UTF-8 on both systems.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// 1234567 as "1,234,567".
std::string GroupedCount(std::int64_t count);

// A size as the page shows it by default, the file manager's habit: 1024-based units (B, KB, MB,
// GB, TB, PB), two decimals under ten and one above, a tie rounded up, digits grouped: "1.21 MB",
// "286.1 MB".
std::string SizeText(std::int64_t bytes);

// Text for the terminal: control characters (C0, DEL and C1) written as \xNN or \u00NN, so that
// text from a torrent or a tracker cannot move the cursor, retitle the window or restyle what
// follows. With `keepLines`, line feeds stay, for a report of many lines.
std::string TerminalSafe(std::string_view text, bool keepLines = false);

}  // namespace platform
