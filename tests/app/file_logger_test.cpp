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
    void SetUp() override { std::filesystem::create_directories(machine.driveRoot() / "d"); }
    std::filesystem::path logFile() const { return machine.driveRoot() / "d" / "log.txt"; }
    std::filesystem::path backupFile() const { return machine.driveRoot() / "d" / "log_bak.txt"; }
    std::vector<std::string> logLines() const {
        std::ifstream in(logFile());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // One user's whole life: Init, one line, Release.
    void logOnce(const char* message) {
        FileLogger::Init();
        FileLogger::Write("%s", message);
        FileLogger::Release();
    }

    test_support::ScopedMachineFolders machine;
};

const std::regex kLine(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] (.*))");

TEST_F(FileLoggerTest, DebugOneWritesStampedLines) {
    RegistrySettings::SetString(L"Debug", "1");
    FileLogger::Init();
    FileLogger::Write("api %s %d.", "init", 7);
    FileLogger::Release();
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, kLine)) << lines[0];
    EXPECT_EQ(match[1], "api init 7.");
    EXPECT_EQ(lines[0].size(), 22u + 11u);  // the stamp is 22 characters with its blank
}

TEST_F(FileLoggerTest, AnyOtherDebugValueKeepsTheLogOff) {
    for (const char* value : {"11", "true", " 1", "0", ""}) {
        RegistrySettings::SetString(L"Debug", value);
        logOnce("not written");
    }
    EXPECT_FALSE(std::filesystem::exists(logFile()));
}

TEST_F(FileLoggerTest, SettingIsReadOnlyWhenTheFirstUserArrives) {
    RegistrySettings::SetString(L"Debug", "1");
    FileLogger::Init();
    RegistrySettings::SetString(L"Debug", "0");
    FileLogger::Init();  // a second instance: no new decision
    FileLogger::Write("second instance");
    FileLogger::Release();
    FileLogger::Write("first still here");
    FileLogger::Release();
    logOnce("off after the last user left");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("first still here"), std::string::npos);
}

TEST_F(FileLoggerTest, LogPastOneHundredMebibytesBecomesTheBackup) {
    RegistrySettings::SetString(L"Debug", "1");
    std::ofstream(backupFile()) << "older backup";
    std::ofstream(logFile()).close();
    std::filesystem::resize_file(logFile(), FileLogger::kRotationSize);  // sparse
    logOnce("at the limit");
    EXPECT_EQ(std::filesystem::file_size(backupFile()), 12u);  // exactly 100 MiB is not rotated yet

    std::filesystem::resize_file(logFile(), FileLogger::kRotationSize + 1);
    logOnce("fresh");
    EXPECT_EQ(std::filesystem::file_size(backupFile()), static_cast<uintmax_t>(FileLogger::kRotationSize + 1));
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("] fresh"), std::string::npos);
}

TEST_F(FileLoggerTest, LongMessagesAreCutAndThreadsNeverShareALine) {
    RegistrySettings::SetString(L"Debug", "1");
    FileLogger::Init();
    const std::string huge(5000, 'x');
    FileLogger::Write("%s", huge.c_str());
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
    EXPECT_EQ(lines[0].size(), 22u + FileLogger::kMessageSize - 1);
    const std::regex threadLine(R"(\[[^\]]+\] thread \d line \d+ end)");
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], threadLine)) << lines[i];
}

TEST_F(FileLoggerTest, MissingDriveDropsLinesSilently) {
    RegistrySettings::SetString(L"Debug", "1");
    std::filesystem::remove_all(machine.driveRoot() / "d");
    logOnce("lost");
    EXPECT_FALSE(std::filesystem::exists(logFile()));
}

}  // namespace
