#pragma once

#include <string>
#include <vector>

#include "trackers/scrape_run.h"

namespace trackers {

// {"trackers":[{"url":…,"tier":0,"status":"ok","seeders":…,"leechers":…,"completed":…},
// {"url":…,"tier":0,"status":"error","message":…},…],"seeders":…,"leechers":…,"completed":…},
// the headline numbers only when a tracker answered.
std::string ScrapeJson(const std::vector<TrackerAnswer>& answers);

// A line for each tracker ("udp://t.example:1337/announce  11 seeders, 7 leechers, 1,234
// completed", or why not), then the headline.
std::string ScrapeText(const std::vector<TrackerAnswer>& answers);

// "seeders":…,"leechers":…,"completed":… appended to a JSON object being written.
void AppendFiguresJson(std::string& out, const Figures& figures);

// "status":"ok" and the figures, "status":"error","message":…, or the status alone, appended
// to a JSON object being written.
void AppendAnswerJson(std::string& out, const TrackerAnswer& answer);

}  // namespace trackers
