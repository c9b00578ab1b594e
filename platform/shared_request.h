#pragma once

#include <utility>
#include <vector>

namespace platform {

// Waiters that share one request of the process (the WebView2 environment): the first to need
// it makes the request, later ones join the waiting list, and the completion hands the result
// to all of them in the order they came. Single-threaded, like the host's UI thread.
template <typename Waiter>
class SharedRequest {
  public:
    // Adds the waiter and, unless a request is already on its way, makes one: `request` returns
    // whether it was accepted. A request that is refused at once, or that throws, leaves nothing
    // on its way and this waiter forgotten, so that the next waiter asks again instead of waiting
    // for a completion that never comes; the exception goes on to the caller. Returns false when
    // this waiter's own request was refused.
    template <typename Request>
    bool Join(Waiter* waiter, Request&& request) {
        waiting_.push_back(waiter);
        if (inFlight_) {
            return true;
        }
        inFlight_ = true;
        bool accepted = false;
        try {
            accepted = request();
        } catch (...) {
            Abandon(waiter);
            throw;
        }
        if (!accepted) {
            Abandon(waiter);
        }
        return accepted;
    }

    // At the completion: everyone waiting, in order; nothing is on its way any more.
    std::vector<Waiter*> Complete() {
        inFlight_ = false;
        return std::exchange(waiting_, {});
    }

    // A waiter that goes away before the completion.
    void Forget(Waiter* waiter) { std::erase(waiting_, waiter); }

    bool InFlight() const { return inFlight_; }

  private:
    void Abandon(Waiter* waiter) {
        inFlight_ = false;
        Forget(waiter);
    }

    std::vector<Waiter*> waiting_;
    bool inFlight_ = false;
};

}  // namespace platform
