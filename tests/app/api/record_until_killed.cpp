// A page that plays the camera at argv[1] and records it into the folder argv[2] until the process
// is killed: the browser that dies while recording. Prints "recording" once the recording has begun.
#include "platform/window/win_window_testing.h"
#include "tests/app/support/plugin_instance.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    test_support::PluginInstance page;
    if (page.Play(argv[1]) != 0) return 1;
    if (page.Invoke("StartRecord", std::string(argv[2])).convertTo<int>() != 0) return 1;
    std::printf("recording\n");
    std::fflush(stdout);
    for (;;) {
        platform::testing::pumpPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
