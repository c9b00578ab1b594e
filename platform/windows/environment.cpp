#include "platform/environment.h"

#include <windows.h>

#include <string>

namespace platform {

bool EnvironmentVariableExists(const char* asciiName) {
    const std::wstring name(asciiName, asciiName + std::char_traits<char>::length(asciiName));
    // Asked with no buffer, the call returns the size a value needs, which is non-zero exactly
    // when the variable is set (an empty value needs room for its terminator).
    return GetEnvironmentVariableW(name.c_str(), nullptr, 0) != 0;
}

}  // namespace platform
