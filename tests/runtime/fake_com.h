#pragma once

// Hand-made COM objects for the test runtime. Each fake lays out its vtable from the slot numbers
// of the SDK's interface definitions rather than from the project's declarations, so that a
// method the plug-in declares in the wrong slot fails the plug-in's tests here as well.

#include <windows.h>
// After windows.h, whose types it needs.
#include <unknwn.h>

#include <atomic>
#include <initializer_list>
#include <utility>
#include <vector>

using Slot = void*;

// A fake's first member is its vtable, as COM requires; slots 0 to 2 are IUnknown's. A slot the
// fake does not fill answers E_NOTIMPL, whatever its parameters: on x64 the caller cleans up.
struct FakeObject {
    const Slot* vtable = nullptr;
    std::atomic<ULONG> references{1};
    std::vector<GUID> interfaces;  // answered besides IUnknown
    void (*destroy)(FakeObject*) = nullptr;
};

// A vtable of `size` slots: IUnknown's three, E_NOTIMPL everywhere else, then `methods`.
std::vector<Slot> MakeVtable(std::size_t size, std::initializer_list<std::pair<int, Slot>> methods);

template <typename Function>
Slot At(Function* function) {
    return reinterpret_cast<Slot>(function);
}

// A new fake with one reference, which the caller owns.
template <typename Fake, typename... Args>
Fake* NewFake(const std::vector<Slot>& vtable, std::vector<GUID> interfaces, Args&&... args) {
    Fake* fake = new Fake(std::forward<Args>(args)...);
    fake->vtable = vtable.data();
    fake->interfaces = std::move(interfaces);
    fake->destroy = [](FakeObject* object) { delete static_cast<Fake*>(object); };
    return fake;
}

inline IUnknown* AsUnknown(FakeObject* fake) {
    return reinterpret_cast<IUnknown*>(fake);
}

template <typename Fake>
Fake* AsFake(IUnknown* object) {
    return static_cast<Fake*>(reinterpret_cast<FakeObject*>(object));
}

// Calls slot 3, Invoke, of one of the plug-in's handler objects.
template <typename... Args>
HRESULT InvokeHandler(IUnknown* handler, Args... args) {
    using Function = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    const Slot* vtable = *reinterpret_cast<const Slot* const*>(handler);
    return reinterpret_cast<Function>(vtable[3])(handler, args...);
}
