#pragma once

#include <string>
#include <string_view>

// The page and its documents are served from this https origin, which the plug-in intercepts.
// Under the reserved top-level domain "invalid" a request the plug-in does not answer fails
// instead of reaching any network.
inline constexpr std::string_view kPageHost = "marrowpeek.invalid";

// The filter that routes every request of the origin to the plug-in.
std::wstring RequestFilter();

// The start page, with "?dark=1" when the host is in dark mode.
std::wstring StartPageAddress(bool dark);
