// The camera view of the plain live preview ("SetFunction" type 0). Beside the base view it listens
// to the device link for alarm texts, which become the page event "onalarm", and for status records
// (lines and labels), which it draws into every picture; and it offers the manual-analysis
// rectangle: after "DoManualAnalyse" one dragged rectangle goes to the page as region JSON through
// "onsetManualAnalyseParams". Its variants differ only in the status record they draw.
//
// Threads: device messages arrive on the device link's thread, drawing runs on the decode thread,
// mouse and window messages on the main thread; the stored records, the drag points and the
// manual-analysis mode are shared under the frame lock.
#pragma once

#include "app/device/device_message.h"
#include "app/player/video_player.h"

#include <cstddef>
#include <cstdint>

class CPreviewPlayer : public CVideoPlayer {
public:
    CPreviewPlayer(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CPreviewPlayer() override;

    void DoManualAnalyse(int channel) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    bool onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) override;
    void DrawOverlay() override;
    void OnDeviceMessage(int type, const char* body, int length) override;
    // The stored status records this view draws: types 2, 3 and 4.
    virtual void DrawExtraOverlay();

    // Sends the manual-analysis rectangle to the page; only with exactly two drag points.
    void ReportManualRegion();

    bool manualAnalyse() const { return manualAnalyse_; }

protected:
    // Ends the threads that call this view's overrides (stream, decoder, device link) and frees the
    // alarm texts still waiting for its windows. Every class of the family calls it first in its
    // destructor, before its own part of the object goes.
    void EndViewThreads();

    // Draws a stored line set or figure set into the current picture.
    void DrawLineSet(const uint8_t* record, size_t size, int maxEntries);
    void DrawFigureSet(const uint8_t* record, size_t size);

    // Fields in order; the records are stored byte for byte as they arrive.
    uint8_t lineSetShort_[kDeviceLineSetShortSize] = {};  // type 2
    uint8_t lineSet_[kDeviceLineSetSize] = {};            // type 3
    uint8_t lineSetBall_[kDeviceLineSetSize] = {};        // type 10
    uint8_t figureSet_[kDeviceFigureSetSize] = {};        // type 4
    bool manualAnalyse_ = false;

private:
    struct StoredRecord {
        uint8_t* bytes;
        size_t size;
    };

    bool PointerOverPicture() const;
    ShapePoint PicturePoint(int x, int y) const;
    void StoreStatusRecord(int type, const char* body, int length);
    StoredRecord StoredRecordOf(int type);
};
