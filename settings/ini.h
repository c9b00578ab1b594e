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

// Section names compare without regard to letter case, as Windows compares them.
bool SameIniName(std::string_view a, std::string_view b);

// Whether a value with no blanks around it reads back as it was written: no line break or NUL,
// which would end the line, and no ";" or "#" after a blank, where reading would cut it.
bool IniLineHolds(std::string_view value);

// The INI text with every section named `name` (letter case aside) taken out and `section`, a
// whole section text with its header, put where the first of them was, else at the end; every
// other line is kept as it was, so that one writer never drops another's section.
std::string ReplaceSection(std::string_view text, std::string_view name, std::string_view section);
