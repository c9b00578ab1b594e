#include "webhost/page_jobs.h"

#include <shobjidl.h>

#include "platform/json_text.h"
#include "platform/text.h"
#include "platform/windows/this_module.h"
#include "webview2/wide_text.h"

namespace {

// The folder the user picks, or nothing when they cancel.
std::optional<std::wstring> PickFolder(HWND owner) {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(dialog.Put())))) {
        return std::nullopt;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(L"Where is the downloaded content?");
    ComPtr<IShellItem> item;
    LPWSTR path = nullptr;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(item.Put())) ||
        FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) {
        return std::nullopt;
    }
    std::wstring picked = path;
    CoTaskMemFree(path);
    return picked;
}

void Post(ViewerWindow* view, const std::string& message) {
    if (view->webView) {
        view->webView->PostWebMessageAsJson(WideFromUtf8(message).c_str());
    }
}

// Where a job's messages go: the view's mailbox, the window woken to hand them over.
std::function<void(std::string)> MailboxDelivery(ViewerWindow* view) {
    // A job's threads outlive a cancel by a read or a request: the library stays loaded.
    platform::PinThisModule();
    view->mailbox->window = view->hwnd;
    return [mailbox = view->mailbox](std::string message) {
        HWND window = nullptr;
        {
            std::lock_guard lock(mailbox->mutex);
            mailbox->messages.push_back(std::move(message));
            window = mailbox->window;
        }
        // A window already gone takes no message: the mailbox then only empties when freed.
        PostMessageW(window, kMailboxMessage, 0, 0);
    };
}

void StartCheck(ViewerWindow* view, const std::filesystem::path& content) {
    view->checkJob =
        CheckJob::Start(view->web->torrentPath, content, MailboxDelivery(view), view->checkJob);
}

}  // namespace

void HandleCheckRequest(ViewerWindow* view, const CheckJob::Request& request) {
    if (view == nullptr || !view->web) {
        return;
    }
    if (request.action == "cancel" && view->checkJob) {
        view->checkJob->Cancel();  // kept, so that a next check waits for it to end
    } else if (request.action == "start") {
        StartCheck(view, platform::PathFromUtf8(request.content));
    } else if (request.action == "choose") {
        const std::optional<std::wstring> folder = PickFolder(view->hwnd);
        if (!folder) {
            return;
        }
        std::string chosen = "{\"checkChooser\":";
        platform::AppendJsonString(chosen, Utf8FromWide(*folder),
                                   platform::ControlEscapes::Unicode);
        Post(view, chosen + "}");
        StartCheck(view, *folder);
    }
}

void HandleTrackersRequest(ViewerWindow* view, const std::string& action) {
    if (view == nullptr || !view->web) {
        return;
    }
    if (view->scrapeJob) {
        view->scrapeJob->Cancel();
        view->scrapeJob.reset();
    }
    if (action == "ask") {
        view->scrapeJob = ScrapeJob::Start(view->web->torrentPath, MailboxDelivery(view));
    }
}

void CancelPageJobs(ViewerWindow* view) {
    if (view->checkJob) {
        view->checkJob->Cancel();
        view->checkJob.reset();
    }
    if (view->scrapeJob) {
        view->scrapeJob->Cancel();
        view->scrapeJob.reset();
    }
    // The old check's messages no longer reach this view: it starts a mailbox afresh.
    {
        std::lock_guard lock(view->mailbox->mutex);
        view->mailbox->window = nullptr;
    }
    view->mailbox = std::make_shared<PageMailbox>();
}

void DeliverMailbox(ViewerWindow* view) {
    std::deque<std::string> messages;
    {
        std::lock_guard lock(view->mailbox->mutex);
        messages.swap(view->mailbox->messages);
    }
    for (const std::string& message : messages) {
        Post(view, message);
    }
}
