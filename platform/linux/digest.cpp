#include "platform/digest.h"

#include <openssl/evp.h>

#include <memory>
#include <string_view>

namespace platform {
namespace {

const EVP_MD* DigestFor(std::wstring_view algorithm) {
    if (algorithm == L"SHA1") {
        return EVP_sha1();
    }
    if (algorithm == L"SHA256") {
        return EVP_sha256();
    }
    return nullptr;
}

}  // namespace

std::string ComputeDigest(const wchar_t* algorithm, const void* data, std::uint32_t length) {
    const EVP_MD* md = algorithm ? DigestFor(algorithm) : nullptr;
    if (md == nullptr) {
        return {};
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!context || EVP_DigestInit_ex(context.get(), md, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), data, length) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &digestLength) != 1) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(digest), digestLength);
}

}  // namespace platform
