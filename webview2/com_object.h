#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

#include "webview2/com_ptr.h"

// The IUnknown half of a COM object that offers exactly one interface besides IUnknown. The
// object deletes itself when its last reference goes.
template <typename Interface>
class ComObject : public Interface {
  public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    virtual ~ComObject() = default;

  private:
    std::atomic<ULONG> references_{1};
};

// Makes a one-method handler object (any interface whose only method is Invoke) from a callable
// with Invoke's parameters. The callable's result is returned to the caller of Invoke. An
// exception never leaves it: the caller is the runtime, which can do nothing with a failure, so
// it hears S_OK.
template <typename Interface, typename Function, typename Method>
class CallbackObject;

template <typename Interface, typename Function, typename... Args>
class CallbackObject<Interface, Function, HRESULT (STDMETHODCALLTYPE Interface::*)(Args...)>
    : public ComObject<Interface> {
  public:
    explicit CallbackObject(Function function) : function_(std::move(function)) {}

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        try {
            return function_(args...);
        } catch (...) {
            return S_OK;
        }
    }

  private:
    Function function_;
};

template <typename Interface, typename Function>
ComPtr<Interface> MakeCallback(Function function) {
    using Object = CallbackObject<Interface, Function, decltype(&Interface::Invoke)>;
    Interface* created = new (std::nothrow) Object(std::move(function));
    return ComPtr<Interface>::Attach(created);
}
