#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The packing options as the dialog shows them: lists one item a line.
namespace archive {

// Trackers one a line, a blank line between tiers; blanks around a line and empty tiers dropped.
std::vector<std::vector<std::string>> TiersFromLines(std::string_view text);
std::string LinesFromTiers(const std::vector<std::vector<std::string>>& tiers);

// One item a line, blank lines dropped.
std::vector<std::string> ItemsFromLines(std::string_view text);
std::string LinesFromItems(const std::vector<std::string>& items);

// The piece lengths offered, 0 for the automatic choice first.
inline constexpr std::array<std::int64_t, 16> kPieceLengthChoices = {
    0,       16 << 10, 32 << 10, 64 << 10, 128 << 10, 256 << 10, 512 << 10, 1 << 20,
    2 << 20, 4 << 20,  8 << 20,  16 << 20, 32 << 20,  64 << 20,  128 << 20, 256 << 20};

// "Auto", "16 KiB" ... "256 MiB".
std::string PieceLengthLabel(std::int64_t length);

}  // namespace archive
