#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// An address a host name resolves to: 4 bytes for IPv4, 16 for IPv6.
struct NetAddress {
    std::vector<std::uint8_t> bytes;
    std::uint16_t port = 0;
};

// One exchange under way on one thread that another thread may end at once: a read that trickles
// on, a run that is over. The exchange arms it with how to end it (shut its connection) while it
// lasts; a trigger before then ends it as soon as it is armed.
class Interrupt {
  public:
    void Arm(std::function<void()> stop);
    // Disarms it; true when it was triggered, and its stop then already ran.
    bool Disarm();
    void Trigger();
    bool triggered();

  private:
    std::mutex mutex_;
    std::function<void()> stop_;
    bool triggered_ = false;
};

// Whether anything may be sent to an address: every datagram and connection asks first. Tests set
// a guard, so that a fault that would send to an address outside the machine sends nothing.
using SendGuard = bool (*)(const NetAddress& to);
void SetSendGuard(SendGuard guard);
bool MaySendTo(const NetAddress& to);

// The addresses of a host, IPv4 first. On Linux an interrupt ends the lookup at once; on Windows
// it may block as long as the system's resolver likes: call it on a thread that can be left
// behind.
std::vector<NetAddress> ResolveHost(const std::string& host, std::uint16_t port,
                                    Interrupt* interrupt = nullptr);

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
// `interrupt`, when given, ends it early (the result then has timedOut).
HttpResult HttpGet(const std::string& url, const NetAddress& at, const std::string& userAgent,
                   std::size_t maxBody, int timeoutMs, Interrupt* interrupt = nullptr);

}  // namespace platform
