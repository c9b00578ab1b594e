#include "platform/hasher.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <algorithm>

namespace platform {

struct Hasher::State {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~State() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (provider != nullptr) {
            BCryptCloseAlgorithmProvider(provider, 0);
        }
    }
};

Hasher::Hasher(DigestKind kind)
    : state_(std::make_unique<State>()), size_(kind == DigestKind::Sha1 ? 20 : 32) {
    // A reusable hash object starts afresh after each finish: no object per digest.
    if (BCryptOpenAlgorithmProvider(
            &state_->provider,
            kind == DigestKind::Sha1 ? BCRYPT_SHA1_ALGORITHM : BCRYPT_SHA256_ALGORITHM, nullptr,
            BCRYPT_HASH_REUSABLE_FLAG) == 0) {
        BCryptCreateHash(state_->provider, &state_->hash, nullptr, 0, nullptr, 0,
                         BCRYPT_HASH_REUSABLE_FLAG);
    }
}

Hasher::~Hasher() = default;

bool Hasher::Digest(const void* data, std::size_t length, unsigned char* out) {
    return Update(data, length) && Finish(out);
}

bool Hasher::Update(const void* data, std::size_t length) {
    if (state_->hash == nullptr) {
        return false;
    }
    // CNG takes a non-const pointer but does not write through it.
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (length > 0) {
        const ULONG step = static_cast<ULONG>(std::min<std::size_t>(length, 1u << 30));
        if (BCryptHashData(state_->hash, bytes, step, 0) != 0) {
            return false;
        }
        bytes += step;
        length -= step;
    }
    return true;
}

bool Hasher::Finish(unsigned char* out) {
    return state_->hash != nullptr &&
           BCryptFinishHash(state_->hash, out, static_cast<ULONG>(size_), 0) == 0;
}

}  // namespace platform
