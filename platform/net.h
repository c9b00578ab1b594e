#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// An address a host name resolves to: 4 bytes for IPv4, 16 for IPv6.
struct NetAddress {
    std::vector<std::uint8_t> bytes;
    std::uint16_t port = 0;
};

// The addresses of a host, IPv4 first. It may block as long as the system's resolver likes: call
// it on a thread that can be left behind.
std::vector<NetAddress> ResolveHost(const std::string& host, std::uint16_t port);

// One datagram to `to` and the first answer from it within `timeoutMs`; nothing when none came.
class UdpSocket {
  public:
    explicit UdpSocket(const NetAddress& to);
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool Send(const std::vector<std::uint8_t>& datagram);
    std::optional<std::vector<std::uint8_t>> Receive(int timeoutMs);

  private:
    std::intptr_t socket_;
    NetAddress to_;
};

// One HTTP or HTTPS GET at an address already resolved (`at`, so that what was checked is what
// is asked), without cookies and without following redirects: a redirect's target is in
// `location`. At most `maxBody` bytes are kept; a longer answer is an error. HTTPS uses the
// system's certificate checks.
struct HttpResult {
    int status = 0;  // 0 when no answer came
    std::string body;
    std::string location;
    std::string error;  // why there is no answer, or "too large"
    bool timedOut = false;
};
HttpResult HttpGet(const std::string& url, const NetAddress& at, const std::string& userAgent,
                   std::size_t maxBody, int timeoutMs);

}  // namespace platform
