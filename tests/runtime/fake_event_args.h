#pragma once

#include <optional>
#include <string>

#include "tests/runtime/fake_objects.h"

class FakeResponse : public ComObject<ICoreWebView2WebResourceResponse> {
  public:
    FakeResponse(IStream* content, int status, std::wstring reason, std::wstring headers);

    // Reads the content from the stream's current position, as the runtime does.
    ResourceReply Reply() const;

    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override;
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override;
    HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override;
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override;
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override;

  private:
    ComPtr<IStream> content_;
    int status_;
    std::wstring reason_;
    std::wstring headers_;
};

ComPtr<ICoreWebView2WebResourceRequestedEventArgs> MakeResourceArgs(const std::wstring& uri);
// The response a handler attached, or null.
ComPtr<ICoreWebView2WebResourceResponse> AttachedResponse(
    ICoreWebView2WebResourceRequestedEventArgs* args);

ComPtr<ICoreWebView2WebMessageReceivedEventArgs> MakeMessageArgs(
    const std::wstring& json, const std::optional<std::wstring>& text);

ComPtr<ICoreWebView2AcceleratorKeyPressedEventArgs> MakeKeyArgs(INT32 kind, UINT virtualKey,
                                                                INT lParam);

ComPtr<ICoreWebView2NavigationCompletedEventArgs> MakeNavigationArgs(bool success);
