#pragma once

#include <string>

#include "verify/content_check.h"

namespace verify {

// The check as one JSON object: {"content":…,"complete":…,"pieces":{"total":…,"good":…},
// "bytes":{"total":…,"checked":…},"files":[{"path":…,"size":…,"status":…,"pieces":…,
// "goodPieces":…},…]}, files in the torrent's order.
std::string CheckJson(const CheckPlan& plan, const CheckResult& result);

// For a person: a line for each file that is not complete ("missing  sub/c.txt"), twenty at
// most and then how many more, and one that sums it up ("6 files in /data/Pack: 4 complete,
// 1 partial (1 of 17 pieces bad), 1 missing; 1.6 MB of 1.7 MB verified"). Content that is not
// there at all is one line: "No download at /data/Pack (0 of 6 files present)".
std::string CheckText(const CheckPlan& plan, const CheckResult& result);

}  // namespace verify
