#pragma once

namespace platform {

// True when the variable exists, whatever its value (an empty value counts).
bool EnvironmentVariableExists(const char* asciiName);

}  // namespace platform
