#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "loader/loader_options.h"
#include "loader/runtime_rules.h"
#include "loader/windows/optional_functions.h"

namespace loader {

// The client library's full path below a runtime folder when it is there and may be opened for
// execution; a present but locked library is reported as skipped.
std::optional<std::wstring> ProbeClientLibrary(const std::wstring& folder);

// The client library of a caller-named folder, relative to the executable's folder unless
// absolute. No version test: the caller chose this runtime.
HRESULT FixedFolderClientLibrary(const std::wstring& folder, std::wstring& clientPath);

// The client library of the first acceptable installed runtime in the channels' search order.
HRESULT InstalledClientLibrary(const LoaderOptions& options, const PackageFunctions& packages,
                               std::wstring& clientPath);

struct PackagedRuntime {
    std::wstring folder;
    RuntimeVersion version;
};

// Makes the channel's framework package available to the process and finds it in the process's
// package graph.
std::optional<PackagedRuntime> FindPackagedRuntime(const PackageFunctions& packages,
                                                   std::wstring_view familyName);

}  // namespace loader
