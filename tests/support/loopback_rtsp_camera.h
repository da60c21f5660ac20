#pragma once
// A camera on loopback for tests and for the loopback_camera tool: an RTSP server (GStreamer's
// RTSP server library) serving one H.264 stream at rtsp://127.0.0.1:<port><path>, either a live
// test pattern encoded with x264 or an MP4 file. Switches make it behave like awkward cameras:
// parameter sets missing from the session description or from the stream, several slices per
// picture, a stream that stalls while the connection stays up.

#include "tests/support/glib_owners.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

typedef struct _GstRTSPServer GstRTSPServer;

namespace test_support {

class StallValves;

struct LoopbackRtspCameraOptions {
    std::string path = "/live";  // mount point, beginning with '/'
    int port = 0;                // 0: a free port, which Url() then names
    int width = 320;
    int height = 240;
    int framesPerSecond = 25;
    int keyFrameInterval = 25;  // pictures from one key frame to the next
    int slicesPerPicture = 1;
    // An MP4 file with H.264 to serve, once and in real time, instead of the test pattern (size,
    // rate, key frames and slices are then the file's).
    std::filesystem::path file;
    // The session tells the file's length and ends with it; when false it tells neither, as a live
    // camera's, and after the file stays open sending nothing.
    bool endWithTheFile = true;
    bool parameterSetsInSessionDescription = true;  // sprop-parameter-sets in the SDP
    bool parameterSetsInBand = true;                // SPS and PPS in the stream before each key frame
};

class LoopbackRtspCamera {
public:
    explicit LoopbackRtspCamera(LoopbackRtspCameraOptions options = {});
    ~LoopbackRtspCamera();
    LoopbackRtspCamera(const LoopbackRtspCamera&) = delete;
    LoopbackRtspCamera& operator=(const LoopbackRtspCamera&) = delete;

    // Listens and serves on a thread of its own; throws std::runtime_error when it cannot.
    void Start();
    // Drops every client and session, stops serving and joins the server's thread.
    void Stop();

    // While stalled, every session (those playing and those to come) sends nothing, and their
    // connections stay open.
    void SetStalled(bool stalled);

    std::string Url() const;

    // Sessions whose pipeline still exists. A session's pipeline goes shortly after its client
    // tears it down or disconnects.
    size_t LiveSessions() const;
    // Sessions made since the camera started: one for each time a client opened the stream.
    size_t SessionsMade() const;

private:
    std::string LaunchDescription() const;

    const LoopbackRtspCameraOptions options_;
    int port_ = 0;
    GLibPtr<GMainContext> context_;
    GLibPtr<GMainLoop> loop_;
    GLibPtr<GstRTSPServer> server_;
    unsigned serverSource_ = 0;
    std::thread thread_;
    // Shared with every session's pipeline, which may end after the camera has stopped.
    const std::shared_ptr<StallValves> valves_;
};

}  // namespace test_support
