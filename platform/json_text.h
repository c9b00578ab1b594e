#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The one JSON writer of the documents and messages the page reads. Texts must be valid UTF-8
// already (SanitizeUtf8 repairs those that may not be).

namespace platform {

// How bytes below 0x20 are written. Both are valid JSON; each document keeps the form it has
// always had, so that a stored or compared document never changes its bytes.
enum class ControlEscapes {
    Short,    // \b \t \n \f \r where JSON has them, \u00xx for the rest (the torrent document)
    Unicode,  // \u00xx for every one (the configuration document and the style-sheet message)
};

// Escapes the quote, the backslash and bytes below 0x20; every other byte, "/" and 0x7F
// included, is copied unchanged.
void AppendJsonEscaped(std::string& out, std::string_view text, ControlEscapes controls);

// The escaped text between double quotes.
void AppendJsonString(std::string& out, std::string_view text, ControlEscapes controls);

// The same for bytes that may not be UTF-8: repaired first (SanitizeUtf8), valid text as it is.
void AppendJsonRepaired(std::string& out, std::string_view bytes, ControlEscapes controls);

// At least how many bytes AppendJsonRepaired adds to the text's own size, quotes left out: a
// document's size can be known, escapes and repairs counted, before any of it is written.
std::size_t JsonRepairedGrowth(std::string_view bytes);

void AppendJsonInteger(std::string& out, std::int64_t value);
void AppendJsonBool(std::string& out, bool value);

}  // namespace platform
