#include "platform/net.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/socket_address.h"

namespace platform {
namespace {

// Winsock is started once for the process and left running: threads that time out may still
// be inside a lookup.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::wstring Wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string AddressText(const NetAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(address.bytes.size() == 4 ? AF_INET : AF_INET6, address.bytes.data(), text,
              sizeof text);
    return address.bytes.size() == 4 ? std::string(text) : "[" + std::string(text) + "]";
}

struct Handle {
    HINTERNET handle = nullptr;
    ~Handle() {
        if (handle != nullptr) {
            WinHttpCloseHandle(handle);
        }
    }
};

}  // namespace

std::vector<NetAddress> ResolveHost(const std::string& host, std::uint16_t port, Interrupt*) {
    if (!StartWinsock()) {
        return {};
    }
    return sockets::LookUp(host, port);
}

UdpSocket::UdpSocket(const NetAddress& to)
    : socket_(StartWinsock() ? static_cast<std::intptr_t>(::socket(
                                   to.bytes.size() == 4 ? AF_INET : AF_INET6, SOCK_DGRAM, 0))
                             : static_cast<std::intptr_t>(INVALID_SOCKET)),
      to_(to) {}

UdpSocket::~UdpSocket() {
    if (static_cast<SOCKET>(socket_) != INVALID_SOCKET) {
        closesocket(static_cast<SOCKET>(socket_));
    }
}

bool UdpSocket::Send(const std::vector<std::uint8_t>& datagram) {
    sockaddr_storage storage{};
    const int length = sockets::ToSockaddr(to_, storage);
    return static_cast<SOCKET>(socket_) != INVALID_SOCKET && MaySendTo(to_) &&
           ::sendto(static_cast<SOCKET>(socket_), reinterpret_cast<const char*>(datagram.data()),
                    static_cast<int>(datagram.size()), 0,
                    reinterpret_cast<const sockaddr*>(&storage),
                    length) == static_cast<int>(datagram.size());
}

std::optional<std::vector<std::uint8_t>> UdpSocket::Receive(int timeoutMs) {
    const auto socket = static_cast<SOCKET>(socket_);
    WSAPOLLFD ready{socket, POLLRDNORM, 0};
    if (socket == INVALID_SOCKET || WSAPoll(&ready, 1, timeoutMs) != 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> answer(65536);
    sockaddr_storage from{};
    int fromLength = sizeof from;
    const int got =
        ::recvfrom(socket, reinterpret_cast<char*>(answer.data()), static_cast<int>(answer.size()),
                   0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got < 0 || !sockets::IsFrom(from, fromLength, to_)) {
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
    const std::wstring wideUrl = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) {
        result.error = "not an address";
        return result;
    }
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    Handle session{WinHttpOpen(Wide(userAgent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)};
    if (session.handle == nullptr) {
        result.error = "no HTTP";
        return result;
    }
    WinHttpSetTimeouts(session.handle, timeoutMs, timeoutMs, timeoutMs, timeoutMs);
    // Plain HTTP goes to the address that was checked; HTTPS must name the host for its
    // certificate, and the address was checked just before.
    const std::wstring connectTo = secure ? host : Wide(AddressText(at));
    Handle connection{WinHttpConnect(session.handle, connectTo.c_str(), parts.nPort, 0)};
    Handle request{connection.handle == nullptr
                       ? nullptr
                       : WinHttpOpenRequest(connection.handle, L"GET", target.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            secure ? WINHTTP_FLAG_SECURE : 0)};
    if (request.handle == nullptr) {
        result.error = "cannot connect";
        return result;
    }
    DWORD disabled = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request.handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled);
    const std::wstring headers = secure ? L"" : L"Host: " + host + L"\r\n";
    // Another thread ends a request under way by closing its handle; it is then closed no more.
    if (interrupt != nullptr) {
        interrupt->Arm([handle = request.handle] { WinHttpCloseHandle(handle); });
    }
    const auto interrupted = [&] {
        if (interrupt == nullptr || !interrupt->Disarm()) {
            return false;
        }
        request.handle = nullptr;
        result = {};
        result.timedOut = true;
        result.error = "timed out";
        return true;
    };
    if (!WinHttpSendRequest(
            request.handle, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
            headers.empty() ? 0 : static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.handle, nullptr)) {
        if (interrupted()) {
            return result;
        }
        const DWORD cause = GetLastError();
        result.timedOut = cause == ERROR_WINHTTP_TIMEOUT;
        // The cause in a person's words, as the tracker's answer shows it.
        result.error = result.timedOut                            ? "timed out"
                       : cause == ERROR_WINHTTP_CANNOT_CONNECT    ? "connection refused"
                       : cause == ERROR_WINHTTP_NAME_NOT_RESOLVED ? "no such host"
                       : cause == ERROR_WINHTTP_SECURE_FAILURE
                           ? "no secure connection (certificate not trusted)"
                       : cause == ERROR_WINHTTP_CONNECTION_ERROR ? "connection lost"
                                                                 : "no answer";
        return result;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    result.status = static_cast<int>(status);
    wchar_t location[2048] = {};
    size = sizeof location;
    if (WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                            location, &size, WINHTTP_NO_HEADER_INDEX)) {
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, location, -1, nullptr, 0, nullptr, nullptr);
        result.location.resize(static_cast<std::size_t>(std::max(length, 1)));
        WideCharToMultiByte(CP_UTF8, 0, location, -1, result.location.data(), length, nullptr,
                            nullptr);
        result.location.resize(std::strlen(result.location.c_str()));
    }
    char buffer[16384];
    for (DWORD read = 0;
         WinHttpReadData(request.handle, buffer, sizeof buffer, &read) && read > 0;) {
        if (result.body.size() + read > maxBody) {
            interrupted();
            result.body.clear();
            result.error = "too large";
            return result;
        }
        result.body.append(buffer, read);
    }
    interrupted();
    return result;
}

}  // namespace platform
