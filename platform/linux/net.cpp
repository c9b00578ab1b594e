#include "platform/net.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/socket_address.h"

namespace platform {
namespace {

std::string AddressText(const NetAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(address.bytes.size() == 4 ? AF_INET : AF_INET6, address.bytes.data(), text,
              sizeof text);
    return text;
}

}  // namespace

std::vector<NetAddress> ResolveHost(const std::string& host, std::uint16_t port,
                                    Interrupt* interrupt) {
    if (interrupt == nullptr) {
        return sockets::LookUp(host, port);
    }
    // Asked of the resolver's own threads, and waited for a tenth of a second at a time. A lookup
    // that the resolver has begun cannot be taken back: its request is then left to it, and
    // never freed, for it may still write its answer there.
    struct Request {
        std::string host;
        addrinfo hints{};
        gaicb block{};
    };
    auto* request = new Request{host, {}, {}};
    request->hints.ai_family = AF_UNSPEC;
    request->hints.ai_socktype = SOCK_DGRAM;
    request->block.ar_name = request->host.c_str();
    request->block.ar_request = &request->hints;
    gaicb* list[] = {&request->block};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete request;
        return {};
    }
    while (gai_error(&request->block) == EAI_INPROGRESS) {
        if (interrupt->triggered()) {
            if (gai_cancel(&request->block) == EAI_CANCELED) {
                delete request;
            }
            return {};
        }
        const timespec wait{0, 100'000'000};
        gai_suspend(list, 1, &wait);
    }
    std::vector<NetAddress> addresses;
    if (gai_error(&request->block) == 0 && request->block.ar_result != nullptr) {
        addresses = sockets::AddressesOf(request->block.ar_result, port);
        freeaddrinfo(request->block.ar_result);
    }
    delete request;
    return addresses;
}

UdpSocket::UdpSocket(const NetAddress& to)
    : socket_(::socket(to.bytes.size() == 4 ? AF_INET : AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
      to_(to) {}

UdpSocket::~UdpSocket() {
    if (socket_ >= 0) {
        ::close(static_cast<int>(socket_));
    }
}

bool UdpSocket::Send(const std::vector<std::uint8_t>& datagram) {
    sockaddr_storage storage{};
    const auto length = static_cast<socklen_t>(sockets::ToSockaddr(to_, storage));
    return socket_ >= 0 && MaySendTo(to_) &&
           ::sendto(static_cast<int>(socket_), datagram.data(), datagram.size(), 0,
                    reinterpret_cast<const sockaddr*>(&storage),
                    length) == static_cast<ssize_t>(datagram.size());
}

std::optional<std::vector<std::uint8_t>> UdpSocket::Receive(int timeoutMs) {
    pollfd ready{static_cast<int>(socket_), POLLIN, 0};
    if (socket_ < 0 || ::poll(&ready, 1, timeoutMs) != 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> answer(65536);
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = ::recvfrom(static_cast<int>(socket_), answer.data(), answer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got < 0 || !sockets::IsFrom(from, static_cast<int>(fromLength), to_)) {
        return std::nullopt;
    }
    answer.resize(static_cast<std::size_t>(got));
    return answer;
}

HttpResult HttpGet(const std::string& url, const NetAddress& at, const std::string& userAgent,
                   std::size_t maxBody, int timeoutMs, Interrupt* interrupt) {
    HttpResult result;
    if (!MaySendTo(at)) {
        result.error = "not allowed";
        return result;
    }
    const std::size_t schemeEnd = url.find("://");
    const std::size_t pathStart = url.find('/', schemeEnd + 3);
    const std::string origin = url.substr(0, pathStart);
    const std::string target = pathStart == std::string::npos ? "/" : url.substr(pathStart);
    httplib::Client client(origin);
    if (!client.is_valid()) {
        result.error = "not an address";
        return result;
    }
    const std::string host =
        origin.substr(schemeEnd + 3, origin.find(':', schemeEnd + 3) - schemeEnd - 3);
    client.set_hostname_addr_map({{host, AddressText(at)}});
    client.set_follow_location(false);
    client.set_connection_timeout(0, timeoutMs * 1000);
    client.set_read_timeout(timeoutMs / 1000, (timeoutMs % 1000) * 1000);
    client.set_write_timeout(timeoutMs / 1000, (timeoutMs % 1000) * 1000);
    client.enable_server_certificate_verification(true);
    bool tooLarge = false;
    const httplib::Headers headers = {{"User-Agent", userAgent}, {"Accept-Encoding", "identity"}};
    if (interrupt != nullptr) {
        interrupt->Arm([&client] { client.stop(); });
    }
    auto response = client.Get(target, headers, [&](const char* data, std::size_t length) {
        if (result.body.size() + length > maxBody) {
            tooLarge = true;
            return false;
        }
        result.body.append(data, length);
        return true;
    });
    if (interrupt != nullptr && interrupt->Disarm()) {
        result.timedOut = true;
        result.error = "timed out";
        result.body.clear();
        return result;
    }
    if (tooLarge) {
        result.error = "too large";
        result.body.clear();
        return result;
    }
    if (!response) {
        result.timedOut = response.error() == httplib::Error::Read ||
                          response.error() == httplib::Error::ConnectionTimeout;
        // The cause in a person's words, as the tracker's answer shows it.
        switch (response.error()) {
            case httplib::Error::Connection:
                result.error = "connection refused";
                break;
            case httplib::Error::SSLConnection:
            case httplib::Error::SSLServerVerification:
                result.error = "no secure connection (certificate not trusted)";
                break;
            case httplib::Error::Write:
            case httplib::Error::Read:
                result.error = "connection lost";
                break;
            default:
                result.error = httplib::to_string(response.error());
        }
        return result;
    }
    result.status = response->status;
    result.location = response->get_header_value("Location");
    return result;
}

}  // namespace platform
