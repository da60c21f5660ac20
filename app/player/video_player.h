// The camera view: the base of every view that "SetFunction" makes. It pulls one H.264 stream over
// RTSP, learns the picture size from the first SPS, feeds every NAL unit to its decoder, draws the
// overlays into each decoded I420 picture and shows it in the plug-in window through a renderer on
// a render thread of its own. It also owns the device link, the on-screen-display record, a
// watchdog on a 500 ms window timer, full-screen display and a drag rectangle. Views change
// behaviour only through the virtual operations below and fields of their own.
//
// Threads: the browser's main thread (construction, destruction, setters, Start and Stop, window
// messages, mouse), the RTSP library's thread (OnRtspData), the decode thread (OnDecodedFrame and
// the overlays), the render thread (RenderLoop) and the device link's reader (OnDeviceData).
// Locks: the frame lock (current and kept picture, frame commands, OSD record, status records,
// drag points, shapes; recursive) is taken before the render-queue lock (render queue) whenever
// both are needed.
#pragma once

#include "app/device/device_message_client.h"
#include "app/player/data_buffer.h"
#include "app/player/frame_command.h"
#include "app/player/h264_decoder.h"
#include "app/player/mp4_recorder.h"
#include "app/player/osd_drawing.h"
#include "app/player/osd_record.h"
#include "app/player/picture_pool.h"
#include "app/player/shape_point.h"
#include "app/render/sample_range.h"
#include "app/render/text_renderer.h"
#include "app/render/video_render_base.h"
#include "platform/base/win_user_types.h"
#include "platform/livevideo/livevideo.h"
#include "platform/thread/win_sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace FB {
class MouseDownEvent;
class MouseUpEvent;
class MouseMoveEvent;
class PluginWindow;
class WindowsEvent;
}  // namespace FB

class VeltrinAPI;

// Messages a view posts to its own windows (both parameters 0).
constexpr UINT kViewRestartMessage = 1025;     // restart request
constexpr UINT kViewPaintBlackMessage = 1027;  // paint the window black
constexpr UINT_PTR kWatchdogTimerId = 1;
constexpr UINT kWatchdogIntervalMs = 500;

// Colours of the drawing primitives: three values written unchanged as Y, U and V samples by the
// line drawer, read as red, green and blue by the text drawer.
struct DrawColour {
    int32_t c0 = 0;
    int32_t c1 = 0;
    int32_t c2 = 0;
};

class CVideoPlayer {
public:
    // Main thread; the view belongs to the thread that makes it.
    CVideoPlayer(VeltrinAPI* owner, FB::PluginWindow* window);
    // Joins every thread of the view, then destroys its full-screen window (owner thread only).
    virtual ~CVideoPlayer();
    CVideoPlayer(const CVideoPlayer&) = delete;
    CVideoPlayer& operator=(const CVideoPlayer&) = delete;

    // Virtual operations in slot order.
    // 0 started or already playing; -1 no window; -2 no URL; -3 the RTSP source failed; -4 no SPS
    // within 5 s; -6 the decoder failed; the GDI renderer's code minus 5000 when both renderers failed.
    virtual int Start();
    virtual int FindSegmentAt(const ShapePoint& point, PointList points);
    virtual void DoManualAnalyse(int /*value*/) {}
    virtual void SetAnalyseParams(const std::string& /*json*/) {}
    virtual std::string SaveAnalyseParams() { return std::string(); }
    virtual void StartDraw(int /*kind*/) {}
    virtual void StartDrawWithName(const int& /*kind*/, const std::string& /*name*/) {}
    virtual void ModifySelectedPLName(const std::string& /*name*/) {}
    virtual void selectObjByName(int /*group*/, const std::string& /*name*/) {}
    virtual std::string GetPLName(int /*group*/, int /*index*/) { return std::string(); }
    virtual void SetAreaHideFlag(int /*group*/, int /*hide*/) {}
    virtual bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window);
    virtual bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window);
    virtual bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window);
    virtual bool onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window);
    virtual int InitOverlay() { return 1; }
    virtual bool RunFrameCommand(const FrameCommand& command);
    virtual void DrawOverlay();
    virtual void OnDeviceMessage(int type, const char* body, int length);

    // Starting and stopping (main thread).
    int Stop();  // always 0
    void Restart();
    void SetUrl(const std::string& url);
    void SetWindow(FB::PluginWindow* window);
    void SetServerIp(const std::string& address);
    int SetAutoRestart(bool on);
    int OpenRtsp();
    void CloseRtsp();

    // Frame path.
    int Pause();   // queues command 100; 1
    int Resume();  // queues command 101; 1
    void SetZoomRect(bool on, int x, int y, int width, int height);
    void RenderFrame(DataBuffer* picture);

    // Recording and snapshots (main thread). The recording goes into a file named by the local
    // time in the folder given as UTF-8 text, the snapshot into one in the folder given in the ANSI
    // code page; missing folder levels are created. 0 when recording has begun or the snapshot was
    // written; -1 when the view is not playing, the folder is empty or its file name too long, a
    // recording already runs, there is no picture of the view's size to take, or the file cannot
    // be written.
    int StartRecord(const std::string& folder);
    void StopRecord();  // always safe
    int Snapshot(const char* ansiFolder);
    bool recording() const { return recorder_.recording(); }

    // Windows, watchdog and full screen (main thread).
    HWND GetCurrentHwnd() const;
    int GetDisplayWidth() const;
    int GetDisplayHeight() const;
    void ClearWindow();
    void EnterFullScreen();
    void LeaveFullScreen();

    // Drag rectangle, region report, geometry.
    void ToggleRegionMode();
    void ReportRegion();
    void GetScaleFactors(float* sx, float* sy) const;
    int FindPointAt(const ShapePoint& point, PointList points);
    static bool SegmentsIntersect(int a1x, int a1y, int a2x, int a2y, int b1x, int b1y, int b2x, int b2y);

    // Drawing into the current frame (frame lock held).
    void DrawLine(const ShapePoint& from, const ShapePoint& to, const DrawColour& colour);
    void DrawRect(const ShapePoint& from, const ShapePoint& to, const DrawColour& colour);
    void DrawSquare(int centreX, int centreY, int side, const DrawColour& colour);
    void DrawArrowHead(const DrawColour& colour, float tailX, float tailY, float tipX, float tipY);
    void DrawText(int x, int y, const char* text, int pixelSize, const DrawColour& colour);
    void DrawBitmap(int x, int y, const unsigned char* bitmap, int bitmapWidth, int bitmapHeight, int bitmapStride);
    void DrawDragRect();
    void DrawOsd();

    // Callbacks handed to the libraries; user data is the view.
    static void OnRtspData(int type, const unsigned char* data, int length, void* user);
    static void OnDeviceData(int type, const char* body, int length, void* user);
    static void OnDecodedFrame(DataBuffer* picture, int width, int height, SampleRange range, void* user);

    // Read by the scripting object and by tests.
    bool playing() const { return playing_; }
    bool autoRestart() const { return autoRestart_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int cropRows() const { return cropRows_; }
    int shownHeight() const { return height_ - cropRows_; }
    bool fullScreen() const { return fullScreen_; }
    HWND fullScreenWindow() const { return fullScreenWindow_; }
    FB::PluginWindow* window() const { return window_; }
    VeltrinAPI* owner() const { return owner_; }
    bool regionMode() const { return dragMode_; }
    // Pictures waiting in the render queue, under the render-queue lock.
    size_t renderQueueLength();

    // The frame lock, for the scripting object's frame commands and the views' shape operations.
    void LockFrame() { EnterCriticalSection(&frameLock_); }
    void UnlockFrame() { LeaveCriticalSection(&frameLock_); }

protected:
    // A popup menu's chosen item (WM_COMMAND) while the view plays, on the main thread; true when
    // the view took it. Only the analytics views show menus.
    virtual bool OnMenuCommand(UINT /*command*/) { return false; }
    // Stops playback and the device link, joining every thread that calls into the view. A view
    // class calls it first in its destructor, so that no thread reaches a half-destroyed view.
    void Shutdown();
    // On the RTSP source's thread: notes the first SPS, then hands the unit to the recorder and the
    // decoder.
    void TakeNalUnit(const unsigned char* unit, int length);
    // Stores a 187-byte on-screen-display record from the device link (any thread).
    void StoreOsdRecord(const char* body);
    // On the decode thread: a decoded picture on its way to the render queue.
    void TakeDecodedPicture(DataBuffer* picture, int width, int height, SampleRange range);
    // Removes the full-screen window from the window-to-view map.
    void ForgetFullScreenWindow();
    // The oldest picture of the render queue and the range of its samples, copied under the
    // render-queue lock; empty when the queue is empty or that picture is not of the view's size.
    std::vector<uint8_t> CopyOldestPicture(SampleRange* range);

    // What the render thread remembers from one pass to the next: the picture it showed last, by
    // identity while it stays in the queue, and how often it has shown it again since.
    struct RenderPassState {
        const DataBuffer* lastShown = nullptr;
        int repeats = 0;
    };

    // One pass of the render thread: trims the queue, presents its oldest picture (re-presenting a
    // lone picture until a newer one comes, at most 240 more times) and, with nothing to present,
    // asks the current window to be painted black. True when a picture was presented.
    bool RenderPass(RenderPassState& state);
    void RenderLoop();
    void StartRenderThread();
    void StopRenderThread();
    // Sleeps up to the time given, waking early when the render thread is told to stop or a new
    // picture is queued (a picture never waits out a pause begun before it came).
    void RenderThreadPause(std::chrono::milliseconds time);
    void WakeRenderThread();
    VideoRenderBase* ActiveRenderer() const;
    // The zoom rectangle in picture coordinates, or null without zoom.
    const RECT* ZoomSource(RECT& storage) const;
    // Posts to the current window; false when there is none or the post fails.
    bool PostToCurrentWindow(UINT message);
    // Asks for one restart however many wrongly sized pictures come before it is handled.
    void RequestRestart();
    void HandleWatchdogTick();
    void ResetStreamFormat();
    bool WaitForSps();
    void BeginPlaying();
    void DropHeldPackets();
    int InitWindowRenderer();
    void MoveWatchdogTimer(HWND window);
    void FreeRenderQueue();
    bool HasPictureSize() const;
    bool AcceptsPointer() const;
    void RegionPoint(int x, int y, ShapePoint* point) const;
    static void RegisterFullScreenClass();
    static LRESULT CALLBACK FullScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void HandleFullScreenMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnOwnerThread() const { return std::this_thread::get_id() == ownerThread_; }

    // The buffers of this view's pictures: made before and freed after every other field, since
    // the decoder takes its pictures from it and every holder of a picture gives it back here.
    PicturePool pictures_;

    // Fields in the order of the view's data model; views add their own after these.
    std::deque<DataBuffer*> renderQueue_;     // render-queue lock
    std::deque<FrameCommand> frameCommands_;  // frame lock
    std::atomic<bool> playing_{false};        // written on the main thread, polled by the others
    rtsp_source* rtsp_ = nullptr;
    std::string url_;
    TextRenderer textRenderer_;
    DeviceMessageClient deviceLink_;
    H264Decoder decoder_;
    FB::PluginWindow* window_ = nullptr;  // not owned
    VeltrinAPI* owner_ = nullptr;         // not owned
    DataBuffer* currentFrame_ = nullptr;  // frame lock
    DataBuffer* keptFrame_ = nullptr;     // frame lock
    std::unique_ptr<VideoRenderBase> renderer1_;
    CRITICAL_SECTION frameLock_;
    CRITICAL_SECTION renderQueueLock_;
    std::thread renderThread_;
    std::atomic<int32_t> renderRun_{0};
    bool autoRestart_ = false;
    int32_t watchdogCount_ = 0;  // render-queue lock
    OsdRecord osd_{};            // frame lock
    OsdTextCache osdText_;       // frame lock: the display's texts as drawn last
    bool spsSeen_ = false;       // intake lock
    int32_t width_ = 0;          // shown width: the coded width less the horizontal cropping
    int32_t height_ = 0;         // coded height
    int32_t cropRows_ = 0;       // rows the decoded pictures lack: top and bottom cropping
    // The range of the decoded pictures' samples, as the last one came: written by the decode thread
    // before it queues a picture, read by the render thread and the snapshot. A stream keeps its
    // range (its SPS gives it), so the pictures in the queue share it.
    std::atomic<SampleRange> pictureRange_{SampleRange::Studio};
    Mp4Recorder recorder_;       // fed on the RTSP source's thread, started and stopped on the main thread
    HINSTANCE instance_ = nullptr;
    // Switched on the main thread, read by the decode and render threads to find the window.
    std::atomic<HWND> fullScreenWindow_{nullptr};
    std::atomic<bool> fullScreen_{false};
    std::unique_ptr<VideoRenderBase> renderer2_;
    std::atomic<int32_t> screenWidth_{0};
    std::atomic<int32_t> screenHeight_{0};
    // The intake lock: the first SPS after a start (waited for on spsArrived_ with the predicate
    // "SPS seen"), the picture size it brings, and the NAL units held back while the start is
    // still setting up, which reach the decoder as soon as playback begins.
    std::mutex intakeLock_;
    std::condition_variable spsArrived_;
    std::deque<DataBuffer*> heldPackets_;  // intake lock
    PointList dragPoints_;                 // frame lock; at most two
    int16_t channelNumber_ = 0;
    bool dragMode_ = false;
    bool dragging_ = false;
    bool zoomOn_ = false;
    int32_t zoomX_ = 0;
    int32_t zoomY_ = 0;
    int32_t zoomWidth_ = 0;
    int32_t zoomHeight_ = 0;
    // Set when a restart request is posted, cleared by its handler: a burst of wrongly sized
    // pictures asks once.
    std::atomic<bool> restartPending_{false};
    // Wakes the render thread's pauses when it is told to stop or a picture is queued.
    std::mutex renderWakeLock_;
    std::condition_variable renderWake_;
    bool pictureQueued_ = false;  // render-wake lock
    HWND timerWindow_ = nullptr;  // the window the watchdog timer runs on
    const std::thread::id ownerThread_ = std::this_thread::get_id();
};

// True when the point lies inside the closed polygon through the points (crossing count of a
// horizontal probe from (x, y + 0.1) towards x = 0); false for an empty list.
bool PointInPolygon(const ShapePoint& point, const PointList& polygon);

// Creates every level of an ANSI path ("\" or "/" separated); an existing level is no error.
void MakeDirTree(const char* path);
