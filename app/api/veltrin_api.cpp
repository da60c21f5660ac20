// The scripting object's life: construction with its member table, destruction, and the choice of
// the camera view.
#include "app/api/veltrin_api.h"

#include "app/api/view_factory.h"
#include "app/player/video_player.h"
#include "app/util/file_logger.h"
#include "host/browser_host.h"
#include "scripting/method_wrappers.h"

#include <new>

namespace {

constexpr char kDescription[] = "<JSAPI-Auto Javascript Object>";
constexpr char kVersion[] = "V2.28";
constexpr size_t kDeviceModeMarkerSize = 16;

}  // namespace

VeltrinAPI::VeltrinAPI(const std::shared_ptr<FB::BrowserHost>& host) : FB::JSAPIAuto(kDescription), host_(host) {
    FileLogger::Init();
    FileLogger::Write("api init.");
    registerMethods();
    loadSavePaths();
}

// The view goes first: it joins its threads and destroys its windows here, on the thread that
// made them, while the host is still held.
VeltrinAPI::~VeltrinAPI() {
    FileLogger::Write("api fini.");
    view_.reset();
    deviceModeMarker_.reset();
    FileLogger::Release();
    host_.reset();
}

void VeltrinAPI::registerMethods() {
    addMethod("SetFunction", FB::make_method(this, &VeltrinAPI::SetFunction));
    addMethod("setControlType", FB::make_method(this, &VeltrinAPI::setControlType));
    addMethod("SetRtspUrl", FB::make_method(this, &VeltrinAPI::SetRtspUrl));
    addMethod("SetServerIp", FB::make_method(this, &VeltrinAPI::SetServerIp));
    addMethod("SetEventType", FB::make_method(this, &VeltrinAPI::SetEventType));
    addMethod("SetAreaHideFlag", FB::make_method(this, &VeltrinAPI::SetAreaHideFlag));
    addMethod("SetAnalyseParams", FB::make_method(this, &VeltrinAPI::SetAnalyseParams));
    addMethod("SetTargetWidth", FB::make_method(this, &VeltrinAPI::SetTargetWidth));
    addMethod("SetTargetSize", FB::make_method(this, &VeltrinAPI::SetTargetSize));
    addMethod("SaveAnalyseParams", FB::make_method(this, &VeltrinAPI::SaveAnalyseParams));
    addMethod("SetOSDInfoParams", FB::make_method(this, &VeltrinAPI::SetOSDInfoParams));
    addMethod("OnCheckLine", FB::make_method(this, &VeltrinAPI::OnCheckLine));
    addMethod("StartPlay", FB::make_method(this, &VeltrinAPI::StartPlay));
    addMethod("StopPlay", FB::make_method(this, &VeltrinAPI::StopPlay));
    addMethod("pausePlay", FB::make_method(this, &VeltrinAPI::pausePlay));
    addMethod("unpausePlay", FB::make_method(this, &VeltrinAPI::unpausePlay));
    addMethod("StartDraw", FB::make_method(this, &VeltrinAPI::StartDraw));
    addMethod("StartDrawWithName", FB::make_method(this, &VeltrinAPI::StartDrawWithName));
    addMethod("ModifySelectedPLName", FB::make_method(this, &VeltrinAPI::ModifySelectedPLName));
    addMethod("selectObjByName", FB::make_method(this, &VeltrinAPI::selectObjByName));
    addMethod("GetPLName", FB::make_method(this, &VeltrinAPI::GetPLName));
    addMethod("SnapPicture", FB::make_method(this, &VeltrinAPI::SnapPicture));
    addMethod("StartRecord", FB::make_method(this, &VeltrinAPI::StartRecord));
    addMethod("StopRecord", FB::make_method(this, &VeltrinAPI::StopRecord));
    addMethod("StartFindingDevice", FB::make_method(this, &VeltrinAPI::StartFindingDevice));
    addMethod("StopFindingDevice", FB::make_method(this, &VeltrinAPI::StopFindingDevice));
    addMethod("ModifyDevice", FB::make_method(this, &VeltrinAPI::ModifyDevice));
    addMethod("DeviceAdminSendCmd", FB::make_method(this, &VeltrinAPI::DeviceAdminSendCmd));
    addMethod("BrowseDirectories", FB::make_method(this, &VeltrinAPI::BrowseDirectories));
    addMethod("GetSaveDirectory", FB::make_method(this, &VeltrinAPI::GetSaveDirectory));
    addMethod("DoManualAnalyse", FB::make_method(this, &VeltrinAPI::DoManualAnalyse));
    addMethod("Do3DLocation", FB::make_method(this, &VeltrinAPI::Do3DLocation));
    addMethod("OpenFullScreen", FB::make_method(this, &VeltrinAPI::OpenFullScreen));
    addMethod("SetWndIndex", FB::make_method(this, &VeltrinAPI::SetWndIndex));
    addMethod("keybdEvent", FB::make_method(this, &VeltrinAPI::keybdEvent));
    addMethod("OpenMesh", FB::make_method(this, &VeltrinAPI::OpenMesh));
    addProperty("Version", FB::make_getter(this, &VeltrinAPI::get_Version));
}

std::string VeltrinAPI::get_Version() { return kVersion; }

// The view is made once; its type never changes. Device mode makes no view, so a view may still
// follow it.
void VeltrinAPI::SetFunction(const int& type) {
    if (type < kLowestFunction || type > kHighestFunction || view_) return;
    functionType_ = type;
    if (type == kDeviceModeFunction) {
        if (!deviceModeMarker_) deviceModeMarker_.reset(new (std::nothrow) unsigned char[kDeviceModeMarkerSize]());
        return;
    }
    try {
        view_ = MakeView(type, controlType_, this, pluginWindow_);
    } catch (const std::bad_alloc&) {
        view_.reset();
    }
}

void VeltrinAPI::setControlType(const int& type) { controlType_ = type; }

void VeltrinAPI::SetWndIndex(const int& index) { windowIndex_ = index; }

void VeltrinAPI::setPluginWindow(FB::PluginWindow* window) {
    pluginWindow_ = window;
    if (view_) view_->SetWindow(window);
}
