// A simulated Windows in force for each test, with a fresh application as its
// host; a failure the sim reports (an unanswered box, a stuck loop) fails the
// test unless the test expects it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/CodePage.h"
#include "platform/sim/SimPlatform.h"
#include "ui/Components.h"

namespace simtest {

class SimTest : public ::testing::Test {
protected:
    SimTest() : on_(s, ui::app(), [this](const std::string& m) { report(m); }) {}

    void report(const std::string& m) {
        if (expectFailures)
            failures.push_back(m);
        else
            ADD_FAILURE() << m;
    }

    sim::SimPlatform s;
    plat::Platform& p = s;
    bool expectFailures = false;
    std::vector<std::string> failures;

private:
    sim::Installed on_;
};

// Chinese texts are written in UTF-8 here and turned into the code page's bytes.
inline std::string ansi(const char* utf8, unsigned codePage = 936) {
    const auto& cp = sim::detail::CodePage::get(codePage);
    return cp.fromUnicode(sim::detail::utf8ToUtf16(utf8));
}

}  // namespace simtest
