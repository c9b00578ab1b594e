#pragma once

// What Winsock and POSIX sockets share, for the two backends' net.cpp alone: each includes its
// system's socket headers first.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/net.h"

namespace platform::sockets {

// The address as a socket takes it; its length.
inline int ToSockaddr(const NetAddress& address, sockaddr_storage& storage) {
    std::memset(&storage, 0, sizeof storage);
    if (address.bytes.size() == 4) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(address.port);
        std::memcpy(&v4.sin_addr, address.bytes.data(), 4);
        return static_cast<int>(sizeof v4);
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(address.port);
    std::memcpy(&v6.sin6_addr, address.bytes.data(), 16);
    return static_cast<int>(sizeof v6);
}

// Whether a datagram's sender is the address it was sent to: only the tracker's own answer counts.
inline bool IsFrom(const sockaddr_storage& from, int fromLength, const NetAddress& to) {
    sockaddr_storage expected{};
    const int expectedLength = ToSockaddr(to, expected);
    return fromLength == expectedLength &&
           std::memcmp(&from, &expected, static_cast<std::size_t>(expectedLength)) == 0;
}

// The addresses getaddrinfo found, IPv4 first.
inline std::vector<NetAddress> AddressesOf(const addrinfo* found, std::uint16_t port) {
    std::vector<NetAddress> addresses;
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
        NetAddress address;
        address.port = port;
        if (at->ai_family == AF_INET) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(
                &reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr);
            address.bytes.assign(bytes, bytes + 4);
        } else if (at->ai_family == AF_INET6) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(
                &reinterpret_cast<const sockaddr_in6*>(at->ai_addr)->sin6_addr);
            address.bytes.assign(bytes, bytes + 16);
        } else {
            continue;
        }
        addresses.push_back(std::move(address));
    }
    std::stable_sort(
        addresses.begin(), addresses.end(),
        [](const NetAddress& a, const NetAddress& b) { return a.bytes.size() < b.bytes.size(); });
    return addresses;
}

// The addresses of a host by the system's resolver, IPv4 first; none when it knows none.
inline std::vector<NetAddress> LookUp(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return {};
    }
    std::vector<NetAddress> addresses = AddressesOf(found, port);
    freeaddrinfo(found);
    return addresses;
}

}  // namespace platform::sockets
