#include "tests/runtime/fake_event_args.h"

namespace {

class FakeRequest : public ComObject<ICoreWebView2WebResourceRequest> {
  public:
    explicit FakeRequest(std::wstring uri) : uri_(std::move(uri)) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return CopyOut(uri_, uri); }
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override {
        return CopyOut(L"GET", method);
    }
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        return Give(content, nullptr);
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders**) override {
        return E_NOTIMPL;
    }

  private:
    std::wstring uri_;
};

class ResourceArgs : public ComObject<ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    explicit ResourceArgs(const std::wstring& uri)
        : request_(ComPtr<ICoreWebView2WebResourceRequest>::Attach(new FakeRequest(uri))) {}

    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
        if (request == nullptr) {
            return E_POINTER;
        }
        *request = ComPtr(request_).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
        if (response == nullptr) {
            return E_POINTER;
        }
        *response = ComPtr(response_).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
        response_ = response;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
        return Give(context, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    }

  private:
    ComPtr<ICoreWebView2WebResourceRequest> request_;
    ComPtr<ICoreWebView2WebResourceResponse> response_;
};

class MessageArgs : public ComObject<ICoreWebView2WebMessageReceivedEventArgs> {
  public:
    MessageArgs(std::wstring json, std::optional<std::wstring> text)
        : json_(std::move(json)), text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override {
        return CopyOut(L"https://test.invalid/index.html", source);
    }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override {
        return CopyOut(json_, json);
    }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* text) override {
        if (!text_) {
            if (text != nullptr) {
                *text = nullptr;
            }
            return E_INVALIDARG;
        }
        return CopyOut(*text_, text);
    }

  private:
    std::wstring json_;
    std::optional<std::wstring> text_;
};

class KeyArgs : public ComObject<ICoreWebView2AcceleratorKeyPressedEventArgs> {
  public:
    KeyArgs(INT32 kind, UINT virtualKey, INT lParam)
        : kind_(kind), virtualKey_(virtualKey), lParam_(lParam) {}

    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* kind) override {
        return Give(kind, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) override { return Give(key, virtualKey_); }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* lParam) override {
        return Give(lParam, lParam_);
    }
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override {
        return Give(handled, handled_);
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        handled_ = handled;
        return S_OK;
    }

  private:
    INT32 kind_;
    UINT virtualKey_;
    INT lParam_;
    BOOL handled_ = FALSE;
};

class NavigationArgs : public ComObject<ICoreWebView2NavigationCompletedEventArgs> {
  public:
    explicit NavigationArgs(bool success) : success_(success) {}

    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* success) override {
        return Give(success, success_ ? TRUE : FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) override {
        return Give(status, success_ ? 0 : 1);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { return Give(id, 1); }

  private:
    bool success_;
};

}  // namespace

FakeResponse::FakeResponse(IStream* content, int status, std::wstring reason, std::wstring headers)
    : content_(content),
      status_(status),
      reason_(std::move(reason)),
      headers_(std::move(headers)) {}

ResourceReply FakeResponse::Reply() const {
    ResourceReply reply;
    reply.answered = true;
    reply.status = status_;
    reply.reason = reason_;
    reply.headers = headers_;
    if (content_) {
        char chunk[4096];
        ULONG read = 0;
        while (SUCCEEDED(content_->Read(chunk, sizeof chunk, &read)) && read > 0) {
            reply.body.append(chunk, read);
        }
    }
    return reply;
}

HRESULT FakeResponse::get_Content(IStream** content) {
    if (content == nullptr) {
        return E_POINTER;
    }
    *content = ComPtr(content_).Detach();
    return S_OK;
}

HRESULT FakeResponse::put_Content(IStream* content) {
    content_ = content;
    return S_OK;
}

HRESULT FakeResponse::get_StatusCode(int* status) {
    return Give(status, status_);
}

HRESULT FakeResponse::put_StatusCode(int status) {
    status_ = status;
    return S_OK;
}

HRESULT FakeResponse::get_ReasonPhrase(LPWSTR* reason) {
    return CopyOut(reason_, reason);
}

HRESULT FakeResponse::put_ReasonPhrase(LPCWSTR reason) {
    reason_ = reason != nullptr ? reason : L"";
    return S_OK;
}

ComPtr<ICoreWebView2WebResourceRequestedEventArgs> MakeResourceArgs(const std::wstring& uri) {
    return ComPtr<ICoreWebView2WebResourceRequestedEventArgs>::Attach(new ResourceArgs(uri));
}

ComPtr<ICoreWebView2WebResourceResponse> AttachedResponse(
    ICoreWebView2WebResourceRequestedEventArgs* args) {
    ComPtr<ICoreWebView2WebResourceResponse> response;
    args->get_Response(response.Put());
    return response;
}

ComPtr<ICoreWebView2WebMessageReceivedEventArgs> MakeMessageArgs(
    const std::wstring& json, const std::optional<std::wstring>& text) {
    return ComPtr<ICoreWebView2WebMessageReceivedEventArgs>::Attach(new MessageArgs(json, text));
}

ComPtr<ICoreWebView2AcceleratorKeyPressedEventArgs> MakeKeyArgs(INT32 kind, UINT virtualKey,
                                                                INT lParam) {
    return ComPtr<ICoreWebView2AcceleratorKeyPressedEventArgs>::Attach(
        new KeyArgs(kind, virtualKey, lParam));
}

ComPtr<ICoreWebView2NavigationCompletedEventArgs> MakeNavigationArgs(bool success) {
    return ComPtr<ICoreWebView2NavigationCompletedEventArgs>::Attach(new NavigationArgs(success));
}
