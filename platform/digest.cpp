#include "platform/digest.h"

#include <string_view>

#include "platform/hasher.h"

namespace platform {

std::string ComputeDigest(const wchar_t* algorithm, const void* data, std::uint32_t length) {
    const std::wstring_view name = algorithm != nullptr ? algorithm : L"";
    if (name != L"SHA1" && name != L"SHA256") {
        return {};
    }
    Hasher hasher(name == L"SHA1" ? DigestKind::Sha1 : DigestKind::Sha256);
    std::string digest(hasher.size(), '\0');
    if (!hasher.Digest(data, length, reinterpret_cast<unsigned char*>(digest.data()))) {
        return {};
    }
    return digest;
}

}  // namespace platform
