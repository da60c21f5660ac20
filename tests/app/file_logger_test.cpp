#include "app/util/file_logger.h"
#include "app/util/registry_settings.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

class FileLoggerTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(drive); }
    std::vector<std::string> logLines() const {
        std::ifstream in(drive / "log.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // One user's whole life with the given "Debug" setting: Init, one line, Release.
    static void logOnce(const char* debug, const char* message) {
        RegistrySettings::SetString(L"Debug", debug);
        FileLogger::Init();
        FileLogger::Write("%s", message);
        FileLogger::Release();
    }

    test_support::ScopedMachineFolders machine;
    const std::filesystem::path drive = machine.driveRoot() / "d";
};

TEST_F(FileLoggerTest, OnlyDebugExactlyOneWritesStampedLines) {
    for (const char* value : {"11", "true", " 1", "0", ""}) logOnce(value, "not written");
    EXPECT_FALSE(std::filesystem::exists(drive / "log.txt"));
    logOnce("1", "api init 7.");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] api init 7\.)")))
        << lines[0];
}

TEST_F(FileLoggerTest, SettingIsReadOnlyWhenTheFirstUserArrives) {
    RegistrySettings::SetString(L"Debug", "1");
    FileLogger::Init();
    logOnce("0", "second instance: no new decision");
    FileLogger::Write("first still here");
    FileLogger::Release();
    logOnce("0", "off after the last user left");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("first still here"), std::string::npos);
}

TEST_F(FileLoggerTest, LogPastOneHundredMebibytesBecomesTheBackup) {
    std::ofstream(drive / "log_bak.txt") << "older backup";
    std::ofstream(drive / "log.txt").close();
    std::filesystem::resize_file(drive / "log.txt", FileLogger::kRotationSize);  // sparse
    logOnce("1", "at the limit");
    EXPECT_EQ(std::filesystem::file_size(drive / "log_bak.txt"), 12u);  // exactly 100 MiB is not rotated yet
    std::filesystem::resize_file(drive / "log.txt", FileLogger::kRotationSize + 1);
    logOnce("1", "fresh");
    EXPECT_EQ(std::filesystem::file_size(drive / "log_bak.txt"), FileLogger::kRotationSize + 1u);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("] fresh"), std::string::npos);

    std::filesystem::remove_all(drive);  // no drive D: lines are dropped silently
    logOnce("1", "lost");
    EXPECT_FALSE(std::filesystem::exists(drive / "log.txt"));
}

TEST_F(FileLoggerTest, LongMessagesAreCutAndThreadsNeverShareALine) {
    RegistrySettings::SetString(L"Debug", "1");
    FileLogger::Init();
    FileLogger::Write("%s", std::string(5000, 'x').c_str());
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 25; ++i) FileLogger::Write("thread %d line %d end", t, i);
        });
    }
    for (auto& writer : writers) writer.join();
    FileLogger::Release();
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines[0].size(), 22u + FileLogger::kMessageSize - 1);  // a 22-character stamp, then the cut text
    const std::regex threadLine(R"(\[[^\]]+\] thread \d line \d+ end)");
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], threadLine)) << lines[i];
}

}  // namespace
