#include "packer/packer_folder.h"

#include <mutex>

#include "settings/config_files.h"

std::filesystem::path PackerFolder() {
    static std::once_flag once;
    static std::filesystem::path folder;
    std::call_once(once, [] { folder = ConfigFolder(); });
    return folder;
}
