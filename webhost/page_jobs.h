#pragma once

#include "view/check_job.h"
#include "webhost/viewer_window.h"

// The jobs a page asks for, on threads of their own, their messages handed back through the
// view's mailbox and window.

// Acts on the page's request for a content check: starts one on threads of its own (the last
// one cancelled), cancels it, or asks the user for the folder to check with the system's
// folder picker and then checks it.
void HandleCheckRequest(ViewerWindow* view, const CheckJob::Request& request);

// The page asks its trackers ("ask"), or stops asking ("cancel"): on threads of their own,
// each answer handed to the page as it comes.
void HandleTrackersRequest(ViewerWindow* view, const std::string& action);

// Ends the view's check and asking, if any: when its page starts afresh, or it is parked or
// freed.
void CancelPageJobs(ViewerWindow* view);

// Hands the messages waiting in the view's mailbox to its page.
void DeliverMailbox(ViewerWindow* view);
