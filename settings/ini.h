#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One section of an INI text. Names, keys and values keep their bytes and letter case;
// duplicate keys stay, in file order.
struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

// The sections of an INI text in file order, never merged. Lines end at line feeds; blanks,
// tabs and carriage returns are trimmed; ";" and "#" start comment lines, and inline comments
// when a blank or tab stands before them.
std::vector<IniSection> ParseIni(std::string_view text);
