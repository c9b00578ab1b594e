#pragma once

#include <string>
#include <string_view>

// The bytes with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD
// (EF BF BD): no overlong forms, no surrogates, nothing above U+10FFFF. Valid text comes out
// unchanged, and each rejected byte gives exactly one replacement.
std::string SanitizeUtf8(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 already, so that SanitizeUtf8 would return them as
// they are.
bool IsValidUtf8(std::string_view bytes);

// How many UTF-16 units the text takes once converted, each bad byte taking one.
std::size_t Utf16Length(std::string_view bytes);

// Appends a code point (at most U+10FFFF, not a surrogate) in UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Valid UTF-8 as UTF-16, code points past U+FFFF as surrogate pairs.
std::u16string Utf16FromUtf8(std::string_view valid);
