#pragma once

#include <cstddef>
#include <memory>

namespace platform {

enum class DigestKind { Sha1, Sha256 };

// A digest made again and again, for the many pieces and blocks of a content check: the
// algorithm is set up once, not once per input. One thread at a time.
class Hasher {
  public:
    explicit Hasher(DigestKind kind);
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    // 20 bytes for SHA-1, 32 for SHA-256.
    std::size_t size() const { return size_; }
    // The digest of the bytes into `out` (size() bytes); false when the platform failed.
    bool Digest(const void* data, std::size_t length, unsigned char* out);
    // The same in parts, for an input too large to hold at once: Update as often as needed,
    // then Finish, after which the hasher starts afresh.
    bool Update(const void* data, std::size_t length);
    bool Finish(unsigned char* out);

  private:
    struct State;
    std::unique_ptr<State> state_;
    std::size_t size_;
};

}  // namespace platform
