#pragma once

#include <filesystem>

#include "platform/file_write.h"
#include "settings/settings.h"

// Writes folder/Marrowpeek.ini, its [settings] section new and every other section as it was
// read, if it is still the version `read` (ReadSettingsToChange): a file someone replaced since
// is left as it is and Changed returned, to be read again.
platform::ReplaceResult WriteSettings(const std::filesystem::path& folder, const Settings& settings,
                                      const SettingsToChange& read);
