#pragma once

#include "loader/runtime_rules.h"

namespace loader {

// Environment variables of this process and policies of this machine and user.
OverrideSources SystemOverrideSources();

// The name a policy value carries for this process: its application user model id, "" (the key's
// default value) when it has none.
std::wstring ApplicationUserModelId();

// The executable's file name, "" when its path cannot be read.
std::wstring ExecutableFileName();

}  // namespace loader
