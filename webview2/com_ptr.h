#pragma once

#include <unknwn.h>

#include <utility>

// A counted reference to a COM object: adds a reference when it copies, releases the one it holds
// when it goes away. Attach takes over a reference the caller already owns.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(T* pointer) : pointer_(pointer) {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    static ComPtr Attach(T* owned) {
        ComPtr result;
        result.pointer_ = owned;
        return result;
    }

    void Reset() {
        if (T* old = std::exchange(pointer_, nullptr)) {
            old->Release();
        }
    }

    // For out-parameters: drops the current reference and lends the slot.
    T** Put() {
        Reset();
        return &pointer_;
    }

    // A new reference for an out-parameter.
    T* Detach() { return std::exchange(pointer_, nullptr); }

    template <typename U>
    ComPtr<U> As() const {
        ComPtr<U> result;
        if (pointer_ != nullptr) {
            pointer_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(result.Put()));
        }
        return result;
    }

    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

  private:
    T* pointer_ = nullptr;
};
