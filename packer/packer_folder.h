#pragma once

#include <filesystem>

// The folder of the settings file, settled once for the whole process whatever thread asks.
std::filesystem::path PackerFolder();
