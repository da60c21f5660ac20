// The loopback test camera: serves H.264 over RTSP on 127.0.0.1 (a live test pattern or an MP4
// file) and answers the plug-in's device links on the device port (8081 unless told otherwise),
// prints its URL and runs until Ctrl-C (or SIGTERM). SIGUSR1 stalls the stream (sessions stay
// connected, nothing is sent) and resumes it on the next SIGUSR1. With both parameter-set options
// the stream carries no SPS at all. Without --port, or with --port 0, the stream is served on a
// free port, which the printed URL names. The test pattern is 640x360 unless told otherwise: a
// camera's 16:9, the shape of the example page's plug-in. A --file it cannot serve (missing, not
// an MP4 file, no H.264 track) is refused at start.
//
//   loopback_camera [--port N] [--path /live] [--size WxH] [--fps N] [--key-interval N]
//                   [--slices N] [--file movie.mp4] [--no-sdp-parameter-sets]
//                   [--no-inband-parameter-sets] [--device-port N] [--device-address A] [--alarm-interval S]
//                   [--line TYPE:R,G,B:X,Y/X,Y...] [--label R,G,B:X,Y:TEXT]

#include "tests/support/loopback_rtsp_camera.h"
#include "tools/loopback_camera/option_number.h"
#include "tools/loopback_camera/device_peer_options.h"
#include "tools/loopback_camera/movie_file.h"

#include <chrono>
#include <memory>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: loopback_camera [--port N] [--path /live] [--size WxH] [--fps N] [--key-interval N]\n"
                 "                       [--slices N] [--file movie.mp4] [--no-sdp-parameter-sets]\n"
                 "                       [--no-inband-parameter-sets]\n%s"
                 "The test pattern is 640x360 at 25 pictures a second unless --size and --fps say otherwise;\n"
                 "--file serves an MP4 file with H.264 instead.\n",
                 DevicePeerOptions::Usage());
}

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int PositiveNumber(const std::string& text) { return static_cast<int>(OptionNumber(text, 1, 65535)); }

struct ProgramOptions {
    test_support::LoopbackRtspCameraOptions camera;
    DevicePeerOptions device;
};

ProgramOptions ParseOptions(int argc, char** argv) {
    ProgramOptions program;
    test_support::LoopbackRtspCameraOptions& options = program.camera;
    options.width = 640;
    options.height = 360;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw std::invalid_argument(arg + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--port") {
            options.port = static_cast<int>(OptionNumber(value(), 0, 65535));  // 0: a free port
        } else if (arg == "--path") {
            options.path = value();
            if (options.path.empty() || options.path.front() != '/') {
                options.path = "/" + options.path;
            }
        } else if (arg == "--size") {
            const std::string size = value();
            const size_t x = size.find('x');
            if (x == std::string::npos) {
                throw std::invalid_argument("size must be WxH: " + size);
            }
            options.width = PositiveNumber(size.substr(0, x));
            options.height = PositiveNumber(size.substr(x + 1));
        } else if (arg == "--fps") {
            options.framesPerSecond = PositiveNumber(value());
        } else if (arg == "--key-interval") {
            options.keyFrameInterval = PositiveNumber(value());
        } else if (arg == "--slices") {
            options.slicesPerPicture = PositiveNumber(value());
        } else if (arg == "--file") {
            options.file = value();
            const std::string unservable = WhyMovieCannotBeServed(options.file);
            if (!unservable.empty()) throw std::invalid_argument("--file " + unservable);
        } else if (arg == "--no-sdp-parameter-sets") {
            options.parameterSetsInSessionDescription = false;
        } else if (arg == "--no-inband-parameter-sets") {
            options.parameterSetsInBand = false;
        } else if (program.device.Parse(arg, value)) {
        } else {
            throw std::invalid_argument("unknown option " + arg);
        }
    }
    return program;
}

}  // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "loopback_camera: %s\n", error.what());
        PrintUsage();
        return 2;
    }

    // Block the stop and stall signals before any thread starts, so that every thread inherits the
    // mask and only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    test_support::LoopbackRtspCamera camera(options.camera);
    try {
        camera.Start();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "loopback_camera: %s\n", error.what());
        return 1;
    }
    std::unique_ptr<test_support::LoopbackDeviceService> device;
    try {
        device = std::make_unique<test_support::LoopbackDeviceService>(options.device.ServiceOptions(), PrintLine);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "loopback_camera: device link: %s\n", error.what());
        camera.Stop();
        return 1;
    }

    std::printf("%s\ndevice link on %s:%u\n", camera.Url().c_str(), options.device.ServiceOptions().address.c_str(),
                device->port());
    std::fflush(stdout);

    bool stalled = false;
    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && signal == SIGUSR1) {
        stalled = !stalled;
        camera.SetStalled(stalled);
        std::printf("stream %s\n", stalled ? "stalled" : "resumed");
        std::fflush(stdout);
    }
    device->Stop();
    camera.Stop();
    return 0;
}
