#include "settings/config_payload.h"

// The settings and themes files do not exist yet: the view keeps its configuration fields as
// they are until they do.
void FillConfigPayload(WebViewState&) {}
