#include "tests/support/loopback_camera_program.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace test_support {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBound = std::chrono::seconds(10);  // a bound against hanging, not an expected duration

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

LoopbackCameraProgram::LoopbackCameraProgram(std::vector<std::string> options, const std::string& program) {
    // The build puts every program in one folder, beside the test executables.
    const auto path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / program;
    options.insert(options.begin(), path.string());
    std::vector<char*> argv;
    for (std::string& option : options) argv.push_back(option.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    output_.reset(out[0]);
    const platform::detail::UniqueDescriptor input(out[1]);  // the program's copy is all it needs
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output_.get());
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

LoopbackCameraProgram::~LoopbackCameraProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

// Appends what the program has written by the deadline; false at the end of its output or when
// the deadline passed with nothing new.
bool LoopbackCameraProgram::ReadMore(long long deadlineMs) {
    while (NowMs() < deadlineMs) {
        pollfd watch = {output_.get(), POLLIN, 0};
        if (poll(&watch, 1, 100) <= 0) continue;
        char chunk[512];
        const ssize_t got = read(output_.get(), chunk, sizeof chunk);
        if (got <= 0) return false;
        pending_.append(chunk, static_cast<size_t>(got));
        return true;
    }
    return false;
}

std::string LoopbackCameraProgram::ReadLine() {
    const long long deadline = NowMs() + std::chrono::duration_cast<std::chrono::milliseconds>(kBound).count();
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        if (!ReadMore(deadline)) return {};
    }
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
}

std::string LoopbackCameraProgram::LineAfter(const std::string& prefix) {
    const long long deadline = NowMs() + std::chrono::duration_cast<std::chrono::milliseconds>(kBound).count();
    for (;;) {
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
        }
        if (!ReadMore(deadline)) return {};
    }
}

int LoopbackCameraProgram::Terminate() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    for (const auto until = Clock::now() + kBound; Clock::now() < until;
         std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        if (waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return status_;
        }
    }
    return -1;
}

}  // namespace test_support
