#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/host_dir.h"

using trunaccount::platform::hostExecutableDir;

TEST(HostDir, EnvironmentOverridesTheExecutablesFolder) {
    ::unsetenv("TRUNACCOUNT_HOST_DIR");
    std::string real = hostExecutableDir();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.back(), '/');
    EXPECT_NE(real.find("/bin/"), std::string::npos) << real;  // tests run from build/bin

    ::setenv("TRUNACCOUNT_HOST_DIR", "/opt/host", 1);
    EXPECT_EQ(hostExecutableDir(), "/opt/host/");
    ::setenv("TRUNACCOUNT_HOST_DIR", "", 1);
    EXPECT_EQ(hostExecutableDir(), real);
    ::unsetenv("TRUNACCOUNT_HOST_DIR");
}
