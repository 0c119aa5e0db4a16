// A test fixture with the simulated Windows in force.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/SimPlatform.h"

class SimTest : public ::testing::Test {
protected:
    sim::SimPlatform s;
    sim::Installed on{s, [](const std::string& m) { ADD_FAILURE() << m; }};
};
