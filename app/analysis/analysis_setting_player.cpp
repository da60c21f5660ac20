// The setting view's construction, its setters for the page and its JSON documents.
#include "app/analysis/analysis_setting_player.h"

#include "app/analysis/analysis_params_json.h"
#include "app/analysis/shape_kind.h"
#include "app/api/veltrin_api.h"
#include "app/util/critical_section_hold.h"

#include <cassert>
#include <memory>
#include <utility>

namespace {

// Pictures for which the target square and the target-size boxes stay on the picture.
constexpr int32_t kTargetShownPictures = 70;
// Values of "SetEventType" from this one on are ignored.
constexpr int kEventTypeLimit = 6;

}  // namespace

CAnalysisSettingPlayer::CAnalysisSettingPlayer(VeltrinAPI* owner, FB::PluginWindow* window)
    : CVideoPlayer(owner, window) {}

// The decode thread draws these shapes until the view has stopped.
CAnalysisSettingPlayer::~CAnalysisSettingPlayer() { Shutdown(); }

void CAnalysisSettingPlayer::ResetEditState() {
    editPoints.clear();
    editDirection.clear();
    checkLinePoints.clear();
    selectedIndex = -1;
    drawing = false;
    dragSegment = 0;
    dragVertex = 0;
}

bool CAnalysisSettingPlayer::ReadParams(const std::string& json, AnalysisShapes* read) {
    return ReadAnalyseParams(json, read);
}

void CAnalysisSettingPlayer::ReplaceShapes(AnalysisShapes read) {
    shapes = std::move(read);
    ResetEditState();
}

// Read in full before the lock is taken: the decode thread never sees a half-loaded set, and text
// that is not JSON leaves everything as it was.
void CAnalysisSettingPlayer::SetAnalyseParams(const std::string& json) {
    AnalysisShapes read;
    if (!ReadParams(json, &read)) return;
    CriticalSectionHold hold(frameLock_);
    ReplaceShapes(std::move(read));
}

std::string CAnalysisSettingPlayer::SaveAnalyseParams() {
    AnalysisShapes stored;
    {
        CriticalSectionHold hold(frameLock_);
        ResetEditState();
        stored = StoredShapes();
    }
    return WriteAnalyseParams(stored);
}

// The decode thread empties the check line when its time on the picture is up.
std::string CAnalysisSettingPlayer::BuildCheckLineJson() {
    CriticalSectionHold hold(frameLock_);
    if (!IsCheckLineKind(currentKind) || shapes.calibrationPoints.size() < 4 || checkLinePoints.size() < 2) {
        return std::string();
    }
    return WriteCheckLine(shapes.calibrationPoints, checkLinePoints, currentKind);
}

void CAnalysisSettingPlayer::SetEventType(int type) {
    if (type >= kEventTypeLimit) return;
    CriticalSectionHold hold(frameLock_);
    eventType = type;
}

void CAnalysisSettingPlayer::SetTargetWidth(int width) {
    if (width < 1) return;
    MakeHintText();
    CriticalSectionHold hold(frameLock_);
    targetWidth = width;
    targetCountdown = kTargetShownPictures;
}

void CAnalysisSettingPlayer::OpenMesh(int on, int spacing) {
    CriticalSectionHold hold(frameLock_);
    meshOn = on;
    meshSpacing = spacing;
}

// The decode thread counts the boxes down and clamps them in place.
void CAnalysisSettingPlayer::SetTargetSize(int minPermille, int maxPermille, float width, float height) {
    MakeHintText();
    CriticalSectionHold hold(frameLock_);
    if (shapes.calibrationPoints.size() < 4) return;
    calibWidth = width;
    calibHeight = height;
    if (minPermille < 0) return;
    TargetBox smaller;
    TargetBox larger;
    if (!ComputeTargetBoxes(shapes.calibrationPoints, width, height, minPermille, maxPermille, width_, height_,
                            &smaller, &larger)) {
        return;
    }
    minTargetBox = smaller;
    maxTargetBox = larger;
    targetBoxCountdown = kTargetShownPictures;
}

// Loads the font before the lock is taken; the decode thread reads the renderer under the lock.
void CAnalysisSettingPlayer::MakeHintText() {
    assert(OnOwnerThread());
    if (hintText != nullptr) return;
    auto renderer = std::make_unique<TextRenderer>();
    CriticalSectionHold hold(frameLock_);
    hintText = std::move(renderer);
}

void CAnalysisSettingPlayer::GetPointLimits(int* minimum, int* maximum) {
    const PointLimits limits = PointLimitsOf(currentKind);
    *minimum = limits.minimum;
    *maximum = limits.maximum;
}

void CAnalysisSettingPlayer::FireSaveArea(int kind, int index) {
    if (owner_ != nullptr) owner_->fireSaveArea(kind, index);
}

void CAnalysisSettingPlayer::FireDeleteArea(int kind, int index) {
    if (owner_ != nullptr) owner_->fireDeleteArea(kind, index);
}

void CAnalysisSettingPlayer::FireClickArea(int kind, int index) {
    if (owner_ != nullptr) owner_->fireClickArea(kind, index);
}
