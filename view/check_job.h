#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// A content check a view runs for its page, on threads of its own, told to the page in messages:
//   {"checkStarted":{"content":"…"}}
//   {"checkProgress":{"done":bytes,"total":bytes,"rate":bytes a second,"map":"UGBM…"}}   about
//     ten a second, the map 1,024 letters at most, each the worst of its group of pieces
//   {"checkDone":{"content":"…","complete":bool,"cancelled":bool,"files":[{"path":"a/b",
//     "status":"partial","pieces":N,"good":N},…],"pieces":"GGBM…"}}   a letter a piece:
//     G good, B bad, M missing, U unchecked
//   {"checkRefused":"why"}
// The job never touches the view: it owns what it reads, and leaving the file only cancels it.
class CheckJob {
  public:
    // What the page asks of it: {"check":"start","content":"…"} (an empty content being beside
    // the torrent), {"check":"cancel"} or {"check":"choose"} (the host picks a folder).
    struct Request {
        std::string action;
        std::string content;
    };

    // Starts checking the torrent's content. `deliver` gets each message on the check's thread
    // and must hand it to the page's own thread. A view runs one check at a time: `previous`, the
    // view's last check, is abandoned at once, and the new one reads nothing until it has ended.
    static std::shared_ptr<CheckJob> Start(const std::filesystem::path& torrent,
                                           const std::filesystem::path& content,
                                           std::function<void(std::string)> deliver,
                                           const std::shared_ptr<CheckJob>& previous = nullptr);
    // Ends the check within one read; its last message says it was cancelled.
    void Cancel() { cancel_ = true; }
    // Ends it as Cancel does, and not one more of its messages is delivered once this returns:
    // for a check that another replaces, whose page must not hear the old one end.
    void Abandon();
    // Whether its thread has finished, having told all it had to tell.
    bool Ended();

  private:
    std::atomic<bool> cancel_{false};
    void WaitUntilEnded();

    std::mutex delivering_;
    bool abandoned_ = false;
    std::mutex ending_;
    std::condition_variable endedChanged_;
    bool ended_ = false;
};
