#include "platform/environment.h"

#include <cstdlib>

namespace platform {

bool EnvironmentVariableExists(const char* asciiName) {
    return std::getenv(asciiName) != nullptr;
}

}  // namespace platform
