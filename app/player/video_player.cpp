// The camera view's life: construction and destruction, starting and stopping the stream, the
// RTSP intake and the setters.
#include "app/player/video_player.h"

#include "app/player/alarm_text_message.h"
#include "app/player/renderer_choice.h"
#include "app/util/code_page_text.h"
#include "app/util/critical_section_hold.h"
#include "app/util/file_logger.h"
#include "app/util/sps_parser.h"
#include "host/plugin_window.h"
#include "platform/window/win_window.h"

#include <cassert>
#include <cstring>

namespace {

// The RTSP source gives up on a camera that does not answer within this time.
constexpr int kRtspOpenTimeoutMs = 2000;
// How long a start waits for the stream's first SPS.
constexpr auto kSpsWait = std::chrono::milliseconds(5000);
// NAL units held back while a start sets up: as many as the decoder's own queue takes.
constexpr size_t kMaxHeldPackets = 26;
constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kSpsNalType = 7;
constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};

// One NAL unit with a four-byte start code in front, as the decoder takes it; null when memory
// cannot be had.
DataBuffer* MakePacket(const unsigned char* unit, int length) {
    DataBuffer* packet = AllocDataBuffer(length + static_cast<int32_t>(sizeof(kStartCode)));
    if (packet == nullptr) return nullptr;
    std::memcpy(packet->data, kStartCode, sizeof(kStartCode));
    std::memcpy(packet->data + sizeof(kStartCode), unit, static_cast<size_t>(length));
    return packet;
}

}  // namespace

CVideoPlayer::CVideoPlayer(VeltrinAPI* owner, FB::PluginWindow* window)
    : decoder_(&pictures_), window_(window), owner_(owner) {
    InitializeCriticalSection(&frameLock_);
    InitializeCriticalSection(&renderQueueLock_);
    const RendererKind kind = ConfiguredRendererKind();
    FileLogger::Write(kind == RendererKind::Gdi ? "use gdi render." : "use ddraw render.");
    renderer1_ = MakeRenderer(kind);
    renderer2_ = MakeRenderer(kind);
    ClearWindow();
    MoveWatchdogTimer(window_ ? window_->getHWND() : nullptr);
    RegisterFullScreenClass();
}

CVideoPlayer::~CVideoPlayer() {
    assert(OnOwnerThread());
    Shutdown();
    if (fullScreenWindow_ != nullptr) {
        DestroyWindow(fullScreenWindow_);  // its WM_DESTROY leaves full screen
        ForgetFullScreenWindow();
    }
    MoveWatchdogTimer(nullptr);
    FreeRenderQueue();
    pictures_.Give(keptFrame_);  // no thread is left to share it
    keptFrame_ = nullptr;
    renderer2_.reset();
    renderer1_.reset();
    DeleteCriticalSection(&renderQueueLock_);
    DeleteCriticalSection(&frameLock_);
}

void CVideoPlayer::Shutdown() {
    autoRestart_ = false;
    Stop();
    deviceLink_.Stop();
}

int CVideoPlayer::Start() {
    assert(OnOwnerThread());
    if (playing_) return 0;
    if (window_ == nullptr) return -1;
    if (url_.empty()) return -2;
    ResetStreamFormat();
    if (OpenRtsp() < 0) return -3;
    if (!WaitForSps()) {
        CloseRtsp();
        DropHeldPackets();
        return -4;
    }
    const int rendererResult = InitWindowRenderer();
    if (rendererResult < 0) {
        CloseRtsp();
        DropHeldPackets();
        return rendererResult - 5000;
    }
    if (decoder_.Open(&CVideoPlayer::OnDecodedFrame, this) != 0) {
        CloseRtsp();
        DropHeldPackets();
        renderer1_->Close();
        return -6;
    }
    // A restart while full screen may bring another picture size. A full-screen renderer that
    // cannot start leaves the view in the plug-in window, as when entering full screen fails.
    if (fullScreen_ && renderer2_->Init(fullScreenWindow_, width_, shownHeight(), kRenderFormatI420) < 0) {
        DestroyWindow(fullScreenWindow_);  // its WM_DESTROY leaves full screen
    }
    InitOverlay();
    StartRenderThread();
    BeginPlaying();
    return 0;
}

int CVideoPlayer::Stop() {
    assert(OnOwnerThread());
    if (!playing_) return 0;
    StopRecord();
    {
        std::lock_guard<std::mutex> hold(intakeLock_);
        playing_ = false;
    }
    CloseRtsp();
    DropHeldPackets();
    decoder_.Close();
    StopRenderThread();
    renderer1_->Close();
    return 0;
}

void CVideoPlayer::Restart() {
    Stop();
    Start();
}

void CVideoPlayer::ResetStreamFormat() {
    {
        std::lock_guard<std::mutex> hold(intakeLock_);
        spsSeen_ = false;
        width_ = 0;
        height_ = 0;
        cropRows_ = 0;
    }
    recorder_.ForgetStream();
}

// Waits on the predicate, not on a count of arrivals: an SPS of an earlier start that failed can
// neither end this wait early nor be taken for this stream's.
bool CVideoPlayer::WaitForSps() {
    std::unique_lock<std::mutex> hold(intakeLock_);
    spsArrived_.wait_for(hold, kSpsWait, [this] { return spsSeen_; });
    return spsSeen_ && width_ > 0 && height_ > 0;
}

int CVideoPlayer::InitWindowRenderer() {
    HWND window = window_->getHWND();
    const int result = renderer1_->Init(window, width_, shownHeight(), kRenderFormatI420);
    if (result >= 0) return 0;
    FileLogger::Write("render initialization failed, ret %d, use gdi render now.", result);
    renderer1_ = MakeRenderer(RendererKind::Gdi);
    renderer2_ = MakeRenderer(RendererKind::Gdi);
    const int gdiResult = renderer1_->Init(window, width_, shownHeight(), kRenderFormatI420);
    return gdiResult < 0 ? gdiResult : 0;
}

// The units held back since the SPS go to the decoder first, in order; from then on every unit
// goes straight to it.
void CVideoPlayer::BeginPlaying() {
    std::lock_guard<std::mutex> hold(intakeLock_);
    for (DataBuffer* packet : heldPackets_) decoder_.PushPacket(packet);
    heldPackets_.clear();
    playing_ = true;
}

void CVideoPlayer::DropHeldPackets() {
    std::deque<DataBuffer*> dropped;
    {
        std::lock_guard<std::mutex> hold(intakeLock_);
        dropped.swap(heldPackets_);
    }
    for (DataBuffer* packet : dropped) ReleaseDataBuffer(packet);
}

int CVideoPlayer::OpenRtsp() {
    rtsp_ = rtsp_source_new(&CVideoPlayer::OnRtspData, this);
    if (rtsp_ == nullptr) return -1;
    if (rtsp_source_open(rtsp_, url_.c_str(), 0, kRtspOpenTimeoutMs) < 0) {
        rtsp_source_free(rtsp_);
        rtsp_ = nullptr;
        return -1;
    }
    if (rtsp_source_play(rtsp_) < 0) {
        rtsp_source_close(rtsp_);
        rtsp_source_free(rtsp_);
        rtsp_ = nullptr;
        return -1;
    }
    return 0;
}

void CVideoPlayer::CloseRtsp() {
    if (rtsp_ == nullptr) return;
    rtsp_source_close(rtsp_);
    rtsp_source_free(rtsp_);
    rtsp_ = nullptr;
}

// NAL units, and the picture times a recording takes its pace from; other kinds are ignored.
void CVideoPlayer::OnRtspData(int type, const unsigned char* data, int length, void* user) {
    if (user == nullptr || data == nullptr || length <= 0) return;
    auto* view = static_cast<CVideoPlayer*>(user);
    if (type == RTSP_SOURCE_DATA_H264_NAL) {
        view->TakeNalUnit(data, length);
    } else if (type == RTSP_SOURCE_DATA_PICTURE_TIME && length == 4) {
        view->recorder_.TakePictureTime((uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) |
                                        (uint32_t{data[2]} << 8) | uint32_t{data[3]});
    }
}

// On the RTSP source's thread.
void CVideoPlayer::TakeNalUnit(const unsigned char* unit, int length) {
    std::unique_lock<std::mutex> hold(intakeLock_);
    if (!spsSeen_ && (unit[0] & kNalTypeMask) == kSpsNalType) {
        SpsPictureSize size;
        GetPictureSizeFromSps(unit, length, &size);
        width_ = size.shownWidth();
        height_ = size.codedHeight;
        cropRows_ = size.cropTop + size.cropBottom;
        spsSeen_ = true;
        spsArrived_.notify_all();
    }
    // Nothing before the first SPS can be decoded.
    if (!spsSeen_) return;
    // The recorder keeps the stream from its latest key picture on, the units held back while the
    // start sets up included, so that a recording begins there. Only this thread feeds it: the
    // units reach it in the order they came.
    if (!playing_) {
        // The start is still setting up: keep the unit (the parameter sets and the key frame that
        // follow the SPS) for the decoder rather than wait for the next key frame.
        DataBuffer* packet = MakePacket(unit, length);
        if (packet != nullptr) {
            if (heldPackets_.size() >= kMaxHeldPackets) {
                ReleaseDataBuffer(heldPackets_.front());
                heldPackets_.pop_front();
            }
            heldPackets_.push_back(packet);
        }
        hold.unlock();
        recorder_.TakeNalUnit(unit, length);
        return;
    }
    hold.unlock();
    recorder_.TakeNalUnit(unit, length);
    DataBuffer* packet = MakePacket(unit, length);
    if (packet != nullptr) decoder_.PushPacket(packet);
}

void CVideoPlayer::SetUrl(const std::string& url) {
    if (url == url_) return;
    url_ = url;
    if (playing_) {
        Stop();
        Start();
    }
}

// A view without a window starts as its window comes; a playing view restarts in a new window;
// losing the window stops it.
void CVideoPlayer::SetWindow(FB::PluginWindow* window) {
    const bool start = window_ == nullptr || (window != nullptr && playing_);
    Stop();
    HWND previous = window_ ? window_->getHWND() : nullptr;
    {
        // The device link's thread finds the window to post alarm texts to under this lock.
        CriticalSectionHold hold(frameLock_);
        window_ = window;
    }
    // Nothing is posted to the window left any more; what waits there would never be taken.
    HWND next = window ? window->getHWND() : nullptr;
    if (previous != next) DiscardPendingAlarmTexts(previous);
    MoveWatchdogTimer(next);
    if (start) Start();
}

void CVideoPlayer::SetServerIp(const std::string& address) {
    if (address.empty()) return;
    deviceLink_.Stop();
    deviceLink_.Start(address, &CVideoPlayer::OnDeviceData, this);
}

int CVideoPlayer::SetAutoRestart(bool on) {
    autoRestart_ = on;
    return 1;
}

void CVideoPlayer::OnDeviceData(int type, const char* body, int length, void* user) {
    if (user == nullptr) return;
    static_cast<CVideoPlayer*>(user)->OnDeviceMessage(type, body, length);
}

// On the device link's thread.
void CVideoPlayer::OnDeviceMessage(int type, const char* body, int length) {
    if (type != kDeviceOsdRecord || length != kOsdRecordSize || body == nullptr) return;
    StoreOsdRecord(body);
}

// The record as it came, with its location turned from UTF-8 into the ANSI code page (cut at a
// character boundary to fit its field) and zero-filled.
void CVideoPlayer::StoreOsdRecord(const char* body) {
    OsdRecord record;
    std::memcpy(&record, body, sizeof(record));
    char location[sizeof(record.location) + 1] = {};
    std::memcpy(location, record.location, sizeof(record.location));
    std::memset(record.location, 0, sizeof(record.location));
    Utf8ToAnsi(record.location, location, static_cast<int>(sizeof(record.location)));
    CriticalSectionHold hold(frameLock_);
    osd_ = record;
}
