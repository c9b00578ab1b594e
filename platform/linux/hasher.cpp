#include "platform/hasher.h"

#include <openssl/evp.h>

namespace platform {

struct Hasher::State {
    const EVP_MD* md = nullptr;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool started = false;
    ~State() { EVP_MD_CTX_free(context); }
};

Hasher::Hasher(DigestKind kind)
    : state_(std::make_unique<State>()), size_(kind == DigestKind::Sha1 ? 20 : 32) {
    state_->md = kind == DigestKind::Sha1 ? EVP_sha1() : EVP_sha256();
}

Hasher::~Hasher() = default;

bool Hasher::Digest(const void* data, std::size_t length, unsigned char* out) {
    return Update(data, length) && Finish(out);
}

bool Hasher::Update(const void* data, std::size_t length) {
    if (state_->context == nullptr) {
        return false;
    }
    if (!state_->started) {
        if (EVP_DigestInit_ex(state_->context, state_->md, nullptr) != 1) {
            return false;
        }
        state_->started = true;
    }
    return EVP_DigestUpdate(state_->context, data, length) == 1;
}

bool Hasher::Finish(unsigned char* out) {
    if (!state_->started && !Update(nullptr, 0)) {
        return false;
    }
    state_->started = false;
    unsigned int written = 0;
    return EVP_DigestFinal_ex(state_->context, out, &written) == 1 && written == size_;
}

}  // namespace platform
