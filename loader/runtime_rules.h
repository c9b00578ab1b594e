#pragma once

// The loader's decisions that need no system call: parsing of overrides, versions and folders,
// the channel order, and the texts it writes to the debugger.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loader/loader_options.h"

namespace loader {

using RuntimeVersion = std::array<std::uint32_t, 4>;

inline constexpr RuntimeVersion kMinimumRuntimeVersion{86, 0, 616, 0};

// The leading decimal integer of a text (after blanks, with an optional sign), 0 when there is
// none; saturates instead of overflowing.
std::int64_t LeadingInteger(std::wstring_view text);

// A comma-separated list of channel indices as a mask: 0 to 4 set their own bit, anything else
// (negative, too large, not a number) sets the stable bit. Empty items are skipped.
std::uint32_t ParseChannelList(std::wstring_view text);

// The version named by the folder's last component: up to four dot-separated numbers, missing
// trailing parts 0. Empty when the component does not begin with a number.
std::optional<RuntimeVersion> VersionOfFolder(std::wstring_view folder);

bool IsAcceptableVersion(const RuntimeVersion& version);

// At least three characters and either "\\" first or a drive letter, colon and backslash.
bool IsAbsoluteFolder(std::wstring_view folder);

// Channel indices in the order they are searched.
std::vector<std::size_t> ChannelSearchOrder(const LoaderOptions& options);

// The folder joined to the client library's place below a runtime folder.
std::wstring ClientLibraryPath(std::wstring_view folder);

// Eight upper-case hexadecimal digits.
std::wstring HexCode(std::int32_t code);

// Windows' rule for turning a Win32 error into an HRESULT.
std::int32_t HresultFromWin32(std::uint32_t error);

// Where the overridable settings come from. Each lookup answers only for its own source; the
// precedence between them is ApplyOverrides' business.
struct OverrideSources {
    // The variable's text when it exists, even empty.
    std::function<std::optional<std::wstring>(std::wstring_view name)> environment;
    // Whether the policy root key exists in either hive.
    std::function<bool()> policyRootExists;
    // A policy's text (machine hive first, then user; value names in their order, "*" only when
    // allowed); an empty value counts only when allowEmpty.
    std::function<std::optional<std::wstring>(std::wstring_view policy, bool allowStar,
                                              bool allowEmpty)>
        policyText;
    // A policy read as a DWORD or, failing that, as text; true when it means 1.
    std::function<std::optional<bool>(std::wstring_view policy, bool allowStar)> policySearchKind;
};

// Applies the environment variables and policies, each in its turn, to options built from the
// caller's arguments.
void ApplyOverrides(LoaderOptions& options, const OverrideSources& sources);

}  // namespace loader
