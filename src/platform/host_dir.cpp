#include "platform/host_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/errors.h"

namespace trunaccount::platform {

std::string hostExecutableDir() {
    std::string dir;
    if (const char* env = std::getenv(kHostDirVariable); env && *env) {
        dir = env;
    } else {
        std::error_code ec;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) throw Error("cannot find the host program's folder: /proc/self/exe: " + ec.message());
        dir = exe.parent_path().string();
    }
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace trunaccount::platform
