#include "platform/net.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<SendGuard> guard{nullptr};

}  // namespace

void Interrupt::Arm(std::function<void()> stop) {
    std::lock_guard lock(mutex_);
    if (triggered_) {
        stop();
        return;
    }
    stop_ = std::move(stop);
}

bool Interrupt::Disarm() {
    std::lock_guard lock(mutex_);
    stop_ = nullptr;
    return triggered_;
}

void Interrupt::Trigger() {
    std::lock_guard lock(mutex_);
    if (!triggered_ && stop_) {
        stop_();
    }
    triggered_ = true;
}

bool Interrupt::triggered() {
    std::lock_guard lock(mutex_);
    return triggered_;
}

void SetSendGuard(SendGuard newGuard) {
    guard = newGuard;
}

bool MaySendTo(const NetAddress& to) {
    const SendGuard current = guard;
    return current == nullptr || current(to);
}

}  // namespace platform
