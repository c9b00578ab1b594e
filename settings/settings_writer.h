#pragma once

#include <filesystem>

#include "settings/settings.h"

// Writes folder/Marrowpeek.ini whole; true when every byte reached the file.
bool WriteSettings(const std::filesystem::path& folder, const Settings& settings);
