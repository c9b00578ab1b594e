#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "view/view_records.h"

// The find index of a view's file, made from the file again when the first find asks: opening a
// file pays nothing for it. Null when the file cannot be read or is no longer the one shown, whose
// names the page would not have.
std::shared_ptr<SearchText> BuildSearchTextFor(const std::filesystem::path& path,
                                               platform::FileStamp stamp);

// Brings the index to the page's latest order, then finds as FindNext does.
std::optional<std::string> FindInOrder(SearchText& search, std::string_view pageOrder,
                                       std::uint64_t pageOrderVersion, std::string_view needle,
                                       int flags);

// The Lister's find in a view: the index made at the first call and kept with the view.
std::optional<std::string> FindInTorrent(WebViewState& state, std::string_view needle, int flags);
