// Where the host program lives: the folder of the settings file.
#pragma once

#include <string>

namespace trunaccount::platform {

// The name of the environment variable that overrides the host program's folder
// (tests, portable installs).
inline constexpr const char* kHostDirVariable = "TRUNACCOUNT_HOST_DIR";

// The folder of the executable of this process, ending in "/"; the environment
// variable above takes precedence when it is set and not empty.
std::string hostExecutableDir();

}  // namespace trunaccount::platform
