// The loopback_camera program run as a user runs it: its options on the command line, its standard
// output read line by line. Ended with SIGTERM (as Ctrl-C would) and reaped on destruction.
#pragma once

#include "platform/net/unique_descriptor.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace test_support {

class LoopbackCameraProgram {
public:
    // program names another program of the build, started and read the same way.
    explicit LoopbackCameraProgram(std::vector<std::string> options, const std::string& program = "loopback_camera");
    ~LoopbackCameraProgram();
    LoopbackCameraProgram(const LoopbackCameraProgram&) = delete;
    LoopbackCameraProgram& operator=(const LoopbackCameraProgram&) = delete;

    bool IsRunning() const { return pid_ > 0; }

    // The next line of output, without its line end; empty at the end of output or after 10 s.
    std::string ReadLine();
    // The rest of the first line of output that starts with prefix; empty when none came in 10 s.
    std::string LineAfter(const std::string& prefix);
    // Sends SIGTERM and answers the wait status, or -1 when the program did not end within 10 s.
    int Terminate();

private:
    bool ReadMore(long long deadlineMs);

    pid_t pid_ = -1;
    platform::detail::UniqueDescriptor output_;  // the read end of the program's standard output
    int status_ = -1;
    std::string pending_;
};

}  // namespace test_support
