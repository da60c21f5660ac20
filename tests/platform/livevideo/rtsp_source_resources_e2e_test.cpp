// A plug-in stays open for days while cameras come and go: opening and closing the RTSP source again
// and again, on a live camera, on a port that refuses and on a camera killed under the stream, leaves
// the process with the descriptors and the memory it had. The cameras run as programs of their own,
// so that every descriptor of this process is the source's or the test's.
#include "platform/livevideo/livevideo.h"
#include "tests/support/loopback_camera_program.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using test_support::LoopbackCameraProgram;

constexpr int kCycles = 50;
constexpr int kWarmUpCycles = 3;  // GStreamer's own set-up on first use stays, as it should
constexpr int kOpenTimeoutMs = 5000;
constexpr auto kBound = 10s;  // a bound against hanging, not an expected duration
// Leaking the pipeline cost some 100 to 200 kB a cycle; the allocator's own caches move by far less.
constexpr long kMemoryToleranceKb = 1024;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Their allocators keep freed memory back (quarantine, shadow): resident memory says nothing there.
constexpr bool kResidentMemoryMeansSomething = false;
#else
constexpr bool kResidentMemoryMeansSomething = true;
#endif

size_t OpenDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A loopback port nothing listens on: bound once for a free number, then let go.
std::string RefusingUrl() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return "rtsp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/live";
}

// A camera program on a free port, its device link too.
std::unique_ptr<LoopbackCameraProgram> StartCamera(std::string* url) {
    auto camera =
        std::make_unique<LoopbackCameraProgram>(std::vector<std::string>{"--port", "0", "--device-port", "0"});
    *url = camera->ReadLine();
    return camera;
}

struct Source {
    // Slices from the stream itself: the description's parameter sets come before any packet.
    std::atomic<int> slices{0};
    std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)> source{rtsp_source_new(&OnData, this), &rtsp_source_free};

    static void OnData(int, const unsigned char* data, int length, void* self) {
        const int type = length > 0 ? data[0] & 0x1F : 0;
        if (type == 1 || type == 5) ++static_cast<Source*>(self)->slices;
    }

    bool WaitFor(bool (*reached)(Source&)) {
        for (const auto giveUp = std::chrono::steady_clock::now() + kBound; std::chrono::steady_clock::now() < giveUp;
             std::this_thread::sleep_for(5ms)) {
            if (reached(*this)) return true;
        }
        return false;
    }
};

bool IsFlowing(Source& s) { return s.slices > 0; }
bool HasEnded(Source& s) { return rtsp_source_play(s.source.get()) == RTSP_SOURCE_ERROR_SERVER; }

// One open and close of each kind; false (with the failure added) when it did not go as a camera
// view would see it.
using Cycle = bool (*)(Source&, const std::string& liveUrl);

bool PlayLiveCamera(Source& s, const std::string& liveUrl) {
    s.slices = 0;
    EXPECT_EQ(rtsp_source_open(s.source.get(), liveUrl.c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_OK);
    EXPECT_EQ(rtsp_source_play(s.source.get()), RTSP_SOURCE_OK);
    const bool flowing = s.WaitFor(IsFlowing);
    rtsp_source_close(s.source.get());
    EXPECT_TRUE(flowing);
    return flowing;
}

bool OpenRefusedPort(Source& s, const std::string&) {
    const int opened = rtsp_source_open(s.source.get(), RefusingUrl().c_str(), 0, kOpenTimeoutMs);
    rtsp_source_close(s.source.get());
    EXPECT_EQ(opened, RTSP_SOURCE_ERROR_SERVER);
    return opened == RTSP_SOURCE_ERROR_SERVER;
}

// The camera is killed while it streams; the source sees the stream end, then the view closes it.
bool PlayCameraThatIsKilled(Source& s, const std::string&) {
    std::string url;
    auto camera = StartCamera(&url);
    s.slices = 0;
    EXPECT_EQ(rtsp_source_open(s.source.get(), url.c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_OK);
    EXPECT_EQ(rtsp_source_play(s.source.get()), RTSP_SOURCE_OK);
    const bool flowing = s.WaitFor(IsFlowing);
    camera.reset();  // SIGKILL
    const bool ended = s.WaitFor(HasEnded);
    rtsp_source_close(s.source.get());
    EXPECT_TRUE(flowing && ended) << "flowing " << flowing << ", ended " << ended;
    return flowing && ended;
}

struct Kind {
    const char* name;
    Cycle cycle;
};

TEST(RtspSourceResources, FiftyOpensAndClosesLeaveDescriptorsAndMemoryAsTheyWere) {
    std::string liveUrl;
    const auto liveCamera = StartCamera(&liveUrl);
    ASSERT_FALSE(liveUrl.empty());
    Source source;
    for (const Kind& kind : {Kind{"live camera", &PlayLiveCamera}, Kind{"refused port", &OpenRefusedPort},
                             Kind{"camera killed while streaming", &PlayCameraThatIsKilled}}) {
        SCOPED_TRACE(kind.name);
        for (int cycle = 0; cycle < kWarmUpCycles; ++cycle) ASSERT_TRUE(kind.cycle(source, liveUrl));
        const size_t descriptors = OpenDescriptors();
        const long resident = ResidentKilobytes();
        for (int cycle = 0; cycle < kCycles; ++cycle) ASSERT_TRUE(kind.cycle(source, liveUrl)) << "cycle " << cycle;
        EXPECT_EQ(OpenDescriptors(), descriptors);
        if (kResidentMemoryMeansSomething) {
            EXPECT_LE(ResidentKilobytes() - resident, kMemoryToleranceKb);
        }
    }
    const int status = liveCamera->Terminate();  // the camera program ends cleanly when asked to
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
