// The object the page's script sees as the plug-in: 36 methods, the read-only property "Version"
// and 14 events. It holds the one camera view that "SetFunction" made, forwards the page's
// commands to it, keeps the snapshot and recording folders, passes the plug-in window's mouse
// events to the view, and is the point through which every view fires events to the page.
// Methods and properties run on the browser's main thread; the notify operations may be called
// from any thread (event delivery is the scripting core's).
#pragma once

#include "scripting/jsapi_auto.h"
#include "scripting/variant.h"

#include <cstdint>
#include <memory>
#include <string>

namespace FB {
class BrowserHost;
class MouseDownEvent;
class MouseDoubleClickEvent;
class MouseUpEvent;
class MouseMoveEvent;
class PluginWindow;
class WindowsEvent;
}  // namespace FB

class CVideoPlayer;

class VeltrinAPI : public FB::JSAPIAuto {
public:
    explicit VeltrinAPI(const std::shared_ptr<FB::BrowserHost>& host);
    ~VeltrinAPI() override;

    // Script methods, in registration order.
    void SetFunction(const int& type);
    void setControlType(const int& type);
    void SetRtspUrl(const std::string& url);
    void SetServerIp(const std::string& address);
    void SetEventType(int value);
    void SetAreaHideFlag(int group, int hide);
    void SetAnalyseParams(const std::string& json);
    void SetTargetWidth(int width);
    void SetTargetSize(float a, float b, int c, int d);
    std::string SaveAnalyseParams();
    void SetOSDInfoParams(const std::string& json);
    std::string OnCheckLine();
    int StartPlay();
    int StopPlay();
    int pausePlay();
    int unpausePlay();
    void StartDraw(const int& kind);
    void StartDrawWithName(const int& kind, const std::string& name);
    void ModifySelectedPLName(const std::string& name);
    void selectObjByName(int group, const std::string& name);
    std::string GetPLName(int group, int index);
    int SnapPicture();
    int StartRecord(const std::string& directory);
    int StopRecord();
    int StartFindingDevice();
    int StopFindingDevice();
    int ModifyDevice(const std::string& ignored);
    int DeviceAdminSendCmd(const std::string& ignored, int alsoIgnored);
    FB::variant BrowseDirectories(const int& which);
    FB::variant GetSaveDirectory(const int& which);
    void DoManualAnalyse(const int& value);
    void Do3DLocation();
    void OpenFullScreen();
    void SetWndIndex(const int& index);
    void keybdEvent(int key, int scan, int flags);
    void OpenMesh(int on, int size);
    std::string get_Version();

    // Event firers: each builds the event's argument list in order and fires it by name.
    void fireAlarm(const FB::variant& text);
    void fireSaveArea(int kind, int index);
    void fireSaveAreaWithName3(int windowIndex, int group, const FB::variant& name);
    void fireDeleteArea(int kind, int index);
    void fireDeleteAreaWithName3(int windowIndex, int group, const FB::variant& name);
    void fireClickArea(int kind, int index);
    void fireClickAreaWithName3(int windowIndex, int group, const FB::variant& name);
    void fireSetManualAnalyseParams(const FB::variant& json);
    void fireSetManualAnalyseParams2(int windowIndex, const FB::variant& json);
    void fireSet3DLocationParams(const FB::variant& json);
    void fireOnMouseDownScreen(int windowIndex, int flag);
    void fireOnMouseDownVideo(int windowIndex, int unused, int x, int y);
    void fireOnCloseFullScreen(int windowIndex);
    void fireInnerCtrlCmd(int windowIndex, int command, int action);

    // What the views call to tell the page (any thread).
    void notifyAlarm(const char* text);
    void notifySet3DLocationParams(const std::string& json);
    void notifySetManualAnalyseParams(const std::string& json);
    void notifySetManualAnalyseParams2(const std::string& json);
    void notifyCloseFullScreen();
    void notifyInnerCtrlCmd(int command, int action);
    void notifyMouseDownScreen(int index, int flag);
    void notifyMouseDownVideo(int value, int x, int y);
    void notifyClickArea(int kind, int index);
    void notifyDeleteArea(int kind, int index);
    void notifySaveArea(int kind, int index);
    void notifyClickAreaWithName3(int group, const std::string& name);
    void notifyDeleteAreaWithName3(int group, const std::string& name);
    void notifySaveAreaWithName3(int group, const std::string& name);

    // The plug-in object's window and mouse routing (main thread).
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window);
    bool onMouseDoubleClickEvent(FB::MouseDoubleClickEvent* event, FB::PluginWindow* window);
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window);
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window);
    bool onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window);
    void setPluginWindow(FB::PluginWindow* window);

    // Read by the views and the plug-in object.
    int windowIndex() const { return windowIndex_; }
    int controlType() const { return controlType_; }
    int functionType() const { return functionType_; }
    FB::PluginWindow* pluginWindow() const { return pluginWindow_; }
    CVideoPlayer* view() const { return view_.get(); }
    bool deviceMode() const { return deviceModeMarker_ != nullptr; }

private:
    void registerMethods();
    void loadSavePaths();

    int32_t controlType_ = 0;
    std::shared_ptr<FB::BrowserHost> host_;
    std::unique_ptr<CVideoPlayer> view_;
    std::unique_ptr<unsigned char[]> deviceModeMarker_;  // 16 bytes; present in device mode (type 5)
    int32_t functionType_ = 0;
    FB::PluginWindow* pluginWindow_ = nullptr;  // not owned
    char snapDirectory_[256] = {};              // ANSI code page
    char recordDirectory_[256] = {};            // ANSI code page
    int32_t windowIndex_ = 0;
};
