#include "support/ordinary_user.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace trunaccount::testing {

namespace {

// The capabilities that let a process ignore file modes and ownership.
constexpr unsigned int kFileOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};  // pid 0: the calling thread
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

Capabilities current() {
    Capabilities c;
    if (::syscall(SYS_capget, &c.header, c.data) != 0)
        throw std::runtime_error(std::string("capget failed: ") + std::strerror(errno));
    return c;
}

void set(Capabilities& c) {
    if (::syscall(SYS_capset, &c.header, c.data) != 0)
        throw std::runtime_error(std::string("capset failed: ") + std::strerror(errno));
}

}  // namespace

AsOrdinaryUser::AsOrdinaryUser() {
    Capabilities c = current();
    dropped_ = c.data[0].effective & kFileOverrides;
    if (!dropped_) return;
    c.data[0].effective &= ~dropped_;
    set(c);
}

AsOrdinaryUser::~AsOrdinaryUser() {
    if (!dropped_) return;
    try {
        Capabilities c = current();
        c.data[0].effective |= dropped_;
        set(c);
    } catch (const std::exception&) {
        // The thread stays without them; nothing to do about it in a destructor.
    }
}

}  // namespace trunaccount::testing
