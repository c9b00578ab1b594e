#include "platform/digest.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace platform {

std::string ComputeDigest(const wchar_t* algorithm, const void* data, std::uint32_t length) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0) != 0) {
        return {};
    }
    DWORD digestLength = 0;
    ULONG written = 0;
    // Only the length matters: a failed query leaves it 0, which is the failure test.
    BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&digestLength),
                      sizeof(digestLength), &written, 0);
    std::string digest;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (digestLength != 0 && BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
        // CNG takes a non-const pointer but does not write through it.
        auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
        if (BCryptHashData(hash, bytes, length, 0) == 0) {
            digest.assign(digestLength, '\0');
            if (BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()), digestLength, 0) !=
                0) {
                digest.clear();
            }
        }
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(provider, 0);
    return digest;
}

}  // namespace platform
