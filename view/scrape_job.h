#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

// Asking a view's trackers for its page, only when the page asks ({"trackers":"ask"}), on
// threads of its own, each answer told as it comes:
//   {"trackerAnswer":{"index":N,"status":"ok","seeders":…,"leechers":…,"completed":…}}
//   {"trackerAnswer":{"index":N,"status":"error","message":"…"}}   (or timeout, unsupported,
//   skipped), N being the tracker's place in the document's tiers, read in order;
//   {"trackersDone":{"seeders":…,"leechers":…,"completed":…}}   (empty when none answered)
class ScrapeJob {
  public:
    static std::shared_ptr<ScrapeJob> Start(const std::filesystem::path& torrent,
                                            std::function<void(std::string)> deliver);
    void Cancel() { cancel_ = true; }

  private:
    std::atomic<bool> cancel_{false};
};
