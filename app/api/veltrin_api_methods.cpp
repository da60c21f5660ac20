// The script methods that drive the camera view. Without a view each is harmless: the int methods
// answer -1, the text methods "", the others do nothing.
#include "app/api/veltrin_api.h"

#include "app/analysis/analysis_setting_player.h"
#include "app/api/view_factory.h"
#include "app/player/video_player.h"
#include "app/player/video_setting_player.h"
#include "platform/window/win_input.h"

namespace {

constexpr int kNoView = -1;

// The view as the analytics setting view, which only function type 2 makes.
CAnalysisSettingPlayer* AnalysisSettings(CVideoPlayer* view, int functionType) {
    if (view == nullptr || functionType != kAnalysisSettingsFunction) return nullptr;
    return dynamic_cast<CAnalysisSettingPlayer*>(view);
}

}  // namespace

void VeltrinAPI::SetRtspUrl(const std::string& url) {
    if (view_) view_->SetUrl(url);
}

void VeltrinAPI::SetServerIp(const std::string& address) {
    if (view_ && !address.empty()) view_->SetServerIp(address);
}

void VeltrinAPI::SetAreaHideFlag(int group, int hide) {
    if (view_) view_->SetAreaHideFlag(group, hide);
}

void VeltrinAPI::SetAnalyseParams(const std::string& json) {
    if (view_) view_->SetAnalyseParams(json);
}

std::string VeltrinAPI::SaveAnalyseParams() { return view_ ? view_->SaveAnalyseParams() : std::string(); }

// The analytics setting view (function type 2) takes the values of "SetEventType",
// "SetTargetWidth", "SetTargetSize" and "OpenMesh" and answers "OnCheckLine".
void VeltrinAPI::SetEventType(int value) {
    if (auto* settings = AnalysisSettings(view_.get(), functionType_)) settings->SetEventType(value);
}

void VeltrinAPI::SetTargetWidth(int width) {
    if (auto* settings = AnalysisSettings(view_.get(), functionType_)) settings->SetTargetWidth(width);
}

// The page passes the real width and height first, the two per-mille sides last.
void VeltrinAPI::SetTargetSize(float a, float b, int c, int d) {
    if (auto* settings = AnalysisSettings(view_.get(), functionType_)) settings->SetTargetSize(c, d, a, b);
}

void VeltrinAPI::OpenMesh(int on, int size) {
    if (auto* settings = AnalysisSettings(view_.get(), functionType_)) settings->OpenMesh(on, size);
}

std::string VeltrinAPI::OnCheckLine() {
    auto* settings = AnalysisSettings(view_.get(), functionType_);
    return settings ? settings->BuildCheckLineJson() : std::string();
}

int VeltrinAPI::StartPlay() {
    if (!view_) return kNoView;
    const int result = view_->Start();
    if (result == 0) view_->SetAutoRestart(true);
    return result;
}

int VeltrinAPI::StopPlay() {
    if (!view_) return kNoView;
    view_->Stop();
    view_->SetAutoRestart(false);
    return 0;
}

int VeltrinAPI::pausePlay() { return view_ ? view_->Pause() : kNoView; }

int VeltrinAPI::unpausePlay() { return view_ ? view_->Resume() : kNoView; }

void VeltrinAPI::StartDraw(const int& kind) {
    if (view_) view_->StartDraw(kind);
}

void VeltrinAPI::StartDrawWithName(const int& kind, const std::string& name) {
    if (view_) view_->StartDrawWithName(kind, name);
}

void VeltrinAPI::ModifySelectedPLName(const std::string& name) {
    if (view_) view_->ModifySelectedPLName(name);
}

void VeltrinAPI::selectObjByName(int group, const std::string& name) {
    if (view_) view_->selectObjByName(group, name);
}

std::string VeltrinAPI::GetPLName(int group, int index) {
    return view_ ? view_->GetPLName(group, index) : std::string();
}

// The on-screen-display settings view (type 1) previews the page's settings.
void VeltrinAPI::SetOSDInfoParams(const std::string& json) {
    if (!view_ || functionType_ != kOsdSettingsFunction) return;
    if (auto* settings = dynamic_cast<CVideoSettingPlayer*>(view_.get())) settings->SetOsdFromJson(json);
}

// Snapshots go to the stored snapshot folder, recordings to the folder the page passes.
int VeltrinAPI::SnapPicture() { return view_ ? view_->Snapshot(snapDirectory_) : kNoView; }

int VeltrinAPI::StartRecord(const std::string& directory) { return view_ ? view_->StartRecord(directory) : kNoView; }

int VeltrinAPI::StopRecord() {
    if (!view_) return kNoView;
    view_->StopRecord();
    return 0;
}

// Device mode answers the four device methods; they do nothing else.
int VeltrinAPI::StartFindingDevice() { return deviceMode() ? 0 : -1; }

int VeltrinAPI::StopFindingDevice() { return deviceMode() ? 0 : -1; }

int VeltrinAPI::ModifyDevice(const std::string&) { return deviceMode() ? 0 : -1; }

int VeltrinAPI::DeviceAdminSendCmd(const std::string&, int) { return deviceMode() ? 0 : -1; }

void VeltrinAPI::DoManualAnalyse(const int& value) {
    if (view_) view_->DoManualAnalyse(value);
}

void VeltrinAPI::Do3DLocation() {
    if (view_) view_->ToggleRegionMode();
}

void VeltrinAPI::OpenFullScreen() {
    if (view_) view_->EnterFullScreen();
}

// The keystroke goes to the window of this process that has the focus.
void VeltrinAPI::keybdEvent(int key, int scan, int flags) {
    keybd_event(static_cast<BYTE>(key & 0xFF), static_cast<BYTE>(scan & 0xFF), static_cast<DWORD>(flags), 0);
}
