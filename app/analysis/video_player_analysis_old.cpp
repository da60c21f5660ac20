// The named-area view's shapes: starting, selecting by name, hiding, reporting, reading and writing
// them as JSON, and drawing them into every picture.
#include "app/analysis/video_player_analysis_old.h"

#include "app/analysis/analysis_shape_keys.h"
#include "app/api/veltrin_api.h"
#include "app/player/osd_text.h"
#include "app/util/critical_section_hold.h"

#include <memory>

namespace {

struct GroupLook {
    DrawColour colour;
    int32_t kind;
};

const GroupLook kGroupLooks[CVideoPlayerAnalysisOld::kGroupCount] = {
    {{0, 255, 0}, kClosedPolygon}, {{0, 0, 255}, kClosedPolygon}, {{0, 255, 255}, kClosedPolygon},
    {{0, 255, 128}, kRectangle},   {{0, 0, 0}, kClosedPolygon},
};

// Shape type t (1 to 5) belongs to group kTypeToGroup[t - 1]; group g reports type
// kGroupToType[g] + 1. The one table serves both ways.
constexpr int kTypeToGroup[CVideoPlayerAnalysisOld::kGroupCount] = {0, 1, 2, 4, 3};
constexpr int kGroupToType[CVideoPlayerAnalysisOld::kGroupCount] = {0, 1, 2, 4, 3};

}  // namespace

CVideoPlayerAnalysisOld::CVideoPlayerAnalysisOld(VeltrinAPI* owner, FB::PluginWindow* window)
    : CVideoPlayer(owner, window) {
    for (int g = 0; g < kGroupCount; ++g) {
        groups_[g].Configure(kNamedAreaViewKeys[g], kGroupLooks[g].colour, kGroupLooks[g].kind, this);
    }
}

// The threads that draw the shapes end before the shapes go.
CVideoPlayerAnalysisOld::~CVideoPlayerAnalysisOld() { Shutdown(); }

int CVideoPlayerAnalysisOld::GroupOfType(int type) {
    return type >= 1 && type <= kGroupCount ? kTypeToGroup[type - 1] : -1;
}

int CVideoPlayerAnalysisOld::TypeOfGroup(int group) { return kGroupToType[group] + 1; }

int CVideoPlayerAnalysisOld::GroupOf(const PolyLine* shape) const {
    for (int g = 0; g < kGroupCount; ++g) {
        if (shape != nullptr && groups_[g].IndexOf(shape) >= 0) return g;
    }
    return -1;
}

PolyLine* CVideoPlayerAnalysisOld::NewShape(int group, const std::string& name) {
    auto shape = std::make_unique<PolyLine>();
    PolyLine::ApplyGroup(&groups_[group], shape.get());
    shape->SetLabel(name);
    PolyLine* made = shape.get();
    groups_[group].Append(std::move(shape));
    return made;
}

void CVideoPlayerAnalysisOld::BeginShape(int group, const std::string& name) {
    if (current_ != nullptr) SaveShape(current_);
    current_ = NewShape(group, name);
    editMode_ = true;
}

void CVideoPlayerAnalysisOld::ClickShape(PolyLine* shape) {
    const int g = GroupOf(shape);
    if (g >= 0 && owner_ != nullptr) owner_->notifyClickAreaWithName3(TypeOfGroup(g), shape->FirstLabel());
}

void CVideoPlayerAnalysisOld::SaveShape(PolyLine* shape) {
    const int g = GroupOf(shape);
    if (g >= 0 && owner_ != nullptr) owner_->notifySaveAreaWithName3(TypeOfGroup(g), shape->FirstLabel());
}

void CVideoPlayerAnalysisOld::DeleteShape(PolyLine* shape) {
    CriticalSectionHold hold(frameLock_);
    const int g = GroupOf(shape);
    if (g < 0) return;
    if (owner_ != nullptr) owner_->notifyDeleteAreaWithName3(TypeOfGroup(g), shape->FirstLabel());
    menuOffer_.Forget(shape);
    if (shape == current_) current_ = nullptr;
    groups_[g].Destroy(shape);
}

void CVideoPlayerAnalysisOld::RemoveUnfinishedShapes() {
    CriticalSectionHold hold(frameLock_);
    for (int g = 0; g < kGroupCount; ++g) {
        const uint32_t fewest = g == kFifthGroup ? 1 : 2;
        std::vector<PolyLine*> unfinished;
        for (const auto& shape : groups_[g].shapes) {
            if (shape->count() < fewest && shape.get() != current_) unfinished.push_back(shape.get());
        }
        for (PolyLine* shape : unfinished) DeleteShape(shape);
    }
}

void CVideoPlayerAnalysisOld::StartDrawWithName(const int& type, const std::string& name) {
    RemoveUnfinishedShapes();
    const int g = GroupOfType(type);
    // The fifth group takes no drawn shape here (the gun variant draws its cross marks there).
    if (g < 0 || g == kFifthGroup) return;
    CriticalSectionHold hold(frameLock_);
    if (g == kCalibration) {
        // One calibration rectangle at most: a new one replaces the old.
        if (groups_[g].count() > 0) DeleteShape(groups_[g].shapes.front().get());
    } else if (groups_[g].count() >= kMostAreas) {
        return;
    }
    BeginShape(g, name);
}

void CVideoPlayerAnalysisOld::selectObjByName(int group, const std::string& name) {
    if (group < 0 || group >= kGroupCount) return;
    CriticalSectionHold hold(frameLock_);
    current_ = nullptr;
    const ShapeGroup& searched = groups_[group];
    if (searched.visible) {
        for (size_t i = searched.shapes.size(); i-- > 0;) {
            if (searched.shapes[i]->FirstLabel() == name) {
                current_ = searched.shapes[i].get();
                break;
            }
        }
    }
    editMode_ = false;
}

void CVideoPlayerAnalysisOld::SetAreaHideFlag(int type, int hide) {
    const int g = GroupOfType(type);
    if (g < 0) return;
    CriticalSectionHold hold(frameLock_);
    groups_[g].visible = hide == 0;
}

std::vector<ShapeGroupKeys> CVideoPlayerAnalysisOld::DocumentKeys() const {
    std::vector<ShapeGroupKeys> keys;
    for (const ShapeGroup& group : groups_) keys.push_back({group.arrayKey, group.countKey, group.pointLimit});
    return keys;
}

std::string CVideoPlayerAnalysisOld::SaveAnalyseParams() {
    RemoveUnfinishedShapes();
    std::vector<ShapeRecords> records(kGroupCount);
    {
        CriticalSectionHold hold(frameLock_);
        for (int g = 0; g < kGroupCount; ++g) {
            for (const auto& shape : groups_[g].shapes) {
                records[g].push_back(ShapeRecord{shape->FirstLabel(), 0, shape->points()});
            }
        }
    }
    return WriteShapeDocument(records, DocumentKeys(), ShapeNaming::Named);
}

// The whole document is read before anything changes: a text that cannot be read leaves every
// shape as it was.
void CVideoPlayerAnalysisOld::SetAnalyseParams(const std::string& json) {
    const auto read = ReadShapeDocument(json, DocumentKeys(), ShapeNaming::Named);
    if (!read) return;
    CriticalSectionHold hold(frameLock_);
    current_ = nullptr;
    editMode_ = false;
    menuOffer_.ForgetAll();
    for (int g = 0; g < kGroupCount; ++g) {
        FreeShapeList(groups_[g]);
        for (const ShapeRecord& record : (*read)[static_cast<size_t>(g)]) {
            PolyLine* shape = NewShape(g, record.name);
            for (const ShapePoint& point : record.points) shape->AppendPoint(point);
        }
    }
}

void CVideoPlayerAnalysisOld::DrawOverlay() {
    DrawOsd();
    DrawAreas();
    DrawDragRect();
}

void CVideoPlayerAnalysisOld::DrawAreas() {
    const int labelSize = OsdTextSize(shownHeight());
    for (int g = 0; g < kFifthGroup; ++g) DrawShapeGroup(groups_[g], current_, editMode_, labelSize);
}

void CVideoPlayerAnalysisOld::DrawPlus(const ShapePoint& centre, const DrawColour& colour) {
    DrawLine(centre, ShapePoint{centre.x + kPlusArm, centre.y}, colour);
    DrawLine(centre, ShapePoint{centre.x - kPlusArm, centre.y}, colour);
    DrawLine(centre, ShapePoint{centre.x, centre.y + kPlusArm}, colour);
    DrawLine(centre, ShapePoint{centre.x, centre.y - kPlusArm}, colour);
}

int CVideoPlayerAnalysisOld::StartStill() {
    const int result = CVideoPlayer::Start();
    Pause();
    return result;
}

// The still picture is dropped and the next one kept in its place.
void CVideoPlayerAnalysisOld::RefreshStill() {
    CriticalSectionHold hold(frameLock_);
    Resume();
    Pause();
}
