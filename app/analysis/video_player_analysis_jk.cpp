// The lane view's shapes: starting, naming, hiding, reading and writing them as JSON, and drawing
// them into every picture.
#include "app/analysis/video_player_analysis_jk.h"

#include "app/analysis/analysis_shape_keys.h"
#include "app/player/osd_text.h"
#include "app/util/critical_section_hold.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

struct GroupLook {
    DrawColour colour;
    int32_t kind;
};

const GroupLook kGroupLooks[CVideoPlayerAnalysisJK::kGroupCount] = {
    {{0, 255, 0}, kClosedPolygon},
    {{0, 0, 255}, kOpenPolyline},
};

std::vector<ShapeGroupKeys> DocumentKeys() { return {std::begin(kLaneViewKeys), std::end(kLaneViewKeys)}; }

// At most most bytes, not ending inside a UTF-8 character.
std::string CutAtCharacter(std::string text, size_t most) {
    if (text.size() <= most) return text;
    size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

}  // namespace

CVideoPlayerAnalysisJK::CVideoPlayerAnalysisJK(VeltrinAPI* owner, FB::PluginWindow* window)
    : CVideoPlayer(owner, window) {
    for (int g = 0; g < kGroupCount; ++g) {
        groups_[g].Configure(kLaneViewKeys[g], kGroupLooks[g].colour, kGroupLooks[g].kind, this);
    }
}

// The threads that draw the shapes end before the shapes go.
CVideoPlayerAnalysisJK::~CVideoPlayerAnalysisJK() { Shutdown(); }

std::string CVideoPlayerAnalysisJK::MakeShapeLabel(bool laneLine, const PolyLineJk& shape) {
    if (!laneLine) return "A" + std::to_string(shape.sequenceNumber);
    switch (shape.labelMode) {
        case kLaneNotDetected:
            return CutAtCharacter(shape.name + ":Hide", kMostLabelBytes);
        case kLaneByVehiclePosition:
            return CutAtCharacter(shape.name + ":Auto", kMostLabelBytes);
        default:
            return CutAtCharacter(shape.name, kMostLabelBytes);
    }
}

PolyLineJk* CVideoPlayerAnalysisJK::NewShape(int group) {
    auto shape = std::make_unique<PolyLineJk>();
    PolyLine::ApplyGroup(&groups_[group], shape.get());
    PolyLineJk* made = shape.get();
    groups_[group].Append(std::move(shape));
    made->sequenceNumber = static_cast<int32_t>(groups_[group].count());
    return made;
}

void CVideoPlayerAnalysisJK::DeleteShape(PolyLineJk* shape) {
    if (shape == nullptr) return;
    menuOffer_.Forget(shape);
    if (shape == current_) current_ = nullptr;
    if (!groups_[kMonitorAreas].Destroy(shape)) groups_[kLaneLines].Destroy(shape);
}

// Shapes of fewer than two points were never finished; they go without a word to the page.
void CVideoPlayerAnalysisJK::RemoveUnfinishedShapes() {
    CriticalSectionHold hold(frameLock_);
    for (ShapeGroup& group : groups_) {
        std::vector<PolyLineJk*> unfinished;
        for (const auto& shape : group.shapes) {
            if (shape->count() < 2) unfinished.push_back(static_cast<PolyLineJk*>(shape.get()));
        }
        for (PolyLineJk* shape : unfinished) DeleteShape(shape);
    }
}

void CVideoPlayerAnalysisJK::StartDrawWithName(const int& type, const std::string& name) {
    if (type != kMonitorAreas && type != kLaneLines) return;
    if (type == kLaneLines && name.empty()) return;
    CriticalSectionHold hold(frameLock_);
    RemoveUnfinishedShapes();
    // One monitor area at most, ten lane lines.
    if (type == kMonitorAreas && groups_[kMonitorAreas].count() > 0) return;
    if (type == kLaneLines && groups_[kLaneLines].count() >= kMostLaneLines) return;
    PolyLineJk* shape = NewShape(type);
    shape->labelMode = kLaneDetected;
    if (type == kLaneLines) shape->name = name;
    shape->SetLabel(MakeShapeLabel(type == kLaneLines, *shape));
    current_ = shape;
    editMode_ = true;
}

void CVideoPlayerAnalysisJK::ModifySelectedPLName(const std::string& name) {
    if (name.empty()) return;
    CriticalSectionHold hold(frameLock_);
    if (!IsLaneLine(current_)) return;
    current_->name = name;
    current_->SetLabel(MakeShapeLabel(true, *current_));
}

std::string CVideoPlayerAnalysisJK::GetPLName(int type, int index) {
    if (static_cast<unsigned>(type) > kLaneLines || index < 0) return std::string();
    CriticalSectionHold hold(frameLock_);
    const ShapeGroup& group = groups_[type];
    if (static_cast<uint32_t>(index) >= group.count()) return std::string();
    return static_cast<const PolyLineJk&>(*group.shapes[static_cast<size_t>(index)]).name;
}

void CVideoPlayerAnalysisJK::SetAreaHideFlag(int type, int hide) {
    if (type < 1 || type > kGroupCount) return;
    CriticalSectionHold hold(frameLock_);
    groups_[type - 1].visible = hide == 0;
}

std::string CVideoPlayerAnalysisJK::SaveAnalyseParams() {
    std::vector<ShapeRecords> records(kGroupCount);
    {
        CriticalSectionHold hold(frameLock_);
        RemoveUnfinishedShapes();
        for (int g = 0; g < kGroupCount; ++g) {
            for (const auto& shape : groups_[g].shapes) {
                const auto& lane = static_cast<const PolyLineJk&>(*shape);
                records[g].push_back(ShapeRecord{lane.name, lane.labelMode, lane.points()});
            }
        }
    }
    return WriteShapeDocument(records, DocumentKeys(), ShapeNaming::Lane);
}

// The whole document is read before anything changes: a text that cannot be read leaves every
// shape as it was.
void CVideoPlayerAnalysisJK::SetAnalyseParams(const std::string& json) {
    const auto read = ReadShapeDocument(json, DocumentKeys(), ShapeNaming::Lane);
    if (!read) return;
    CriticalSectionHold hold(frameLock_);
    current_ = nullptr;
    editMode_ = false;
    menuOffer_.ForgetAll();
    for (int g = 0; g < kGroupCount; ++g) {
        FreeShapeList(groups_[g]);
        for (const ShapeRecord& record : (*read)[static_cast<size_t>(g)]) {
            PolyLineJk* shape = NewShape(g);
            shape->labelMode = record.labelMode;
            shape->name = record.name;
            shape->SetLabel(MakeShapeLabel(g == kLaneLines, *shape));
            for (const ShapePoint& point : record.points) shape->AppendPoint(point);
        }
    }
}

void CVideoPlayerAnalysisJK::DrawOverlay() {
    DrawOsd();
    const int labelSize = OsdTextSize(shownHeight());
    for (ShapeGroup& group : groups_) DrawShapeGroup(group, current_, editMode_, labelSize);
    DrawDragRect();
}
