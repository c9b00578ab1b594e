#include "tools/preview_server.h"

#include <httplib.h>

#include <cstdlib>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/debug_output.h"
#include "platform/perf_trace.h"
#include "view/page_messages.h"
#include "view/page_origin.h"
#include "view/payload.h"
#include "view/resource_routing.h"
#include "view/view_records.h"

namespace {

// The page posts with fetch and hears the host's messages over server-sent events, in the shape
// the WebView2 channel gives them: strings posted, parsed JSON objects received.
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
          headers: { 'X-Preview-String': text ? '1' : '0' }, body: body });
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

// What the preview serves: one view's state, and the messages waiting for the page.
class PreviewHost {
  public:
    explicit PreviewHost(const PreviewOptions& options) : options_(options) {}

    PayloadResult Load(const std::filesystem::path& torrent) {
        std::lock_guard lock(mutex_);
        return LoadTorrentPayload(state_, torrent, options_.flags);
    }

    void Serve(const httplib::Request& request, httplib::Response& response) {
        const std::string address = "https://" + std::string(kPageHost) + request.target;
        const ResourceRoute route = RouteRequest(address);
        std::string body;
        if (route.resource == PageResource::Page) {
            // A still picture needs no channel, and an open event stream would keep a headless
            // browser waiting for the page to finish loading.
            body = options_.screenshot.empty() ? WithPreviewBridge(ReadPage()) : ReadPage();
        } else {
            std::lock_guard lock(mutex_);
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
    }

    // Loads another file into the same view and tells the page, as a reused view does.
    void Reload(const httplib::Request& request, httplib::Response& response) {
        if (const PayloadResult result = Load(request.body); result != PayloadResult::Ready) {
            response.status = 422;
            response.set_content(std::string(RefusalReason(result)), "text/plain");
            return;
        }
        Post("{\"reload\":true}");
        response.status = 204;
    }

    void Post(const std::string& json) {
        std::lock_guard lock(mutex_);
        for (auto& queue : subscribers_) {
            queue.push_back(json);
        }
        posted_.notify_all();
    }

    void Subscribe(httplib::Response& response) {
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = subscribers_.size();
            subscribers_.emplace_back();
        }
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream", [this, index](std::size_t, httplib::DataSink& sink) {
                std::unique_lock lock(mutex_);
                posted_.wait_for(lock, std::chrono::seconds(15),
                                 [&] { return !subscribers_[index].empty() || stopping_; });
                if (stopping_) {
                    return false;
                }
                std::string chunk = ": keep-alive\n\n";
                if (!subscribers_[index].empty()) {
                    chunk = "data: " + subscribers_[index].front() + "\n\n";
                    subscribers_[index].pop_front();
                }
                lock.unlock();
                return sink.write(chunk.data(), chunk.size());
            });
    }

    void Stop() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        posted_.notify_all();
    }

  private:
    std::string ReadPage() const {
        std::ifstream in(options_.page, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const PreviewOptions& options_;
    std::mutex mutex_;
    std::condition_variable posted_;
    WebViewState state_;
    std::deque<std::deque<std::string>> subscribers_;
    bool stopping_ = false;
};

// Debian's Chromium, kept off the network, renders the page once at the preview's size.
int TakeScreenshot(const std::string& address, const std::filesystem::path& png) {
    char profile[] = "/tmp/marrowpeek-chromium-XXXXXX";
    if (mkdtemp(profile) == nullptr) {
        return 1;
    }
    const std::string command =
        "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--disable-default-apps --no-default-browser-check --user-data-dir=" +
        std::string(profile) + " --window-size=900,700 --virtual-time-budget=5000 --screenshot='" +
        std::filesystem::absolute(png).string() + "' '" + address + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
    return status == 0 && std::filesystem::exists(png) ? 0 : 1;
}

}  // namespace

std::string WithPreviewBridge(const std::string& page) {
    const std::size_t head = page.find("<head>");
    if (head == std::string::npos) {
        return kBridge + page;
    }
    std::string out = page;
    out.insert(head + 6, "\n" + std::string(kBridge));
    return out;
}

int RunPreview(const PreviewOptions& options, std::ostream& out, std::ostream& err) {
    PreviewHost host(options);
    if (const PayloadResult result = host.Load(options.torrent); result != PayloadResult::Ready) {
        err << "marrowpeek: " << options.torrent.string() << " " << RefusalReason(result) << "\n";
        return 1;
    }
    httplib::Server server;
    server.Get("/__preview/events", [&](const httplib::Request&, httplib::Response& response) {
        host.Subscribe(response);
    });
    server.Post("/__preview/message",
                [&](const httplib::Request& request, httplib::Response& response) {
                    host.Receive(request, response);
                });
    server.Post("/__preview/load",
                [&](const httplib::Request& request, httplib::Response& response) {
                    host.Reload(request, response);
                });
    server.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
        host.Serve(request, response);
    });
    const int port = options.port == 0
                         ? server.bind_to_any_port("127.0.0.1")
                         : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (port < 0) {
        err << "marrowpeek: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    const bool dark = (options.flags & kHostDarkModeFlag) != 0;
    const std::string address =
        "http://127.0.0.1:" + std::to_string(port) + (dark ? "/index.html?dark=1" : "/index.html");
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
