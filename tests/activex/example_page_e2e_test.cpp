// The example page as a visitor with Internet Explorer would have it, run headless by activex_page
// in the stand-in container: it plays the loopback camera and runs its unattended session (play,
// snapshot, a few seconds of recording), and the runner leaves screenshots of the control.
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : ".";
}

// The program's output and exit code.
std::pair<std::string, int> run(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {"cannot start " + command, -1};
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe)) output += buffer;
    const int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ExamplePageInTheContainer, PlaysTheLoopbackCameraAndRunsItsSession) {
    test_support::ScopedMachineFolders machine;
    test_support::LoopbackRtspCamera camera;
    camera.Start();
    const std::filesystem::path out = machine.driveRoot() / "shots";
    const std::filesystem::path files = machine.driveRoot() / "files";
    std::filesystem::create_directories(files);
    const std::string command = environment("VELTRIN_BUILD_DIR") + "/bin/activex_page '" +
                                environment("VELTRIN_SOURCE_DIR") + "/examples/camera.html' --query '?url=" +
                                camera.Url() + "&auto=1' --out '" + out.string() + "' --folder '" + files.string() +
                                "' --seconds 40 --interval 2";
    const auto [output, code] = run(command);
    EXPECT_EQ(0, code) << output;
    EXPECT_NE(std::string::npos, output.find("console: session: pass")) << output;
    EXPECT_EQ(std::string::npos, output.find("fault:")) << output;
    EXPECT_TRUE(std::filesystem::exists(out / "final.png"));
    bool snapshot = false;
    bool recording = false;
    for (const auto& entry : std::filesystem::directory_iterator(files)) {
        snapshot |= entry.path().extension() == ".jpg";
        recording |= entry.path().extension() == ".mp4";
    }
    EXPECT_TRUE(snapshot);
    EXPECT_TRUE(recording);
}

}  // namespace
