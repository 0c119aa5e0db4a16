// The platform is made once for the run, on this (the user-interface) thread.
#include <gtest/gtest.h>

#include <memory>

#include "tests/win32/TestSupport.h"

namespace w32test {

namespace {
std::unique_ptr<w32::Win32Platform> instance;
}

w32::Win32Platform& platform() { return *instance; }

}  // namespace w32test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    w32test::instance = std::make_unique<w32::Win32Platform>();
    plat::setPlatform(w32test::instance.get());
    w32test::instance->comInitialize();
    int rc = RUN_ALL_TESTS();
    plat::setPlatform(nullptr);
    w32test::instance.reset();
    return rc;
}
