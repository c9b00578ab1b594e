#pragma once

#include "plugin/view_records.h"

// Fills the view's configuration folder, theme style sheet and configuration document; relies
// on `state.dark` being set for the file being loaded.
void FillConfigPayload(WebViewState& state);
