#include "tools/preview_server.h"

#include <httplib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/debug_output.h"
#include "platform/decimal.h"
#include "platform/perf_trace.h"
#include "platform/text.h"
#include "tools/preview_guard.h"
#include "view/check_job.h"
#include "view/key_routing.h"
#include "view/lister_commands.h"
#include "view/lister_find.h"
#include "view/page_messages.h"
#include "view/page_origin.h"
#include "view/payload.h"
#include "view/resource_routing.h"
#include "view/scrape_job.h"
#include "view/view_records.h"

namespace {

// The page posts with fetch and hears the host's messages over server-sent events, in the shape
// the WebView2 channel gives them: strings posted, parsed JSON objects received. Every post
// carries the run's token, which stands in the place of TOKEN.
constexpr const char* kBridge = R"(<script>
(function () {
  if (window.chrome && window.chrome.webview) return;
  var listeners = [];
  var sent = Promise.resolve();
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    // One request at a time: the control's channel delivers messages in the order they were
    // posted, and concurrent requests could overtake each other.
    postMessage: function (message) {
      var text = typeof message === 'string';
      var body = text ? message : JSON.stringify(message);
      sent = sent.then(function () {
        return fetch('/__preview/message', { method: 'POST',
          headers: { 'X-Preview-String': text ? '1' : '0', 'X-Preview-Token': 'TOKEN' }, body: body });
      }).catch(function () { /* a lost message must not hold back the ones after it */ });
    },
    addEventListener: function (type, listener) { if (type === 'message') listeners.push(listener); }
  };
  new EventSource('/__preview/events').onmessage = function (event) {
    var data = JSON.parse(event.data);
    listeners.forEach(function (listener) { listener({ data: data }); });
  };
})();
</script>
)";

// Bounds that keep one client, or a few, from holding the preview: its page needs one event
// stream and a request at a time.
constexpr int kWorkerThreads = 16;
constexpr std::size_t kMaxEventStreams = 4;
constexpr std::size_t kMaxBodyBytes = 1 << 20;
constexpr time_t kReadTimeoutSeconds = 1;  // a client that stops sending is let go

// What the preview serves: one view's state, and the messages waiting for the page.
class PreviewHost {
  public:
    PreviewHost(const PreviewOptions& options, const PreviewGuard& guard)
        : options_(options), guard_(guard) {
        state_.dark = (options.flags & kHostDarkModeFlag) != 0;
        outbox_->host = this;
    }
    ~PreviewHost() {
        std::lock_guard lock(outbox_->mutex);
        outbox_->host = nullptr;
        if (checkJob_) {
            checkJob_->Cancel();
        }
        if (scrapeJob_) {
            scrapeJob_->Cancel();
        }
    }

    // In the host's dark mode as last given: the command line's, then the last "dark" command.
    PayloadResult Load(const std::filesystem::path& torrent) {
        std::lock_guard lock(mutex_);
        return LoadTorrentPayload(state_, torrent, state_.dark ? kHostDarkModeFlag : 0);
    }

    void Serve(const httplib::Request& request, httplib::Response& response) {
        const std::string address = "https://" + std::string(kPageHost) + request.target;
        const ResourceRoute route = RouteRequest(address);
        std::string body;
        if (route.resource == PageResource::Page && route.pageFile != 0) {
            body = ReadPage(route.pageFile);
        } else if (route.resource == PageResource::Page) {
            // A still picture needs no channel, and an open event stream would keep a headless
            // browser waiting for the page to finish loading.
            body = options_.screenshot.empty() ? WithPreviewBridge(ReadPage(0), guard_.token)
                                               : ReadPage(0);
        } else {
            std::lock_guard lock(mutex_);
            // A reload shows the settings as they are now: someone may have changed the file.
            if (route.resource != PageResource::TorrentDocument) {
                FillConfigPayload(state_, state_.configDir);
            }
            const std::string noPage;
            body = RouteBody(route.resource, state_, noPage);
        }
        response.set_header("Cache-Control", "no-store, no-cache, must-revalidate");
        response.set_content(body, std::string(route.contentType));
    }

    void Receive(const httplib::Request& request, httplib::Response& response) {
        response.status = 204;
        if (request.get_header_value("X-Preview-String") != "1") {
            return;  // WebView2 hands the plug-in no text for such a message either.
        }
        PageMessageOutcome outcome;
        {
            std::lock_guard lock(mutex_);
            outcome = HandlePageMessage(state_, request.body, PerfEnabled());
        }
        if (outcome.debugLine) {
            platform::WriteDebugOutput(outcome.debugLine->c_str());
        }
        for (const std::string& reply : outcome.replies) {
            Post(reply);
        }
        // What the plug-in would hand the Lister window and the clipboard, told instead.
        if (outcome.relayedKey) {
            if (const auto key = RelayedKey(*outcome.relayedKey, {})) {
                platform::WriteDebugOutput(("[preview] key to the Lister: " +
                                            std::string(1, static_cast<char>(*key)) + "\n")
                                               .c_str());
            }
        }
        if (outcome.check) {
            Check(*outcome.check);
        }
        if (outcome.trackers) {
            AskTrackers(*outcome.trackers);
        }
        if (outcome.copyAnswered && TakeCopyAnswer() && outcome.copiedText) {
            platform::WriteDebugOutput(
                ("[preview] clipboard: " + platform::TerminalSafe(*outcome.copiedText) + "\n")
                    .c_str());
        }
    }

    // Plays the file manager with the plug-in's own decisions: "copy", "selectAll", "dark 1" or
    // "dark 0" (new show flags), or "find FLAGS TEXT". A find that lands nowhere answers 404.
    void Command(const httplib::Request& request, httplib::Response& response) {
        const std::string_view body = request.body;
        std::optional<std::string> message;
        response.status = 204;
        if (body.starts_with("find ")) {
            const std::size_t space = body.find(' ', 5);
            const auto flags =
                static_cast<int>(platform::ReadLeadingDecimal(body.substr(5, space - 5)).value);
            if (space != std::string_view::npos) {
                message = Find(body.substr(space + 1), flags);
            }
            response.status = message ? 204 : 404;
        } else {
            std::lock_guard lock(mutex_);
            const int command = body == "copy"              ? kCommandCopy
                                : body == "selectAll"       ? kCommandSelectAll
                                : body.starts_with("dark ") ? kCommandNewParams
                                                            : 0;
            const CommandOutcome outcome = HandleListerCommand(
                state_, command, body == "dark 1" ? static_cast<int>(kHostDarkModeFlag) : 0);
            if (outcome.awaitsCopy) {
                copyRequest_.Arm();
            }
            message = outcome.message;
            response.status = outcome.result == kListerOk ? 204 : 400;
        }
        if (message) {
            Post(*message);
        }
    }

    // The Lister's find, as the plug-in runs it, without holding the server while it reads the
    // file and searches: the page and its other requests go on meanwhile.
    std::optional<std::string> Find(std::string_view needle, int flags) {
        std::shared_ptr<SearchText> search;
        std::filesystem::path path;
        platform::FileStamp stamp;
        std::string order;
        std::uint64_t orderVersion = 0;
        {
            std::lock_guard lock(mutex_);
            search = state_.search;
            path = state_.torrentPath;
            stamp = state_.torrentStamp;
            orderVersion = state_.pageOrderVersion;
            order = state_.pageOrder;
        }
        if (!search) {
            search = BuildSearchTextFor(path, stamp);
            if (!search) {
                return std::nullopt;
            }
            std::lock_guard lock(mutex_);
            if (state_.torrentPath == path && state_.torrentStamp == stamp) {
                state_.search = search;
            }
        }
        std::lock_guard lock(findMutex_);
        return FindInOrder(*search, order, orderVersion, needle, flags);
    }

    // Plays the plug-in's content check: the same job and messages; a folder is chosen in the
    // page's own field, there being no system picker here.
    void Check(const CheckJob::Request& request) {
        std::lock_guard lock(mutex_);
        if (checkJob_) {
            checkJob_->Cancel();  // kept, so that a next check waits for it to end
        }
        if (request.action == "choose") {
            for (auto& [stream, queue] : subscribers_) {
                queue.push_back("{\"checkChooser\":\"field\"}");
            }
            posted_.notify_all();
            return;
        }
        if (request.action != "start") {
            return;
        }
        checkJob_ = CheckJob::Start(state_.torrentPath, platform::PathFromUtf8(request.content),
                                    Delivery(), checkJob_);
    }

    // Plays the plug-in's asking of the trackers, with the same job and messages.
    void AskTrackers(const std::string& action) {
        std::lock_guard lock(mutex_);
        if (scrapeJob_) {
            scrapeJob_->Cancel();
            scrapeJob_.reset();
        }
        if (action == "ask") {
            scrapeJob_ = ScrapeJob::Start(state_.torrentPath, Delivery());
        }
    }

    // Where a job's messages go: the page's event stream while this host lives.
    std::function<void(std::string)> Delivery() {
        return [outbox = outbox_](std::string message) {
            std::lock_guard held(outbox->mutex);
            if (outbox->host != nullptr) {
                outbox->host->Post(message);
            }
        };
    }

    bool TakeCopyAnswer() {
        std::lock_guard lock(mutex_);
        return copyRequest_.Answer();
    }

    // Loads another file into the same view and tells the page, as a reused view does. A
    // refusal says nothing about the file: the page that asked may not learn what exists.
    void Reload(const httplib::Request& request, httplib::Response& response) {
        const std::filesystem::path file = request.body;
        if (!guard_.FileAllowed(file) || Load(file) != PayloadResult::Ready) {
            response.status = 422;
            response.set_content("cannot be shown", "text/plain");
            return;
        }
        Post("{\"reload\":true}");
        response.status = 204;
    }

    void Post(const std::string& json) {
        std::lock_guard lock(mutex_);
        for (auto& [stream, queue] : subscribers_) {
            queue.push_back(json);
        }
        posted_.notify_all();
    }

    // One event stream per page; a stream that goes away is forgotten with its queue.
    void Subscribe(httplib::Response& response) {
        std::size_t stream;
        {
            std::lock_guard lock(mutex_);
            if (subscribers_.size() == kMaxEventStreams) {
                response.status = 503;
                return;
            }
            stream = nextStream_++;
            subscribers_[stream];
        }
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, stream](std::size_t, httplib::DataSink& sink) {
                std::unique_lock lock(mutex_);
                auto& queue = subscribers_[stream];
                posted_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return !queue.empty() || stopping_; });
                if (stopping_) {
                    return false;
                }
                std::string chunk = ": keep-alive\n\n";
                if (!queue.empty()) {
                    chunk = "data: " + queue.front() + "\n\n";
                    queue.pop_front();
                }
                lock.unlock();
                return sink.write(chunk.data(), chunk.size());
            },
            [this, stream](bool) {
                std::lock_guard lock(mutex_);
                subscribers_.erase(stream);
            });
    }

    void Stop() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        posted_.notify_all();
    }

  private:
    // A page file from the page's own folder, read afresh so that an edit shows on reload.
    std::string ReadPage(std::size_t file) const {
        std::ifstream in(
            file == 0 ? options_.page : options_.page.parent_path() / kPageFiles[file].name,
            std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const PreviewOptions& options_;
    const PreviewGuard& guard_;
    std::mutex mutex_;
    std::condition_variable posted_;
    WebViewState state_;
    std::map<std::size_t, std::deque<std::string>> subscribers_;
    std::size_t nextStream_ = 0;
    bool stopping_ = false;
    CopyRequest copyRequest_;
    // Where a check's messages go while this host lives; a check may outlast it.
    struct Outbox {
        std::mutex mutex;
        PreviewHost* host = nullptr;
    };
    std::shared_ptr<Outbox> outbox_ = std::make_shared<Outbox>();
    std::shared_ptr<CheckJob> checkJob_;
    std::shared_ptr<ScrapeJob> scrapeJob_;
    std::mutex findMutex_;  // one find at a time: each goes on from the last one's hit
};

// Debian's Chromium, kept off the network, renders the page once at the preview's size. Started
// with an argument vector, never through a shell: the file names come from the user.
int TakeScreenshot(const std::string& address, const std::filesystem::path& png) {
    char profile[] = "/tmp/marrowpeek-chromium-XXXXXX";
    if (mkdtemp(profile) == nullptr) {
        return 1;
    }
    std::vector<std::string> words = {"chromium",
                                      "--headless",
                                      "--no-sandbox",
                                      "--disable-gpu",
                                      "--hide-scrollbars",
                                      "--no-first-run",
                                      "--disable-background-networking",
                                      "--disable-component-update",
                                      "--disable-sync",
                                      "--disable-default-apps",
                                      "--no-default-browser-check",
                                      std::string("--user-data-dir=") + profile,
                                      "--window-size=900,700",
                                      "--virtual-time-budget=5000",
                                      "--screenshot=" + std::filesystem::absolute(png).string(),
                                      address};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int status = -1;
    if (posix_spawnp(&child, "chromium", &quiet, nullptr, argv.data(), environ) == 0) {
        waitpid(child, &status, 0);
    }
    posix_spawn_file_actions_destroy(&quiet);
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
    return status == 0 && std::filesystem::exists(png) ? 0 : 1;
}

}  // namespace

std::string WithPreviewBridge(const std::string& page, std::string_view token) {
    std::string bridge = kBridge;
    bridge.replace(bridge.find("TOKEN"), 5, token);
    const std::size_t head = page.find("<head>");
    if (head == std::string::npos) {
        return bridge + page;
    }
    std::string out = page;
    out.insert(head + 6, "\n" + bridge);
    return out;
}

int RunPreview(const PreviewOptions& options, std::ostream& out, std::ostream& err) {
    PreviewGuard guard;
    guard.torrent = options.torrent;
    guard.token = NewPreviewToken();
    PreviewHost host(options, guard);
    if (const PayloadResult result = host.Load(options.torrent); result != PayloadResult::Ready) {
        err << "marrowpeek: " << options.torrent.string() << " " << torrent::RefusalReason(result)
            << "\n";
        return 1;
    }
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server.set_read_timeout(kReadTimeoutSeconds, 0);
    server.set_keep_alive_timeout(kReadTimeoutSeconds);
    server.set_payload_max_length(kMaxBodyBytes);
    // Refused before the body is read: a request for another host name, an action from
    // anywhere but the preview's own page, and a body it would have to inflate first.
    server.set_pre_routing_handler(
        [&](const httplib::Request& request, httplib::Response& response) {
            const std::string name = request.get_header_value("Host");
            const bool allowed = guard.HostAllowed(name) &&
                                 (request.method != "POST" ||
                                  guard.ActionAllowed(name, request.get_header_value("Origin"),
                                                      request.get_header_value("X-Preview-Token")));
            const std::string encoding = request.get_header_value("Content-Encoding");
            if (allowed && (encoding.empty() || encoding == "identity")) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            response.status = allowed ? 415 : 403;
            return httplib::Server::HandlerResponse::Handled;
        });
    server.Get("/__preview/events", [&](const httplib::Request&, httplib::Response& response) {
        host.Subscribe(response);
    });
    server.Post("/__preview/message",
                [&](const httplib::Request& request, httplib::Response& response) {
                    host.Receive(request, response);
                });
    server.Post("/__preview/host",
                [&](const httplib::Request& request, httplib::Response& response) {
                    host.Command(request, response);
                });
    server.Post("/__preview/load",
                [&](const httplib::Request& request, httplib::Response& response) {
                    host.Reload(request, response);
                });
    server.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
        host.Serve(request, response);
    });
    // The library's default lets a second server share a port that is taken, the two then
    // answering in turn with two tokens: only an address just freed may be reused.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    guard.port = options.port == 0
                     ? server.bind_to_any_port("127.0.0.1")
                     : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (guard.port < 0) {
        err << "marrowpeek: port " << options.port << " is in use (or cannot be listened on)\n";
        return 1;
    }
    const bool dark = (options.flags & kHostDarkModeFlag) != 0;
    const std::string address = "http://127.0.0.1:" + std::to_string(guard.port) +
                                (dark ? "/index.html?dark=1" : "/index.html");
    out << address << std::endl;
    if (options.screenshot.empty()) {
        server.listen_after_bind();
        return 0;
    }
    std::thread serving([&] { server.listen_after_bind(); });
    const int result = TakeScreenshot(address, options.screenshot);
    host.Stop();
    server.stop();
    serving.join();
    if (result != 0) {
        err << "marrowpeek: chromium could not take the screenshot\n";
    }
    return result;
}
