#pragma once

#include "view/check_job.h"
#include "webhost/viewer_window.h"

// Acts on the page's request for a content check: starts one on threads of its own (the last
// one cancelled), cancels it, or asks the user for the folder to check with the system's
// folder picker and then checks it.
void HandleCheckRequest(ViewerWindow* view, const CheckJob::Request& request);

// Ends the view's check, if any: when its page starts afresh, or it is parked or freed.
void CancelCheck(ViewerWindow* view);

// Hands the messages waiting in the view's mailbox to its page.
void DeliverMailbox(ViewerWindow* view);
