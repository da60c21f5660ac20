// The base of the camera view tests: a machine of the test's own (drive root and registry) with the
// diagnostic log switched on, so that a test can read what the application logged.
#pragma once

#include "app/util/registry_settings.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace test_support {

class MachineTest : public ::testing::Test {
protected:
    MachineTest() {
        std::filesystem::create_directories(machine.driveRoot() / "d");
        RegistrySettings::SetString(L"Debug", "1");
    }

    // The messages logged so far, without their time stamps.
    std::vector<std::string> LogMessages() const {
        std::ifstream in(machine.driveRoot() / "d" / "log.txt");
        std::vector<std::string> messages;
        for (std::string line; std::getline(in, line);) {
            const size_t stampEnd = line.find("] ");
            messages.push_back(stampEnd == std::string::npos ? line : line.substr(stampEnd + 2));
        }
        return messages;
    }
    long Logged(const std::string& message) const {
        const auto messages = LogMessages();
        return std::count(messages.begin(), messages.end(), message);
    }

    test_support::ScopedMachineFolders machine;
};

}  // namespace test_support
